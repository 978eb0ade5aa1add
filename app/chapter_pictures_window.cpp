#include "app/chapter_pictures_window.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QScreen>
#include <QPainter>
#include <QScrollArea>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/chapter_sheet.h"
#include "app/main_window.h"
#include "app/time_list_model.h"
#include "chapters/chapter_file.h"
#include "shell_common/window_geometry.h"

#include <algorithm>

namespace vm {

namespace {
constexpr char kTileStyle[] =
    "QToolButton { border: 2px solid transparent; }"
    "QToolButton:focus { border: 2px solid palette(highlight); }";
}  // namespace

ChapterPicturesWindow::ChapterPicturesWindow(MainWindow* owner)
    : QWidget(owner, Qt::Window), owner_(owner) {
  setObjectName("chapterPictures");
  setWindowTitle("Chapter pictures");
  setAttribute(Qt::WA_DeleteOnClose);
  auto* scroll = new QScrollArea(this);
  scroll_ = scroll;
  grid_ = new QWidget(scroll);
  layout_ = new QGridLayout(grid_);
  layout_->setSpacing(kSheetMargin);
  layout_->setAlignment(Qt::AlignTop | Qt::AlignLeft);
  scroll->setWidget(grid_);
  scroll->setWidgetResizable(true);
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(scroll);
  resize(kPictureColumns * (kPictureTileWidth + 2 * kSheetMargin) + 40,
         2 * (TileHeight(kPictureTileWidth) + 2 * kSheetMargin) + 20);
  // Every chapter command and every read announce their changes through
  // the model; the tiles follow once the command is done.
  TimeListModel* model = owner->Model();
  connect(model, &QAbstractItemModel::dataChanged, this, [this] { ScheduleRefresh(); });
  // A new read empties the list first: the pictures of the old title go.
  connect(model, &QAbstractItemModel::modelReset, this, [this] {
    pictures_.clear();
    ScheduleRefresh();
  });
  connect(model, &QAbstractItemModel::rowsInserted, this, [this] { ScheduleRefresh(); });
  Refresh();
}

void ChapterPicturesWindow::ScheduleRefresh() {
  if (refreshPending_) return;
  refreshPending_ = true;
  QTimer::singleShot(0, this, [this] {
    refreshPending_ = false;
    // A read still running fills the list; the tiles wait for its end.
    if (owner_->Context().tables.BusyFlag == 1) {
      QTimer::singleShot(100, this, [this] { ScheduleRefresh(); });
      return;
    }
    Refresh();
  });
}

void ChapterPicturesWindow::Refresh() {
  const TitleTables& t = owner_->Context().tables;
  static RangeChapters chapters;
  if (!CollectRangeChapters(t, chapters)) {
    // More chapters than a title may have: those that fit are shown.
  }
  // The focus stays on the tile of the same number across a refresh.
  int focused = -1;
  for (int k = 0; k < tiles_.size(); ++k)
    if (tiles_[k]->hasFocus()) focused = k;
  for (QToolButton* b : tiles_) b->deleteLater();
  tiles_.clear();
  entries_.clear();
  for (int k = 0; k < chapters.count; ++k) {
    const int32_t entry = chapters.entries[k];
    const int file = t.TimeListFileNo[entry] < kVobFileSlots ? t.TimeListFileNo[entry] : 0;
    const QString key = QString::fromUtf8(t.VobFileName[file]) + ':' +
                        QString::number(t.TimeListSector[entry]);
    auto found = pictures_.find(key);
    if (found == pictures_.end())
      found = pictures_.insert(key, EntryPicture(t, owner_->Messages(), entry, kPictureTileWidth));
    QImage tile(kPictureTileWidth, TileHeight(kPictureTileWidth), QImage::Format_RGB888);
    tile.fill(palette().color(QPalette::Window));
    QPainter p(&tile);
    p.drawImage(0, 0, *found);
    p.drawText(QRect(0, TilePictureHeight(kPictureTileWidth), kPictureTileWidth, kTileCaptionHeight),
               Qt::AlignCenter, TileCaption(k + 1, chapters.ms[k]));
    p.end();
    auto* b = new QToolButton(grid_);
    b->setObjectName(QString("tile%1").arg(k + 1));
    b->setIcon(QPixmap::fromImage(tile));
    b->setIconSize(tile.size());
    b->setAutoRaise(true);
    b->setToolTip(TileCaption(k + 1, chapters.ms[k]));
    // Tiles take the focus from the keyboard as from the mouse, and show it.
    b->setFocusPolicy(Qt::StrongFocus);
    b->setStyleSheet(kTileStyle);
    b->installEventFilter(this);
    connect(b, &QToolButton::clicked, this, [this, k] { Choose(k); });
    layout_->addWidget(b, k / kPictureColumns, k % kPictureColumns);
    tiles_.push_back(b);
    entries_.push_back(entry);
  }
  if (!tiles_.isEmpty() && (focused >= 0 || !hasFocus()))
    tiles_[std::clamp(focused, 0, static_cast<int>(tiles_.size()) - 1)]->setFocus();
}

void ChapterPicturesWindow::Choose(int k) {
  if (owner_->Context().tables.BusyFlag == 1 || k < 0 || k >= entries_.size()) return;
  owner_->SelectEntry(entries_[k]);
  owner_->RefreshPreview();
}

// Arrows move the focus by a tile or a row of tiles; Enter selects the
// focused tile's entry, as a click does.
bool ChapterPicturesWindow::eventFilter(QObject* watched, QEvent* event) {
  const int k = tiles_.indexOf(qobject_cast<QToolButton*>(watched));
  if (k < 0 || event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
  const auto* key = static_cast<QKeyEvent*>(event);
  int to = -1;
  switch (key->key()) {
    case Qt::Key_Left: to = k - 1; break;
    case Qt::Key_Right: to = k + 1; break;
    case Qt::Key_Up: to = k - kPictureColumns; break;
    case Qt::Key_Down: to = k + kPictureColumns; break;
    case Qt::Key_Home: to = 0; break;
    case Qt::Key_End: to = static_cast<int>(tiles_.size()) - 1; break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      Choose(k);
      return true;
    default:
      return QWidget::eventFilter(watched, event);
  }
  if (to >= 0 && to < tiles_.size()) {
    tiles_[to]->setFocus(Qt::TabFocusReason);
    scroll_->ensureWidgetVisible(tiles_[to]);
  }
  return true;
}

void ChapterPicturesWindow::PlaceBesideOwner() {
  const QWidget* main = owner_->window();
  const QScreen* screen = main->screen();
  if (screen == nullptr) return;
  move(BesidePlace(main->frameGeometry(), frameGeometry().size(), screen->availableGeometry()));
}

}  // namespace vm
