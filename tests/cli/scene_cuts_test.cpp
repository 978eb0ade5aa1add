// Chapters at scene cuts on title sets made of different lavfi sources
// joined at known times: `read --scenes` marks the VOBU at each cut and
// nowhere else, single shots with motion, fades and pans get no mark,
// --snap moves marks onto the cuts, and the sheet shows the chapters.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/real_titles.h"
#include "tests/support/temp_dir.h"

namespace vm::testing {
namespace {

struct Shot {
  const char* source;  // a lavfi source, with its options after '=' if any, or a chain
  double seconds;
};

struct SceneSet {
  const char* name;
  bool pal;
  std::vector<Shot> shots;   // joined by concat: a cut where each shot ends
  const char* graph;         // or a whole graph ending in [v] (one shot, no cut)
  const char* covers;
};

std::string Graph(const SceneSet& s) {
  if (s.graph != nullptr) return s.graph;
  const char* size = s.pal ? "720x576" : "720x480";
  const char* rate = s.pal ? "25" : "30000/1001";
  std::ostringstream g;
  for (size_t i = 0; i < s.shots.size(); ++i) {
    // A source with a filter chain of its own gives its own size and rate.
    const std::string src = s.shots[i].source;
    g << src;
    if (src.find(',') == std::string::npos)
      g << (src.find('=') == std::string::npos ? "=" : ":") << "size=" << size << ":rate=" << rate;
    g << ",trim=duration=" << s.shots[i].seconds
      << ",setpts=PTS-STARTPTS,format=yuv420p[s" << i << "];";
  }
  for (size_t i = 0; i < s.shots.size(); ++i) g << "[s" << i << "]";
  g << "concat=n=" << s.shots.size() << ":v=1:a=0[v]";
  return g.str();
}

double Length(const SceneSet& s) {
  double t = 0;
  for (const Shot& shot : s.shots) t += shot.seconds;
  return s.shots.empty() ? 14 : t;
}

const std::vector<SceneSet>& Sets() {
  static const std::vector<SceneSet> sets = {
      {"scenes-six", false,
       {{"testsrc", 4}, {"smptebars", 4.3}, {"mandelbrot", 3.7}, {"rgbtestsrc", 4.2},
        {"testsrc2", 4.1}, {"color=c=0x3060a0", 3.5}},
       nullptr, "pattern, bars, zooming fractal, moving pattern and a flat colour"},
      {"scenes-flat", false,
       {{"testsrc2", 5}, {"color=c=red", 3}, {"color=c=blue", 3}, {"smptehdbars", 4},
        {"yuvtestsrc", 3.5}, {"testsrc", 3}},
       nullptr, "cuts between two flat colours and from motion to still pictures"},
      {"scenes-pal", true,
       {{"smptehdbars", 4}, {"testsrc2", 4}, {"yuvtestsrc", 4}, {"color=c=0x208040", 3},
        {"mandelbrot", 4}, {"testsrc", 4}},
       nullptr, "the same kinds of cut at 25 frames a second, 720 x 576"},
      {"scenes-more", false,
       {{"gradients", 4}, {"sierpinski", 4},
        {"life=mold=10:r=25:ratio=0.1:death_color=#C83232:life_color=#00ff00", 4},
        {"cellauto=rule=110", 4}, {"colorspectrum", 4},
        {"colorchart=rate=30000/1001,scale=720:480,setsar=1", 4}, {"pal75bars", 4},
        {"allyuv=rate=30000/1001,scale=720:480,setsar=1", 4},
        {"gradients=c0=red:c1=blue:speed=0.05", 4}},
       nullptr, "moving gradients, fractals, cellular automata, spectra, charts"},
      {"shot-testsrc2", false, {},
       "testsrc2=size=720x480:rate=30000/1001,trim=duration=14[v]", "one shot with motion"},
      {"shot-mandelbrot", false, {},
       "mandelbrot=size=720x480:rate=30000/1001,trim=duration=14,format=yuv420p[v]",
       "one shot zooming all the time"},
      {"shot-fade", false, {},
       "testsrc=size=720x480:rate=30000/1001,trim=duration=14,fade=t=out:st=2:d=10[v]",
       "a slow fade to black"},
      {"shot-fade-in", false, {},
       "smptebars=size=720x480:rate=30000/1001,trim=duration=14,fade=t=in:st=1:d=10[v]",
       "a slow fade from black"},
      {"shot-pan", false, {},
       "testsrc2=size=1440x480:rate=30000/1001,trim=duration=14,crop=720:480:t*50:0[v]",
       "a pan across a wide picture"},
  };
  return sets;
}

std::string TitleOf(const SceneSet& s) {
  RealTitleRecipe r;
  r.name = s.name;
  r.pal = s.pal;
  r.height = s.pal ? 576 : 480;
  r.seconds = static_cast<int>(Length(s) + 0.999);
  r.chapterSeconds = {};
  return RealTitleSet(r, Graph(s));
}

struct Listed {
  int status = 0;
  std::vector<double> times;  // each entry's time, seconds
  std::vector<int> marks;     // 0-based entries marked
  std::string output;
};

Listed Read(const std::string& dir, const std::string& options) {
  Listed l;
  l.output = RunAndCapture(std::string(VM_CLI_PATH) + " --yes read " + dir + " " + options +
                               " 2>&1 </dev/null",
                           &l.status);
  std::istringstream in(l.output);
  std::string line;
  while (std::getline(in, line)) {
    int entry = 0, h = 0, m = 0, s = 0, ms = 0;
    if (line.size() < 23 || line[0] != ' ' ||
        std::sscanf(line.c_str() + 3, "%d (%d:%d:%d.%d)", &entry, &h, &m, &s, &ms) != 5)
      continue;
    if (line[1] == '>') l.marks.push_back(static_cast<int>(l.times.size()));
    l.times.push_back(h * 3600 + m * 60 + s + ms / 1000.0);
  }
  return l;
}

// Each VOBU's first picture in presentation time (VOBU_S_PTM, 90 kHz), from
// the navigation packs of the title VOBs, in the order of the time list.
std::vector<int64_t> VobuStartPtm(const std::string& dir) {
  std::string all;
  for (int n = 1; n <= 9; ++n) {
    const std::string vob = ReadFile(dir + "VTS_01_" + std::to_string(n) + ".VOB");
    if (vob.empty()) break;
    all += vob;
  }
  std::vector<int64_t> ptm;
  for (size_t at = 0; at + 2048 <= all.size(); at += 2048) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(all.data() + at);
    if (p[14] != 0 || p[15] != 0 || p[16] != 1 || p[17] != 0xBB) continue;
    ptm.push_back((int64_t{p[0x39]} << 24) | (p[0x3A] << 16) | (p[0x3B] << 8) | p[0x3C]);
  }
  return ptm;
}

// The cuts in presentation ticks from the first picture: a shot trimmed to
// d seconds keeps the frames that start before d.
std::vector<int64_t> CutTicks(const SceneSet& s) {
  const int64_t frameTicks = s.pal ? 3600 : 3003;
  const double fps = s.pal ? 25.0 : 30000.0 / 1001.0;
  std::vector<int64_t> at;
  int64_t frames = 0;
  for (size_t k = 0; k + 1 < s.shots.size(); ++k) {
    frames += static_cast<int64_t>(std::ceil(s.shots[k].seconds * fps - 1e-6));
    at.push_back(frames * frameTicks);
  }
  return at;
}

// A mark at entry i stands for the cut at tick c when entry i is the first
// VOBU whose first picture is at or after the cut: it opens with the new
// shot and no VOBU between the cut and it does.
bool Matches(const std::vector<int64_t>& ptm, int i, int64_t c) {
  const int64_t half = 1500;  // under half a frame of either system
  const auto start = [&](int k) { return ptm[static_cast<size_t>(k)] - ptm[0]; };
  return i < static_cast<int>(ptm.size()) && start(i) >= c - half &&
         (i == 0 || start(i - 1) < c - half);
}

TEST(RealTitleScenes, MarksEveryCutAndNothingElse) {
  int cuts = 0, found = 0, marks = 0, right = 0, onStart = 0;
  for (const SceneSet& set : Sets()) {
    SCOPED_TRACE(std::string(set.name) + ": " + set.covers);
    const std::string dir = TitleOf(set);
    ASSERT_FALSE(dir.empty());
    const Listed l = Read(dir, "--clear --scenes");
    ASSERT_EQ(l.status, 0) << l.output;
    ASSERT_FALSE(l.times.empty());
    const std::vector<int64_t> at = CutTicks(set);
    const std::vector<int64_t> ptm = VobuStartPtm(dir);
    ASSERT_EQ(ptm.size(), l.times.size());
    std::vector<bool> hit(at.size(), false);
    for (int m : l.marks) {
      if (m == 0) continue;  // the first entry opens a chapter anyway
      ++marks;
      bool matched = false;
      for (size_t k = 0; k < at.size(); ++k)
        if (Matches(ptm, m, at[k])) matched = hit[k] = true;
      right += matched;
      EXPECT_TRUE(matched) << "mark at entry " << m + 1 << " ("
                           << (ptm[static_cast<size_t>(m)] - ptm[0]) / 90000.0 << " s)";
    }
    for (size_t k = 0; k < at.size(); ++k) {
      // Where the encoder started a VOBU at the cut the mark is exact.
      onStart += std::find(ptm.begin(), ptm.end(), ptm[0] + at[k]) != ptm.end();
      EXPECT_TRUE(hit[k]) << "no mark for the cut at " << at[k] / 90000.0 << " s";
      found += hit[k];
    }
    cuts += static_cast<int>(at.size());
  }
  const double recall = cuts ? static_cast<double>(found) / cuts : 1;
  const double precision = marks ? static_cast<double>(right) / marks : 1;
  std::printf("scene cuts: recall %.3f (%d of %d), precision %.3f (%d of %d)\n", recall, found,
              cuts, precision, right, marks);
  EXPECT_GE(recall, 0.95);
  EXPECT_GE(precision, 0.95);
  // Both kinds are there: cuts on a VOBU start and cuts inside a VOBU.
  EXPECT_GT(onStart, 0);
  EXPECT_LT(onStart, cuts);
}

TEST(RealTitleScenes, SnapMovesMarksToTheStrongestCutNearThem) {
  const std::string dir = TitleOf(Sets()[0]);  // cuts at 4, 8.3, 12, 16.2, 20.3 s
  ASSERT_FALSE(dir.empty());
  const Listed cuts = Read(dir, "--clear --scenes");
  ASSERT_EQ(cuts.marks.size(), 5u) << cuts.output;
  // Marks two entries after the first cut, one before the third cut, and in
  // the middle of nowhere with a reach of 1 s.
  struct Case {
    std::string toggles;
    std::string snap;
    std::vector<int> expected;
  } cases[] = {
      {std::to_string(cuts.marks[0] + 3) + "," + std::to_string(cuts.marks[2]), "2",
       {cuts.marks[0], cuts.marks[2]}},
      {std::to_string(cuts.marks[1] + 4), "1", {cuts.marks[1] + 3}},
      {"1," + std::to_string(cuts.marks[4] + 2), "3", {0, cuts.marks[4]}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.toggles + " --snap " + c.snap);
    const Listed l = Read(dir, "--clear --toggle " + c.toggles + " --snap " + c.snap);
    EXPECT_EQ(l.status, 0) << l.output;
    EXPECT_EQ(l.marks, c.expected);
  }
}

TEST(RealTitleScenes, ScenesCommandAndRefusedValues) {
  const std::string dir = TitleOf(Sets()[0]);
  ASSERT_FALSE(dir.empty());
  int status = 0;
  const std::string json =
      RunAndCapture(std::string(VM_CLI_PATH) + " scenes " + dir + " --json 2>/dev/null", &status);
  EXPECT_EQ(status, 0);
  const Listed l = Read(dir, "--clear --scenes");
  std::string cuts = "\"cuts\": [";
  for (size_t k = 1; k < l.marks.size() + 1; ++k)
    cuts += (k > 1 ? ", " : "") + std::to_string(l.marks[k - 1] + 1);
  EXPECT_NE(json.find(cuts + "]"), std::string::npos) << json;
  size_t entries = 0;
  for (size_t p = json.find("\"entry\""); p != std::string::npos; p = json.find("\"entry\"", p + 1))
    ++entries;
  EXPECT_EQ(entries, l.times.size());

  struct Refused {
    const char* options;
    const char* message;
  } refused[] = {
      {"--scenes --sensitivity 11", "Set a value of the range 1 to 10."},
      {"--scenes --sensitivity 0", "Set a value of the range 1 to 10."},
      {"--scenes --min-gap 61", "Set a value of the range 1 to 60."},
      {"--snap 0", "Set a value of the range 1 to 60."},
  };
  for (const Refused& r : refused) {
    const Listed bad = Read(dir, r.options);
    EXPECT_EQ(bad.status, 1) << r.options;
    EXPECT_NE(bad.output.find(r.message), std::string::npos) << bad.output;
    EXPECT_TRUE(bad.times.empty());
  }
}

// The sheet's layout, as the help describes it.
constexpr int kMargin = 8, kCaption = 22;

struct Rgb {
  int width = 0, height = 0;
  std::string bytes;  // R, G, B, top line first
  int At(int x, int y, int c) const {
    return static_cast<unsigned char>(bytes[(static_cast<size_t>(y) * width + x) * 3 + c]);
  }
};

Rgb Ppm(const std::string& path) {
  Rgb out;
  const std::string data = ReadFile(path);
  int max = 0, used = 0;
  if (std::sscanf(data.c_str(), "P6 %d %d %d%n", &out.width, &out.height, &max, &used) == 3)
    out.bytes = data.substr(static_cast<size_t>(used) + 1);
  return out;
}

Rgb Png(const std::string& path, const TempDir& dir) {
  int status = 0;
  const std::string size = RunAndCapture(
      "ffprobe -v error -select_streams v:0 -show_entries stream=width,height -of csv=p=0 '" +
          path + "'",
      &status);
  Rgb out;
  if (std::sscanf(size.c_str(), "%d,%d", &out.width, &out.height) != 2) return out;
  const std::string raw = dir / "sheet.rgb";
  RunCommand("ffmpeg -nostdin -loglevel error -y -i '" + path +
             "' -f rawvideo -pix_fmt rgb24 '" + raw + "'");
  out.bytes = ReadFile(raw);
  return out;
}

// Mean of each channel over the cells of a 8 x 6 grid laid on the
// rectangle: a picture compared at a size where scaling does not matter.
std::vector<double> Grid(const Rgb& img, int x0, int y0, int w, int h) {
  std::vector<double> g;
  for (int gy = 0; gy < 6; ++gy)
    for (int gx = 0; gx < 8; ++gx)
      for (int c = 0; c < 3; ++c) {
        double sum = 0;
        int n = 0;
        for (int y = y0 + gy * h / 6; y < y0 + (gy + 1) * h / 6; ++y)
          for (int x = x0 + gx * w / 8; x < x0 + (gx + 1) * w / 8; ++x, ++n) sum += img.At(x, y, c);
        g.push_back(n ? sum / n : 0);
      }
  return g;
}

double Difference(const std::vector<double>& a, const std::vector<double>& b) {
  double d = 0;
  for (size_t i = 0; i < a.size(); ++i) d += std::fabs(a[i] - b[i]);
  return d / static_cast<double>(a.size());
}

// vobmarks-cli sheet: one tile per chapter of the new volume, in order,
// each showing the preview picture of its chapter's first VOBU.
TEST(RealTitleScenes, SheetTilesAreTheChaptersPicturesInOrder) {
  const std::string dir = TitleOf(Sets()[0]);
  ASSERT_FALSE(dir.empty());
  TempDir tmp;
  // One entry inside each shot.
  const std::vector<int> entries = {1, 10, 17, 24, 30, 37};
  std::string toggles;
  for (size_t k = 1; k < entries.size(); ++k) toggles += (k > 1 ? "," : "") + std::to_string(entries[k]);
  const int width = 960, columns = 4;
  const std::string sheet = tmp / "sheet.png";
  int status = 0;
  const std::string out = RunAndCapture(std::string(VM_CLI_PATH) + " --yes sheet " + dir + " " +
                                            sheet + " --clear --toggle " + toggles +
                                            " --columns 4 --width 960 2>&1",
                                        &status);
  if (status == 2 && out.find("needs Qt 6 Gui") != std::string::npos)
    GTEST_SKIP() << "built without Qt 6 Gui";
  ASSERT_EQ(status, 0) << out;
  const Rgb img = Png(sheet, tmp);
  const int tileW = (width - kMargin * (columns + 1)) / columns, picH = tileW * 3 / 4;
  const int cellH = picH + kCaption + kMargin;
  ASSERT_EQ(img.width, width);
  ASSERT_EQ(img.height, kMargin + 2 * cellH);  // six tiles in rows of four

  std::vector<std::vector<double>> pictures;
  for (int e : entries) {
    const std::string ppm = tmp / ("entry" + std::to_string(e) + ".ppm");
    ASSERT_EQ(RunCommand(std::string(VM_CLI_PATH) + " preview " + dir + " " + std::to_string(e) +
                         " " + ppm + " 2>/dev/null"),
              0);
    const Rgb p = Ppm(ppm);
    ASSERT_EQ(p.width, 360);
    pictures.push_back(Grid(p, 0, 0, p.width, p.height));
  }
  for (int k = 0; k < 8; ++k) {
    const int x = kMargin + (k % columns) * (tileW + kMargin), y = kMargin + (k / columns) * cellH;
    const std::vector<double> tile = Grid(img, x, y, tileW, picH);
    if (k >= static_cast<int>(entries.size())) {
      // No tile: the sheet's background.
      for (double v : tile) EXPECT_NEAR(v, 48, 1) << "slot " << k;
      continue;
    }
    size_t best = 0;
    for (size_t j = 1; j < pictures.size(); ++j)
      if (Difference(tile, pictures[j]) < Difference(tile, pictures[best])) best = j;
    EXPECT_EQ(best, static_cast<size_t>(k)) << "tile " << k;
    EXPECT_LT(Difference(tile, pictures[static_cast<size_t>(k)]), 4.0) << "tile " << k;
  }

  // Values out of range are usage errors.
  for (const char* bad : {"--columns 0", "--columns 17", "--width 199", "--width x"}) {
    RunAndCapture(std::string(VM_CLI_PATH) + " sheet " + dir + " " + sheet + " " + bad + " 2>&1",
                  &status);
    EXPECT_EQ(status, 2) << bad;
  }
}

}  // namespace
}  // namespace vm::testing
