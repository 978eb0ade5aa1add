// Chapter files through the command line on a real title: every form
// exported from read imports again to the same marks, and the files other
// programs take come back from them with the same chapters: ffmetadata
// through ffmpeg into Matroska (read by ffprobe), ogm and matroska through
// mkvmerge (read by mkvextract).

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/real_titles.h"
#include "tests/support/temp_dir.h"

namespace vm::testing {
namespace {

std::string Title() {
  RealTitleRecipe recipe;
  recipe.name = "ntsc-3ch";
  return RealTitleSet(recipe);
}

// The 1-based marked entries of a printed time list.
std::vector<int> Marks(const std::string& out) {
  std::vector<int> marks;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) {
    int entry = 0;
    if (line.size() > 8 && line[0] == ' ' && line[1] == '>' &&
        std::sscanf(line.c_str() + 3, "%d", &entry) == 1)
      marks.push_back(entry);
  }
  return marks;
}

std::string Cli(const std::string& args, int* status) {
  return RunAndCapture(std::string(VM_CLI_PATH) + " " + args + " 2>&1 </dev/null", status);
}

// Milliseconds of "h:mm:ss.mmm" lines (the chplist export).
std::vector<long> ChplistTimes(const std::string& text) {
  std::vector<long> ms;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    int h = 0, m = 0, s = 0, f = 0;
    if (std::sscanf(line.c_str(), "%d:%d:%d.%d", &h, &m, &s, &f) == 4)
      ms.push_back(((h * 60L + m) * 60 + s) * 1000 + f);
  }
  return ms;
}

// CHAPTERnn=hh:mm:ss.mmm lines (mkvextract --simple).
std::vector<long> OgmTimes(const std::string& text) {
  std::vector<long> ms;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    int n = 0, h = 0, m = 0, s = 0, f = 0;
    if (line.find("NAME") == std::string::npos &&
        std::sscanf(line.c_str(), "CHAPTER%d=%d:%d:%d.%d", &n, &h, &m, &s, &f) == 5)
      ms.push_back(((h * 60L + m) * 60 + s) * 1000 + f);
  }
  return ms;
}

// ffprobe's chapter start times, one a line in seconds.
std::vector<long> ProbeTimes(const std::string& text) {
  std::vector<long> ms;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) ms.push_back(std::lround(std::strtod(line.c_str(), nullptr) * 1000));
  return ms;
}

