// vobmarks-cli author INPUT_DIR OUTPUT_DIR [options]: reads the title as
// "Read VOB files(&R)" does, applies the chapter options in order, narrows
// the range and drops streams when asked, then runs "Create DVD Image(&G)";
// after a normal end, writes the disc image and checks the volume when
// asked.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/startup.h"
#include "author/create_volume.h"
#include "author/source_attributes.h"
#include "author/stream_filters.h"
#include "cli/commands.h"
#include "author/disc_image.h"
#include "author/output_options.h"
#include "common/fixed_string.h"
#include "title/read_command.h"

namespace vm {

namespace {

bool ParseNumber(const std::string& text, long& value) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  value = std::strtol(text.c_str(), nullptr, 10);
  return true;
}

// "FIRST-LAST", both 1-based.
bool ParseRange(const std::string& text, long& first, long& last) {
  size_t dash = text.find('-');
  if (dash == std::string::npos) return false;
  return ParseNumber(text.substr(0, dash), first) && ParseNumber(text.substr(dash + 1), last) &&
         first >= 1 && first <= last;
}

// "N[,N...]" added to the streams already left out: the option may be given
// more than once.
bool AddStreams(const std::string& text, int limit, uint32_t& bits) {
  uint32_t more = 0;
  if (text.empty() || !ParseStreamList(text.c_str(), limit, more)) return false;
  bits |= more;
  return true;
}

// A stream number the title does not have: said with the streams it has.
bool StreamsPresent(const char* option, const char* kind, uint32_t drop, uint32_t has) {
  for (int n = 0; n < 32; ++n) {
    if (!(drop & (1u << n)) || (has & (1u << n))) continue;
    std::string list;
    for (int k = 0; k < 32; ++k)
      if (has & (1u << k)) list += (list.empty() ? "" : ", ") + std::to_string(k);
    std::fprintf(stderr, "vobmarks-cli: %s %d: the title has no %s stream %d (%s)\n", option, n,
                 kind, n, list.empty() ? "it has none" : ("it has " + list).c_str());
    return false;
  }
  return true;
}

int UsageError(const char* what, const std::string& value) {
  std::fprintf(stderr, "vobmarks-cli: invalid %s value \"%s\"\n", what, value.c_str());
  return 2;
}

}  // namespace

int RunAuthor(TitleTables& t, CliUi& ui, const ParsedArgs& args) {
  // Everything given on the command line is checked before the title is read.
  ParsedArgs chapterArgs = args;
  chapterArgs.options.clear();
  bool hasRange = false;
  long first = 0, last = 0;
  uint32_t dropAudio = 0, dropSubpicture = 0;
  bool verify = false;
  std::string iso, volumeId = kDefaultVolumeId;
  const int title = TitleOption(args);
  if (title < 0) return 2;
  int32_t regionMask = kRegionMaskOfSource;
  bool wholeDisc = false;
  for (const GivenOption& o : args.options) {
    switch (o.id) {
      case Opt::Title:
        break;
      case Opt::Range:
        if (!ParseRange(o.value, first, last)) return UsageError("--range", o.value);
        hasRange = true;
        break;
      case Opt::DropAudio:
        if (!AddStreams(o.value, kAudioStreamSlots, dropAudio))
          return UsageError("--drop-audio", o.value);
        break;
      case Opt::DropSubpicture:
        if (!AddStreams(o.value, kSubpicStreamSlots, dropSubpicture))
          return UsageError("--drop-subpicture", o.value);
        break;
      case Opt::Region:
        if (!ParseRegionList(o.value.c_str(), regionMask)) return UsageError("--region (all or 1 to 8)", o.value);
        break;
      case Opt::Verify:
        verify = true;
        break;
      case Opt::WholeDisc:
        wholeDisc = true;
        break;
      case Opt::Iso:
        iso = MakeAbsolute(o.value);
        break;
      case Opt::VolumeId:
        if (!ValidVolumeId(o.value)) return UsageError("--volume-id (1 to 32 of A-Z, 0-9, _)", o.value);
        volumeId = o.value;
        break;
      default: chapterArgs.options.push_back(o);
    }
  }
  // In place every pack stays where it is: the title cannot be narrowed nor
  // streams taken out of it.
  if (wholeDisc && (hasRange || dropAudio != 0 || dropSubpicture != 0)) {
    std::fprintf(stderr,
                 "vobmarks-cli: --whole-disc keeps every pack: --range, --drop-audio and "
                 "--drop-subpicture cannot be given with it\n");
    return 2;
  }
  if (!iso.empty()) {
    std::string why;
    if (!DiscImagePathAllowed(iso, args.positional[0], args.positional[1], why)) {
      std::fprintf(stderr, "vobmarks-cli: --iso %s: %s\n", iso.c_str(), why.c_str());
      return 2;
    }
  }
  if (!iso.empty() && !OutputTargetAllowed(ui, iso, args.positional[0])) return 1;
  Path programFolder;
  // The desktop program's folder: the dump marker and DEBUG.TXT live there.
  if (!FindProgramFolder(programFolder)) programFolder.Set("/");

  if (!ReadForCommand(t, ui, args.positional[0], title)) return 1;
  if (t.TimeListNum == 0) {
    ui.Error("No VOBU (navigation pack) is found in the VOB files.");
    return 1;
  }
  // Streams to leave out are checked against the ones the title has.
  if (dropAudio != 0 || dropSubpicture != 0) {
    if (ReadSourceAttributes(t, ui, 0) != 0) return 1;
    if (!StreamsPresent("--drop-audio", "audio", dropAudio, SourceAudioStreams(t, 0)) ||
        !StreamsPresent("--drop-subpicture", "subpicture", dropSubpicture,
                        SourceSubpicStreams(t, 0)))
      return 2;
  }
  // The range is set first: imported chapter times count from its start.
  if (hasRange) {
    if (last > t.TimeListNum) {
      std::fprintf(stderr, "vobmarks-cli: --range %ld-%ld is outside entries 1-%d\n", first, last,
                   t.TimeListNum);
      return 2;
    }
    t.RangeStart = static_cast<int32_t>(first - 1);
    t.RangeEnd = static_cast<int32_t>(last - 1);
  }
  if (int r = ApplyChapterOptions(t, ui, chapterArgs); r != 0) return r;
  // Several --drop-audio options add up, as before.
  for (int n = 0; n < kAudioStreamSlots; ++n)
    if (dropAudio & (1u << n)) t.DC_A_Use[0][n] = 0;
  for (int n = 0; n < kSubpicStreamSlots; ++n)
    if (dropSubpicture & (1u << n)) t.DC_C_Use[0][n] = 0;
  t.RegionMask = regionMask;
  t.WholeDisc = wholeDisc ? 1 : 0;

  // The output folder stays locked while the image is made from it.
  OutputFolderLock lock;
  CreateResult r =
      CreateVolume(t, Author(), ui, args.positional[1].c_str(), programFolder.c_str(), &lock);
  if (r == CreateResult::Failed) {
    // Nothing is rolled back: say so, so that the files are not taken for a volume.
    std::fprintf(stderr, "The files written so far in %s are not a complete volume.\n",
                 args.positional[1].c_str());
  }
  if (r != CreateResult::NormalEnd) return 1;
  if (!iso.empty() &&
      WriteDiscImage(ui, args.positional[1], iso, volumeId, t.InputFolder) != 0)
    return 1;
  // The image holds the folder's files, so checking it checks both.
  if (verify) return VerifyVolume(iso.empty() ? args.positional[1] : iso, false);
  return 0;
}

}  // namespace vm
