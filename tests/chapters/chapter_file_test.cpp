// Chapter files in the five forms: what each parse reads, what it refuses
// and at which line, and that every export imported again marks the same
// entries on time lists with short VOBUs, clock jumps and a range that does
// not start at entry 0.

#include <unistd.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "chapters/chapter_file.h"
#include "chapters/chapter_marks.h"
#include "tests/support/synth_title.h"
#include "title/read_command.h"
#include "tests/chapters/time_list_fixture.h"
#include "tests/support/recording_ui.h"
#include "tests/support/temp_dir.h"

namespace vm::testing {
namespace {

using F = ChapterFileFormat;

struct ParseCase {
  const char* what;
  std::string text;
  F format;
  std::vector<int32_t> ms;  // expected times when valid
  int32_t badLine;          // 0: valid
};

TEST(ChapterFileParse, EachFormRecognisedAndRead) {
  const ParseCase cases[] = {
      {"chplist", "0:00:00\n0:01:02.5\n", F::Chplist, {0, 62500}, 0},
      {"chplist bad line", "0:00:00\n\n0:61:00\n", F::Chplist, {}, 3},
      {"not a chapter file", "hello world\n", F::Chplist, {}, 1},
      {"ogm", "CHAPTER01=00:00:00.000\nCHAPTER01NAME=Intro\r\nchapter02=01:00:04.504\n"
              "CHAPTER02NAME=\n",
       F::Ogm, {0, 3604504}, 0},
      {"ogm without hours", "CHAPTER01=00:00.000\n", F::Ogm, {}, 1},
      {"ogm stray line", "CHAPTER01=00:00:00.000\nCHAPTER01NAME=a\nfoo\n", F::Ogm, {}, 3},
      {"matroska", "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!-- c -->\n<!DOCTYPE Chapters>\n"
                   "<Chapters><EditionEntry><EditionUID>1</EditionUID>\n"
                   "<ChapterAtom><ChapterTimeStart>00:00:01.0004999</ChapterTimeStart>\n"
                   "<ChapterAtom><ChapterTimeStart>00:00:01.5</ChapterTimeStart></ChapterAtom>\n"
                   "<ChapterFlagHidden/></ChapterAtom>\n"
                   "<ChapterAtom><ChapterTimeStart> 25:00:00.999999999 </ChapterTimeStart>"
                   "</ChapterAtom></EditionEntry>\n"
                   "<EditionEntry><ChapterAtom><ChapterTimeStart>00:00:09.000</ChapterTimeStart>"
                   "</ChapterAtom></EditionEntry></Chapters>\n",
       F::Matroska, {1000, 90001000}, 0},  // nested atoms and later editions left out
      {"matroska bad time", "<Chapters><EditionEntry><ChapterAtom>\n\n<ChapterTimeStart>"
                            "00:61:00</ChapterTimeStart>",
       F::Matroska, {}, 3},
      {"matroska unclosed tag", "<Chapters>\n<EditionEntry\n", F::Matroska, {}, 2},
      {"xml of another kind", "<?xml version=\"1.0\"?>\n<Tags></Tags>\n", F::Matroska, {}, 2},
      {"ffmetadata", ";FFMETADATA1\ntitle=a \\\n[CHAPTER]\n[CHAPTER]\nTIMEBASE=1/1000\n"
                     "START=4504\nEND=9000\n\n[CHAPTER]\nSTART=1500000000\n# note\n"
                     "[STREAM]\nTIMEBASE=1/90000\nSTART=1\n[CHAPTER]\nTIMEBASE=1/90000\n"
                     "START=900040\ntitle=x\n",
       F::FfMetadata, {4504, 1500, 10000}, 0},  // the escaped line end hides "[CHAPTER]"
      {"ffmetadata without START", ";FFMETADATA1\n[CHAPTER]\nTIMEBASE=1/1000\n[CHAPTER]\n"
                                   "START=5\n",
       F::FfMetadata, {}, 2},
      {"ffmetadata zero time base", ";FFMETADATA1\n[CHAPTER]\nTIMEBASE=1/0\nSTART=5\n",
       F::FfMetadata, {}, 3},
      {"ffmetadata bad number", ";FFMETADATA1\n[CHAPTER]\nSTART=-5\n", F::FfMetadata, {}, 3},
      {"dvdauthor", "0,4.5, 1:02 ,1:00:00.25\n", F::Dvdauthor, {0, 4500, 62000, 3600250}, 0},
      {"dvdauthor empty item", "0,,5\n", F::Dvdauthor, {}, 1},
      {"dvdauthor minutes past 59", "\n0,1:60\n", F::Dvdauthor, {}, 2},
  };
  for (const ParseCase& c : cases) {
    ChapterTimeTable times{};
    F format = F::Chplist;
    ChapterListResult r =
        ParseChapterText(c.text.data(), static_cast<int64_t>(c.text.size()), times, format);
    EXPECT_EQ(format, c.format) << c.what;
    if (c.badLine != 0) {
      EXPECT_EQ(r.status, ChapterListStatus::InvalidLine) << c.what;
      EXPECT_EQ(r.line, c.badLine) << c.what;
      EXPECT_EQ(times.count, 0) << c.what;
      continue;
    }
    EXPECT_EQ(r.status, ChapterListStatus::Ok) << c.what;
    EXPECT_EQ(std::vector<int32_t>(times.ms, times.ms + times.count), c.ms) << c.what;
  }
}

TEST(ChapterFileParse, LimitsOfCountAndSize) {
  TempDir dir;
  std::string ogm;
  for (int i = 1; i <= 257; ++i) ogm += "CHAPTER" + std::to_string(i) + "=00:00:01.000\n";
  ChapterTimeTable times{};
  F format;
  ChapterListResult r = ParseChapterText(ogm.data(), static_cast<int64_t>(ogm.size()), times, format);
  EXPECT_EQ(r.status, ChapterListStatus::TooMany);
  EXPECT_EQ(r.line, 257);

  // A file past 1 MiB is no chapter file; it is refused as too big (not as
  // a bad line), not read on.
  WriteFile(dir / "big.txt", std::string(2 << 20, '\n'));
  r = ParseChapterFile((dir / "big.txt").c_str(), times, format);
  EXPECT_EQ(r.status, ChapterListStatus::TooBig);
  EXPECT_EQ(ParseChapterFile(dir.path().c_str(), times, format).status,
            ChapterListStatus::NotFound);  // a folder
}

struct ListCase {
  const char* what;
  std::vector<int32_t> rowMs;
  int32_t rangeStart, rangeEnd;
  std::vector<int32_t> marks;
};

// The marks an import of each export gives back, with the range start
// counted as marked (it always opens the first chapter).
TEST(ChapterFileRoundTrip, EveryFormMarksTheExportedEntriesAgain) {
  const ListCase cases[] = {
      {"even 500 ms", {0, 500, 1000, 1500, 2000, 2500, 3000}, 0, 6, {2, 5}},
      // 100 ms VOBUs: the exported time is raised to 250 ms past the entry
      // before, or the import would land one entry early.
      {"short VOBUs", {0, 500, 600, 700, 800, 1300, 1400}, 0, 6, {2, 3, 4, 6}},
      // Clock back and a jump: each step counts 500 ms.
      {"clock jumps", {0, 500, 1000, 200, 700, 9000, 9500}, 0, 6, {3, 5, 6}},
      {"range from entry 3", {0, 500, 1000, 1500, 1600, 2100, 2600, 3100}, 3, 6, {4, 6}},
      {"range end leaves later marks out", {0, 500, 1000, 1500, 2000}, 1, 3, {2}},
  };
  TempDir dir;
  for (const ListCase& c : cases) {
    for (F format : {F::Chplist, F::Ogm, F::Matroska, F::FfMetadata, F::Dvdauthor}) {
      SCOPED_TRACE(std::string(c.what) + " " + ChapterFormatName(format));
      TitleTables& t = MakeTimeList(c.rowMs);
      t.RangeStart = c.rangeStart;
      t.RangeEnd = c.rangeEnd;
      for (int32_t m : c.marks) Mark(t, {m});
      if (c.rangeEnd + 1 < t.TimeListNum) Mark(t, {c.rangeEnd + 1});  // outside: not exported
      const std::string path = dir / "chapters";
      RecordingUi ui;
      ASSERT_EQ(RunExportChapters(t, ui, format, path.c_str()), 0) << ui.OnlyText();

      ClearAllMarks(t);
      Mark(t, {0});  // cleared by the import
      ui.answers = {Answer::Yes};
      EXPECT_EQ(RunImportChapters(t, ui, 1, path.c_str()), 1);
      std::vector<int32_t> want = {c.rangeStart};
      want.insert(want.end(), c.marks.begin(), c.marks.end());
      EXPECT_EQ(Marks(t), want);
      ASSERT_EQ(ui.messages.size(), 2u);
      EXPECT_EQ(ui.messages[0].text,
                "Chapters are set by the chapters file.\nPrevious chapters setting is "
                "cleared.\nExecute or not ?");
      EXPECT_EQ(ui.messages[1].text, "Set OK.");
    }
  }
}

// Chapter times in presentation time on a read title set whose VOBUs
// present known times: each chapter of the other programs' forms starts at
// the sum of the VOBUs' VOBU_E_PTM - VOBU_S_PTM before it (a VOBU with
// damaged PTMs counts its clock step to the next), the chapter list keeps
// its list time, and every form imported again marks the same entries.
TEST(ChapterFilePresentationTimes, ExportedTimesAreTheVobusPresentationSums) {
  // VOBUs 0.5 s apart on the pack clock presenting other times; entry 3's
  // PTMs are zero (it counts its 0.5 s clock step).
  const uint32_t ptm[] = {45045, 30030, 60060, 0, 15015, 45045, 45045, 90090};
  std::vector<SynthVobu> vobus;
  for (size_t k = 0; k < std::size(ptm); ++k) {
    SynthVobu v;
    v.scr = static_cast<uint32_t>(45000 * k);
    v.ptmTicks = ptm[k];
    vobus.push_back(v);
  }
  TempDir dir, out;
  SynthTitleSet set(dir.path());
  ASSERT_TRUE(set.WriteIfos({0}));
  ASSERT_GT(set.WriteVob("VTS_01_1.VOB", vobus), 0);
  TitleTables& t = SharedTables();
  ResetTables(t);
  RecordingUi readUi;
  ASSERT_EQ(ReadVobFiles(t, readUi, dir.path().c_str()), ReadResult::Scanned)
      << readUi.OnlyText();
  ASSERT_EQ(t.TimeListNum, 8);

  struct Case {
    const char* what;
    int32_t rangeStart, rangeEnd;
    std::vector<int32_t> marks;
    std::vector<int32_t> ms;   // presentation ms of the range start and each mark
    int32_t endMs;
  };
  const Case cases[] = {
      // 45045 + 30030 ticks = 834.2 ms; + 60060 + 45000 (clock step) = 2001.5;
      // + 15015 + 45045 = 2668.8.
      {"whole list", 0, 7, {2, 4, 6}, {0, 834, 2002, 2669}, 4170},
      // From entry 1: 30030 + 60060 = 1001 ms; + 45000 + 15015 = 1667.8.
      {"range from entry 1", 1, 6, {3, 5}, {0, 1001, 1668}, 2669},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ClearAllMarks(t);
    t.RangeStart = c.rangeStart;
    t.RangeEnd = c.rangeEnd;
    for (int32_t m : c.marks) SetChapterMark(t, m, true);
    static RangeChapters chapters;
    ASSERT_TRUE(CollectRangeChapters(t, chapters));
    ASSERT_EQ(chapters.count, static_cast<int32_t>(c.ms.size()));
    EXPECT_EQ(std::vector<int32_t>(chapters.presentMs, chapters.presentMs + chapters.count),
              c.ms);
    EXPECT_EQ(chapters.presentEndMs, c.endMs);
    // The chapter list's times are the list clock's: 0.5 s steps.
    for (int32_t k = 1; k < chapters.count; ++k)
      EXPECT_EQ(chapters.ms[k], 500 * (chapters.entries[k] - c.rangeStart)) << k;

    for (F format : {F::Chplist, F::Ogm, F::Matroska, F::FfMetadata, F::Dvdauthor}) {
      SCOPED_TRACE(ChapterFormatName(format));
      const std::string path = out / "chapters.txt";  // never into the input folder
      RecordingUi ui;
      ASSERT_EQ(RunExportChapters(t, ui, format, path.c_str()), 0) << ui.OnlyText();
      if (format != F::Chplist) {
        ChapterTimeTable read;
        F seen;
        ASSERT_EQ(ParseChapterFile(path.c_str(), read, seen).status, ChapterListStatus::Ok);
        EXPECT_EQ(std::vector<int32_t>(read.ms, read.ms + read.count), c.ms);
      }
      ClearAllMarks(t);
      ui.answers = {Answer::Yes};
      RunImportChapters(t, ui, 0, path.c_str());
      std::vector<int32_t> want = {c.rangeStart};
      want.insert(want.end(), c.marks.begin(), c.marks.end());
      EXPECT_EQ(Marks(t), want);
    }
  }
}

// A time inside a VOBU's presentation lands on that VOBU; one within half a
// millisecond of the next VOBU's start lands on the next.
TEST(ChapterFilePresentationTimes, ImportLandsOnTheVobuWhosePresentationHoldsTheTime) {
  TitleTables& t = MakeEvenTimeList(6, 500);
  const uint32_t ticks[] = {45045, 30030, 60060, 90, 45045, 45045};
  std::copy(std::begin(ticks), std::end(ticks), t.TimeListPtmTicks);
  t.TimeListPtmKept = 1;
  struct Case {
    std::vector<int32_t> ms;
    std::vector<int32_t> marks;
  } cases[] = {
      {{0}, {0}},
      {{499}, {0}},
      {{500}, {1}},      // 500.5 ms is entry 1's start: within half a millisecond
      {{501}, {1}},
      {{834}, {2}},      // 834.2 ms
      {{1500}, {2}},
      {{1501}, {3}},     // entry 3 presents one millisecond
      {{1502}, {4}},
      {{9000}, {}},      // after the title
      {{-5, 2000}, {4}},
  };
  for (const Case& c : cases) {
    ChapterTimeTable times{};
    times.count = static_cast<int32_t>(c.ms.size());
    std::copy(c.ms.begin(), c.ms.end(), times.ms);
    ClearAllMarks(t);
    PlacePresentationTimesFrom(t, times, 0);
    EXPECT_EQ(Marks(t), c.marks) << c.ms.back();
  }
}

TEST(ChapterFileExport, WrittenForms) {
  TitleTables& t = MakeTimeList({0, 500, 1000, 4000, 4500});
  t.RangeStart = 0;
  t.RangeEnd = 4;
  Mark(t, {3});
  TempDir dir;
  const std::string path = dir / "c";
  struct Case {
    F format;
    const char* text;
  } cases[] = {
      {F::Chplist, "0:00:00.000\n0:00:01.500\n"},
      {F::Ogm, "CHAPTER01=00:00:00.000\nCHAPTER01NAME=Chapter 01\n"
               "CHAPTER02=00:00:01.500\nCHAPTER02NAME=Chapter 02\n"},
      {F::FfMetadata, ";FFMETADATA1\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=1500\n"
                      "title=Chapter 01\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=1500\nEND=2500\n"
                      "title=Chapter 02\n"},
      {F::Dvdauthor, "0:00:00.000,0:00:01.500\n"},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(ExportChapters(t, c.format, path.c_str()), ChapterExportStatus::Ok);
    EXPECT_EQ(ReadFile(path), c.text) << ChapterFormatName(c.format);
  }
  ASSERT_EQ(ExportChapters(t, F::Matroska, path.c_str()), ChapterExportStatus::Ok);
  EXPECT_NE(ReadFile(path).find("<ChapterTimeStart>00:00:01.500000000</ChapterTimeStart>"),
            std::string::npos);

  // Failures: a folder as the path, 128 chapters, no title.
  RecordingUi ui;
  EXPECT_EQ(RunExportChapters(t, ui, F::Ogm, dir.path().c_str()), 1);
  EXPECT_EQ(ui.OnlyText(), "Can't create " + dir.path() + ".");
  TitleTables& many = MakeEvenTimeList(200, 500);
  many.RangeStart = 0;
  many.RangeEnd = 199;
  for (int32_t i = 1; i <= 127; ++i) Mark(many, {i});
  ui.Clear();
  EXPECT_EQ(RunExportChapters(many, ui, F::Ogm, path.c_str()), 1);
  EXPECT_EQ(ui.OnlyText(), "Number of chapters is too many (Maximum:127, Standardized:99).");
  many.TimeListNum = 0;
  ui.Clear();
  EXPECT_EQ(RunExportChapters(many, ui, F::Ogm, path.c_str()), 1);
  EXPECT_EQ(ui.OnlyText(), "Input data is none.");
}

TEST(ChapterFileImport, RefusalsChangeNothing) {
  TitleTables& t = MakeEvenTimeList(20, 500);
  t.RangeStart = 0;
  t.RangeEnd = 19;
  Mark(t, {4, 9});
  TempDir dir;
  WriteFile(dir / "bad.xml", "<Chapters>\n<EditionEntry><ChapterAtom>\n"
                             "<ChapterTimeStart>x</ChapterTimeStart>\n");
  WriteFile(dir / "big.txt", std::string((1 << 20) + 1, '\n'));
  ASSERT_EQ(symlink((dir / "loop.txt").c_str(), (dir / "loop.txt").c_str()), 0);
  struct Case {
    std::string path;
    Answer answer;
    std::string message;  // the last one shown
  } cases[] = {
      {dir / "bad.xml", Answer::Yes, "An invalid description is found in the bad.xml file (Line=3)."},
      {dir / "gone.txt", Answer::Yes, "gone.txt is not found."},
      {dir / "big.txt", Answer::Yes, "big.txt is too big for a chapter file (more than 1 MiB)."},
      {dir / "loop.txt", Answer::Yes, "loop.txt can't be read (Too many levels of symbolic links)."},
      {dir / "bad.xml", Answer::No,
       "Chapters are set by the bad.xml file.\nPrevious chapters setting is cleared.\nExecute or not ?"},
  };
  for (const Case& c : cases) {
    RecordingUi ui;
    ui.answers = {c.answer};
    EXPECT_EQ(RunImportChapters(t, ui, 2, c.path.c_str()), -1);
    EXPECT_EQ(ui.messages.back().text, c.message);
    EXPECT_EQ(Marks(t), (std::vector<int32_t>{4, 9}));
  }
}

}  // namespace
}  // namespace vm::testing
