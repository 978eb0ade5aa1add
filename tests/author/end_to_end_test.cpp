// Real title sets written again through the command line with new
// chapters: libdvdread opens the result, libdvdnav plays it through every
// chapter, every pack but the navigation packs is the source's, the read
// back time list keeps the VOBU times with the marks where they were set,
// and the input folder is left as it was.
#include <gtest/gtest.h>

#include <dvdnav/dvdnav.h>
#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/real_titles.h"
#include "tests/support/temp_dir.h"

namespace vm {
namespace {

using testing::RealTitleSet;
using testing::RealTitleRecipe;
using testing::ReadFile;
using testing::RunAndCapture;
using testing::TempDir;
using testing::WriteFile;

constexpr size_t kSector = 2048;

std::string Cli(const std::string& args, int* status) {
  return RunAndCapture(std::string(VM_CLI_PATH) + " " + args + " 2>/dev/null", status);
}

// Every title VOB of a folder, concatenated in order.
std::string TitleBytes(const std::string& folder) {
  std::string all;
  for (int n = 1; n <= 9; ++n) {
    std::string p = folder + "VTS_01_" + std::to_string(n) + ".VOB";
    if (!std::filesystem::exists(p)) break;
    all += ReadFile(p);
  }
  return all;
}

bool IsNav(const std::string& b, size_t sector) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(b.data() + sector * kSector);
  return p[14] == 0 && p[15] == 0 && p[16] == 1 && p[17] == 0xBB;
}

std::string FolderDigest(const std::string& folder) {
  std::string d;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    d += e.path().filename().string() + ":" + std::to_string(std::hash<std::string>{}(ReadFile(e.path())));
  return d;
}

// Times (characters from the '(' on) and chapter marks of a read-back list.
struct Listing {
  std::vector<std::string> times;
  std::vector<bool> marks;
};

Listing Read(const std::string& folder) {
  int status = -1;
  std::string out = Cli("read " + folder, &status);
  EXPECT_EQ(status, 0) << folder;
  Listing l;
  size_t pos = 0;
  while (pos < out.size()) {
    size_t end = out.find('\n', pos);
    std::string line = out.substr(pos, end - pos);
    pos = end == std::string::npos ? out.size() : end + 1;
    size_t paren = line.find('(');
    if (line.size() < 10 || line[0] != ' ' || paren == std::string::npos) continue;
    l.times.push_back(line.substr(paren));
    l.marks.push_back(line[1] == '>');
  }
  return l;
}

struct NavResult {
  int chapters = 0;
  long blocks = 0;
  bool stopped = false;
};

NavResult PlayThrough(const std::string& folder) {
  NavResult r;
  dvdnav_t* nav = nullptr;
  if (dvdnav_open(&nav, folder.c_str()) != DVDNAV_STATUS_OK) return r;
  dvdnav_title_play(nav, 1);
  uint8_t buf[kSector];
  int32_t lastPart = 0;
  for (long i = 0; i < 5000000; ++i) {
    int ev = 0, len = 0;
    if (dvdnav_get_next_block(nav, buf, &ev, &len) != DVDNAV_STATUS_OK) break;
    if (ev == DVDNAV_BLOCK_OK || ev == DVDNAV_NAV_PACKET) r.blocks += 1;
    if (ev == DVDNAV_CELL_CHANGE) {
      int32_t title = 0, part = 0;
      if (dvdnav_current_title_info(nav, &title, &part) == DVDNAV_STATUS_OK && part != lastPart) {
        r.chapters += 1;
        lastPart = part;
      }
    }
    if (ev == DVDNAV_STILL_FRAME) dvdnav_still_skip(nav);
    if (ev == DVDNAV_WAIT) dvdnav_wait_skip(nav);
    if (ev == DVDNAV_STOP) {
      r.stopped = true;
      break;
    }
  }
  dvdnav_close(nav);
  return r;
}

struct Case {
  RealTitleRecipe title;
  std::string options;       // chapter edits given to the author command
  std::string chapterList;   // written to a file and passed as --chapters when not empty
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.title.name << " " << c.options; }

class EndToEnd : public ::testing::TestWithParam<Case> {};

TEST_P(EndToEnd, RewrittenVolumePlaysWithTheNewChapters) {
  const Case& c = GetParam();
  std::string in = RealTitleSet(c.title);
  ASSERT_FALSE(in.empty()) << "ffmpeg/dvdauthor could not make " << c.title.name;
  std::string before = FolderDigest(in);
  TempDir dir;
  std::string options = c.options;
  if (!c.chapterList.empty()) {
    ASSERT_TRUE(WriteFile(dir / "chapters.txt", c.chapterList));
    options += " --chapters " + dir / "chapters.txt";
  }
  std::string out = dir / "OUT/VIDEO_TS/";

  // What the edited list looks like before writing: the read command with
  // the same chapter options.
  int status = -1;
  Listing source = Read(in);
  std::string edited = Cli("--yes read " + in + " " + options, &status);
  ASSERT_EQ(status, 0);
  std::vector<bool> wantMarks;
  for (size_t pos = 0; pos < edited.size();) {
    size_t end = edited.find('\n', pos);
    std::string line = edited.substr(pos, end - pos);
    pos = end == std::string::npos ? edited.size() : end + 1;
    if (line.size() >= 10 && line[0] == ' ' && line.find('(') != std::string::npos)
      wantMarks.push_back(line[1] == '>');
  }
  wantMarks[0] = true;  // the range start always opens a chapter

  Cli("--yes author " + in + " " + out + " " + options, &status);
  ASSERT_EQ(status, 0);
  EXPECT_EQ(FolderDigest(in), before) << "the input folder changed";

  // libdvdread opens both copies of both information files.
  dvd_reader_t* reader = DVDOpen(out.c_str());
  ASSERT_NE(reader, nullptr);
  ifo_handle_t* vmg = ifoOpen(reader, 0);
  ifo_handle_t* vts = ifoOpen(reader, 1);
  ASSERT_NE(vmg, nullptr);
  ASSERT_NE(vts, nullptr);
  int wantChapters = 0;
  for (bool m : wantMarks) wantChapters += m;
  EXPECT_EQ(vmg->tt_srpt->nr_of_srpts, 1);
  EXPECT_EQ(vmg->tt_srpt->title[0].nr_of_ptts, wantChapters);
  ifoClose(vmg);
  ifoClose(vts);
  EXPECT_EQ(ReadFile(out + "VIDEO_TS.IFO"), ReadFile(out + "VIDEO_TS.BUP"));
  EXPECT_EQ(ReadFile(out + "VTS_01_0.IFO"), ReadFile(out + "VTS_01_0.BUP"));
  DVDClose(reader);

  // libdvdnav plays every chapter and every block to the end.
  std::string src = TitleBytes(in), dst = TitleBytes(out);
  NavResult played = PlayThrough(out);
  EXPECT_TRUE(played.stopped);
  EXPECT_EQ(played.chapters, wantChapters);
  EXPECT_EQ(played.blocks, static_cast<long>(dst.size() / kSector));

  // Packs in order, each the source's but for the navigation packs.
  ASSERT_EQ(src.size(), dst.size());
  size_t differing = 0;
  for (size_t s = 0; s < src.size() / kSector; ++s) {
    if (IsNav(src, s)) continue;
    if (src.compare(s * kSector, kSector, dst, s * kSector, kSector) != 0) ++differing;
  }
  EXPECT_EQ(differing, 0u);

  // Read back: the same VOBU times, marks where they were set.
  Listing back = Read(out);
  EXPECT_EQ(back.times, source.times);
  EXPECT_EQ(back.marks, wantMarks);

  // Written again as it stands, the new volume keeps its cells where they
  // are: the marked navigation packs start them again.
  std::string again = dir / "AGAIN/VIDEO_TS/";
  Cli("--yes author " + out + " " + again, &status);
  ASSERT_EQ(status, 0);
  Listing twice = Read(again);
  EXPECT_EQ(twice.times, source.times);
  EXPECT_EQ(twice.marks, wantMarks);
  EXPECT_EQ(ReadFile(again + "VTS_01_0.IFO"), ReadFile(out + "VTS_01_0.IFO"));
  EXPECT_EQ(TitleBytes(again), dst);
}

INSTANTIATE_TEST_SUITE_P(
    RealTitles, EndToEnd,
    ::testing::Values(
        Case{{"e2e_ntsc", 720, 480, false, 20, {0, 5, 10}}, "--toggle 3,9", ""},
        Case{{"e2e_pal_split", 720, 576, true, 20, {0, 7}, 1, 0, false, 3}, "--clear",
             "0:00:02\n0:00:06.5\n0:00:11\n0:00:15\n"},
        Case{{"e2e_subpictures", 352, 480, false, 12, {0, 4, 8}, 2, 1}, "--toggle 2", ""},
        // A chapter at every second: as many cells as the title has VOBUs
        // near those times.
        Case{{"e2e_ntsc", 720, 480, false, 20, {0, 5, 10}}, "",
             "0:00:01\n0:00:02\n0:00:03\n0:00:04\n0:00:05\n0:00:06\n0:00:07\n0:00:08\n"
             "0:00:09\n0:00:10\n0:00:11\n0:00:12\n0:00:13\n0:00:14\n0:00:15\n0:00:16\n"
             "0:00:17\n0:00:18\n0:00:19\n"}),
    [](const ::testing::TestParamInfo<Case>& info) {
      return info.param.title.name + "_" + std::to_string(info.index);
    });

// The stream of a pack: the PES stream id, and for private stream 1 the
// substream id after the PES header.
int PackStream(const std::string& b, size_t sector) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(b.data() + sector * kSector);
  const size_t pes = 14 + (p[13] & 7);
  if (pes + 9 >= kSector) return -1;
  const int id = p[pes + 3];
  if (id != 0xBD) return id;
  const size_t sub = pes + 9 + p[pes + 8];
  return sub < kSector ? 0x100 | p[sub] : -1;
}

