// The whole disc refused before anything is written: a title of several
// angles, one with interleaved cells, one whose tables cannot be read, each
// named in the message, and a narrowed range or a stream left out, which
// the whole disc cannot honour; no output folder is made and the input is left as
// it was. The faults are put into a copy of the menu volume through the
// format layer.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "author/create_volume.h"
#include "common/fixed_string.h"
#include "dvd/ifo_model.h"
#include "tests/support/real_titles.h"
#include "tests/support/recording_ui.h"
#include "tests/support/temp_dir.h"

namespace vm {
namespace {

namespace fs = std::filesystem;

bool Rewrite(const std::string& path, const std::function<void(dvd::IfoModel&)>& change) {
  auto m = std::make_unique<dvd::IfoModel>();
  dvd::IfoStatus st;
  if (!dvd::ReadIfoFile(path.c_str(), *m, st)) return false;
  change(*m);
  auto out = std::make_unique<uint8_t[]>(dvd::kMaxIfoBytes);
  size_t size = 0;
  if (!dvd::WriteIfo(*m, out.get(), dvd::kMaxIfoBytes, size, st)) return false;
  return testing::WriteFile(path, std::string(reinterpret_cast<const char*>(out.get()), size));
}

struct RefusalCase {
  const char* what;
  int title;
  std::function<bool(const std::string& in)> damage;
  const char* message;  // the message starts so
  std::function<void(TitleTables&)> choose = [](TitleTables&) {};
};

bool Untouched(const std::string&) { return true; }
constexpr char kKeepsEveryPack[] = "The whole disc keeps every pack of the title: ";

TEST(EndToEndWholeDiscRefusal, TitleNamedAndNothingWritten) {
  const std::string volume = testing::MenuVolume();
  ASSERT_FALSE(volume.empty());
  const RefusalCase cases[] = {
      {"angles", 3,
       [](const std::string& in) {
         return Rewrite(in + "VIDEO_TS.IFO", [](dvd::IfoModel& m) { m.ttSrpt.title[2].angles = 2; });
       },
       "Title 3: Multi angle is included (Multi angle not supported)."},
      {"interleaved", 2,
       [](const std::string& in) {
         return Rewrite(in + "VTS_01_0.IFO", [](dvd::IfoModel& m) {
           dvd::CellPlayback& c = m.pgcs.pgc[m.pgcit.srp[1].pgc].cells[0];
           c.category[0] |= dvd::kCellInterleaved;
           c.firstIlvuEndSector = c.firstSector + 1;
         });
       },
       "Title 2: Interleave is included (Interleave not supported)."},
      {"title set tables past the file", 1,
       [](const std::string& in) {
         std::string ifo = testing::ReadFile(in + "VTS_01_0.IFO");
         ifo.resize(2048);  // the head alone: every table lies past the end
         return testing::WriteFile(in + "VTS_01_0.IFO", ifo);
       },
       "Title 1 cannot be read: "},
      {"range narrowed", 1, Untouched, kKeepsEveryPack,
       [](TitleTables& t) {
         t.TimeListNum = 2;
         t.TimeListFileNo[2] = 1;
         t.RangeStart = 1;
         t.RangeEnd = 1;
       }},
      {"audio left out", 1, Untouched, kKeepsEveryPack, [](TitleTables& t) { t.DC_A_Use[0][1] = 0; }},
      {"subpicture left out", 1, Untouched, kKeepsEveryPack,
       [](TitleTables& t) { t.DC_C_Use[0][0] = 0; }},
  };
  static auto* t = new TitleTables();
  static auto* a = new AuthorState();
  for (const RefusalCase& c : cases) {
    SCOPED_TRACE(c.what);
    testing::TempDir root, program;
    const std::string in = root.path() + "in/", out = root.path() + "out/";
    std::error_code ec;
    fs::copy(volume, in, ec);
    ASSERT_FALSE(ec);
    ASSERT_TRUE(c.damage(in));
    const std::string before = testing::RunAndCapture("cd '" + in + "' && md5sum *");

    ResetTables(*t);
    CopyField(t->InputFolder, in.c_str());
    t->VobFileNum = 1;
    CopyField(t->VobFileName[0], (in + "VTS_01_1.VOB").c_str());
    t->TimeListNum = 1;
    t->TimeListFlags[0] = TL_CELL_START | TL_CHAPTER;
    t->TimeListFileNo[1] = 1;
    t->ChosenTitle = c.title;
    t->WholeDisc = 1;
    c.choose(*t);
    RecordingUi ui;
    EXPECT_EQ(CreateVolume(*t, *a, ui, out.c_str(), program.path().c_str()), CreateResult::Stopped);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].caption, "Error");
    EXPECT_EQ(ui.messages[0].text.rfind(c.message, 0), 0u) << ui.messages[0].text;
    EXPECT_EQ(ui.progressOpen, 0);
    EXPECT_NE(testing::RunCommand("test -e '" + out + "'"), 0) << "the output folder was made";
    EXPECT_EQ(testing::RunAndCapture("cd '" + in + "' && md5sum *"), before);
  }
}

}  // namespace
}  // namespace vm
