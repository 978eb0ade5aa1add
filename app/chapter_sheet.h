// Pictures of chapters: the preview picture of a chapter's first VOBU at
// its display aspect with the chapter's number and start time under it, one
// tile alone (the "Chapter pictures" window) or a sheet of them in rows
// (vobmarks-cli sheet). Qt Gui only, so that the command line can draw it
// with the offscreen platform.
#pragma once

#include <QImage>
#include <QString>

#include "chapters/chapter_file.h"
#include "common/ui.h"
#include "title/tables.h"

namespace vm {

// Sheet geometry: tiles `width` wide laid out with this margin around and
// between them; a tile's picture area is 4:3 (a wider picture is
// letterboxed in it) and its caption below is kTileCaptionHeight high.
constexpr int kSheetMargin = 8;
constexpr int kTileCaptionHeight = 22;
constexpr int kDefaultSheetColumns = 4;
constexpr int kMinSheetColumns = 1;
constexpr int kMaxSheetColumns = 16;
constexpr int kDefaultSheetWidth = 1280;
constexpr int kMinSheetWidth = 200;
constexpr int kMaxSheetWidth = 8000;

int TilePictureHeight(int tileWidth);
int TileHeight(int tileWidth);

// "1  0:00:00.000": the 1-based chapter number and its start time.
QString TileCaption(int chapter, int32_t ms);

// The preview picture of entry `entry` upright at its display aspect,
// scaled into tileWidth x TilePictureHeight(tileWidth); black where it does
// not decode (the decoder's message then goes to `ui`).
QImage EntryPicture(const TitleTables& t, Ui& ui, int32_t entry, int tileWidth);

// One tile: picture and caption.
QImage ChapterTile(const TitleTables& t, Ui& ui, int chapter, int32_t entry, int32_t ms,
                   int tileWidth);

// The tile width of a sheet `width` wide with `columns` tiles a row.
int SheetTileWidth(int width, int columns);

// All the chapters' tiles, left to right and top to bottom.
QImage ChapterSheet(const TitleTables& t, Ui& ui, const RangeChapters& chapters, int columns,
                    int width);

}  // namespace vm
