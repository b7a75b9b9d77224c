#include "ui/IndexerMenus.h"

namespace qv {

namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

QAction* Checkable(QMenu* menu, const QString& caption) {
  QAction* action = menu->addAction(caption);
  action->setCheckable(true);
  return action;
}

// An entry of the table that has nothing behind it in this program: shown, but not offered,
// with the reason as its tool tip.
void Unavailable(QMenu* menu, const QString& caption, const QString& why) {
  QAction* entry = menu->addAction(caption);
  entry->setEnabled(false);
  entry->setToolTip(why);
  menu->setToolTipsVisible(true);
}

}  // namespace

// --- MenuItemList ---

void MenuItemList::Show(const std::vector<QString>& captions,
                        const std::function<void(int16_t)>& chosen) {
  bool same = captions.size() == items_.size();
  for (size_t i = 0; same && i < captions.size(); ++i)
    same = items_[i]->text() == captions[i];
  if (same) return;
  Clear();
  for (size_t i = 0; i < captions.size(); ++i) {
    auto* action = new QAction(captions[i], menu_);
    action->setCheckable(true);
    const auto number = static_cast<int16_t>(i + 1);
    QObject::connect(action, &QAction::triggered, menu_, [chosen, number] { chosen(number); });
    menu_->insertAction(before_, action);
    items_.push_back(action);
  }
}

void MenuItemList::Check(int number) {
  for (size_t i = 0; i < items_.size(); ++i) {
    items_[i]->setChecked(static_cast<int>(i) + 1 == number);
  }
}

void MenuItemList::Gate(const std::string& reason) {
  for (QAction* action : items_)
    ReadinessGate::Apply(reason, action, {});
}

// The item being chosen may be the one that asks for the rebuild, so none is deleted at once.
void MenuItemList::Clear() {
  for (QAction* action : items_) {
    menu_->removeAction(action);
    action->deleteLater();
  }
  items_.clear();
}

// --- FilterWheelMenu ---

FilterWheelMenu::FilterWheelMenu(const EntryContext& context, Wheels& wheels,
                                 ParameterEntries& parameters, const SpeedTestHooks& hooks,
                                 int wheel, QMenuBar* bar, ReadinessGate& gate)
    : window_(context.window),
      wheels_(wheels),
      entries_(context, wheels, wheel),
      menu_(bar->addMenu(wheel == 1 ? "&F-i" : "&B-j")),
      items_end_(menu_->addSeparator()),
      items_(menu_, items_end_) {
  menu_->setObjectName(wheel == 1 ? "mnuF" : "mnuB");
  AddEntries(parameters, hooks, gate);
  // Opening the menu shows the wheel's filter as the controller has it.
  QObject::connect(menu_, &QMenu::aboutToShow, menu_, [this] {
    window_.services.ShowTab(0);
    entries_.Open();
    Refresh();
  });
  CreateItems();
  Refresh();
}

void FilterWheelMenu::AddEntries(ParameterEntries& parameters, const SpeedTestHooks& hooks,
                                 ReadinessGate& gate) {
  const int wheel = entries_.Wheel();
  const DeviceId device = WheelDevice(wheel);
  auto ready = [&gate, device](QAction* entry) {
    gate.Add(device, entry);
    return entry;
  };
  ready(menu_->addAction("Next Filter", menu_, [this] { entries_.Next(); }));
  ready(menu_->addAction("Previous Filter", menu_, [this] { entries_.Previous(); }));
  joystick_ = ready(Checkable(menu_, "Assign to Joystick"));
  QObject::connect(joystick_, &QAction::triggered, menu_, [this] {
    entries_.AssignToJoystick();
    Refresh();
  });
  ready(menu_->addAction("Home", menu_, [this] { entries_.Home(); }));
  lamp_ = ready(Checkable(menu_, "Lamp On?"));
  QObject::connect(lamp_, &QAction::triggered, menu_, [this] {
    entries_.ToggleLamp();
    Refresh();
  });
  menu_->addAction("Parameters", menu_, [&parameters, device] { parameters.EditDevice(device); });
  QMenu* compensation = menu_->addMenu("Focus Compensation");
  compensation->setToolTipsVisible(true);
  compensation_ = ready(Checkable(compensation, "On?"));
  QObject::connect(compensation_, &QAction::triggered, menu_, [this](bool on) {
    entries_.SetCompensation(on);
    Refresh();
  });
  ready(
      compensation->addAction("Parameters", menu_, [this] { entries_.CompensationParameters(); }));
  QMenu* advanced = menu_->addMenu("Advanced");
  advanced->setToolTipsVisible(true);
  advanced->addAction("Read Par. File", menu_,
                      [&parameters, device] { parameters.ReadParFile(device); });
  ready(advanced->addAction("Speed Test", menu_, [&hooks, wheel] {
    if (hooks.wheel) hooks.wheel(wheel);
  }));
}

