#include "app/main_window.h"

#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include "app/dialog_template.h"
#include "app/history.h"
#include "app/preview_window.h"
#include "app/time_list_model.h"
#include "app/time_list_view.h"
#include "play/preview_request.h"
#include "play/playback.h"
#include "title/time_list_nav.h"

namespace vm {

namespace {

// The window's template: 370 x 250 dialog units.
constexpr int kWidthUnits = 370;
constexpr int kHeightUnits = 250;
constexpr int kInitialInterval = 180;  // seconds

}  // namespace

MainWindow::MainWindow(const ShellContext& context, QWidget* parent)
    : QWidget(parent), ctx_(context), ui_(this) {
  setObjectName("mainWindow");
  setFont(DialogFont());
  PaintLightGrey(this);
  DialogUnits du(font());
  setFixedSize(du.X(kWidthUnits), du.Y(kHeightUnits));
  BuildControls();
  ui_.SetAfterPump([this] { model_->Sync(); });
}

MainWindow::~MainWindow() { delete preview_; }

QPushButton* MainWindow::AddButton(int id, const char* text, int x, int y, int w, int h) {
  DialogUnits du(font());
  auto* b = new QPushButton(QString::fromUtf8(text), this);
  b->setObjectName(QString::number(id));
  b->setGeometry(du.Rect(x, y, w, h));
  b->setAutoDefault(false);
  return b;
}

QLabel* MainWindow::AddStatic(int id, const char* text, int x, int y, int w, int h) {
  DialogUnits du(font());
  auto* l = new QLabel(QString::fromUtf8(text), this);
  if (id > 0) l->setObjectName(QString::number(id));
  l->setGeometry(du.Rect(x, y, w, h));
  l->setTextFormat(Qt::PlainText);
  return l;
}

void MainWindow::BuildControls() {
  DialogUnits du(font());
  AddBlackFrame(this, du, 2, 2, 125, 246);
  AddBlackFrame(this, du, 130, 2, 238, 56);
  AddBlackFrame(this, du, 130, 60, 80, 128);
  AddBlackFrame(this, du, 213, 60, 155, 128);
  AddBlackFrame(this, du, 130, 190, 238, 58);

  AddStatic(-1, "<Time List>", 3, 5, 70, 10);
  labelStart_ = AddStatic(kIdLabelStart, "S:", 10, 17, 45, 10);
  labelEnd_ = AddStatic(kIdLabelEnd, "E:", 55, 17, 35, 10);
  labelTitle_ = AddStatic(kIdLabelTitle, "", 75, 5, 48, 10);
  connect(AddButton(kIdCellUp, "up", 90, 15, 15, 12), &QPushButton::clicked, this,
          [this] { Navigate(static_cast<int>(NavButton::CellUp)); });
  connect(AddButton(kIdCellDown, "dw", 105, 15, 15, 12), &QPushButton::clicked, this,
          [this] { Navigate(static_cast<int>(NavButton::CellDown)); });

  model_ = new TimeListModel(ctx_.tables, this);
  list_ = new TimeListView(this);
  list_->setObjectName(QString::number(kIdTimeList));
  list_->setGeometry(du.Rect(10, 32, 110, 200));
  list_->setModel(model_);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  list_->setFrameShape(QFrame::Box);
  {
    // The list's background is light grey like the window's.
    QPalette p = list_->palette();
    p.setColor(QPalette::Base, QColor(192, 192, 192));
    p.setColor(QPalette::Text, Qt::black);
    list_->setPalette(p);
  }
  connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { RefreshPreview(); });
  connect(list_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this] { RefreshPreview(); });
  connect(list_, &QAbstractItemView::doubleClicked, this, [this] { PlayCaretVobu(); });

  labelSize_ = AddStatic(kIdLabelSize, "Size:", 10, 235, 60, 10);
  connect(AddButton(kIdChapterUp, "UP", 90, 233, 15, 12), &QPushButton::clicked, this,
          [this] { Navigate(static_cast<int>(NavButton::ChapterUp)); });
  connect(AddButton(kIdChapterDown, "DW", 105, 233, 15, 12), &QPushButton::clicked, this,
          [this] { Navigate(static_cast<int>(NavButton::ChapterDown)); });

  AddStatic(-1, "<Input Folder>", 133, 6, 122, 10);
  inputFolder_ = new QLineEdit(this);
  inputFolder_->setObjectName(QString::number(kIdInputFolder));
  inputFolder_->setGeometry(du.Rect(135, 18, 175, 12));
  connect(inputFolder_, &QLineEdit::returnPressed, this, [this] { ReadTitle(); });
  connect(AddButton(kIdInputRef, "Ref...", 315, 17, 45, 14), &QPushButton::clicked, this,
          [this] { PickInputFolder(); });
  QPushButton* read = AddButton(kIdRead, "Read VOB files(&R)", 135, 36, 90, 14);
  read->setDefault(true);
  connect(read, &QPushButton::clicked, this, [this] { ReadTitle(); });

  AddStatic(-1, "<Edit>", 133, 64, 60, 10);
  connect(AddButton(kIdPlay, "Play", 135, 75, 70, 14), &QPushButton::clicked, this,
          [this] { Play(static_cast<int>(PlayMode::Play)); });
  connect(AddButton(kIdPlayAtoB, "Play A - B", 135, 91, 70, 14), &QPushButton::clicked, this,
          [this] { Play(static_cast<int>(PlayMode::AtoB)); });
  connect(AddButton(kIdPlayContinue, "Play continue", 135, 107, 70, 14), &QPushButton::clicked,
          this, [this] { Play(static_cast<int>(PlayMode::Continue)); });
  connect(AddButton(kIdChapterToggle, "Chapter on/off", 135, 135, 70, 14),
          &QPushButton::clicked, this, [this] { ToggleChapterCommand(); });
  connect(AddButton(kIdClearChapters, "Clear chapters", 135, 165, 70, 14),
          &QPushButton::clicked, this, [this] { ClearChaptersCommand(); });

  AddStatic(-1, "<Other>", 220, 64, 60, 10);
  connect(AddButton(kIdSettings, "Setting(&O)...", 230, 75, 65, 14), &QPushButton::clicked, this,
          [this] { SettingsCommand(); });
  connect(AddButton(kIdHelp, "Help(&H)", 230, 107, 65, 14), &QPushButton::clicked, this,
          [this] { HelpCommand(); });

  AddStatic(-1, "<Output Folder>", 133, 196, 122, 10);
  outputFolder_ = new QLineEdit(this);
  outputFolder_->setObjectName(QString::number(kIdOutputFolder));
  outputFolder_->setGeometry(du.Rect(135, 209, 175, 12));
  connect(AddButton(kIdOutputRef, "Ref...", 315, 208, 45, 14), &QPushButton::clicked, this,
          [this] { PickOutputFolder(); });
  connect(AddButton(kIdCreate, "Create DVD Image(&G)", 135, 227, 100, 14), &QPushButton::clicked,
          this, [this] { CreateVolumeCommand(); });
  QPushButton* exit = AddButton(kIdExit, "Exit(&X)", 300, 227, 60, 14);
  exit->setDefault(true);
  connect(exit, &QPushButton::clicked, this, [this] {
    if (!Busy() && onExit_) onExit_();
  });
}

