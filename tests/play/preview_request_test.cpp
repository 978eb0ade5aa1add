// What the preview asks the decoder for: the entry's VOB file and sector,
// and the next file of the set to continue into, none for the last file.

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "play/preview_request.h"

namespace vm {
namespace {

TEST(PreviewRequest, ContinuationPathIsTheNextFileExceptForTheLast) {
  static TitleTables* t = new TitleTables();
  std::memset(static_cast<void*>(t), 0, sizeof *t);
  t->VobFileNum = 3;
  for (int f = 0; f < 3; ++f)
    std::snprintf(t->VobFileName[f], kPathBytes, "/in/VTS_01_%d.VOB", f + 1);
  const struct {
    uint8_t file;
    int32_t sector;
    const char* vob;
    const char* next;
  } entries[] = {{0, 0, "/in/VTS_01_1.VOB", "/in/VTS_01_2.VOB"},
                 {0, 524286, "/in/VTS_01_1.VOB", "/in/VTS_01_2.VOB"},
                 {1, 7, "/in/VTS_01_2.VOB", "/in/VTS_01_3.VOB"},
                 {2, 0, "/in/VTS_01_3.VOB", ""},
                 {2, 90, "/in/VTS_01_3.VOB", ""}};
  t->TimeListNum = 5;
  for (int i = 0; i < 5; ++i) {
    t->TimeListFileNo[i] = entries[i].file;
    t->TimeListSector[i] = entries[i].sector;
  }
  for (int i = 0; i < 5; ++i) {
    PreviewRequest r;
    std::memset(&r, 'x', sizeof r);
    ASSERT_TRUE(FillPreviewRequest(*t, i, r)) << i;
    EXPECT_STREQ(r.vobPath, entries[i].vob) << i;
    EXPECT_STREQ(r.continuationPath, entries[i].next) << i;
    EXPECT_EQ(r.sector, static_cast<uint32_t>(entries[i].sector)) << i;
  }
  PreviewRequest r;
  EXPECT_FALSE(FillPreviewRequest(*t, 5, r));   // the sentinel is no entry
  EXPECT_FALSE(FillPreviewRequest(*t, -1, r));
}

}  // namespace
}  // namespace vm