// Leaving streams out: the second audio stream and the subpicture stream are
// gone, every other pack is the source's in order, the volume still opens
// and plays through, and the kept streams' packs are all there.
TEST(EndToEndStreams, DroppedStreamsLeaveOnlyTheirPacksOut) {
  std::string in = RealTitleSet({"e2e_subpictures", 352, 480, false, 12, {0, 4, 8}, 2, 1});
  ASSERT_FALSE(in.empty());
  std::string before = FolderDigest(in);
  TempDir dir;
  std::string out = dir / "OUT/VIDEO_TS/";
  int status = -1;
  Cli("--yes author " + in + " " + out + " --drop-audio 1 --drop-subpicture 0", &status);
  ASSERT_EQ(status, 0);
  EXPECT_EQ(FolderDigest(in), before);

  std::string src = TitleBytes(in), dst = TitleBytes(out);
  std::vector<std::string> kept;
  int dropped = 0, keptAudio = 0;
  for (size_t s = 0; s < src.size() / kSector; ++s) {
    const int stream = PackStream(src, s);
    if (stream == (0x100 | 0x81) || stream == (0x100 | 0x20)) {
      ++dropped;
      continue;
    }
    keptAudio += stream == (0x100 | 0x80);
    if (!IsNav(src, s)) kept.push_back(src.substr(s * kSector, kSector));
  }
  ASSERT_GT(dropped, 0) << "the source has no packs of the dropped streams";
  ASSERT_GT(keptAudio, 0);
  std::vector<std::string> written;
  for (size_t s = 0; s < dst.size() / kSector; ++s) {
    const int stream = PackStream(dst, s);
    EXPECT_NE(stream, 0x100 | 0x81) << s;
    EXPECT_NE(stream, 0x100 | 0x20) << s;
    if (!IsNav(dst, s)) written.push_back(dst.substr(s * kSector, kSector));
  }
  EXPECT_TRUE(written == kept) << written.size() << " packs written, " << kept.size() << " kept";

  dvd_reader_t* reader = DVDOpen(out.c_str());
  ASSERT_NE(reader, nullptr);
  ifo_handle_t* vts = ifoOpen(reader, 1);
  EXPECT_NE(vts, nullptr);
  if (vts) ifoClose(vts);
  DVDClose(reader);
  NavResult played = PlayThrough(out);
  EXPECT_TRUE(played.stopped);
  EXPECT_EQ(played.blocks, static_cast<long>(dst.size() / kSector));
}

