#include "ui/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QVBoxLayout>

#include "foundation/NumberText.h"
#include "platform/QtText.h"
#include "ui/EditWindow.h"
#include "ui/FilesWindow.h"
#include "ui/ObjectMenu.h"
#include "ui/ParListWindow.h"
#include "ui/SpeedTestMenus.h"

namespace qv {

namespace {

// Until the program gives the window a text editor, texts handed to it go nowhere.
class NoTextEditor final : public TextEditor {
 public:
  void OpenInTextEditor(const std::string& /*path*/) override {}
  void PasteToTextEditor(const std::string& /*text*/) override {}
};

}  // namespace

MainWindow::MainWindow(System& system, std::function<void()> unloaded)
    : system_(system), unloaded_(std::move(unloaded)) {
  setWindowTitle("Quorvalin");
  setObjectName("frmQuorvalin");
  FillDialogs();
  ForwardServices();
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  BuildTopArea(central);
  BuildTabs(central);
  layout->addLayout(top_);
  layout->addWidget(lblMsg_);
  layout->addWidget(sstView_, 1);
  setCentralWidget(central);
  BuildMenus();
  ConnectDeviceParts(system_, *devices_, *deviceMenus_, &menus_->JoystickMenu());
  deviceMenus_->SetSpeedTests(
      MakeSpeedTests(system_, services_, services_.inputBox, [this] { RefreshDeviceCaptions(); }));
  ConnectJoystick();
  resize(1100, 760);

  tmrQV_.setInterval(300);
  connect(&tmrQV_, &QTimer::timeout, this, &MainWindow::TimerTick);
  tmrQV_.start();
  system_.map.DrawAllObjects();
  DisplayObjList();
  JoyVisibility();
  system_.state.MainFormLoaded = 1;
}

// The window's own dialogs; tests put theirs in their place.
void MainWindow::FillDialogs() {
  static NoTextEditor noEditor;
  dialogs_.message = [this](const std::string& text) { SetMessage(text); };
  dialogs_.showTab = [this](int tab) { sstView_->setCurrentIndex(tab); };
  dialogs_.editParameters = [this](const std::string& path) {
    return EditParFile(this, system_.trapar, system_.platform.notifier, path);
  };
  dialogs_.chooseFile = [this](const FileChoice& choice) {
    TextEditor& editor = dialogs_.textEditor ? *dialogs_.textEditor : noEditor;
    return ChooseFile(this, editor, system_.state.AppDir, choice.title, choice.patterns,
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
}

MainWindow::~MainWindow() {
  // The joystick outlives the window: its messages go back to the plain reply display.
  system_.joystick.SetHooks(
      JoyHooks{[this](const std::string& text) { system_.display.ShowReply(text); }, {}, {}});
}

void MainWindow::BuildTopArea(QWidget* central) {
  top_ = new QHBoxLayout;
  cboCommand_ = new QComboBox(central);
  cboCommand_->setObjectName("cboCommand");
  cboCommand_->setEditable(true);
  cboCommand_->setInsertPolicy(QComboBox::NoInsert);
  cboCommand_->setToolTip("Type system command");
  cboCommand_->setMinimumWidth(360);
  cboCommand_->lineEdit()->installEventFilter(this);  // the caret goes to the end on focus
  cmdExecute_ = new QPushButton("Execute", central);
  cmdExecute_->setObjectName("cmdExecute");
  cmdExecute_->setDefault(true);
  lblTime_ = new QLabel("Time", central);
  lblTime_->setObjectName("lblTime");
  lblTime_->setMinimumWidth(60);
  top_->addWidget(cboCommand_, 1);
  top_->addWidget(cmdExecute_);
  top_->addWidget(lblTime_);
  lblMsg_ = new QLabel(central);
  lblMsg_->setObjectName("lblMsg");
  lblMsg_->setFrameShape(QFrame::Panel);
  lblMsg_->setFrameShadow(QFrame::Sunken);
  lblMsg_->setMinimumHeight(lblMsg_->fontMetrics().height() + 8);
  lblMsg_->setTextInteractionFlags(Qt::NoTextInteraction);
  lblMsg_->installEventFilter(this);  // a click clears it
  connect(cmdExecute_, &QPushButton::clicked, this, &MainWindow::ExecuteCommandBox);
  connect(cboCommand_->lineEdit(), &QLineEdit::returnPressed, this, &MainWindow::ExecuteCommandBox);
}

void MainWindow::BuildTabs(QWidget* central) {
  sstView_ = new QTabWidget(central);
  sstView_->setObjectName("sstView");
  devices_ = new DeviceTab(system_, services_, sstView_);
  sstView_->addTab(devices_, "&Device Control");
  objects_ = new ObjectsTab(system_, services_, sstView_);
  map_ = new MapWidget(
      system_, services_,
      MapHooks{[this](int32_t n) { objects_->HighlightObjInGrid(n); },
               [this] { objects_->Actions().AddCurrentPosition(); },
               [this] { objects_->Actions().MoveToObject(system_.map.HighlightedObj()); }},
      sstView_);
  sstView_->addTab(map_, "&Specimen Map");
  sstView_->addTab(objects_, "&Objects");
  axes_ = new AxesTab(system_, services_, sstView_);
  axes_->SetInputBox(services_.inputBox);
  sstView_->addTab(axes_, "&Axes");
  connect(sstView_, &QTabWidget::currentChanged, this, &MainWindow::TabChanged);
  // A click on the axes tab while it is shown addresses its unit again.
  connect(sstView_, &QTabWidget::tabBarClicked, this, [this](int tab) {
    if (tab == 3 && sstView_->currentIndex() == 3) axes_->AxesProbe();
  });
}

void MainWindow::BuildMenus() {
  menus_ = new MainMenus(
      system_, services_,
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
  deviceMenus_ = new DeviceMenuBar(system_, services_, menuBar());
  menus_->AddMapAndScan(*menuBar());
  AddObjectMenu(*menuBar(), *objects_, services_.inputBox);
  menus_->AddAxesAndInterpreter(*menuBar());
}

void MainWindow::ConnectJoystick() {
  system_.joystick.SetHooks(
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
}

void MainWindow::RefreshDeviceCaptions() {
  deviceMenus_->Refresh();
  devices_->FiltCaption();
  devices_->MagCaption();
}

// The object grid shows the list afresh when its tab is chosen; the axes panel probes its
// units the first time and addresses its chosen unit again after that.
void MainWindow::TabChanged(int tab) {
  if (tab == 2) objects_->DisplayObjList();
  if (tab == 3) axes_->AxesProbe();
}

void MainWindow::ExecuteCommandBox() {
  SetMessage("");
  SetTimeText("");
  QApplication::processEvents();
  const int32_t start = system_.platform.clock.TimeMs();
  RememberCmdInHist();
  SetMessage(system_.ExecuteLine(CommandText()));
  SetTimeText(Str(static_cast<double>(ElapsedMs(start, system_.platform.clock.TimeMs()))));
  RefreshDeviceCaptions();
}

void MainWindow::RememberCmdInHist() {
  const QString text = cboCommand_->currentText();
  while (cboCommand_->count() >= system_.state.HistoryMax && cboCommand_->count() > 0) {
    cboCommand_->removeItem(cboCommand_->count() - 1);
  }
  cboCommand_->insertItem(0, text);
  cboCommand_->setCurrentIndex(0);
}

std::string MainWindow::CommandText() const {
  return CoreText(cboCommand_->currentText());
}

void MainWindow::SetCommandText(const std::string& text) {
  cboCommand_->setEditText(QtText(text));
}

void MainWindow::SetMessage(const std::string& text) {
  lblMsg_->setText(QtText(text));
}

std::string MainWindow::MessageText() const {
  return CoreText(lblMsg_->text());
}

void MainWindow::SetTimeText(const std::string& text) {
  lblTime_->setText(QString::fromStdString(text));
}

// The runner steps a program; with no program running and no command busy, the joystick is
// polled and, while the map is shown, the stage mark follows the stage.
void MainWindow::TimerTick() {
  if (timerBusy_ > 0) return;
  ++timerBusy_;
  const TickResult tick = system_.runner.Tick();
  if (tick.kind == TickResult::Kind::Idle && system_.state.CommandBusy == 0) {
    system_.joystick.TimerTick();
    if (sstView_->currentIndex() == 1) map_->StagePositionDisplay();
  }
  RefreshDeviceCaptions();   // also after commands from clients and joystick buttons
  map_->RefreshIfChanged();  // commands may have drawn on the map
  --timerBusy_;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lblMsg_ && event->type() == QEvent::MouseButtonPress) lblMsg_->clear();
  if (watched == cboCommand_->lineEdit() && event->type() == QEvent::FocusIn) {
    QTimer::singleShot(0, cboCommand_->lineEdit(), [edit = cboCommand_->lineEdit()] {
      edit->deselect();
      edit->end(false);
    });
  }
  return QMainWindow::eventFilter(watched, event);
}

// Unloading: the serial line closes only when no automation client holds an object.
void MainWindow::closeEvent(QCloseEvent* event) {
  tmrQV_.stop();
  if (system_.comm.CommIsReady() == 1 && system_.state.ClientAlive == 0) system_.Shutdown();
  if (unloadProgram_) unloadProgram_();
  deviceMenus_->RemoveFilterItems();
  system_.state.MainFormLoaded = 0;
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
