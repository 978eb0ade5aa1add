#include "app/chapter_pictures_window.h"

#include <QGridLayout>
#include <QPainter>
#include <QScrollArea>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/chapter_sheet.h"
#include "app/main_window.h"
#include "app/time_list_model.h"
#include "chapters/chapter_file.h"

namespace vm {

ChapterPicturesWindow::ChapterPicturesWindow(MainWindow* owner)
    : QWidget(owner, Qt::Window), owner_(owner) {
  setObjectName("chapterPictures");
  setWindowTitle("Chapter pictures");
  setAttribute(Qt::WA_DeleteOnClose);
  auto* scroll = new QScrollArea(this);
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
    connect(b, &QToolButton::clicked, owner_, [this, entry] {
      if (owner_->Context().tables.BusyFlag == 1) return;
      owner_->SelectEntry(entry);
      owner_->RefreshPreview();
    });
    layout_->addWidget(b, k / kPictureColumns, k % kPictureColumns);
    tiles_.push_back(b);
    entries_.push_back(entry);
  }
}

}  // namespace vm
