#include "app/main_window.h"

#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include "app/history.h"
#include "app/shell_settings.h"
#include "app/verify_report.h"
#include "app/preview_window.h"
#include "app/time_list_model.h"
#include "app/time_list_view.h"
#include "play/playback.h"
#include "play/preview_request.h"
#include "shell_common/control_table.h"
#include "title/time_list_nav.h"

namespace vm {

namespace {

// The window's template: 370 x 250 dialog units.
constexpr int kWidthUnits = 370;
constexpr int kHeightUnits = 250;
constexpr int kInitialInterval = 180;  // seconds

// Every button and heading has a letter of its own, none shared with
// another control or with the menu bar's File, Chapter and Help; a
// heading's letter moves the focus to the field under it. No button is
// drawn as the default: the window is not a dialog, Enter presses the
// focused button, and Enter in the input field reads.
constexpr ControlRow kMainWindow[] = {
    {"timeListFrame", ControlKind::BlackFrame, "", 2, 2, 125, 246},
    {"inputFrame", ControlKind::BlackFrame, "", 130, 2, 238, 56},
    {"editFrame", ControlKind::BlackFrame, "", 130, 60, 80, 128},
    {"otherFrame", ControlKind::BlackFrame, "", 213, 60, 155, 128},
    {"outputFrame", ControlKind::BlackFrame, "", 130, 190, 238, 58},
    {"timeListHeading", ControlKind::Static, "<Time &List>", 3, 5, 70, 10},
    {"201", ControlKind::Static, "S:", 10, 17, 45, 10},
    {"202", ControlKind::Static, "E:", 55, 17, 35, 10},
    {"204", ControlKind::Static, "", 75, 5, 48, 10},
    {"123", ControlKind::Button, "up", 90, 15, 15, 12},
    {"124", ControlKind::Button, "dw", 105, 15, 15, 12},
    {"114", ControlKind::Supplied, "", 10, 32, 110, 200},
    {"203", ControlKind::Static, "Size:", 10, 235, 60, 10},
    {"119", ControlKind::Button, "UP", 90, 233, 15, 12},
    {"120", ControlKind::Button, "DW", 105, 233, 15, 12},
    {"inputHeading", ControlKind::Static, "<Input Fol&der>", 133, 6, 122, 10},
    {"103", ControlKind::Edit, "", 135, 18, 175, 12},
    {"104", ControlKind::Button, "Ref(&I)...", 315, 17, 45, 14},
    {"101", ControlKind::Button, "Read VOB files(&R)", 135, 36, 90, 14},
    {"editHeading", ControlKind::Static, "<Edit>", 133, 64, 60, 10},
    {"102", ControlKind::Button, "&Play", 135, 75, 70, 14},
    {"134", ControlKind::Button, "Play &A - B", 135, 91, 70, 14},
    {"125", ControlKind::Button, "Play co&ntinue", 135, 107, 70, 14},
    {"105", ControlKind::Button, "Chap&ter on/off", 135, 135, 70, 14},
    {"118", ControlKind::Button, "Clear chapter&s", 135, 165, 70, 14},
    {"otherHeading", ControlKind::Static, "<Other>", 220, 64, 60, 10},
    {"107", ControlKind::Button, "Setting(&O)...", 230, 75, 65, 14},
    {"121", ControlKind::Button, "Help(&E)", 230, 107, 65, 14},
    {"outputHeading", ControlKind::Static, "<O&utput Folder>", 133, 196, 122, 10},
    {"113", ControlKind::Edit, "", 135, 209, 175, 12},
    {"111", ControlKind::Button, "Ref(&B)...", 315, 208, 45, 14},
    {"112", ControlKind::Button, "Create DVD Image(&G)", 135, 227, 100, 14},
    {"2", ControlKind::Button, "Exit(&X)", 300, 227, 60, 14},
};

}  // namespace

MainWindow::MainWindow(const ShellContext& context, QWidget* parent)
    : QWidget(parent), ctx_(context), ui_(this) {
  setObjectName("mainWindow");
  if (ctx_.settings == nullptr) ownSettings_ = std::make_unique<ShellSettings>();
  settings_ = ctx_.settings != nullptr ? ctx_.settings : ownSettings_.get();
  verifyProgram_ = VerifyProgramPath();
  setAcceptDrops(true);
  model_ = new TimeListModel(ctx_.tables, this);
  BuildDialog(this, kWidthUnits, kHeightUnits, kMainWindow,
              [this](QWidget* parent, const ControlRow&) {
                list_ = new TimeListView(parent);
                return list_;
              });
  BindControls();
  ui_.SetAfterPump([this] { model_->Sync(); });
}

MainWindow::~MainWindow() { delete preview_; }

void MainWindow::SaveSettings() {
  if (ctx_.settingsPath != nullptr) SaveShellSettings(*settings_, ctx_.settingsPath);
}

void MainWindow::BindControls() {
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

  labelStart_ = findChild<QLabel*>(QString::number(kIdLabelStart));
  labelEnd_ = findChild<QLabel*>(QString::number(kIdLabelEnd));
  labelSize_ = findChild<QLabel*>(QString::number(kIdLabelSize));
  labelTitle_ = findChild<QLabel*>(QString::number(kIdLabelTitle));
  inputFolder_ = findChild<QLineEdit*>(QString::number(kIdInputFolder));
  outputFolder_ = findChild<QLineEdit*>(QString::number(kIdOutputFolder));
  connect(inputFolder_, &QLineEdit::returnPressed, this, [this] { ReadTitle(); });
  // A folder dropped on a field is read like one dropped anywhere else on
  // the window, not typed into the field as a URL.
  inputFolder_->setAcceptDrops(false);
  outputFolder_->setAcceptDrops(false);
  const std::pair<const char*, QWidget*> kBuddies[] = {
      {"timeListHeading", list_}, {"inputHeading", inputFolder_}, {"outputHeading", outputFolder_}};
  for (const auto& [heading, field] : kBuddies) findChild<QLabel*>(heading)->setBuddy(field);

  const std::pair<int, std::function<void()>> kButtons[] = {
      {kIdCellUp, [this] { Navigate(static_cast<int>(NavButton::CellUp)); }},
      {kIdCellDown, [this] { Navigate(static_cast<int>(NavButton::CellDown)); }},
      {kIdChapterUp, [this] { Navigate(static_cast<int>(NavButton::ChapterUp)); }},
      {kIdChapterDown, [this] { Navigate(static_cast<int>(NavButton::ChapterDown)); }},
      {kIdInputRef, [this] { PickInputFolder(); }},
      {kIdRead, [this] { ReadTitle(); }},
      {kIdPlay, [this] { Play(static_cast<int>(PlayMode::Play)); }},
      {kIdPlayAtoB, [this] { Play(static_cast<int>(PlayMode::AtoB)); }},
      {kIdPlayContinue, [this] { Play(static_cast<int>(PlayMode::Continue)); }},
      {kIdChapterToggle, [this] { ToggleChapterCommand(); }},
      {kIdClearChapters, [this] { ClearChaptersCommand(); }},
      {kIdSettings, [this] { SettingsCommand(); }},
      {kIdHelp, [this] { HelpCommand(); }},
      {kIdOutputRef, [this] { PickOutputFolder(); }},
      {kIdCreate, [this] { CreateVolumeCommand(); }},
      {kIdExit,
       [this] {
         if (!Busy() && onExit_) onExit_();
       }},
  };
  for (const auto& [id, run] : kButtons)
    connect(findChild<QPushButton*>(QString::number(id)), &QPushButton::clicked, this, run);
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
  // Typing the folder is where work starts.
  inputFolder_->setFocus();
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
