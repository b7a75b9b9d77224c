#include "ui/MainWindow.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QTextEdit>
#include <QVBoxLayout>

#include "foundation/NumberText.h"
#include "platform/QtText.h"
#include "ui/EditWindow.h"
#include "ui/FailureReason.h"
#include "ui/FilesWindow.h"
#include "ui/ObjectMenu.h"
#include "ui/ParListWindow.h"
#include "ui/SpeedTestMenus.h"
#include "ui/WindowFit.h"
#include "ui/WindowParts.h"

namespace qv {

namespace {

// A widget that takes typed text or moves through items (a list, a table, a combo box, a
// slider) keeps the arrow and page keys for itself.
bool TakesArrowKeys(const QWidget* widget) {
  if (widget == nullptr) return false;
  return qobject_cast<const QComboBox*>(widget) || qobject_cast<const QLineEdit*>(widget) ||
         qobject_cast<const QAbstractSpinBox*>(widget) || qobject_cast<const QTextEdit*>(widget) ||
         qobject_cast<const QPlainTextEdit*>(widget) ||
         qobject_cast<const QAbstractItemView*>(widget) ||
         qobject_cast<const QAbstractSlider*>(widget);
}

constexpr int kDeviceTab = 0;

// A panel of many controls scrolls when the window is too small for it, so that the window
// still fits the screen with its status bar and Stop.
QScrollArea* Scrolled(QWidget* panel, QWidget* parent) {
  auto* area = new QScrollArea(parent);
  area->setObjectName(panel->objectName() + "Scroll");
  area->setWidget(panel);
  area->setWidgetResizable(true);
  area->setFrameShape(QFrame::NoFrame);
  area->setFocusPolicy(Qt::NoFocus);  // the keyboard goes to the panel's controls
  return area;
}

}  // namespace

MainWindow::MainWindow(const CoreServices& core, std::function<void()> unloaded)
    : core_(core), unloaded_(std::move(unloaded)) {
  setWindowTitle("Quorvalin");
  setObjectName("frmQuorvalin");
  status_ = new MainStatusBar(this);
  setStatusBar(status_);
  busy_ = std::make_unique<BusyIndicator>([this](const QString& text) { status_->ShowBusy(text); });
  connect(&status_->StopButton(), &QPushButton::clicked, this, &MainWindow::Stop);
  FillDialogs();
  ForwardServices();
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  BuildTopArea(central);
  BuildTabs(central);
  layout->addLayout(top_);
  layout->addWidget(messageLine_);
  layout->addWidget(tabs_, 1);
  setCentralWidget(central);
  BuildMenus();
  ConnectDeviceParts(core_.wheels, *devices_, *deviceMenus_, &menus_->JoystickMenu());
  deviceMenus_->SetSpeedTests(MakeSpeedTests(SpeedTestPart(core_), services_, services_.inputBox,
                                             [this] { RefreshDeviceCaptions(); }));
  ConnectJoystick();
  WatchForMotions();
  const QSize available = screen()->availableGeometry().size();
  setMinimumSize(MinimumWindowSize(available));
  resize(FittedWindowSize(available));
  qApp->installEventFilter(this);  // Esc and the jog keys wherever the keyboard is

  tickTimer_.setInterval(300);
  connect(&tickTimer_, &QTimer::timeout, this, &MainWindow::TimerTick);
  tickTimer_.start();
  core_.map.DrawAllObjects();
  DisplayObjList();
  JoyVisibility();
  status_->ShowDevices(DeviceStatesPart(core_));
  core_.state.MainFormLoaded = 1;
}

// The window's own dialogs; tests put theirs in their place.
void MainWindow::FillDialogs() {
  dialogs_.message = [this](const std::string& text) { SetMessage(text); };
  dialogs_.showTab = [this](int tab) { tabs_->setCurrentIndex(tab); };
  dialogs_.editParameters = [this](const std::string& path) {
    return EditParFile(this, core_.keywordFiles, core_.notifier, path);
  };
  dialogs_.chooseFile = [this](const FileChoice& choice) {
    return ChooseFile(this, editor_, core_.state.AppDir, choice.title, choice.patterns,
                      choice.startDir);
  };
  dialogs_.inputBox = QtInputBox(this);
  dialogs_.editText = [this](const std::string& text) -> std::optional<std::string> {
    EditWindow editor(this);
    editor.SetText(text);
    editor.exec();
    if (editor.GetAccept() != 1) return std::nullopt;
    return editor.GetTextRes();
  };
}

void MainWindow::ForwardServices() {
  services_.message = [this](const std::string& text) { dialogs_.Message(text); };
  services_.showTab = [this](int tab) { dialogs_.ShowTab(tab); };
  services_.editParameters = [this](const std::string& path) {
    return dialogs_.EditParameters(path);
  };
  services_.chooseFile = [this](const FileChoice& choice) { return dialogs_.ChooseFile(choice); };
  services_.editText = [this](const std::string& text) { return dialogs_.EditText(text); };
  services_.inputBox = [this](const std::string& title, const std::string& prompt) {
    return dialogs_.InputBox(title, prompt);
  };
  services_.textEditor = &editor_;
  services_.operationBegins = [this](const std::string& what) { OperationBegins(what); };
  services_.operationEnds = [this] { OperationEnds(); };
}

MainWindow::~MainWindow() {
  // The tabs go while the busy display still exists: a jog still held ends through it.
  qApp->removeEventFilter(this);
  commandEdit_->removeEventFilter(this);
  delete takeCentralWidget();
  // The joystick outlives the window: its messages go back to the plain reply display.
  core_.joystick.SetHooks(
      JoyHooks{[this](const std::string& text) { core_.display.ShowReply(text); }, {}, {}});
}

void MainWindow::BuildTopArea(QWidget* central) {
  top_ = new QHBoxLayout;
  commandBox_ = new QComboBox(central);
  commandBox_->setObjectName("cboCommand");
  commandBox_->setEditable(true);
  commandBox_->setInsertPolicy(QComboBox::NoInsert);
  // The box runs what was typed: no completion from the history, which could turn "Z Rel 1"
  // into an older "Z Rel 100". The history stays on the drop-down and the arrow keys.
  commandBox_->setCompleter(nullptr);
  commandBox_->setDuplicatesEnabled(true);
  // Long commands in the history do not widen the window.
  commandBox_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  commandBox_->setMinimumContentsLength(40);
  commandBox_->setToolTip("Type system command");
  commandBox_->setMinimumWidth(360);
  commandEdit_ = commandBox_->lineEdit();
  commandEdit_->installEventFilter(this);  // the caret goes to the end on focus
  executeButton_ = new QPushButton("Execute", central);
  executeButton_->setObjectName("cmdExecute");
  executeButton_->setDefault(true);
  timeLabel_ = new QLabel("Time", central);
  timeLabel_->setObjectName("lblTime");
  timeLabel_->setMinimumWidth(60);
  top_->addWidget(commandBox_, 1);
  top_->addWidget(executeButton_);
  top_->addWidget(timeLabel_);
  messageLine_ = new MessageLine(central);
  messageLine_->setObjectName("lblMsg");
  messageLine_->setFrameShape(QFrame::Panel);
  messageLine_->setFrameShadow(QFrame::Sunken);
  messageLine_->setMinimumHeight(messageLine_->fontMetrics().height() + 8);
  connect(executeButton_, &QPushButton::clicked, this, &MainWindow::ExecuteCommandBox);
  // Ctrl+L puts the keyboard into the command box from anywhere in the window.
  connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this), &QShortcut::activated, this,
          [this] { commandEdit_->setFocus(Qt::ShortcutFocusReason); });
  connect(commandBox_->lineEdit(), &QLineEdit::returnPressed, this, &MainWindow::ExecuteCommandBox);
}

