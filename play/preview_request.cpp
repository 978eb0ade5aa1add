#include "play/preview_request.h"

#include <strings.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/be.h"
#include "common/output_file.h"
#include "play/preview_decoder.h"

namespace vm {

bool FillPreviewRequest(const TitleTables& t, int32_t i, PreviewRequest& request) {
  if (i < 0 || i >= t.TimeListNum) return false;
  const int32_t file = t.TimeListFileNo[i];
  if (file < 0 || file >= t.VobFileNum) return false;
  std::snprintf(request.vobPath, sizeof request.vobPath, "%s", t.VobFileName[file]);
  // The decoder reads on into the start of the continuation file, so only
  // an extent that starts its file can continue the one before.
  if (file + 1 < t.VobFileNum && t.VobFileFirstSector[file + 1] == 0)
    std::snprintf(request.continuationPath, sizeof request.continuationPath, "%s",
                  t.VobFileName[file + 1]);
  else
    request.continuationPath[0] = '\0';
  request.sector = static_cast<uint32_t>(t.VobFileFirstSector[file] + t.TimeListSector[i]);
  return true;
}

namespace {

// BMP layout: 14-byte file header, 40-byte information header.
constexpr int kBmpFileHeaderBytes = 14;
constexpr int kBmpInfoHeaderBytes = 40;
constexpr int kBmpHeaderBytes = kBmpFileHeaderBytes + kBmpInfoHeaderBytes;
constexpr int kBmpFileSizeOffset = 2;
constexpr int kBmpPixelOffsetOffset = 10;
constexpr int kBmpInfoSizeOffset = 14;
constexpr int kBmpWidthOffset = 18;
constexpr int kBmpHeightOffset = 22;
constexpr int kBmpPlanesOffset = 26;
constexpr int kBmpBitCountOffset = 28;
constexpr int kBmpImageSizeOffset = 34;

bool EndsWith(const char* path, const char* ext) {
  const size_t n = std::strlen(path), e = std::strlen(ext);
  return n >= e && strcasecmp(path + n - e, ext) == 0;
}

bool WriteBmp(std::FILE* f, const uint8_t* image) {
  // BMP rows are bottom-up too, so the image goes out as it is.
  uint8_t h[kBmpHeaderBytes] = {'B', 'M'};
  WriteLe32(h + kBmpFileSizeOffset, kBmpHeaderBytes + kPreviewImageBytes);
  WriteLe32(h + kBmpPixelOffsetOffset, kBmpHeaderBytes);
  WriteLe32(h + kBmpInfoSizeOffset, kBmpInfoHeaderBytes);
  WriteLe32(h + kBmpWidthOffset, kPreviewWidth);
  WriteLe32(h + kBmpHeightOffset, kPreviewHeight);
  WriteLe16(h + kBmpPlanesOffset, 1);
  WriteLe16(h + kBmpBitCountOffset, 24);
  WriteLe32(h + kBmpImageSizeOffset, kPreviewImageBytes);
  return std::fwrite(h, 1, sizeof h, f) == sizeof h &&
         std::fwrite(image, 1, kPreviewImageBytes, f) == static_cast<size_t>(kPreviewImageBytes);
}

bool WritePpm(std::FILE* f, const uint8_t* image) {
  if (std::fprintf(f, "P6\n%d %d\n255\n", kPreviewWidth, kPreviewHeight) < 0) return false;
  uint8_t row[kPreviewRowBytes];
  for (int y = kPreviewHeight - 1; y >= 0; --y) {
    const uint8_t* src = image + y * kPreviewRowBytes;
    for (int x = 0; x < kPreviewWidth; ++x) {
      row[3 * x] = src[3 * x + 2];
      row[3 * x + 1] = src[3 * x + 1];
      row[3 * x + 2] = src[3 * x];
    }
    if (std::fwrite(row, 1, sizeof row, f) != sizeof row) return false;
  }
  return true;
}

}  // namespace

bool IsPreviewImageName(const char* path) {
  return EndsWith(path, ".bmp") || EndsWith(path, ".ppm");
}

int WritePreviewImage(const uint8_t* image, const char* path, const char* inputFolder,
                      MessageText* why) {
  if (!IsPreviewImageName(path)) return 1;
  const bool bmp = EndsWith(path, ".bmp");
  OutputFile file;
  const OutputStatus opened = file.Open(path, inputFolder);
  std::FILE* f = opened == OutputStatus::Ok ? file.Stream() : nullptr;
  if (f == nullptr) {
    if (why != nullptr) DescribeOutputStatus(opened, path, file.Error(), *why);
    return 2;
  }
  if (!(bmp ? WriteBmp(f, image) : WritePpm(f, image))) {
    if (why != nullptr) DescribeOutputStatus(OutputStatus::WriteFailed, path, errno, *why);
    return 2;
  }
  const OutputStatus done = file.Commit();
  if (done == OutputStatus::Ok) return 0;
  if (why != nullptr) DescribeOutputStatus(done, path, file.Error(), *why);
  return 2;
}

}  // namespace vm
