#include "tests/support/real_titles.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "common/timecode.h"
#include "dvd/ifo_model.h"

#include "tests/support/temp_dir.h"

namespace vm::testing {

namespace fs = std::filesystem;

namespace {

constexpr int64_t kSector = 2048;

std::string Describe(const RealTitleRecipe& s, const std::string& videoGraph) {
  std::ostringstream d;
  d << "v2 " << s.width << 'x' << s.height << (s.pal ? " pal" : " ntsc") << ' ' << s.seconds
    << "s chapters";
  for (int c : s.chapterSeconds) d << ' ' << c;
  d << " audio " << s.audioStreams << " subpictures " << s.subtitleStreams
    << (s.interlaced ? " interlaced" : " progressive") << " parts " << s.splitParts;
  if (!videoGraph.empty()) d << " video " << videoGraph;
  for (const std::string& c : s.audioCodecs) d << " codec " << c;
  for (const std::string& l : s.audioLanguages) d << " audio-lang " << l;
  for (const std::string& l : s.subtitleLanguages) d << " subpicture-lang " << l;
  d << '\n';
  return d.str();
}

std::string Clock(int seconds) {
  char b[32];
  std::snprintf(b, sizeof b, "%d:%02d:%02d", seconds / 3600, (seconds / 60) % 60, seconds % 60);
  return b;
}

bool Run(const std::string& work, const std::string& command) {
  // The subshell keeps a command's own output redirection (spumux writes
  // the muxed stream to its standard output).
  return RunCommand("cd '" + work + "' && ( " + command + " ) >>build.log 2>&1") == 0;
}

bool Encode(const RealTitleRecipe& s, const std::string& videoGraph, const std::string& work) {
  std::ostringstream c;
  c << "ffmpeg -nostdin -hide_banner -loglevel error -y";
  const bool graph = !videoGraph.empty();
  if (!graph)
    c << " -f lavfi -i testsrc=size=" << s.width << 'x' << s.height << ":rate="
      << (s.pal ? "25" : "30000/1001") << ":duration=" << s.seconds;
  for (int a = 0; a < s.audioStreams; ++a)
    c << " -f lavfi -i sine=frequency=" << 440 + 110 * a << ":sample_rate=48000:duration="
      << s.seconds;
  if (graph)
    c << " -filter_complex \"" << videoGraph << "\" -map \"[v]\"";
  else
    c << " -map 0:v";
  for (int a = 0; a < s.audioStreams; ++a) c << " -map " << a + (graph ? 0 : 1) << ":a";
  c << " -target " << (s.pal ? "pal-dvd" : "ntsc-dvd") << " -s " << s.width << 'x' << s.height
    << " -aspect 4:3 -b:v 4000k -b:a 192k";
  for (size_t a = 0; a < s.audioCodecs.size(); ++a)
    if (!s.audioCodecs[a].empty()) c << " -c:a:" << a << ' ' << s.audioCodecs[a];
  if (s.interlaced)
    c << " -flags +ilme+ildct -alternate_scan 1 -intra_vlc 1 -non_linear_quant 1 -qmax 28 -top 1";
  c << " title0.mpg";
  return Run(work, c.str());
}

bool MuxSubpictures(const RealTitleRecipe& s, const std::string& work, std::string& current) {
  if (s.subtitleStreams <= 0) return true;
  std::ostringstream png;
  png << "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i \"color=c=0x00000000:s="
      << s.width << 'x' << s.height
      << ",format=rgba,drawbox=x=40:y=" << s.height - 100
      << ":w=200:h=40:color=white:t=fill\" -frames:v 1 sub.png";
  if (!Run(work, png.str())) return false;
  int end = s.seconds > 3 ? 3 : s.seconds;
  std::ofstream(work + "sub.xml")
      << "<subpictures><stream><spu start=\"00:00:00.50\" end=\"00:00:0" << end
      << ".00\" image=\"sub.png\"/></stream></subpictures>\n";
  for (int n = 0; n < s.subtitleStreams; ++n) {
    std::string next = "title" + std::to_string(n + 1) + ".mpg";
    std::string c = std::string("VIDEO_FORMAT=") + (s.pal ? "PAL" : "NTSC") + " spumux -s " +
                    std::to_string(n) + " sub.xml < " + current + " > " + next;
    if (!Run(work, c)) return false;
    current = next;
  }
  return true;
}

// dvdauthor's stream declarations: one element a stream, with its language.
std::string Languages(const char* element, const std::vector<std::string>& languages) {
  std::string x;
  for (const std::string& l : languages)
    x += std::string("<") + element + (l.empty() ? "" : " lang=\"" + l + "\"") + "/>";
  return x;
}

bool Author(const RealTitleRecipe& s, const std::string& work, const std::string& mpg) {
  std::string chapters;
  for (int c : s.chapterSeconds) {
    if (!chapters.empty()) chapters += ',';
    chapters += Clock(c);
  }
  std::ofstream(work + "dvd.xml")
      << "<dvdauthor dest=\"dvd\"><vmgm/><titleset><titles><video format=\""
      << (s.pal ? "pal" : "ntsc") << "\"/>" << Languages("audio", s.audioLanguages)
      << Languages("subpicture", s.subtitleLanguages) << "<pgc><vob file=\"" << mpg << "\""
      << (chapters.empty() ? "" : " chapters=\"" + chapters + "\"")
      << "/></pgc></titles></titleset></dvdauthor>\n";
  return Run(work, std::string("VIDEO_FORMAT=") + (s.pal ? "PAL" : "NTSC") +
                       " dvdauthor -x dvd.xml");
}

// Cuts VTS_01_1.VOB into `parts` files at sector boundaries.
bool Split(const std::string& videoTs, int parts) {
  if (parts <= 1) return true;
  std::string whole = videoTs + "VTS_01_1.VOB";
  std::string data = ReadFile(whole);
  int64_t sectors = static_cast<int64_t>(data.size()) / kSector;
  if (sectors < parts) return false;
  for (int p = 0; p < parts; ++p) {
    int64_t a = sectors * p / parts, b = sectors * (p + 1) / parts;
    std::string name = videoTs + "VTS_01_" + std::to_string(p + 1) + ".VOB";
    if (!WriteFile(name, data.substr(a * kSector, (b - a) * kSector))) return false;
  }
  return true;
}

bool Build(const RealTitleRecipe& s, const std::string& videoGraph, const std::string& tmp) {
  std::error_code ec;
  fs::remove_all(tmp, ec);
  std::string work = tmp + "work/";
  fs::create_directories(work, ec);
  if (ec) return false;
  std::string mpg = "title0.mpg";
  if (!Encode(s, videoGraph, work) || !MuxSubpictures(s, work, mpg) || !Author(s, work, mpg)) return false;
  fs::rename(work + "dvd", tmp + "dvd", ec);
  if (ec || !Split(tmp + "dvd/VIDEO_TS/", s.splitParts)) return false;
  return true;
}

bool Cached(const std::string& dir, const std::string& description) {
  return fs::exists(dir + "dvd/VIDEO_TS/VIDEO_TS.IFO") && ReadFile(dir + "recipe.txt") == description;
}

// The cached folder `name`, built by `build` into a temporary folder under
// the lock of its name when missing or made from another description.
std::string Cache(const std::string& name, const std::string& description,
                  bool (*build)(const void* what, const std::string& tmp), const void* what) {
  std::string base = std::string(VM_TEST_DATA_DIR) + "/real/";
  std::error_code ec;
  fs::create_directories(base, ec);
  std::string dir = base + name + "/";
  std::string result = dir + "dvd/VIDEO_TS/";
  if (Cached(dir, description)) return result;

  int lock = open((base + name + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (lock < 0) return "";
  flock(lock, LOCK_EX);
  bool ok = Cached(dir, description);
  if (!ok) {
    std::string tmp = base + ".build-" + name + "-" + std::to_string(getpid()) + "/";
    fs::remove_all(tmp, ec);
    ok = build(what, tmp);
    if (ok) {
      std::ofstream(tmp + "recipe.txt") << description;
      fs::remove_all(tmp + "work/", ec);
      fs::remove_all(dir, ec);
      fs::rename(tmp.substr(0, tmp.size() - 1), dir.substr(0, dir.size() - 1), ec);
      ok = !ec;
    }
    if (!ok) {
      std::fprintf(stderr, "test title set %s: build failed, see %swork/build.log\n", name.c_str(),
                   tmp.c_str());
    }
  }
  flock(lock, LOCK_UN);
  close(lock);
  return ok ? result : "";
}

// Title i of a multi-title volume: its length, chapters and audio languages.
struct MultiTitlePart {
  int seconds;
  const char* chapters;
  std::vector<const char*> languages;
};

const std::vector<MultiTitlePart>& MultiTitleParts() {
  static const std::vector<MultiTitlePart> parts = {
      {2, "0:00:00,0:00:01", {"en"}},
      {4, "0:00:00,0:00:02", {"fr", "de"}},
      {3, "0:00:00,0:00:01,0:00:02", {"ja"}},
  };
  return parts;
}

bool EncodePart(const std::string& work, const std::string& out, int seconds, int audio) {
  std::ostringstream c;
  c << "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i testsrc=size=352x480:rate="
       "30000/1001:duration=" << seconds;
  for (int a = 0; a < audio; ++a)
    c << " -f lavfi -i sine=frequency=" << 440 + 110 * a << ":sample_rate=48000:duration=" << seconds;
  c << " -map 0:v";
  for (int a = 0; a < audio; ++a) c << " -map " << a + 1 << ":a";
  c << " -target ntsc-dvd -s 352x480 -aspect 4:3 -b:v 2000k -b:a 128k " << out;
  return Run(work, c.str());
}

std::string TitlePgc(const MultiTitlePart& p, int i) {
  std::string x = "<pgc><vob file=\"t";
  x += std::to_string(i);
  x += ".mpg\" chapters=\"";
  x += p.chapters;
  x += "\"/></pgc>";
  return x;
}

std::string AudioTags(const MultiTitlePart& p) {
  std::string s;
  for (const char* l : p.languages) s += std::string("<audio lang=\"") + l + "\"/>";
  return s;
}

bool BuildMultiTitle(const void* what, const std::string& tmp) {
  const MultiTitleKind kind = *static_cast<const MultiTitleKind*>(what);
  std::string work = tmp + "work/";
  std::error_code ec;
  fs::create_directories(work, ec);
  if (ec) return false;
  const auto& parts = MultiTitleParts();
  // In one title set every title has the first title's streams.
  for (size_t i = 0; i < parts.size(); ++i) {
    const int audio = static_cast<int>(kind == MultiTitleKind::ThreeTitleSets ? parts[i].languages.size()
                                                                             : parts[0].languages.size());
    std::string name = "t";
    name += std::to_string(i);
    name += ".mpg";
    if (!EncodePart(work, name, parts[i].seconds, audio)) return false;
  }
  if (!EncodePart(work, "menu.mpg", 1, 1)) return false;
  std::ostringstream x;
  x << "<dvdauthor dest=\"dvd\">";
  if (kind == MultiTitleKind::ThreeTitleSets) {
    x << "<vmgm><menus><pgc><vob file=\"menu.mpg\"/><post>jump title 1;</post></pgc></menus></vmgm>";
    for (size_t i = 0; i < parts.size(); ++i)
      x << "<titleset><menus><pgc><vob file=\"menu.mpg\"/></pgc></menus><titles>"
           "<video format=\"ntsc\"/>" << AudioTags(parts[i]) << TitlePgc(parts[i], static_cast<int>(i))
        << "</titles></titleset>";
  } else {
    x << "<vmgm/><titleset><titles><video format=\"ntsc\"/>" << AudioTags(parts[0]);
    for (size_t i = 0; i < parts.size(); ++i) x << TitlePgc(parts[i], static_cast<int>(i));
    x << "</titles></titleset>";
  }
  x << "</dvdauthor>\n";
  std::ofstream(work + "dvd.xml") << x.str();
  if (!Run(work, "VIDEO_FORMAT=NTSC dvdauthor -x dvd.xml")) return false;
  fs::rename(work + "dvd", tmp + "dvd", ec);
  return !ec;
}

// Two title sets with menus and buttons: a first-play chain into the VMG
// menu (two buttons leading to titles, a still cell looping by its cell
// command), a VTS menu with a root and an audio menu, program chains with
// pre and post commands, a title of two VOBs, and a second set whose menu
// jumps back to the VMG menu.
constexpr char kMenuVolumeXml[] =
    "<dvdauthor dest=\"dvd\">"
    "<vmgm><fpc>jump menu 1;</fpc><menus><video format=\"ntsc\"/><pgc entry=\"title\">"
    "<button name=\"b1\">jump title 1;</button><button name=\"b2\">jump title 3;</button>"
    "<vob file=\"menub.mpg\" pause=\"inf\"/><post>jump cell 1;</post></pgc></menus></vmgm>"
    "<titleset><menus><video format=\"ntsc\"/><pgc entry=\"root\">"
    "<button name=\"b1\">jump title 1 chapter 2;</button><button name=\"b2\">jump title 2;</button>"
    "<vob file=\"menub.mpg\" pause=\"inf\"/></pgc>"
    "<pgc entry=\"audio\"><vob file=\"menu.mpg\"/><post>jump menu 1;</post></pgc></menus>"
    "<titles><video format=\"ntsc\"/>"
    "<pgc><vob file=\"t0.mpg\" chapters=\"0:00:00,0:00:01,0:00:02\"/><post>call vmgm menu 1;</post></pgc>"
    "<pgc><pre>g1=5;</pre><vob file=\"t1.mpg\" chapters=\"0:00:00,0:00:01\"/>"
    "<vob file=\"t2.mpg\" chapters=\"0:00:00\"/><post>jump title 1;</post></pgc></titles></titleset>"
    "<titleset><menus><video format=\"ntsc\"/><pgc entry=\"root\">"
    "<button name=\"b1\">jump title 1;</button><button name=\"b2\">jump vmgm menu 1;</button>"
    "<vob file=\"menub.mpg\" pause=\"inf\"/></pgc></menus>"
    "<titles><video format=\"ntsc\"/><pgc><vob file=\"t2.mpg\" chapters=\"0:00:00,0:00:01\"/>"
    "<post>call vmgm menu 1;</post></pgc></titles></titleset></dvdauthor>\n";

constexpr char kMenuButtonsXml[] =
    "<subpictures><stream><spu start=\"00:00:00.00\" end=\"00:00:00.00\" highlight=\"hl.png\" "
    "select=\"sel.png\" force=\"yes\">"
    "<button name=\"b1\" x0=\"40\" y0=\"100\" x1=\"160\" y1=\"140\" down=\"b2\"/>"
    "<button name=\"b2\" x0=\"40\" y0=\"200\" x1=\"160\" y1=\"240\" up=\"b1\"/>"
    "</spu></stream></subpictures>\n";

bool ButtonPicture(const std::string& work, const char* colour, const char* out) {
  std::string c =
      "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i \"color=c=0x00000000:s=352x480,"
      "format=rgba,drawbox=x=40:y=100:w=120:h=40:color=";
  c += colour;
  c += ":t=4,drawbox=x=40:y=200:w=120:h=40:color=";
  c += colour;
  c += ":t=4\" -frames:v 1 -pix_fmt rgba ";
  c += out;
  return Run(work, c);
}

bool BuildMenuVolume(const void*, const std::string& tmp) {
  std::string work = tmp + "work/";
  std::error_code ec;
  fs::create_directories(work, ec);
  if (ec) return false;
  for (int i = 0; i < 3; ++i)
    if (!EncodePart(work, std::string("t").append(std::to_string(i)).append(".mpg"), 3, 1))
      return false;
  if (!EncodePart(work, "menu.mpg", 1, 1) || !ButtonPicture(work, "red", "hl.png") ||
      !ButtonPicture(work, "blue", "sel.png"))
    return false;
  std::ofstream(work + "buttons.xml") << kMenuButtonsXml;
  std::ofstream(work + "dvd.xml") << kMenuVolumeXml;
  if (!Run(work, "VIDEO_FORMAT=NTSC spumux buttons.xml < menu.mpg > menub.mpg") ||
      !Run(work, "VIDEO_FORMAT=NTSC dvdauthor -x dvd.xml"))
    return false;
  fs::rename(work + "dvd", tmp + "dvd", ec);
  return !ec;
}

bool WriteModel(const dvd::IfoModel& m, const std::string& folder, const std::string& stem) {
  auto out = std::make_unique<uint8_t[]>(dvd::kMaxIfoBytes);
  size_t size = 0;
  dvd::IfoStatus st;
  if (!dvd::WriteIfo(m, out.get(), dvd::kMaxIfoBytes, size, st)) return false;
  const std::string bytes(reinterpret_cast<const char*>(out.get()), size);
  return WriteFile(folder + stem + ".IFO", bytes) && WriteFile(folder + stem + ".BUP", bytes);
}

// A program chain that plays the cells of chains 1 to `episodes` in turn,
// a program at each episode's first cell; no commands.
void AppendPlayAll(dvd::IfoModel& m, int episodes) {
  dvd::PgcPool& pool = m.pgcs;
  dvd::Pgcit& pt = m.pgcit;
  dvd::Pgc& all = pool.pgc[pool.count];
  all = pool.pgc[pt.srp[0].pgc];
  all.cellCount = 0;
  all.programCount = 0;
  all.preCount = all.postCount = all.cellCommandCount = 0;
  all.nextPgcn = all.prevPgcn = all.goUpPgcn = 0;
  all.commandTail = {};
  all.after = {};
  for (dvd::Keep& k : all.gapBefore) k = {};
  int frames = 0;
  for (int e = 0; e < episodes; ++e) {
    const dvd::Pgc& ep = pool.pgc[pt.srp[e].pgc];
    all.programMap[all.programCount++] = static_cast<uint8_t>(all.cellCount + 1);
    for (int c = 0; c < ep.cellCount; ++c) {
      all.cells[all.cellCount] = ep.cells[c];
      all.cells[all.cellCount].commandNr = 0;
      all.positions[all.cellCount++] = ep.positions[c];
    }
    frames += CodeFrames(ep.playbackTime);
  }
  CodeFromFrames(frames, all.playbackTime[3], all.playbackTime);
  const int title = m.pttSrpt.count + 1;
  pt.srp[pt.srpCount] = {(pt.srp[0].category & 0x80FFFFFFu) | (static_cast<uint32_t>(title) << 24),
                         static_cast<uint16_t>(pool.count)};
  pt.srpCount += 1;
  pool.count += 1;
  dvd::Ttu& u = m.pttSrpt.ttu[m.pttSrpt.count++];
  u = dvd::Ttu{};
  for (int e = 0; e < episodes; ++e)
    u.ptt[u.count++] = {static_cast<uint16_t>(pt.srpCount), static_cast<uint16_t>(e + 1)};
  // Its time map: the episodes' maps one after the other, each after the
  // entry of its episode's first VOBU (each episode lasts whole units of
  // the map, whose first entry lies one unit in).
  dvd::VtsTmapt& tm = m.tmapt;
  if (tm.count >= episodes && tm.count < dvd::kMaxTmaps) {
    dvd::Tmap& map = tm.map[tm.count];
    map = tm.map[0];
    map.first = tm.entryCount;
    map.count = 0;
    map.after = {};
    for (int e = 0; e < episodes; ++e) {
      const dvd::Tmap& ep = tm.map[e];
      if (e > 0 && tm.entryCount < dvd::kMaxTmapEntries) {
        tm.entry[tm.entryCount++] = pool.pgc[pt.srp[e].pgc].cells[0].firstSector;
        map.count += 1;
      }
      for (int k = 0; k < ep.count && tm.entryCount < dvd::kMaxTmapEntries; ++k) {
        tm.entry[tm.entryCount++] = tm.entry[ep.first + k];
        map.count += 1;
      }
    }
    tm.count += 1;
  }
}

bool BuildPlayAll(const void*, const std::string& tmp) {
  const std::string source = MultiTitleVolume(MultiTitleKind::OneSetThreePgcs);
  if (source.empty()) return false;
  const std::string folder = tmp + "dvd/VIDEO_TS/";
  std::error_code ec;
  fs::create_directories(folder, ec);
  for (const auto& f : fs::directory_iterator(source, ec))
    fs::copy_file(f.path(), folder + f.path().filename().string(), ec);
  if (ec) return false;
  auto vts = std::make_unique<dvd::IfoModel>();
  auto vmg = std::make_unique<dvd::IfoModel>();
  dvd::IfoStatus st;
  if (!dvd::ReadIfoFile((folder + "VTS_01_0.IFO").c_str(), *vts, st) ||
      !dvd::ReadIfoFile((folder + "VIDEO_TS.IFO").c_str(), *vmg, st) || vts->pgcit.srpCount < 3 ||
      vmg->ttSrpt.count < 3)
    return false;
  AppendPlayAll(*vts, 3);
  dvd::TtSrpt& tt = vmg->ttSrpt;
  tt.title[tt.count] = tt.title[0];
  tt.title[tt.count].vtsTitle = static_cast<uint8_t>(vts->pttSrpt.count);
  tt.title[tt.count].chapters = 3;
  tt.count += 1;
  if (!WriteModel(*vts, folder, "VTS_01_0") || !WriteModel(*vmg, folder, "VIDEO_TS")) return false;
  // The grown VIDEO_TS.IFO and BUP push the title set back: it starts after
  // the VMG's last sector as written.
  const std::string head = ReadFile(folder + "VIDEO_TS.IFO");
  if (head.size() < 16) return false;
  uint32_t vmgLast = 0;
  for (int i = 12; i < 16; ++i) vmgLast = (vmgLast << 8) | static_cast<uint8_t>(head[i]);
  for (int t = 0; t < tt.count; ++t) tt.title[t].vtsSector = vmgLast + 1;
  return WriteModel(*vmg, folder, "VIDEO_TS");
}

struct RecipeWithGraph {
  const RealTitleRecipe& recipe;
  const std::string& videoGraph;
};

bool BuildRecipe(const void* what, const std::string& tmp) {
  const auto& w = *static_cast<const RecipeWithGraph*>(what);
  return Build(w.recipe, w.videoGraph, tmp);
}

}  // namespace

std::string RealTitleSet(const RealTitleRecipe& wanted) { return RealTitleSet(wanted, ""); }

std::string RealTitleSet(const RealTitleRecipe& wanted, const std::string& videoGraph) {
  if (wanted.name.empty()) return "";
  const RecipeWithGraph what{wanted, videoGraph};
  return Cache(wanted.name, Describe(wanted, videoGraph), BuildRecipe, &what);
}

std::string MultiTitleVolume(MultiTitleKind kind) {
  const bool sets = kind == MultiTitleKind::ThreeTitleSets;
  std::ostringstream d;
  d << "v2 multi 352x480 " << (sets ? "three title sets with menus" : "one title set of three pgcs");
  for (const auto& p : MultiTitleParts()) d << ' ' << p.seconds << "s " << p.chapters;
  d << '\n';
  return Cache(sets ? "multi-sets" : "multi-pgcs", d.str(), BuildMultiTitle, &kind);
}

std::string MenuVolume() {
  return Cache("menu-volume", std::string("v1 menus ") + kMenuVolumeXml + kMenuButtonsXml,
               BuildMenuVolume, nullptr);
}

std::string PlayAllVolume() {
  return Cache("play-all", "v4 multi-pgcs with a play-all chain over the three episodes\n",
               BuildPlayAll, nullptr);
}

std::vector<MultiTitleShape> MultiTitleShapes() {
  std::vector<MultiTitleShape> shapes;
  for (const auto& p : MultiTitleParts()) {
    int chapters = 1;
    for (const char* c = p.chapters; *c; ++c) chapters += *c == ',';
    shapes.push_back({p.seconds, chapters});
  }
  return shapes;
}

}  // namespace vm::testing

namespace vm::testing {

std::string CachedVolume(const std::string& name, const std::string& description,
                         bool (*build)(const void* what, const std::string& tmp), const void* what) {
  return Cache(name, description, build, what);
}

bool RunInFolder(const std::string& work, const std::string& command) { return Run(work, command); }

bool EncodeSmallClip(const std::string& work, const std::string& out, int seconds) {
  return EncodePart(work, out, seconds, 1);
}

}  // namespace vm::testing