void MainWindow::BuildTabs(QWidget* central) {
  tabs_ = new QTabWidget(central);
  tabs_->setObjectName("sstView");
  devices_ = new DeviceTab(DevicePart(core_), core_.leds, core_.joystick, services_, tabs_);
  tabs_->addTab(Scrolled(devices_, tabs_), "&Device Control");
  objects_ = new ObjectsTab(ObjectsPart(core_), services_, tabs_);
  map_ = new MapWidget(
      MapPart(core_), services_,
      MapHooks{[this](int32_t n) { objects_->HighlightObjInGrid(n); },
               [this] { objects_->Actions().AddCurrentPosition(); },
               [this] { objects_->Actions().MoveToObject(core_.map.HighlightedObj()); },
               [this](std::optional<MapPoint> at) { ShowPointer(at); },
               [this] { PositionsMayChange(); }},
      tabs_);
  tabs_->addTab(map_, "&Specimen Map");
  tabs_->addTab(objects_, "&Objects");
  axes_ = new AxesTab(AxesPart(core_, axisDiagnostics_), services_, tabs_);
  axes_->SetInputBox(services_.inputBox);
  tabs_->addTab(Scrolled(axes_, tabs_), "&Axes");
  connect(tabs_, &QTabWidget::currentChanged, this, &MainWindow::TabChanged);
  // A click on the axes tab while it is shown addresses its unit again.
  connect(tabs_, &QTabWidget::tabBarClicked, this, [this](int tab) {
    if (tab == 3 && tabs_->currentIndex() == 3) axes_->AxesProbe();
  });
}