void FilterWheelMenu::RemoveItems() {
  itemsWanted_ = false;
  items_.Clear();
}

void FilterWheelMenu::CreateItems() {
  itemsWanted_ = true;
  std::vector<QString> captions;
  for (int16_t filter = 1; filter <= entries_.Positions(); ++filter) {
    captions.push_back(Q(FilterItemCaption(filter)));
  }
  items_.Show(captions, [this](int16_t filter) {
    entries_.Choose(filter);
    Refresh();
  });
}

void FilterWheelMenu::Refresh() {
  const int wheel = entries_.Wheel();
  menu_->setTitle("&" + Q(FilterCaption(wheels_, wheel)));
  if (itemsWanted_) CreateItems();  // new parameters may have changed the number of filters
  items_.Check(wheels_.CurrentFilter(wheel));
  items_.Gate(NotReadyReason(window_.state, WheelDevice(wheel)));
  joystick_->setChecked(wheels_.JoyWheel() == wheel);
  lamp_->setChecked(wheels_.LampState(wheel) == 1);
  compensation_->setChecked(wheels_.ZCompIsOn(wheel));
}

// --- CubeChangerMenu ---

CubeChangerMenu::CubeChangerMenu(const EntryWindow& window, const CubeEntries& entries,
                                 const Cube& cube, ParameterEntries& parameters,
                                 const SpeedTestHooks& hooks, QMenuBar* bar, ReadinessGate& gate)
    : window_(window),
      cube_(cube),
      entries_(entries),
      menu_(bar->addMenu("C&ube")),
      items_end_(menu_->addSeparator()),
      items_(menu_, items_end_) {
  menu_->setObjectName("mnuCube");
  AddEntries(parameters, hooks, gate);
  QObject::connect(menu_, &QMenu::aboutToShow, menu_, [this] {
    window_.services.ShowTab(0);
    Refresh();
  });
  Refresh();
}

void CubeChangerMenu::AddEntries(ParameterEntries& parameters, const SpeedTestHooks& hooks,
                                 ReadinessGate& gate) {
  gate.Add(DeviceId::Cube, menu_->addAction("Next Cube", menu_, [this] { entries_.Next(); }));
  gate.Add(DeviceId::Cube,
           menu_->addAction("Previous Cube", menu_, [this] { entries_.Previous(); }));
  // The joystick steps filter wheels only, and no focus offsets are kept per cube.
  Unavailable(menu_, "Assign to Joystick", "The joystick steps the filter wheels only");
  gate.Add(DeviceId::Cube, menu_->addAction("Home", menu_, [this] { entries_.Home(); }));
  menu_->addAction("Parameters", menu_, [&parameters] { parameters.EditDevice(DeviceId::Cube); });
  QMenu* compensation = menu_->addMenu("Focus Compensation");
  const QString noCompensation = "No focus compensation is kept for the cube changer";
  Unavailable(compensation, "On?", noCompensation);
  Unavailable(compensation, "Parameters", noCompensation);
  QMenu* advanced = menu_->addMenu("Advanced");
  advanced->setToolTipsVisible(true);
  gate.Add(DeviceId::Cube, advanced->addAction("Speed Test", menu_, [&hooks] {
    if (hooks.cube) hooks.cube();
  }));
}

void CubeChangerMenu::Refresh() {
  std::vector<QString> captions;
  for (int16_t cube = 1; cube <= cube_.Count(); ++cube) {
    captions.push_back(Q(CubeItemCaption(cube)));
  }
  items_.Show(captions, [this](int16_t cube) {
    entries_.Choose(cube);
    Refresh();
  });
  items_.Check(cube_.CurrentCube());
  items_.Gate(NotReadyReason(window_.state, DeviceId::Cube));
}

// --- MagnificationMenu ---

MagnificationMenu::MagnificationMenu(const WindowServices& services, const Objectives& objectives,
                                     ParameterEntries& parameters, QMenuBar* bar)
    : services_(services),
      objectives_(objectives),
      parameters_(parameters),
      menu_(bar->addMenu("Ma&g.")),
      items_end_(menu_->addSeparator()),
      items_(menu_, items_end_) {
  menu_->setObjectName("mnuMag");
  menu_->addAction("Objectives", menu_, [this] { parameters_.EditObjectives(); });
  menu_->addAction("Field Param.", menu_, [this] { parameters_.EditField(); });
  QObject::connect(menu_, &QMenu::aboutToShow, menu_, [this] { services_.ShowTab(0); });
  Refresh();
}

void MagnificationMenu::Refresh() {
  std::vector<QString> captions;
  for (int16_t position = 1; position <= objectives_.ObjCount(); ++position) {
    captions.push_back(Q(ObjectiveItemCaption(position, objectives_.ObjPosMag(position))));
  }
  items_.Show(captions, [this](int16_t position) {
    parameters_.ChooseObjective(position);
    Refresh();
  });
  items_.Check(objectives_.CurrentObjective());
}

}  // namespace qv
