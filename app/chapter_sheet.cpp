#include "app/chapter_sheet.h"

#include <QColor>
#include <QFont>
#include <QPainter>

#include "play/preview_decoder.h"
#include "play/preview_request.h"

namespace vm {

namespace {

const QColor kSheetBackground(48, 48, 48);
const QColor kCaptionColour(240, 240, 240);

// The preview image (bottom-up B, G, R) as an upright image.
QImage Upright(const uint8_t* image) {
  QImage out(kPreviewWidth, kPreviewHeight, QImage::Format_RGB888);
  for (int y = 0; y < kPreviewHeight; ++y) {
    const uint8_t* src = image + (kPreviewHeight - 1 - y) * kPreviewRowBytes;
    uchar* dst = out.scanLine(y);
    for (int x = 0; x < kPreviewWidth; ++x) {
      dst[3 * x] = src[3 * x + 2];
      dst[3 * x + 1] = src[3 * x + 1];
      dst[3 * x + 2] = src[3 * x];
    }
  }
  return out;
}

}  // namespace

int TilePictureHeight(int tileWidth) { return tileWidth * 3 / 4; }

int TileHeight(int tileWidth) { return TilePictureHeight(tileWidth) + kTileCaptionHeight; }

QString TileCaption(int chapter, int32_t ms) {
  return QString::asprintf("%d  %d:%02d:%02d.%03d", chapter, ms / 3600000, ms / 60000 % 60,
                           ms / 1000 % 60, ms % 1000);
}

QImage EntryPicture(const TitleTables& t, Ui& ui, int32_t entry, int tileWidth) {
  const int height = TilePictureHeight(tileWidth);
  QImage area(tileWidth, height, QImage::Format_RGB888);
  area.fill(Qt::black);
  static uint8_t image[kPreviewImageBytes];
  static PreviewRequest request;
  if (!FillPreviewRequest(t, entry, request)) return area;
  // The preview window's own image is put back afterwards.
  uint8_t* const shown = CurrentPreviewImage();
  std::fill(image, image + kPreviewImageBytes, uint8_t{0});
  SetPreviewImage(image);
  const int32_t r =
      DecodePreviewPicture(ui, request.vobPath, request.continuationPath, request.sector);
  SetPreviewImage(shown);
  if (r != kPreviewFinished) return area;
  // A 4:3 picture fills the area; a wider one keeps the width and is
  // letterboxed.
  const int shownWidth = PreviewDisplayWidth(kPreviewHeight);
  int w = tileWidth, h = tileWidth * kPreviewHeight / shownWidth;
  if (h > height) {
    h = height;
    w = height * shownWidth / kPreviewHeight;
  }
  const QImage scaled =
      Upright(image).scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  QPainter p(&area);
  p.drawImage((tileWidth - w) / 2, (height - h) / 2, scaled);
  return area;
}

QImage ChapterTile(const TitleTables& t, Ui& ui, int chapter, int32_t entry, int32_t ms,
                   int tileWidth) {
  QImage tile(tileWidth, TileHeight(tileWidth), QImage::Format_RGB888);
  tile.fill(kSheetBackground);
  QPainter p(&tile);
  p.drawImage(0, 0, EntryPicture(t, ui, entry, tileWidth));
  QFont font = p.font();
  font.setPixelSize(kTileCaptionHeight - 8);
  p.setFont(font);
  p.setPen(kCaptionColour);
  p.drawText(QRect(0, TilePictureHeight(tileWidth), tileWidth, kTileCaptionHeight),
             Qt::AlignCenter, TileCaption(chapter, ms));
  return tile;
}

int SheetTileWidth(int width, int columns) {
  return (width - kSheetMargin * (columns + 1)) / columns;
}

QImage ChapterSheet(const TitleTables& t, Ui& ui, const RangeChapters& chapters, int columns,
                    int width) {
  const int tileWidth = SheetTileWidth(width, columns);
  const int rows = (chapters.count + columns - 1) / columns;
  const int height = kSheetMargin + rows * (TileHeight(tileWidth) + kSheetMargin);
  QImage sheet(width, height, QImage::Format_RGB888);
  sheet.fill(kSheetBackground);
  QPainter p(&sheet);
  for (int k = 0; k < chapters.count; ++k) {
    const int x = kSheetMargin + (k % columns) * (tileWidth + kSheetMargin);
    const int y = kSheetMargin + (k / columns) * (TileHeight(tileWidth) + kSheetMargin);
    p.drawImage(x, y, ChapterTile(t, ui, k + 1, chapters.entries[k], chapters.ms[k], tileWidth));
  }
  return sheet;
}

}  // namespace vm