void MainWindow::BuildMenus() {
  menus_ = new MainMenus(
      MenusPart(core_), services_,
      MainMenuHooks{[this] { map_->RedrawMap(); }, [this] { JoyVisibility(); },
                    [this] {
                      if (showProgram_) showProgram_();
                    },
                    [this] { Unload(); },
                    [this] {
                      return launchCapture_ ? launchCapture_()
                                            : std::string(
                                                  "Capture Program Not "
                                                  "Launched");
                    },
                    [this] { axes_->AskAddAxis(); }, [this] { axes_->AddDestination(); }},
      this);
  menus_->AddConf(*menuBar());
  deviceMenus_ = new DeviceMenuBar(DevicePart(core_), DeviceSetupPart(core_), services_, menuBar());
  menus_->AddMapAndScan(*menuBar());
  AddObjectMenu(*menuBar(), *objects_, services_.inputBox);
  menus_->AddAxesAndInterpreter(*menuBar());
}

void MainWindow::ConnectJoystick() {
  core_.joystick.SetHooks(
      JoyHooks{[this](const std::string& text) { SetMessage(text); },
               [this](int16_t d1, int16_t d2, int16_t fullScale) { JoyDisplay(d1, d2, fullScale); },
               [this] { JoyVisibility(); }});
}

void MainWindow::JoyVisibility() {
  menus_->JoyVisibility();
  devices_->JoyVisibility();
}

void MainWindow::JoyDisplay(int16_t d1, int16_t d2, int16_t fullScale) {
  devices_->JoyDisplay(d1, d2, fullScale);
  if (d1 != 0 || d2 != 0) readout_.MayHaveMoved();  // the stage or the focus runs at its speed
}

// Menu entries and the tabs' buttons may start motions that nothing waits for (a stage jump, a
// field of the scan, a move of the axes panel); commands are counted by the readout itself.
void MainWindow::WatchForMotions() {
  connect(menuBar(), &QMenuBar::triggered, this, [this] { PositionsMayChange(); });
  connect(&map_->Popup(), &QMenu::triggered, this, [this] { PositionsMayChange(); });
  for (QAbstractButton* button : tabs_->findChildren<QAbstractButton*>())
    connect(button, &QAbstractButton::clicked, this, [this] { PositionsMayChange(); });
}

void MainWindow::PositionsMayChange() {
  readout_.MayHaveMoved();
  QTimer::singleShot(0, this, &MainWindow::SettleReadout);
}

// While nothing runs, the readout asks the units that may have moved and reads their positions;
// the stage mark on the map follows.
void MainWindow::SettleReadout() {
  if (core_.state.CommandBusy != 0 || busy_->Depth() > 0 ||
      core_.interpreter.State().ProgRunState != 0) {
    return;
  }
  readout_.Check();
  if (tabs_->currentIndex() == kMapTab) map_->StagePositionDisplay();
  RefreshDeviceCaptions();
}

