// Real DVD-Video title sets for tests, made once with ffmpeg (lavfi testsrc
// picture and sine tones, -target ntsc-dvd / pal-dvd), spumux (subpicture
// streams) and dvdauthor, and cached under VM_TEST_DATA_DIR "/real/<name>".
//
// What a recipe offers: NTSC 720x480 or 352x480, PAL 720x576; the length in
// seconds; chapter points (seconds, passed to dvdauthor); 1..8 audio
// streams in AC-3 or MPEG audio, with languages; subpicture streams with
// languages; interlaced coding (field DCT and motion,
// alternate scan, intra VLC table 1, non-linear quantiser); and the title
// VOB split into several VTS_01_n.VOB files at sector boundaries (players
// treat the title VOBs as one stream, so the IFO addresses stay valid).
//
// Safe to call from several test programs at once: a lock file per name
// serialises the builders, each builds in a temporary folder and renames it
// into place, and a stored description of the recipe detects stale caches.
#pragma once

#include <string>
#include <vector>

namespace vm::testing {

struct RealTitleRecipe {
  std::string name;               // cache folder under VM_TEST_DATA_DIR "/real/" + name
  int width = 720, height = 480;  // 720x480 or 352x480 NTSC, 720x576 PAL
  bool pal = false;
  int seconds = 12;
  std::vector<int> chapterSeconds = {0, 4, 8};
  int audioStreams = 1;
  int subtitleStreams = 0;        // subpicture streams muxed with spumux
  bool interlaced = false;        // field DCT/interlaced ME, alternate scan, intra VLC table 1, non-linear quant where ffmpeg offers them
  int splitParts = 1;             // split the title VOB into this many VTS_01_n.VOB at sector boundaries
  // Per audio stream: the coding ("ac3" when not given, or "mp2" for MPEG
  // audio) and the language dvdauthor declares (ISO 639, "" none); per
  // subpicture stream its language.
  std::vector<std::string> audioCodecs = {};
  std::vector<std::string> audioLanguages = {};
  std::vector<std::string> subtitleLanguages = {};
};

// The VIDEO_TS folder, ending in '/'; "" when the tools failed.
std::string RealTitleSet(const RealTitleRecipe& recipe);

// The same with the picture from `videoGraph`, a filter graph of lavfi
// sources whose output is labelled [v], in place of testsrc (several
// sources joined by concat make scene cuts); its sources give their own
// size and rate.
std::string RealTitleSet(const RealTitleRecipe& recipe, const std::string& videoGraph);
// Volumes of three titles of 2, 4 and 3 seconds (NTSC 352x480) with 2, 2
// and 3 chapters: three title sets, each with a menu, and a VMG menu (the
// second set has two audio streams, fr and de, the others one: en, ja);
// or one title set whose three program chains have their own cells.
enum class MultiTitleKind { ThreeTitleSets, OneSetThreePgcs };
std::string MultiTitleVolume(MultiTitleKind kind);

// A volume with menus and buttons: VMGM (first-play chain, a button menu
// leading to titles 1 and 3), title set 1 with a root and an audio menu and
// two titles (the second of two VOBs, with pre and post commands), title set
// 2 with a root menu and one title.
std::string MenuVolume();

// The one-set volume of three program chains with a fourth title added by
// the format layer's writer: a "Play All" program chain that plays the
// three episodes' own cells in order, one chapter per episode, the way a
// TV-series disc shares its episodes' cells.
std::string PlayAllVolume();

struct MultiTitleShape {
  int seconds;
  int chapters;
};
// The three titles' lengths and chapter counts, in title order.
std::vector<MultiTitleShape> MultiTitleShapes();

}  // namespace vm::testing

namespace vm::testing {

// For other builders: the cached folder `name` (its VIDEO_TS folder, ""
// when the build failed), built by `build` into the temporary folder it is
// given (the volume in <tmp>dvd/, the tools' work in <tmp>work/), under the
// lock of its name, when missing or made from another description.
std::string CachedVolume(const std::string& name, const std::string& description,
                         bool (*build)(const void* what, const std::string& tmp), const void* what);
// Runs a shell command in `work`, its output appended to build.log there.
bool RunInFolder(const std::string& work, const std::string& command);
// An NTSC 352x480 clip of testsrc and one sine tone, `seconds` long.
bool EncodeSmallClip(const std::string& work, const std::string& out, int seconds);

}  // namespace vm::testing
