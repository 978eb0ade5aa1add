#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/commands.h"
#include "title/read_command.h"

#if VOBMARKS_SHEET
#include <QBuffer>
#include <QGuiApplication>

#include "app/chapter_sheet.h"
#include "chapters/chapter_messages.h"
#include "common/output_file.h"
#endif

namespace vm {

namespace {

// "N" within low..high; false after a usage message.
bool WholeNumber(const GivenOption& o, int low, int high, int& value) {
  char* end = nullptr;
  const long v = std::strtol(o.value.c_str(), &end, 10);
  if (o.value.empty() || *end != '\0' || v < low || v > high) {
    std::fprintf(stderr, "vobmarks-cli: %s must be %d..%d, got \"%s\"\n",
                 FindOption(o.id)->name, low, high, o.value.c_str());
    return false;
  }
  value = static_cast<int>(v);
  return true;
}

}  // namespace

// vobmarks-cli sheet INPUT_DIR OUT.png: reads the title, applies the
// chapter options, then draws a tile for each chapter of the new volume.
int RunSheet(TitleTables& t, CliUi& ui, const ParsedArgs& args) {
#if VOBMARKS_SHEET
  int columns = kDefaultSheetColumns, width = kDefaultSheetWidth;
  for (const GivenOption& o : args.options) {
    if (o.id == Opt::Columns && !WholeNumber(o, kMinSheetColumns, kMaxSheetColumns, columns))
      return 2;
    if (o.id == Opt::Width && !WholeNumber(o, kMinSheetWidth, kMaxSheetWidth, width)) return 2;
  }
  if (SheetTileWidth(width, columns) < 16) {
    std::fprintf(stderr, "vobmarks-cli: --width %d leaves no room for %d columns\n", width,
                 columns);
    return 2;
  }
  if (!OutputTargetAllowed(ui, args.positional[1], args.positional[0])) return 1;
  if (!ReadForCommand(t, ui, args.positional[0], 0)) return 1;
  if (t.TimeListNum == 0) {
    ui.Error("No VOBU (navigation pack) is found in the VOB files.");
    return 1;
  }
  if (int status = ApplyChapterOptions(t, ui, args); status != 0) return status;
  static RangeChapters chapters;
  if (!CollectRangeChapters(t, chapters)) {
    ui.Error(kTitleChaptersTooManyMessage);
    return 1;
  }
  // Drawing needs a Gui application, never a window: the offscreen
  // platform, whatever the environment says.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "vobmarks-cli";
  static char* argv[] = {name, nullptr};
  QGuiApplication app(argc, argv);
  const QImage sheet = ChapterSheet(t, ui, chapters, columns, width);
  // A tile whose picture could not be read or decoded has had its message;
  // a sheet with a black tile in its place is not written.
  if (ui.Failed()) return 1;
  // Encoded in memory, then written through the output check like every
  // other file: never into the input, never through a link.
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  const char* out = args.positional[1].c_str();
  if (!sheet.save(&buffer, "PNG")) {
    std::fprintf(stderr, "vobmarks-cli: cannot write %s\n", out);
    return 1;
  }
  int err = 0;
  const OutputStatus written = WriteOutputFile(out, t.InputFolder, png.constData(),
                                               static_cast<size_t>(png.size()), err);
  if (written != OutputStatus::Ok) {
    MessageText why;
    DescribeOutputStatus(written, out, err, why);
    ui.Error(why.c_str());
    return 1;
  }
  return 0;
#else
  (void)t;
  (void)ui;
  (void)args;
  std::fprintf(stderr, "vobmarks-cli: sheet needs Qt 6 Gui, which this build does not have\n");
  return 2;
#endif
}

}  // namespace vm