void MainWindow::RefreshDeviceCaptions() {
  deviceMenus_->Refresh();
  devices_->FiltCaption();
  devices_->MagCaption();
  devices_->RefreshReadiness();
  devices_->RefreshLeds();
  status_->ShowDevices(DeviceStatesPart(core_), readout_.Motion());
}

// The object grid shows the list afresh when its tab is chosen; the axes panel probes its
// units the first time and addresses its chosen unit again after that. A key jog does not
// outlive its tab.
void MainWindow::TabChanged(int tab) {
  if (tab != kDeviceTab && tab != kMapTab) devices_->ReleaseJogKey();
  ShowPointer(std::nullopt);
  if (tab == 2) objects_->DisplayObjList();
  if (tab == 3) axes_->AxesProbe();
}

void MainWindow::ShowPointer(std::optional<MapPoint> at) {
  if (tabs_->currentIndex() != kMapTab) {
    status_->ShowPointer(std::nullopt);
  } else if (at) {
    status_->ShowPointer(DescribePointer(at->X, at->Y, core_.map.GetZoom()));
  } else {
    status_->ShowPointer("Zoom" + Str(core_.map.GetZoom()));
  }
}

void MainWindow::ExecuteCommandBox() {
  // The line the operator sees now: a client's command served while the window redraws shows
  // itself in the same box.
  const std::string line = CommandText();
  core_.display.CmdTaken(line);
  RememberCmdInHist();
  SetMessage("");
  SetTimeText("");
  QApplication::processEvents();
  const int32_t start = core_.clock.TimeMs();
  OperationBegins(line);
  const std::string reply = core_.dispatcher.ExecuteLine(core_.windowSource, line);
  const bool stopped = core_.motors.Motor().MotorStopRequested;
  OperationEnds();
  // A wait that Stop ended replies "Error "; the line says that it was the operator's Stop.
  SetMessage(stopped ? reply + "stopped" : ReplyWithReason(FailurePart(core_), line, reply));
  SetTimeText(Str(static_cast<double>(ElapsedMs(start, core_.clock.TimeMs()))));
  RefreshDeviceCaptions();
}

// The busy text is painted at once: a command such as "Delay" may hold the thread without
// letting the window repaint.
void MainWindow::OperationBegins(const std::string& what) {
  readout_.MayHaveMoved();
  status_->ShowDevices(DeviceStatesPart(core_),
                       readout_.Motion());  // the positions shown as moving at once
  busy_->Begin(what);
  status_->BusyField().repaint();
}

void MainWindow::OperationEnds() {
  busy_->End();
  if (busy_->Depth() > 0) return;
  EndStop();
  // After the operation's own last steps (a busy scope clears the command flag after this).
  QTimer::singleShot(0, this, &MainWindow::SettleReadout);
}

// A Stop holds until the operation it stopped has ended: its waits end at once, so its last
// steps go by in moments, and whatever they started is stopped again here.
void MainWindow::EndStop() {
  if (!core_.motors.Motor().MotorStopRequested) return;
  core_.stopAll();
  core_.motors.MotorRequestStop(false);
}

void MainWindow::Stop() {
  if (busy_->Depth() > 0 || core_.state.CommandBusy == 1) core_.motors.MotorRequestStop(true);
  if (core_.interpreter.State().ProgRunState != 0) core_.interpreter.Stop();
  const std::vector<std::string> failed = core_.stopAll();
  PositionsMayChange();  // where each device came to stand
  std::string text = "Stopped";
  if (!failed.empty()) {
    text = "Stop failed:";
    for (const std::string& word : failed)
      text += " " + word;
  }
  SetMessage(text);
}

void MainWindow::RememberCmdInHist() {
  const QString text = commandBox_->currentText();
  while (commandBox_->count() >= core_.state.HistoryMax && commandBox_->count() > 0) {
    commandBox_->removeItem(commandBox_->count() - 1);
  }
  commandBox_->insertItem(0, text);
  commandBox_->setCurrentIndex(0);
}

