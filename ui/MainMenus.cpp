#include "ui/MainMenus.h"

#include "commands/CaptureControl.h"
#include "foundation/AtomicFile.h"
#include "foundation/Config.h"
#include "foundation/NumberText.h"
#include "specimen/Scan.h"
#include "ui/DeviceReadiness.h"

namespace qv {

void EditSpecimenFile(const SpecimenFiles& core, const WindowServices& services,
                      SpecimenFile file) {
  static constexpr const char* kFiles[] = {kScanAreaFile, kScanGridFile, kScanFile, kSpecimenFile,
                                           kFieldFile};
  const char* name = kFiles[static_cast<int>(file)];
  Scan& scan = core.scan;
  const bool outline = file == SpecimenFile::ScanArea || file == SpecimenFile::ScanGrid;
  if (outline) core.map.DrawScanAreaOutline();  // XOR: erases the old outline
  services.EditParameters(core.state.AppDir + name);
  switch (file) {
    case SpecimenFile::ScanArea:
      scan.ReadScanArea();
      break;
    case SpecimenFile::ScanGrid:
      scan.ReadScanGrid();
      break;
    case SpecimenFile::Scan:
      scan.ReadScanPar();
      break;
    case SpecimenFile::Specimen:
      scan.ReadSpecimen();
      break;
    case SpecimenFile::Field:
      scan.ReadFieldPar();
      scan.FieldSizeFromMag();
      break;
  }
  if ((outline || file == SpecimenFile::Field) && scan.ScanRecompute() == kLayoutRefused) {
    core.notifier.MessageBox(
        "Scan layout not changed: " + std::string(VerdictText(scan.LastVerdict())),
        MsgIcon::Exclamation);
  }
  if (outline) core.map.DrawScanAreaOutline();
}

MainMenus::MainMenus(const MainMenusCore& core, const WindowServices& services, MainMenuHooks hooks,
                     QObject* parent)
    : QObject(parent), core_(core), services_(services), hooks_(std::move(hooks)) {}

void MainMenus::AddConf(QMenuBar& bar) {
  QMenu* conf = bar.addMenu("&Conf");
  conf->addAction("Configuration", this, [this] { EditConfiguration(); });
  joystick_ = conf->addMenu("Joystick");
  AddJoystickEntries();
  conf->addAction("Error Log", this, [this] { ShowChannelLog(); });
  conf->addSeparator();
  conf->addAction("Quit", QKeySequence::Quit, this, [this] {
    if (hooks_.quit) hooks_.quit();
  });
}

void MainMenus::AddJoystickEntries() {
  joyOn_ = joystick_->addAction("On?", this, [this] {
    const bool wanted = core_.state.JoyOn != 1;
    core_.joystick.ToggleOn();
    if (hooks_.joyVisibility) hooks_.joyVisibility();
    JoyVisibility();
    if (!wanted) {
      services_.Message("Joystick Off");
    } else if (core_.state.JoyOn == 1) {
      services_.Message("Joystick On");
    } else {
      services_.Message(JoystickMissing() ? "Joystick not switched on: no joystick found"
                                          : "Joystick not switched on: it is not centred");
    }
  });
  joyOn_->setCheckable(true);
  calibrate_ = joystick_->addAction("Calibrate", this, [this] { ToggleCalibration(); });
  calibrate_->setCheckable(true);
  joystick_->addAction("Assigned Commands", this, [this] { AssignJoystickCommands(); });
  joystick_->addAction("Toggle Axes", this, [this] {
    core_.joystick.ToggleAxes();
    if (hooks_.joyVisibility) hooks_.joyVisibility();
  });
  joystick_->addAction("Param.", this, [this] {
    services_.EditParameters(ProgramFile(kJoyParFile));
    core_.joystick.ReadJoyPar();
  });
  JoyVisibility();
}

void MainMenus::JoyVisibility() {
  if (joyOn_) joyOn_->setChecked(core_.state.JoyOn == 1);
  if (calibrate_) calibrate_->setChecked(core_.joystick.JoyCalibrating() == 1);
}

void MainMenus::EditConfiguration() {
  services_.EditParameters(ProgramFile(kConfigFile));
  core_.applyConfiguration();
}

bool MainMenus::JoystickMissing() {
  return core_.joystick.JoyRead().status != 0;
}

// The first choice starts a calibration, the second judges it; without a joystick there is
// nothing to calibrate.
void MainMenus::ToggleCalibration() {
  Joystick& joystick = core_.joystick;
  if (joystick.JoyCalibrating() == 1) {
    joystick.JoyCalibCheck();
  } else if (JoystickMissing()) {
    services_.Message("Joystick not calibrated: no joystick found");
  } else {
    joystick.JoyCalibStart();
    services_.Message("Joystick calibration: move it to every corner, then choose Calibrate again");
  }
  JoyVisibility();
}

void MainMenus::AssignJoystickCommands() {
  JoyCommands& commands = core_.joyCommands;
  const std::optional<std::string> text = services_.EditText(JoinLines(commands.Commands()));
  if (!text) {
    services_.Message("Joystick commands not assigned");
    return;
  }
  const PlainList previous = commands.Commands();
  commands.Commands() = SplitLines(*text);
  if (commands.WriteJoyCmds() < 0) {
    // Read back, the file would bring the old commands anyway; the operator must know.
    commands.Commands() = previous;
    core_.keywordFiles.ReportWriteFailure(core_.keywordFiles.ParPath(kJoyCommandsFile));
    services_.Message("Joystick commands not assigned");
    return;
  }
  commands.ReadJoyCmds();
  services_.Message("Joystick commands assigned");
}

// The channel's messages go to the text editor; an empty log opens nothing.
void MainMenus::ShowChannelLog() {
  const std::string log = core_.comm.CommLogText();
  if (!log.empty()) services_.PasteToTextEditor(log);
}

void MainMenus::AddMapAndScan(QMenuBar& bar) {
  QMenu* map = bar.addMenu("Ma&p");
  map->setToolTipsVisible(true);
  connect(map, &QMenu::aboutToShow, this, [this] {
    services_.ShowTab(1);
    UpdateZoomEntries();
  });
  QMenu* grid = map->addMenu("Set Scan Grid");
  QMenu* gridMove = map->addMenu("Move in Scan Grid");
  // The grid corners are set and visited with the "Grid" command; these entries do nothing.
  const auto unavailable = [](QMenu* menu, const char* caption) {
    QAction* entry = menu->addAction(caption);
    entry->setEnabled(false);
    entry->setToolTip(
        "Not here: the scan grid's corners are set and visited with the Grid command");
  };
  for (QMenu* menu : {grid, gridMove})
    menu->setToolTipsVisible(true);
  for (const char* caption : {"Top Left", "Bottom Right"})
    unavailable(grid, caption);
  for (const char* caption : {"to Top Left", "to Bottom Right", "to Coordinates"})
    unavailable(gridMove, caption);
  map->addAction("Scan Grid Parameters", this,
                 [this] { EditSpecimenFile(Specimen(), services_, SpecimenFile::ScanGrid); });
  map->addSeparator();
  AddScanAreaEntries(*map);
  map->addSeparator();
  AddZoomEntries(*map);
  map->addAction("Refresh Map", QKeySequence::Refresh, this, [this] {
    if (hooks_.redrawMap) hooks_.redrawMap();
  });

  QMenu* scan = bar.addMenu("Sca&n");
  const struct {
    const char* caption;
    const char* word;
    QKeyCombination key;
  } fields[] = {{"Go to First Field", "FF", Qt::CTRL | Qt::Key_Home},
                {"Go to Previous Field", "PF", Qt::CTRL | Qt::Key_PageUp},
                {"Go to Next Field", "NF", Qt::CTRL | Qt::Key_PageDown},
                {"Go to Last Field", "LF", Qt::CTRL | Qt::Key_End}};
  for (const auto& field : fields) {
    const std::string arguments = field.word;
    scan->addAction(field.caption, QKeySequence(field.key), this,
                    [this, arguments] { GoToField(arguments); });
  }
  scan->addSeparator();
  scan->addAction("Scan Parameters", this,
                  [this] { EditSpecimenFile(Specimen(), services_, SpecimenFile::Scan); });
}

void MainMenus::AddScanAreaEntries(QMenu& map) {
  struct Group {
    const char* title;
    std::vector<std::pair<const char*, const char*>> entries;
  };
  const Group groups[] = {
      {"Set Scan Area",
       {{"Top Left", "Set TL"},
        {"Bottom Right", "Set BR"},
        {"Top", "Set T"},
        {"Bottom", "Set B"},
        {"Left", "Set L"},
        {"Right", "Set R"}}},
      {"Anchor Scan Area", {{"Top Left", "Anchor TL"}, {"Bottom Right", "Anchor BR"}}},
      {"Move in Scan Area",
       {{"to Top Left", "Move TL"},
        {"to Bottom Right", "Move BR"},
        {"to Top", "Move T"},
        {"to Bottom", "Move B"},
        {"to Left", "Move L"},
        {"to Right", "Move R"}}}};
  for (const Group& group : groups) {
    QMenu* sub = map.addMenu(group.title);
    for (const auto& [caption, words] : group.entries) {
      const std::string arguments = words;
      sub->addAction(caption, this, [this, arguments] { AreaCommand(arguments); });
    }
  }
  map.addAction("Scan Area Parameters", this,
                [this] { EditSpecimenFile(Specimen(), services_, SpecimenFile::ScanArea); });
  map.addAction("Specimen Parameters", this,
                [this] { EditSpecimenFile(Specimen(), services_, SpecimenFile::Specimen); });
}

// The field reached, or why none was.
void MainMenus::GoToField(const std::string& word) {
  const Scan& scan = core_.scan;
  const int32_t before = scan.CurrentField();
  const std::optional<int32_t> reached =
      TextToInt32(core_.scanCommands.CmdScan(core_.windowSource, word));
  const int32_t fields = scan.NumFields();
  const std::string notReady = NotReadyReason(core_.state, DeviceId::XY);
  std::string text;
  if (reached && *reached >= 1) {
    text = "Field " + std::to_string(*reached) + " of " + std::to_string(fields);
  } else if (!notReady.empty()) {
    text = "No field reached: " + notReady;
  } else if (fields < 1) {
    text = "No field reached: the scan has no fields (Scan Parameters)";
  } else if (word == "NF" && before >= fields) {
    text = "No next field: field " + std::to_string(before) + " is the last";
  } else if (word == "PF" && before <= 1) {
    text = "No previous field: this is the first";
  } else {
    text = "Field " + std::to_string(scan.CurrentField()) +
           " not reached: the stage refused or did not answer (Conf > Error Log)";
  }
  services_.Message(text);
}

// The entries go through the command language; their replies are not shown.
void MainMenus::AreaCommand(const std::string& arguments) {
  core_.scanCommands.CmdArea(arguments);
}

void MainMenus::AddZoomEntries(QMenu& map) {
  zoom_ = map.addMenu("Zoom");
  zoom1_ = zoom_->addAction("1 : 1", this, [this] {
    core_.map.Zoom1To1();
    if (hooks_.redrawMap) hooks_.redrawMap();
  });
  // The map centres on the stage.
  zoom2_ = zoom_->addAction("2 : 1", this, [this] {
    double x = 0;
    double y = 0;
    if (!core_.stage.XYReadPos(x, y).ok()) return;
    const MapPoint centre = core_.map.StageToSpecimen(x, y);
    core_.map.ZoomSet(2, centre.X, centre.Y);
    if (hooks_.redrawMap) hooks_.redrawMap();
  });
  zoom1_->setCheckable(true);
  zoom2_->setCheckable(true);
  zoom_->addAction("Zoom Parameters", this, [this] {
    services_.EditParameters(ProgramFile(kZoomFile));
    core_.map.ReadZoomPar();
  });
  UpdateZoomEntries();
}

void MainMenus::UpdateZoomEntries() {
  zoom_->setTitle(QString::fromStdString(core_.map.ZoomCaption(ZoomMenu::Main)));
  zoom1_->setChecked(core_.map.GetZoom() == 1);
  zoom2_->setChecked(core_.map.GetZoom() == 2);
}

void MainMenus::AddAxesAndInterpreter(QMenuBar& bar) {
  QMenu* axes = bar.addMenu("Ax&es");
  connect(axes, &QMenu::aboutToShow, this, [this] { services_.ShowTab(3); });
  axes->addAction("Add Axis", this, [this] {
    if (hooks_.addAxis) hooks_.addAxis();
  });
  axes->addAction("Add Destination", this, [this] {
    if (hooks_.addDestination) hooks_.addDestination();
  });

  QMenu* interpreter = bar.addMenu("&Int.");
  // A folder without the reference says so rather than opening an empty text.
  interpreter->addAction("Commands", this, [this] {
    const std::string path = ProgramFile("QV_COMMANDS.TXT");
    if (IsRegularFile(path)) {
      services_.OpenInTextEditor(path);
    } else {
      services_.Message("File " + path + " does not exist");
    }
  });
  interpreter->addAction("Interpreter", QKeySequence(Qt::CTRL | Qt::Key_I), this, [this] {
    if (hooks_.showProgram) hooks_.showProgram();
  });
  QMenu* symbols = interpreter->addMenu("Symb. Const.");
  symbols->addAction("Edit", this,
                     [this] { services_.OpenInTextEditor(ProgramFile(kSymConstFile)); });
  symbols->addAction("Reload", this, [this] { ReadSymConst(core_.keywordFiles, core_.state); });
  interpreter->addAction("Loaded Forms", this, [this] {
    core_.notifier.MessageBox(core_.display.ListForms(), MsgIcon::None, "Loaded Forms");
  });
  interpreter->addAction("Launch Capture Prog", this, [this] {
    std::string text = hooks_.launchCapture ? hooks_.launchCapture() : kCaptureNotLaunched;
    if (text == kCaptureNotLaunched) {
      const std::string& program = core_.state.Config.CaptureProgram;
      text += program.empty() ? ": CAPTUREPROGRAM is not set in QV_CONFIG.TXT"
                              : ": " + program + " could not be started";
    }
    services_.Message(text);
  });
}

}  // namespace qv
