// The "Chapter pictures" window: a grid of tiles, one per chapter of the
// new volume (the preview picture of its first VOBU with its number and
// start time), that follows the marks as they change. Clicking a tile, or
// Enter on the tile that has the focus, selects that entry in the time
// list; the arrow keys move the focus from tile to tile.
#pragma once

#include <QHash>
#include <QImage>
#include <QString>
#include <QWidget>

class QGridLayout;
class QScrollArea;
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
  // Beside the main window where the screen has room for it.
  void PlaceBesideOwner();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ScheduleRefresh();
  void Choose(int k);

  MainWindow* owner_;
  QWidget* grid_;
  QScrollArea* scroll_;
  QGridLayout* layout_;
  QList<QToolButton*> tiles_;
  QList<int32_t> entries_;
  QHash<QString, QImage> pictures_;  // by VOB file and sector
  bool refreshPending_ = false;
};

}  // namespace vm
