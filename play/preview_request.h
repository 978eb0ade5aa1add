#pragma once

// What the preview shows for one time-list entry, and writing the preview
// image to a picture file.

#include <cstdint>

#include "common/fixed_string.h"
#include "title/tables.h"

namespace vm {

struct PreviewRequest {
  char vobPath[kPathBytes];
  char continuationPath[kPathBytes];
  uint32_t sector;
};

// Fills the request for 0-based entry i; false when there is no such entry.
// An entry in the last VOB file of the set gets an empty continuation path.
bool FillPreviewRequest(const TitleTables& t, int32_t i, PreviewRequest& request);

// Writes the bottom-up B, G, R preview image upright as binary PPM (".ppm")
// or 24-bit BMP (".bmp", any case). 0 written, 1 unknown extension, 2 write
// failure (the reason in `why` when given). The file goes through the
// output check against `inputFolder`; a failed write leaves no file.
int WritePreviewImage(const uint8_t* image, const char* path, const char* inputFolder,
                      MessageText* why = nullptr);

// True when `path` ends in ".ppm" or ".bmp" (any case).
bool IsPreviewImageName(const char* path);

}  // namespace vm
