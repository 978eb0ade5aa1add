// The content-table operations: limits that refuse without side effects,
// lists per source file with their open ends, and title removal.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/recording_ui.h"
#include "title/tables.h"
#include "title/time_list_text.h"

namespace vm {
namespace {

TitleTables& Fresh() {
  static TitleTables* t = new TitleTables();
  std::memset(static_cast<void*>(t), 0, sizeof *t);
  ResetTables(*t);
  return *t;
}

// A time list over files of `perFile` entries each, 10 sectors per VOBU,
// with the sentinel as the scan writes it.
void FillTimeList(TitleTables& t, int files, int perFile) {
  t.VobFileNum = files;
  int n = 0;
  for (int f = 0; f < files; ++f) {
    std::snprintf(t.VobFileName[f], kPathBytes, "/in/VTS_01_%d.VOB", f + 1);
    t.VobFileSize[f] = 2048.0 * 10 * perFile;
    for (int i = 0; i < perFile; ++i, ++n) {
      t.TimeListFileNo[n] = static_cast<uint8_t>(f);
      t.TimeListSector[n] = 10 * i;
      t.TimeListFlags[n] = 0;
    }
  }
  t.TimeListNum = n;
  t.TimeListFileNo[n] = static_cast<uint8_t>(files);
  t.TimeListSector[n] = 10 * perFile;
  t.RangeStart = 0;
  t.RangeEnd = n - 1;
}

TEST(Tables, ResetWritesDefaultsAndEmptyLabels) {
  TitleTables& t = Fresh();
  t.DC_Resolution[99] = 7;
  ResetTables(t);
  EXPECT_EQ(t.DC_Resolution[99], 2);
  EXPECT_EQ(t.DC_AudioData[42][0], 0x90);
  EXPECT_EQ(t.DC_AudioData[42][2], 0x10);
  EXPECT_EQ(t.DC_VobCellId[0], 6);
  EXPECT_EQ(t.DC_A_Use[5][7], 1);
  EXPECT_EQ(t.DC_C_Use[5][31], 1);
  EXPECT_EQ(t.DC_FirstPlayPgc, 1);
  EXPECT_EQ(t.DC_VtsAtr, 1);
  EXPECT_EQ(t.ChapterInterval, 180);
  EXPECT_STREQ(t.LabelStart, "S:00001 \xE3\x80\x9C");
  EXPECT_STREQ(t.LabelEnd, "E:00001");
  EXPECT_STREQ(t.LabelSize, "Size: 0.000 GB");
}

TEST(Tables, RangeAcrossFilesGivesOneListPerFileWithOpenEnds) {
  TitleTables& t = Fresh();
  RecordingUi ui;
  FillTimeList(t, 3, 5);  // entries 0-4 in file 0, 5-9 in file 1, 10-14 in file 2
  t.TimeListFlags[7] |= TL_CHAPTER;
  t.TimeListFlags[12] |= TL_CHAPTER;
  ASSERT_EQ(AddRangeAsContent(t, ui, 2, 11), 0);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(t.DC_TitleNum, 1);
  ASSERT_EQ(t.DC_ListNum[0], 3);
  // First list: starts inside file 0 at entry 2 and runs to the file's end.
  EXPECT_STREQ(t.DC_SrcFName[0], "/in/VTS_01_1.VOB");
  EXPECT_EQ(t.DC_StartMarkNo[0], 2);
  EXPECT_EQ(t.DC_StartVobu[0], 20);
  EXPECT_EQ(t.DC_EndMarkNo[0], -1);
  EXPECT_EQ(t.DC_EndVobu[0], -1);
  EXPECT_DOUBLE_EQ(t.DC_TotalSize[0], 2048.0 * 30);
  // Middle list: the whole file.
  EXPECT_EQ(t.DC_StartVobu[1], -1);
  EXPECT_EQ(t.DC_EndVobu[1], -1);
  EXPECT_DOUBLE_EQ(t.DC_TotalSize[1], 2048.0 * 50);
  // Last list: from the start of file 2 to where entry 12 begins.
  EXPECT_EQ(t.DC_StartMarkNo[2], -1);
  EXPECT_EQ(t.DC_EndMarkNo[2], 11);
  EXPECT_EQ(t.DC_EndVobu[2], 10);
  EXPECT_DOUBLE_EQ(t.DC_TotalSize[2], 2048.0 * 20);
  // Chapters: the range start, and entry 7 (entry 12 is outside).
  ASSERT_EQ(t.DC_ChapterNum[0], 2);
  EXPECT_EQ(t.DC_ChapterIdxTbl[0][0], 0);
  EXPECT_EQ(t.DC_ChapterIdxTbl[0][1], 5);
  EXPECT_EQ(t.DC_VobuNum[0], 10);
}

TEST(Tables, RangeEndingOnLastEntryRunsToEndOfScannedFile) {
  TitleTables& t = Fresh();
  RecordingUi ui;
  FillTimeList(t, 2, 4);
  ASSERT_EQ(AddRangeAsContent(t, ui, 3, 7), 0);
  ASSERT_EQ(t.DC_ListNum[0], 2);
  // Entry 3 is the last of file 0: its list is one VOBU to the file's end.
  EXPECT_EQ(t.DC_StartVobu[0], 30);
  EXPECT_EQ(t.DC_EndVobu[0], -1);
  EXPECT_DOUBLE_EQ(t.DC_TotalSize[0], 2048.0 * 10);
  // Entry 7 is followed by the sentinel: the list runs to the end.
  EXPECT_EQ(t.DC_StartVobu[1], -1);
  EXPECT_EQ(t.DC_EndVobu[1], 30);
  EXPECT_DOUBLE_EQ(t.DC_TotalSize[1], 2048.0 * 40);
}

TEST(Tables, ChapterLimitsRefuseWithoutChangingAnything) {
  TitleTables& t = Fresh();
  RecordingUi ui;
  FillTimeList(t, 1, 300);
  for (int i = 1; i <= 126; ++i) t.TimeListFlags[i * 2] |= TL_CHAPTER;
  EXPECT_EQ(AddRangeAsContent(t, ui, 0, 299), 0);  // 127 chapters
  EXPECT_EQ(t.DC_ChapterNum[0], 127);
  RemoveCurrentTitle(t);
  EXPECT_EQ(t.DC_TitleNum, 0);
  EXPECT_EQ(t.DC_ChapterNum[0], 0);

  t.TimeListFlags[299] |= TL_CHAPTER;  // 128
  EXPECT_EQ(AddRangeAsContent(t, ui, 0, 299), 1);
  EXPECT_EQ(ui.OnlyText(), "Number of chapters is too many (Maximum:127, Standardized:99).");
  EXPECT_EQ(ui.messages[0].caption, "Error");
  EXPECT_EQ(t.DC_TitleNum, 0);
  EXPECT_EQ(t.DC_ListNum[0], 0);
  EXPECT_EQ(t.DC_ChapterNum[0], 0);
  EXPECT_EQ(t.DC_VobuNum[0], 0);
}

TEST(Tables, AllTitleLimitsCountEveryTitle) {
  TitleTables& t = Fresh();
  RecordingUi ui;
  FillTimeList(t, 2, 200);
  // Titles 1..8 already hold 110 chapters each (880).
  t.DC_TitleNum = 9;
  for (int i = 1; i <= 8; ++i) t.DC_ChapterNum[i] = 110;
  // 120 chapters would be fine in one title, but 880 + 120 = 1000 > 999.
  for (int i = 1; i < 120; ++i) t.TimeListFlags[i] |= TL_CHAPTER;
  EXPECT_EQ(AddRangeAsContent(t, ui, 0, 399), 1);
  EXPECT_EQ(ui.OnlyText(), "Number of chapters is too many (Maximum in all titles:999).");
  EXPECT_EQ(t.DC_ListNum[0], 0);
  EXPECT_EQ(t.DC_ChapterNum[0], 0);
  t.TimeListFlags[119] = 0;  // 119 + 880 = 999 is accepted
  EXPECT_EQ(AddRangeAsContent(t, ui, 0, 399), 0);
  EXPECT_EQ(t.DC_ChapterNum[0], 119);
}

TEST(Tables, ListLimitCountsEveryTitle) {
  TitleTables& t = Fresh();
  RecordingUi ui;
  FillTimeList(t, 2, 5);
  t.DC_TitleNum = 2;
  t.DC_ListNum[1] = 510;  // 510 + 2 files > 511
  EXPECT_EQ(AddRangeAsContent(t, ui, 0, 9), 1);
  EXPECT_EQ(ui.OnlyText(), "Number of DVD contents is too many (Maximum in all titles:511).");
  EXPECT_EQ(t.DC_ListNum[0], 0);
  ui.Clear();
  t.DC_ListNum[1] = 509;  // exactly 511
  EXPECT_EQ(AddRangeAsContent(t, ui, 0, 9), 0);
  EXPECT_EQ(t.DC_ListNum[0], 2);
  EXPECT_TRUE(ui.messages.empty());
}

TEST(Tables, AddRefusesEmptyListAndIgnoresWhileBusy) {
  TitleTables& t = Fresh();
  RecordingUi ui;
  EXPECT_EQ(AddRangeAsContent(t, ui, 0, 0), 1);
  EXPECT_EQ(ui.OnlyText(), "Input data is none.");
  FillTimeList(t, 1, 3);
  ui.Clear();
  t.BusyFlag = 1;
  EXPECT_EQ(AddRangeAsContent(t, ui, 0, 2), 0);
  EXPECT_EQ(t.DC_TitleNum, 0);
  EXPECT_TRUE(ui.messages.empty());
}

TEST(Tables, AddInsertsAfterCurrentTitlesListsAndMovesLaterOnes) {
  TitleTables& t = Fresh();
  RecordingUi ui;
  FillTimeList(t, 2, 3);
  // Title 1 exists with one list in slot 0 (title 0 has none yet).
  t.DC_TitleNum = 2;
  t.DC_ListNum[1] = 1;
  std::strcpy(t.DC_SrcFName[0], "/other/VTS_01_1.VOB");
  t.DC_TotalSize[0] = 123.0;
  ASSERT_EQ(AddRangeAsContent(t, ui, 0, 5), 0);
  EXPECT_STREQ(t.DC_SrcFName[0], "/in/VTS_01_1.VOB");
  EXPECT_STREQ(t.DC_SrcFName[1], "/in/VTS_01_2.VOB");
  EXPECT_STREQ(t.DC_SrcFName[2], "/other/VTS_01_1.VOB");
  EXPECT_DOUBLE_EQ(t.DC_TotalSize[2], 123.0);
  EXPECT_EQ(t.DC_TitleNum, 2);  // title 0 was already counted
}

TEST(Tables, RemoveMovesNextTitleDownAndResetsFreedSlot) {
  TitleTables& t = Fresh();
  RecordingUi ui;
  FillTimeList(t, 1, 10);
  ASSERT_EQ(AddRangeAsContent(t, ui, 0, 9), 0);
  // A second title behind it with its own settings and one list.
  t.DC_TitleNum = 2;
  t.DC_ListNum[1] = 1;
  t.DC_ChapterNum[1] = 3;
  t.DC_VobuNum[1] = 44;
  t.DC_ChapterIdxTbl[1][2] = 17;
  t.DC_Aspect[1] = 1;
  t.DC_AudioData[1][1] = 0x55;
  t.DC_C_Use[1][30] = 0;
  t.SrcVtsiCopy[1][727] = 0xAB;
  t.ChapterNumNew[0] = 9;
  t.ChapterNumNew[1] = 5;
  std::strcpy(t.DC_VtsiFName[1], "/two/VTS_01_0.IFO");
  std::strcpy(t.DC_SrcFName[1], "/two/VTS_01_1.VOB");

  RemoveCurrentTitle(t);
  EXPECT_EQ(t.DC_TitleNum, 1);
  EXPECT_STREQ(t.DC_SrcFName[0], "/two/VTS_01_1.VOB");
  EXPECT_EQ(t.DC_ListNum[0], 1);
  EXPECT_EQ(t.DC_ChapterNum[0], 3);
  EXPECT_EQ(t.DC_VobuNum[0], 44);
  EXPECT_EQ(t.DC_ChapterIdxTbl[0][2], 17);
  EXPECT_EQ(t.DC_Aspect[0], 1);
  EXPECT_EQ(t.DC_AudioData[0][1], 0x55);
  EXPECT_EQ(t.DC_C_Use[0][30], 0);
  EXPECT_EQ(t.SrcVtsiCopy[0][727], 0xAB);
  EXPECT_STREQ(t.DC_VtsiFName[0], "/two/VTS_01_0.IFO");
  EXPECT_EQ(t.ChapterNumNew[0], 9);  // not moved
  // The freed slot 1: counts zero, attributes back to their defaults, the
  // copied source bytes and file name left as they were.
  EXPECT_EQ(t.DC_ListNum[1], 0);
  EXPECT_EQ(t.DC_ChapterNum[1], 0);
  EXPECT_EQ(t.DC_ChapterIdxTbl[1][2], 0);
  EXPECT_EQ(t.DC_Aspect[1], 0);
  EXPECT_EQ(t.DC_AudioData[1][1], 0x10);
  EXPECT_EQ(t.DC_C_Use[1][30], 1);
  EXPECT_EQ(t.SrcVtsiCopy[1][727], 0xAB);
  EXPECT_STREQ(t.DC_VtsiFName[1], "/two/VTS_01_0.IFO");
}

TEST(Tables, RemovingTheOnlyTitleKeepsItsAttributes) {
  TitleTables& t = Fresh();
  RecordingUi ui;
  FillTimeList(t, 1, 4);
  ASSERT_EQ(AddRangeAsContent(t, ui, 0, 3), 0);
  t.DC_AttCheck[0] = 1;
  t.DC_Aspect[0] = 1;
  t.DC_A_Use[0][2] = 0;
  RemoveCurrentTitle(t);
  EXPECT_EQ(t.DC_TitleNum, 0);
  EXPECT_EQ(t.DC_ListNum[0], 0);
  EXPECT_EQ(t.DC_AttCheck[0], 1);
  EXPECT_EQ(t.DC_Aspect[0], 1);
  EXPECT_EQ(t.DC_A_Use[0][2], 0);
  // Remove with no lists, or while busy, does nothing.
  t.DC_TitleNum = 1;
  RemoveCurrentTitle(t);
  EXPECT_EQ(t.DC_TitleNum, 1);
}

TEST(TimeListText, LineFormatAndSixDigitEntries) {
  char line[kLineBytes];
  // 1:02:03.456 = ((3600 + 120 + 3) * 1000 + 456) ms * 90 ticks.
  uint32_t scr = ((3600u + 120u + 3u) * 1000u + 456u) * 90u;
  FormatTimeListLine(line, '>', '*', 42, scr);
  EXPECT_STREQ(line, " >*00042 (01:02:03.456)");
  EXPECT_EQ(std::strlen(line), 23u);
  FormatTimeListLine(line, ' ', 'X', 100000, 0xFFFFFFFFu);
  // The 32-bit SCR wraps after 13.25 hours: the hours never pass 13.
  EXPECT_STREQ(line, "  X100000 (13:15:21.858)");
}

}  // namespace
}  // namespace vm