std::string MainWindow::CommandText() const {
  return CoreText(commandBox_->currentText());
}

void MainWindow::SetCommandText(const std::string& text) {
  commandBox_->setEditText(QtText(text));
}

void MainWindow::SetMessage(const std::string& text) {
  messageLine_->SetFullText(QtText(text));
}

std::string MainWindow::MessageText() const {
  return CoreText(messageLine_->FullText());
}

void MainWindow::SetTimeText(const std::string& text) {
  timeLabel_->setText(QString::fromStdString(text));
}

// The runner steps a program; with no program running and no command busy, the joystick is
// polled, the positions that may have changed are read and, while the map is shown, the stage
// mark follows the stage. The captions, the status bar and the busy text follow what ran
// meanwhile, from here or from elsewhere. Nothing goes to the controllers while nothing moves.
void MainWindow::TimerTick() {
  if (timerBusy_ > 0) return;
  ++timerBusy_;
  const TickResult tick = core_.runner.Tick();
  const bool commandBusy = core_.state.CommandBusy != 0;
  if (tick.kind == TickResult::Kind::Idle && !commandBusy) {
    core_.joystick.TimerTick();
    readout_.Check();
    if (tabs_->currentIndex() == kMapTab) map_->StagePositionDisplay();
  } else {
    readout_.MayHaveMoved();  // a program or a command runs: positions change meanwhile
  }
  // A tick that finds a command running runs inside that command's wait.
  busy_->SetBackground(core_.interpreter.State().ProgRunState == 1,
                       commandBusy && busy_->Depth() == 0);
  if (busy_->Depth() == 0 && !commandBusy) EndStop();
  RefreshDeviceCaptions();   // also after commands from clients and joystick buttons
  map_->RefreshIfChanged();  // commands may have drawn on the map
  --timerBusy_;
}

bool MainWindow::WindowKey(QWidget* target, const QKeyEvent& event) {
  if (target->window() != this || QApplication::activePopupWidget() != nullptr ||
      QApplication::activeModalWidget() != nullptr) {
    return false;
  }
  if (event.key() == Qt::Key_Escape) {
    if (event.type() == QEvent::KeyPress && !event.isAutoRepeat()) Stop();
    return true;
  }
  const int tab = tabs_->currentIndex();
  if (tab != kDeviceTab && tab != kMapTab) return false;
  // A release always reaches the jog, wherever the keyboard went meanwhile.
  if (event.type() == QEvent::KeyPress && TakesArrowKeys(target)) return false;
  return devices_->JogKey(event);
}

void MainWindow::changeEvent(QEvent* event) {
  // A key released in another window never comes here: its jog ends now.
  if (event->type() == QEvent::ActivationChange && !isActiveWindow() && devices_ != nullptr) {
    devices_->ReleaseJogKey();
  }
  QMainWindow::changeEvent(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if ((type == QEvent::KeyPress || type == QEvent::KeyRelease) && watched->isWidgetType() &&
      WindowKey(static_cast<QWidget*>(watched), *static_cast<QKeyEvent*>(event))) {
    return true;
  }
  if (watched == commandEdit_ && type == QEvent::FocusIn) {
    QTimer::singleShot(0, commandEdit_, [edit = commandEdit_] {
      edit->deselect();
      edit->end(false);
    });
  }
  return QMainWindow::eventFilter(watched, event);
}

// Unloading: the serial line closes only when no automation client holds an object.
void MainWindow::closeEvent(QCloseEvent* event) {
  tickTimer_.stop();
  if (core_.comm.CommIsReady() == 1 && core_.state.ClientAlive == 0) core_.shutdown();
  if (unloadProgram_) unloadProgram_();
  deviceMenus_->RemoveFilterItems();
  core_.state.MainFormLoaded = 0;
  event->accept();
  if (!unloading_ && unloaded_) {
    unloading_ = true;
    QTimer::singleShot(0, this, [this] { unloaded_(); });
  }
}

void MainWindow::Unload() {
  close();
}

}  // namespace qv