TEST(ChapterFiles, ExportsImportAgainAndSurviveFfmpegAndMkvmerge) {
  const std::string in = Title();
  ASSERT_FALSE(in.empty());
  TempDir dir;
  int status = -1;
  const std::string marks = " --clear --toggle 3,9,10,17 ";
  const std::string edits = "--yes read " + in + marks;
  std::string out = Cli(edits + "--export-chapters " + dir / "c.chplist", &status);
  ASSERT_EQ(status, 0) << out;
  const std::vector<int> want = {1, 3, 9, 10, 17};  // the range start opens chapter 1
  const std::vector<long> times = ChplistTimes(ReadFile(dir / "c.chplist"));
  ASSERT_EQ(times.size(), want.size());

  for (const char* format : {"ogm", "matroska", "ffmetadata", "dvdauthor"}) {
    std::string file = dir / (std::string("c.") + format);
    out = Cli(edits + "--export-chapters " + file + " --format " + format, &status);
    ASSERT_EQ(status, 0) << format << "\n" << out;
  }
  for (const char* format : {"chplist", "ogm", "matroska", "ffmetadata", "dvdauthor"}) {
    out = Cli("--yes read " + in + " --import-chapters " + dir / (std::string("c.") + format),
              &status);
    EXPECT_EQ(status, 0) << format << "\n" << out;
    EXPECT_EQ(Marks(out), want) << format;
  }
  // The other programs' forms carry presentation time, all the same.
  const std::vector<long> present = OgmTimes(ReadFile(dir / "c.ogm"));
  ASSERT_EQ(present.size(), want.size());
  std::string dvdauthor = ReadFile(dir / "c.dvdauthor");
  for (char& c : dvdauthor) c = c == ',' ? '\n' : c;
  EXPECT_EQ(ChplistTimes(dvdauthor), present);

  // The volume written with the same edits starts its chapters at the
  // presentation times, to within a frame; the chapter list's times are
  // the list clock's, within a VOBU (about 0.6 s in this title).
  out = Cli("--yes author " + in + " " + dir / "OUT" + marks + "--verify", &status);
  ASSERT_EQ(status, 0) << out;
  std::vector<long> played;
  const size_t at = out.find("Chapters at:");
  ASSERT_NE(at, std::string::npos) << out;
  std::istringstream line(out.substr(at + 12, out.find('\n', at) - at - 12));
  for (std::string clock; line >> clock;) played.push_back(ChplistTimes(clock + "\n").at(0));
  ASSERT_EQ(played.size(), times.size());
  for (size_t k = 0; k < times.size(); ++k) {
    EXPECT_NEAR(played[k], present[k], 34) << k;
    EXPECT_NEAR(played[k], times[k], 600) << k;
  }

  // A short Matroska file to carry the chapters.
  const std::string base = dir / "base.mkv";
  ASSERT_EQ(RunCommand("ffmpeg -nostdin -loglevel error -y -f lavfi -i "
                       "testsrc=size=64x48:rate=10:duration=14 -c:v mpeg4 " + base),
            0);

  const std::string fromFfmpeg = dir / "ffmpeg.mkv";
  ASSERT_EQ(RunCommand("ffmpeg -nostdin -loglevel error -y -i " + base + " -i " +
                       dir / "c.ffmetadata" + " -map 0 -map_chapters 1 -c copy " + fromFfmpeg),
            0);
  std::string probed = RunAndCapture("ffprobe -v error -show_entries chapter=start_time -of "
                                     "csv=p=0 " + fromFfmpeg, &status);
  EXPECT_EQ(ProbeTimes(probed), present);

  for (const char* format : {"ogm", "matroska"}) {
    const std::string mkv = dir / (std::string("mkvmerge-") + format + ".mkv");
    const std::string back = dir / (std::string("back-") + format + ".txt");
    ASSERT_EQ(RunCommand("mkvmerge -q -o " + mkv + " --chapters " + dir / (std::string("c.") + format) +
                         " " + base + " >/dev/null"),
              0)
        << format;
    ASSERT_EQ(RunCommand("mkvextract " + mkv + " chapters --simple " + back + " >/dev/null"), 0);
    EXPECT_EQ(OgmTimes(ReadFile(back)), present) << format;
    out = Cli("--yes read " + in + " --import-chapters " + back, &status);
    EXPECT_EQ(Marks(out), want) << format;
  }
}

// With --range, imported times count from the range start, where the
// volume's playing time starts.
TEST(ChapterFiles, AuthorImportsFromTheRangeStart) {
  const std::string in = Title();
  ASSERT_FALSE(in.empty());
  TempDir dir;
  WriteFile(dir / "c.txt", "CHAPTER01=00:00:00.000\nCHAPTER02=00:00:03.000\n");
  int status = -1;
  std::string out = Cli("--yes author " + in + " " + dir / "OUT" +
                            " --range 8-20 --import-chapters " + dir / "c.txt --verify",
                        &status);
  ASSERT_EQ(status, 0) << out;
  const size_t at = out.find("Chapters at:");
  ASSERT_NE(at, std::string::npos) << out;
  std::vector<long> starts;
  std::istringstream line(out.substr(at + 12, out.find('\n', at) - at - 12));
  for (std::string clock; line >> clock;) starts.push_back(ChplistTimes(clock + "\n").at(0));
  ASSERT_EQ(starts.size(), 2u) << out;
  EXPECT_EQ(starts[0], 0);
  EXPECT_NEAR(starts[1], 3000, 600);
}

TEST(ChapterFiles, RefusedFilesLeaveTheMarksAndNameTheLine) {
  const std::string in = Title();
  ASSERT_FALSE(in.empty());
  TempDir dir;
  WriteFile(dir / "bad.ffm", ";FFMETADATA1\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=1000\n[CHAPTER]\n"
                             "TIMEBASE=1/1000\nSTART=soon\n");
  int status = -1;
  std::string out = Cli("--yes read " + in + " --import-chapters " + dir / "bad.ffm", &status);
  EXPECT_EQ(status, 1);
  EXPECT_NE(out.find("An invalid description is found in the bad.ffm file (Line=7)."),
            std::string::npos)
      << out;
  out = Cli("read " + in + " --export-chapters " + dir / "x" + " --format srt", &status);
  EXPECT_EQ(status, 2);
  out = Cli("--yes read " + in + " --export-chapters " + dir.path(), &status);
  EXPECT_EQ(status, 1);
  EXPECT_NE(out.find("Can't create " + dir.path() + "."), std::string::npos) << out;
}

}  // namespace
}  // namespace vm::testing
