#include "ui/ProgramWindow.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPainter>
#include <QPrinterInfo>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>

#include "platform/QtText.h"

namespace qv {
namespace {

// The column is a fixed height so that the number of rows is settled once, when the window
// loads: the interpreter's view arithmetic (ProgTop, ProgRows) assumes it does not change.
constexpr int kColumnHeight = 440;

}  // namespace

ProgramWindow::ProgramWindow(const ProgramWindowCore& core, std::function<void()> unloaded)
    : state_(core.state),
      notifier_(core.notifier),
      interpreter_(core.interpreter),
      unloaded_(std::move(unloaded)) {
  setWindowTitle("Program Interpreter");
  setObjectName("frmInterp");
  auto* central = new QWidget(this);
  auto* layout = new QHBoxLayout(central);
  auto* column = new QVBoxLayout;
  nameCmdLabel_ = new QLabel("Command", central);
  nameCmdLabel_->setObjectName("lblNameCmd");
  rowArea_ = new QWidget(central);
  rowArea_->setFixedHeight(kColumnHeight);
  scrProg_ = new QScrollBar(Qt::Vertical, central);
  scrProg_->setObjectName("scrProg");
  scrProg_->setFixedHeight(kColumnHeight);
  messLabel_ = new QLabel(central);
  messLabel_->setObjectName("lblMess");
  messLabel_->setFrameShape(QFrame::Panel);
  messLabel_->setFrameShadow(QFrame::Sunken);
  timeLabel_ = new QLabel("time", central);
  timeLabel_->setObjectName("lblTime");
  column->addWidget(nameCmdLabel_);
  auto* rows = new QHBoxLayout;
  rows->setSpacing(0);
  rows->addWidget(rowArea_, 1);
  rows->addWidget(scrProg_);
  column->addLayout(rows);
  column->addWidget(messLabel_);
  column->addWidget(timeLabel_);
  column->addStretch(1);

  auto* buttons = new QVBoxLayout;
  auto addButton = [&](const char* name, const char* caption, void (ProgramWindow::*action)()) {
    auto* button = new QPushButton(caption, central);
    button->setObjectName(name);
    if (action != nullptr) connect(button, &QPushButton::clicked, this, action);
    buttons->addWidget(button);
    return button;
  };
  editing_.push_back(addButton("cmdRead", "Rea&d", &ProgramWindow::ReadProgram));
  editing_.push_back(addButton("cmdWrite", "&Write", &ProgramWindow::WriteProgram));
  buttons->addSpacing(12);
  auto* run = addButton("cmdRun", "&Run", nullptr);
  auto* step = addButton("cmdStep", "S&tep", nullptr);
  auto* stop = addButton("cmdStop", "&Stop", nullptr);
  auto* over = addButton("cmdOver", "&Over", nullptr);
  buttons->addSpacing(12);
  editing_.push_back(addButton("cmdInsert", "&Insert", &ProgramWindow::InsertLine));
  editing_.push_back(addButton("cmdDelete", "&Delete", &ProgramWindow::DeleteLine));
  runOption_ = new QRadioButton("Run", central);
  runOption_->setObjectName("optRun");
  runOption_->setAutoExclusive(false);
  // An indicator of the run state only: the operator starts a run with the Run button.
  runOption_->setAttribute(Qt::WA_TransparentForMouseEvents);
  runOption_->setFocusPolicy(Qt::NoFocus);
  buttons->addSpacing(12);
  buttons->addWidget(runOption_);
  buttons->addStretch(1);
  layout->addLayout(column, 1);
  layout->addLayout(buttons);
  setCentralWidget(central);

  connect(run, &QPushButton::clicked, this, [this] { interpreter_.Run(); });
  connect(step, &QPushButton::clicked, this, [this] { interpreter_.Step(); });
  connect(stop, &QPushButton::clicked, this, [this] { interpreter_.Stop(); });
  connect(over, &QPushButton::clicked, this, [this] { interpreter_.StartOver(); });
  connect(scrProg_, &QScrollBar::valueChanged, this,
          [this](int top) { ScrollWhileHalted(top - interpreter_.State().ProgTop); });

  QMenu* file = menuBar()->addMenu("&File");
  file->addAction("&Read Program", this, &ProgramWindow::ReadProgram);
  file->addAction("&Write Program", this, &ProgramWindow::WriteProgram);
  file->addAction("&Print", this, &ProgramWindow::PrintProgram);
  QMenu* edit = menuBar()->addMenu("&Edit");
  edit->addAction("&Insert Command", this, &ProgramWindow::InsertLine);
  edit->addAction("&Delete Command", this, &ProgramWindow::DeleteLine);
  edit->addAction("&Format Program", this, &ProgramWindow::FormatProgram);
  editingMenus_ = {file->menuAction(), edit->menuAction()};
  QMenu* view = menuBar()->addMenu("&View");
  const auto scroll = [this](int sign, bool page) {
    return [this, sign, page] {
      interpreter_.ScrollBy(sign * (page ? interpreter_.State().ProgRows : 1));
    };
  };
  view->addAction("Page &Up", this, scroll(-1, true));
  view->addAction("Page &Down", this, scroll(1, true));
  view->addAction("Line U&p", this, scroll(-1, false));
  view->addAction("Line D&own", this, scroll(1, false));
  QMenu* execute = menuBar()->addMenu("E&xecute");
  execute->addAction("&Run", this, [this] { interpreter_.Run(); });
  execute->addAction("&Stop", this, [this] { interpreter_.Stop(); });
  execute->addAction("Ste&p", this, [this] { interpreter_.Step(); });
  execute->addAction("Start &Over", this, [this] { interpreter_.StartOver(); });

  const int lineHeight = std::max(1, QLineEdit().sizeHint().height());
  BuildRows(std::max(1, kColumnHeight / lineHeight));
  resize(560, kColumnHeight + 160);
}

void ProgramWindow::BuildRows(int rows) {
  auto* grid = new QGridLayout(rowArea_);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(0);
  for (int row = 0; row < rows; ++row) {
    auto* button = new QPushButton(rowArea_);
    button->setObjectName(QString("cmdNmb%1").arg(row));
    button->setFixedWidth(48);
    auto* field = new QLineEdit(rowArea_);
    field->setObjectName(QString("txtCmd%1").arg(row));
    field->installEventFilter(this);
    grid->addWidget(button, row, 0);
    grid->addWidget(field, row, 1);
    connect(button, &QPushButton::clicked, this, [this, row] { ClickRow(row); });
    nmbButton_.push_back(button);
    commandEdits_.push_back(field);
    ColourRow(row, false);
  }
  grid->setRowStretch(rows, 1);
  interpreter_.SetRows(rows);
  ProgRowsChanged();
  ProgRowMarked(-1, interpreter_.State().ProgMarked);
}

int ProgramWindow::LineOfRow(int row) const {
  const ProgramState& state = interpreter_.State();
  if (row < 0 || row >= static_cast<int>(state.RowLine.size())) return -1;
  const int line = state.RowLine[static_cast<size_t>(row)];
  return line < static_cast<int>(state.ProgLines.size()) ? line : -1;
}

std::string ProgramWindow::ChooseFile(const std::string& title, bool forSaving) {
  if (chooseFile_) return chooseFile_(title, forSaving);
  const QString folder = QtText(state_.AppDir);
  const QString filter = "*.PRG (*.PRG *.prg);;*.* (*)";
  const QString path =
      forSaving ? QFileDialog::getSaveFileName(this, QtText(title), folder, filter, nullptr,
                                               QFileDialog::DontConfirmOverwrite)
                : QFileDialog::getOpenFileName(this, QtText(title), folder, filter);
  return CoreText(path);
}

void ProgramWindow::ReadProgram() {
  const std::string path = ChooseFile("Select a Program (*.PRG) to Load", false);
  if (path.empty() || interpreter_.ReadProgram(path) < 0) {
    SetInterpMessage("Program not read");
    return;
  }
  setWindowTitle(QtText("Program " + path));
}

void ProgramWindow::WriteProgram() {
  PlainList copy;
  // Checked before the dialog so that a program that cannot be saved never asks for a name.
  if (NormaliseProgram(interpreter_.State().ProgLines, copy, notifier_) < 0) {
    SetInterpMessage("Program not written");
    return;
  }
  const std::string path = ChooseFile("Give a Name to the Program (*.PRG)", true);
  if (path.empty()) {
    SetInterpMessage("Program not written");
    return;
  }
  if (QFileInfo::exists(QtText(path)) &&
      notifier_.MessageBox("File " + path + " exists.\r\nOverwrite?", MsgIcon::None,
                           "File overwrite", MsgButtons::OkCancel) != MsgResult::Ok) {
    SetInterpMessage("Program not written");
    return;
  }
  if (interpreter_.WriteProgram(path) < 0) {
    SetInterpMessage("Program not written");
    return;
  }
  SetInterpMessage("Program written");
  setWindowTitle(QtText("Program " + path));
}

void ProgramWindow::PrintProgram() {
  const QPrinterInfo printerInfo = QPrinterInfo::defaultPrinter();
  if (printerInfo.isNull()) {
    SetInterpMessage("No printer");
    return;
  }
  QPrinter printer(printerInfo);
  Print(printer);
}

// The window as it looks, scaled to the page with its proportions kept.
void ProgramWindow::Print(QPrinter& printer) {
  const QPixmap image = grab();
  QPainter painter;
  if (!painter.begin(&printer)) {
    SetInterpMessage("Program not printed");
    return;
  }
  const QRect page = painter.viewport();
  const QSize size = image.size().scaled(page.size(), Qt::KeepAspectRatio);
  painter.drawPixmap(QRect(page.topLeft(), size), image);
  painter.end();
}

void ProgramWindow::FormatProgram() {
  ProgramState& state = interpreter_.State();
  const int16_t balanced = IndentProgram(state.ProgLines);
  state.ProgTop = 0;
  RedrawAllRows();
  state.ProgHalted = 1;
  SetInterpMessage(balanced > 0 ? "Program formatted" : "Program has mistakes");
}

void ProgramWindow::InsertLine() {
  ProgramState& state = interpreter_.State();
  const int line = LineOfRow(state.ProgMarked);
  if (line < 0) return;
  state.ProgLines.insert(state.ProgLines.begin() + line, std::string());
  RedrawAllRows();
}

void ProgramWindow::DeleteLine() {
  ProgramState& state = interpreter_.State();
  const int line = LineOfRow(state.ProgMarked);
  if (line < 0) return;
  state.ProgLines.erase(state.ProgLines.begin() + line);
  RedrawAllRows();
}

// The rows below the last line must be emptied too, after a Delete shortened the program.
void ProgramWindow::RedrawAllRows() {
  ProgramState& state = interpreter_.State();
  std::fill(state.RowLine.begin(), state.RowLine.end(), -1);
  interpreter_.ShowProgRows(state.ProgTop, 0, state.ProgRows);
  ProgRowsChanged();
}

void ProgramWindow::ClickRow(int row) {
  if (LineOfRow(row) < 0) return;
  const int line = interpreter_.MarkProgRow(row);
  if (line >= 0) interpreter_.State().ProgPos = line + 1;
}

void ProgramWindow::LeaveRow(int row) {
  ProgramState& state = interpreter_.State();
  const int line = LineOfRow(row);
  if (state.ProgHalted != 1 || line < 0) return;
  state.ProgLines[static_cast<size_t>(line)] = CoreText(RowField(row).text());
  ClickRow(row);
}

void ProgramWindow::SetInterpMessage(const std::string& text) {
  messLabel_->setText(QtText(text));
}

void ProgramWindow::SetProgTime(const std::string& text) {
  timeLabel_->setText(QtText(text));
}

void ProgramWindow::SetRunIndicator(bool on) {
  runOption_->setChecked(on);
}

void ProgramWindow::EnableProgEditing(bool enabled) {
  const QString why = enabled ? QString() : QString("Not while the program runs: stop it first");
  for (QWidget* control : editing_) {
    control->setEnabled(enabled);
    control->setToolTip(why);
  }
  for (QAction* menu : editingMenus_) {
    menu->setEnabled(enabled);
    menu->setToolTip(why);
  }
  for (QLineEdit* field : commandEdits_)
    field->setReadOnly(!enabled);
  scrProg_->setEnabled(enabled);
}

void ProgramWindow::ProgRowsChanged() {
  const ProgramState& state = interpreter_.State();
  for (int row = 0; row < RowCount(); ++row) {
    const int line = LineOfRow(row);
    RowButton(row).setText(line >= 0 ? QString::number(line) : QString());
    RowField(row).setText(line >= 0 ? QtText(state.ProgLines[static_cast<size_t>(line)])
                                    : QString());
  }
  const QSignalBlocker quiet(scrProg_);  // showing the view is no request to scroll it
  const int lines = static_cast<int>(state.ProgLines.size());
  scrProg_->setRange(0, std::max(0, lines - state.ProgRows));
  scrProg_->setPageStep(std::max(1, state.ProgRows));
  scrProg_->setValue(state.ProgTop);
}

void ProgramWindow::ProgRowMarked(int previousRow, int row) {
  if (previousRow >= 0 && previousRow < RowCount()) ColourRow(previousRow, false);
  if (row >= 0 && row < RowCount()) ColourRow(row, true);
}

void ProgramWindow::ColourRow(int row, bool marked) {
  RowButton(row).setStyleSheet(marked ? "background-color: #808080" : "background-color: #C0C0C0");
  RowField(row).setStyleSheet(marked ? "background-color: #E0E0E0" : "background-color: #C0C0C0");
}

// The keys scroll only at rest: during a run the view follows the running line.
bool ProgramWindow::ScrollKey(int key) {
  const int rows = interpreter_.State().ProgRows;
  int lines = 0;
  if (key == Qt::Key_PageUp)
    lines = -rows;
  else if (key == Qt::Key_PageDown)
    lines = rows;
  else if (key == Qt::Key_Up)
    lines = -1;
  else if (key == Qt::Key_Down)
    lines = 1;
  else
    return false;
  ScrollWhileHalted(lines);
  return true;
}

void ProgramWindow::ScrollWhileHalted(int lines) {
  if (interpreter_.State().ProgHalted == 1) interpreter_.ScrollBy(lines);
  ProgRowsChanged();  // the scroll bar goes back where the view is, also when it did not move
}

void ProgramWindow::wheelEvent(QWheelEvent* event) {
  constexpr int kLinesPerNotch = 3;
  const int notches = event->angleDelta().y() / QWheelEvent::DefaultDeltasPerStep;
  if (notches == 0) return QMainWindow::wheelEvent(event);
  ScrollWhileHalted(-notches * kLinesPerNotch);
  event->accept();
}

bool ProgramWindow::eventFilter(QObject* watched, QEvent* event) {
  const auto found = std::find(commandEdits_.begin(), commandEdits_.end(), watched);
  if (found != commandEdits_.end()) {
    const int row = static_cast<int>(found - commandEdits_.begin());
    if (event->type() == QEvent::FocusIn) ClickRow(row);
    if (event->type() == QEvent::FocusOut) LeaveRow(row);
    if (event->type() == QEvent::KeyPress && ScrollKey(static_cast<QKeyEvent*>(event)->key())) {
      return true;
    }
    if (event->type() == QEvent::Wheel) {
      wheelEvent(static_cast<QWheelEvent*>(event));
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void ProgramWindow::keyPressEvent(QKeyEvent* event) {
  if (!ScrollKey(event->key())) QMainWindow::keyPressEvent(event);
}

void ProgramWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  if (!unloading_ && unloaded_) {
    unloading_ = true;
    QTimer::singleShot(0, this, [this] { unloaded_(); });
  }
}

}  // namespace qv