void MainWindow::ResetForStart() {
  TitleTables& t = ctx_.tables;
  ResetTables(t);
  t.ChapterInterval = kInitialInterval;
  t.RangeStart = 0;
  t.RangeEnd = 0;
  model_->Sync();
  UpdateLabels();
  inputFolder_->setText(QString::fromUtf8(ctx_.history.InputFolderText));
  outputFolder_->setText(QString::fromUtf8(ctx_.history.OutputFolderText));
}

void MainWindow::UpdateLabels() {
  labelStart_->setText(QString::fromUtf8(ctx_.tables.LabelStart));
  labelEnd_->setText(QString::fromUtf8(ctx_.tables.LabelEnd));
  labelSize_->setText(QString::fromUtf8(ctx_.tables.LabelSize));
  const int title = ctx_.tables.ChosenTitle;
  labelTitle_->setText(title > 0 ? QString("Title %1").arg(title) : QString());
}

bool MainWindow::MayClose() {
  if (Busy()) return false;
  if (ctx_.tables.VobFileNum > 0 && ui_.Confirm("Exit or not ?") != Answer::Yes) return false;
  return true;
}

int32_t MainWindow::CaretLine() const {
  QModelIndex current = list_->currentIndex();
  return current.isValid() ? current.row() : -1;
}

int32_t MainWindow::TopLine() const { return list_->TopRow(); }

void MainWindow::MakeTopLine(int32_t i) {
  if (i < 0 || i >= model_->rowCount()) return;
  list_->scrollTo(model_->index(i), QAbstractItemView::PositionAtTop);
}

void MainWindow::SelectEntry(int32_t i) {
  if (i < 0 || i >= model_->rowCount()) return;
  QModelIndex at = model_->index(i);
  list_->selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect);
  list_->scrollTo(at);
  list_->setFocus();
}

void MainWindow::SelectLines(int32_t first, int32_t last) {
  const int32_t rows = model_->rowCount();
  if (first < 0 || first >= rows) return;
  if (last >= rows) last = rows - 1;
  QItemSelection lines(model_->index(first), model_->index(last));
  list_->selectionModel()->select(lines, QItemSelectionModel::ClearAndSelect);
  list_->selectionModel()->setCurrentIndex(model_->index(first), QItemSelectionModel::NoUpdate);
  MakeTopLine(first);
  list_->setFocus();
}

PreviewWindow* MainWindow::Preview() const { return preview_; }

void MainWindow::RefreshPreview() {
  const TitleTables& t = ctx_.tables;
  if (ctx_.history.PreviewEnable == 0) {
    if (preview_ != nullptr) preview_->close();
    return;
  }
  if (t.TimeListNum == 0) return;
  PreviewRequest request;
  const int32_t caret = CaretLine();
  if (!FillPreviewRequest(t, caret < 0 ? 0 : caret, request)) return;
  if (preview_ != nullptr) {
    preview_->Request(request);
    return;
  }
  preview_ = new PreviewWindow(this);
  preview_->Request(request);
  preview_->show();
  // Left edge 0, top edge a third of the way down the free screen height.
  QRect screen = preview_->screen()->geometry();
  QRect outer = preview_->frameGeometry();
  preview_->move(screen.x(), screen.y() + (screen.height() - outer.height()) / 3);
  activateWindow();
  list_->setFocus();
}

}  // namespace vm
