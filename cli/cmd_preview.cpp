#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cli/commands.h"
#include "play/preview_decoder.h"
#include "play/preview_request.h"
#include "title/read_command.h"

namespace vm {

// vobmarks-cli preview INPUT_DIR ENTRY OUT: the picture the preview window
// shows for the 1-based time-list entry ENTRY, written as .ppm or .bmp.
int RunPreview(TitleTables& t, CliUi& ui, const ParsedArgs& args) {
  const std::string& entryText = args.positional[1];
  const std::string& out = args.positional[2];
  char* end = nullptr;
  const long entry = std::strtol(entryText.c_str(), &end, 10);
  if (entryText.empty() || *end != '\0' || entry < 1) {
    std::fprintf(stderr, "vobmarks-cli: ENTRY must be a time-list entry number from 1\n");
    return 2;
  }
  if (!IsPreviewImageName(out.c_str())) {
    std::fprintf(stderr, "vobmarks-cli: OUT must end in .ppm or .bmp\n");
    return 2;
  }
  const int title = TitleOption(args);
  if (title < 0) return 2;
  if (!OutputTargetAllowed(ui, out, args.positional[0])) return 1;
  if (!ReadForCommand(t, ui, args.positional[0], title) || t.TimeListNum == 0) return 1;
  static PreviewRequest request;
  if (entry > t.TimeListNum || !FillPreviewRequest(t, static_cast<int32_t>(entry - 1), request)) {
    std::fprintf(stderr, "vobmarks-cli: the time list has %d entries\n", t.TimeListNum);
    return 1;
  }
  static uint8_t image[kPreviewImageBytes];
  std::memset(image, 0, sizeof image);
  SetPreviewImage(image);
  const int32_t result =
      DecodePreviewPicture(ui, request.vobPath, request.continuationPath, request.sector);
  // No picture file for a picture that did not decode whole: its message
  // (the file and sector, or the decoder's error) is the outcome.
  if (result != kPreviewFinished) return 1;
  MessageText why;
  const int written = WritePreviewImage(image, out.c_str(), t.InputFolder, &why);
  if (written == 1) {
    std::fprintf(stderr, "vobmarks-cli: OUT must end in .ppm or .bmp\n");
    return 2;
  }
  if (written == 2) {
    ui.Error(why.c_str());
    return 1;
  }
  return 0;
}

}  // namespace vm