// The "LanguageCode" values of one list ("AudioList", "SubtitleList") of
// HandBrake's JSON scan of the first title.
std::vector<std::string> HandBrakeLanguages(const std::string& scan, const std::string& list) {
  std::vector<std::string> out;
  size_t at = scan.find("\"" + list + "\"");
  if (at == std::string::npos || (at = scan.find('[', at)) == std::string::npos) return out;
  size_t end = at;
  for (int depth = 0; end < scan.size(); ++end) {
    depth += scan[end] == '[' ? 1 : scan[end] == ']' ? -1 : 0;
    if (depth == 0) break;
  }
  const std::string key = "\"LanguageCode\": \"";
  for (size_t k = scan.find(key, at); k != std::string::npos && k < end; k = scan.find(key, k + 1))
    out.push_back(scan.substr(k + key.size(), scan.find('"', k + key.size()) - k - key.size()));
  return out;
}

// HandBrake scans a volume written without an AC-3 stream, an MPEG audio
// stream or a subpicture stream and offers exactly the remaining tracks
// with their languages; verify finds it sound and titles lists the same.
TEST(EndToEndStreams, RippersSeeExactlyTheKeptStreamsAndLanguages) {
  RealTitleRecipe recipe;
  recipe.name = "e2e_streams";
  recipe.width = 352;
  recipe.seconds = 4;
  recipe.chapterSeconds = {0, 2};
  recipe.audioStreams = 3;
  recipe.audioCodecs = {"ac3", "mp2", "ac3"};
  recipe.audioLanguages = {"en", "fr", "de"};
  recipe.subtitleStreams = 2;
  recipe.subtitleLanguages = {"en", "es"};
  const std::string in = RealTitleSet(recipe);
  ASSERT_FALSE(in.empty());
  struct Case {
    std::string options;
    std::vector<std::string> audio, subtitles;  // HandBrake's languages
    std::string titles;                         // titles --json: audio and subpictures
  } cases[] = {
      {"", {"eng", "fra", "deu"}, {"eng", "spa"},
       "\"audio\":[\"en\",\"fr\",\"de\"],\"subpictures\":[\"en\",\"es\"]"},
      {"--drop-audio 0", {"fra", "deu"}, {"eng", "spa"},
       "\"audio\":[\"fr\",\"de\"],\"subpictures\":[\"en\",\"es\"]"},
      {"--drop-audio 1", {"eng", "deu"}, {"eng", "spa"},
       "\"audio\":[\"en\",\"de\"],\"subpictures\":[\"en\",\"es\"]"},
      {"--drop-subpicture 0", {"eng", "fra", "deu"}, {"spa"},
       "\"audio\":[\"en\",\"fr\",\"de\"],\"subpictures\":[\"es\"]"},
      {"--drop-audio 0,2 --drop-subpicture 1", {"fra"}, {"eng"},
       "\"audio\":[\"fr\"],\"subpictures\":[\"en\"]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options.empty() ? "the source" : c.options);
    std::string dir = in;
    TempDir out;
    if (!c.options.empty()) {
      dir = out / "OUT/VIDEO_TS/";
      int status = -1;
      const std::string said = RunAndCapture(std::string(VM_CLI_PATH) + " --yes author " + in +
                                                 " " + dir + " " + c.options + " --verify 2>&1",
                                             &status);
      ASSERT_EQ(status, 0) << said;
    }
    int status = -1;
    const std::string scan = RunAndCapture(
        "HandBrakeCLI --json --scan --min-duration 0 -i " + dir + " -t 0 2>/dev/null", &status);
    EXPECT_EQ(HandBrakeLanguages(scan, "AudioList"), c.audio);
    EXPECT_EQ(HandBrakeLanguages(scan, "SubtitleList"), c.subtitles);
    const std::string titles = Cli("titles " + dir + " --json", &status);
    EXPECT_NE(titles.find(c.titles), std::string::npos) << titles;
  }
}

// A stream number the title does not have is refused before anything is
// written.
TEST(EndToEndStreams, AStreamTheTitleDoesNotHaveIsRefused) {
  const std::string in = RealTitleSet({"e2e_subpictures", 352, 480, false, 12, {0, 4, 8}, 2, 1});
  ASSERT_FALSE(in.empty());
  const struct {
    const char* options;
    const char* message;
  } cases[] = {
      {"--drop-audio 2", "--drop-audio 2: the title has no audio stream 2 (it has 0, 1)"},
      {"--drop-audio 1,5", "--drop-audio 5: the title has no audio stream 5 (it has 0, 1)"},
      {"--drop-subpicture 1", "--drop-subpicture 1: the title has no subpicture stream 1 (it has 0)"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    int status = -1;
    const std::string said = RunAndCapture(std::string(VM_CLI_PATH) + " --yes author " + in + " " +
                                               dir / "OUT" + " " + c.options + " 2>&1",
                                           &status);
    EXPECT_EQ(status, 2) << c.options;
    EXPECT_NE(said.find(c.message), std::string::npos) << said;
    EXPECT_FALSE(std::filesystem::exists(dir / "OUT")) << c.options;
  }
}

}  // namespace
}  // namespace vm
