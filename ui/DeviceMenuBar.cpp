#include "ui/DeviceMenuBar.h"

#include "foundation/NumberText.h"

namespace qv {

DeviceMenuBar::DeviceMenuBar(const DeviceCore& core, const DeviceSetup& setup,
                             const WindowServices& services, QMenuBar* bar)
    : QObject(bar),
      services_(services),
      context_(HostEntryContext(core, services_,
                                [this] {
                                  Refresh();
                                  emit DevicesChanged();
                                })),
      setup_(setup),
      stage_(context_.window, core.motors, core.notifier, core.stage),
      focus_(context_.window, core.motors, core.focus),
      parameters_(context_.window, core.notifier, core.frontEnd, context_.devicesChanged,
                  core.objectives, setup_) {
  BuildStageMenu(bar);
  BuildFocusMenu(bar);
  wheelF_ = std::make_unique<FilterWheelMenu>(context_, core.wheels, parameters_, speedTests_, 1,
                                              bar, gate_);
  wheelB_ = std::make_unique<FilterWheelMenu>(context_, core.wheels, parameters_, speedTests_, 2,
                                              bar, gate_);
  mag_ = std::make_unique<MagnificationMenu>(services_, core.objectives, parameters_, bar);
  const CubeEntries cubeEntries(context_.window, core.motors, core.notifier,
                                context_.devicesChanged, core.cube);
  cube_ = std::make_unique<CubeChangerMenu>(context_.window, cubeEntries, core.cube, parameters_,
                                            speedTests_, bar, gate_);
  for (QMenu* menu :
       {stageMenu_.data(), focusMenu_.data(), wheelF_->Menu(), wheelB_->Menu(), cube_->Menu()}) {
    menu->setToolTipsVisible(true);  // a disabled entry says why
  }
  gate_.Refresh(context_.window.state);
}

// The menus go with the entries their actions call.
DeviceMenuBar::~DeviceMenuBar() {
  for (QMenu* menu : {stageMenu_.data(), focusMenu_.data(), wheelF_->Menu(), wheelB_->Menu(),
                      mag_->Menu(), cube_->Menu()}) {
    delete menu;
  }
}

void DeviceMenuBar::BuildStageMenu(QMenuBar* bar) {
  stageMenu_ = bar->addMenu("&X-Y");
  QMenu* m = stageMenu_;
  m->setObjectName("mnuXY");
  connect(m, &QMenu::aboutToShow, this, [this] { services_.ShowTab(0); });
  auto ready = [this](QAction* entry) { gate_.Add(DeviceId::XY, entry); };
  ready(m->addAction("Read Position", this, [this] { stage_.ShowPosition(); }));
  ready(m->addAction("Left", this, [this] { stage_.Jump(StageJump::Left); }));
  ready(m->addAction("Right", this, [this] { stage_.Jump(StageJump::Right); }));
  ready(m->addAction("Back", this, [this] { stage_.Jump(StageJump::Back); }));
  ready(m->addAction("Forward", this, [this] { stage_.Jump(StageJump::Forward); }));
  // The typed coordinates go through the "XY" command, so they are judged as a typed command's.
  ready(m->addAction("Go To", this, [this] {
    const std::optional<std::string> target =
        services_.InputBox("Go To", "Stage position in microns: X Y");
    if (!target || TrimBlanks(*target).empty()) return;
    const std::string reply = setup_.dispatcher.ExecuteLine(
        setup_.windowSource, "XY " + std::string(TrimBlanks(*target)) + ";XY Wait");
    if (reply.find("Error ") != std::string::npos) {
      context_.window.Say(reply);
      return;
    }
    stage_.ShowPosition();
  }));
  ready(m->addAction("Home", this, [this] { stage_.Home(); }));
  ready(m->addAction("Set Origin", this, [this] { stage_.Origin(); }));
  m->addAction("Parameters", this, [this] { parameters_.EditDevice(DeviceId::XY); });
  QMenu* advanced = m->addMenu("Advanced");
  advanced->setToolTipsVisible(true);
  advanced->addAction("Read Par. File", this, [this] { parameters_.ReadParFile(DeviceId::XY); });
  ready(advanced->addAction("Speed Test Limit Loop", this, [this] {
    if (speedTests_.limitLoop) speedTests_.limitLoop();
  }));
  ready(advanced->addAction("Speed Test Scan", this, [this] {
    if (speedTests_.scan) speedTests_.scan();
  }));
}

void DeviceMenuBar::BuildFocusMenu(QMenuBar* bar) {
  focusMenu_ = bar->addMenu("&Z");
  QMenu* m = focusMenu_;
  m->setObjectName("mnuZ");
  connect(m, &QMenu::aboutToShow, this, [this] { services_.ShowTab(0); });
  auto ready = [this](QAction* entry) { gate_.Add(DeviceId::Z, entry); };
  ready(m->addAction("Read Position", this, [this] { focus_.ShowPosition(); }));
  ready(m->addAction("Up Coarse", this, [this] { focus_.Step(FocusStep::UpCoarse); }));
  ready(m->addAction("Down Coarse", this, [this] { focus_.Step(FocusStep::DownCoarse); }));
  ready(m->addAction("Up Fine", this, [this] { focus_.Step(FocusStep::UpFine); }));
  ready(m->addAction("Down Fine", this, [this] { focus_.Step(FocusStep::DownFine); }));
  ready(m->addAction("Home", this, [this] { focus_.Home(); }));
  ready(m->addAction("Set Origin", this, [this] { focus_.Origin(); }));
  m->addAction("Parameters", this, [this] { parameters_.EditDevice(DeviceId::Z); });
  m->addMenu("Advanced")->addAction("Read Par. File", this, [this] {
    parameters_.ReadParFile(DeviceId::Z);
  });
}

DevicePopups DeviceMenuBar::Popups(QMenu* joystick) const {
  return {wheelF_->Menu(), wheelB_->Menu(), cube_->Menu(), mag_->Menu(), joystick};
}

void DeviceMenuBar::Refresh() {
  FiltCaption();
  ObjectivePosCheck();
  gate_.Refresh(context_.window.state);
}

void DeviceMenuBar::FiltCaption() {
  wheelF_->Refresh();
  wheelB_->Refresh();
  cube_->Refresh();
}

void DeviceMenuBar::ObjectivePosCheck() {
  mag_->Refresh();
}

void DeviceMenuBar::RemoveFilterItems() {
  wheelF_->RemoveItems();
  wheelB_->RemoveItems();
}

void ConnectDeviceParts(Wheels& wheels, DeviceTab& tab, DeviceMenuBar& menus, QMenu* joystickMenu) {
  tab.SetPopupMenus(menus.Popups(joystickMenu));
  QObject::connect(&tab, &DeviceTab::DevicesChanged, &menus, &DeviceMenuBar::Refresh);
  QObject::connect(&menus, &DeviceMenuBar::DevicesChanged, &tab, [&tab] {
    tab.FiltCaption();
    tab.MagCaption();
  });
  // The hook outlives the window when it unloads; it then finds neither part.
  wheels.SetFilterChangedHook(
      [tabPart = QPointer<DeviceTab>(&tab), menuPart = QPointer<DeviceMenuBar>(&menus)] {
        if (tabPart) tabPart->FiltCaption();
        if (menuPart) menuPart->FiltCaption();
      });
}

}  // namespace qv
