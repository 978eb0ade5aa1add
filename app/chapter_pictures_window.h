// The "Chapter pictures" window: a grid of tiles, one per chapter of the
// new volume (the preview picture of its first VOBU with its number and
// start time), that follows the marks as they change. Clicking a tile
// selects that entry in the time list.
#pragma once

#include <QHash>
#include <QImage>
#include <QString>
#include <QWidget>

class QGridLayout;
class QToolButton;

namespace vm {

class MainWindow;

constexpr int kPictureTileWidth = 200;
constexpr int kPictureColumns = 4;

class ChapterPicturesWindow : public QWidget {
 public:
  explicit ChapterPicturesWindow(MainWindow* owner);

  // Draws the tiles again from the current marks; a picture already drawn
  // for an entry is not decoded again until the next read.
  void Refresh();
  int TileCount() const { return static_cast<int>(tiles_.size()); }
  QToolButton* Tile(int k) const { return tiles_.value(k); }
  int32_t TileEntry(int k) const { return entries_.value(k, -1); }

 private:
  void ScheduleRefresh();

  MainWindow* owner_;
  QWidget* grid_;
  QGridLayout* layout_;
  QList<QToolButton*> tiles_;
  QList<int32_t> entries_;
  QHash<QString, QImage> pictures_;  // by VOB file and sector
  bool refreshPending_ = false;
};

}  // namespace vm
