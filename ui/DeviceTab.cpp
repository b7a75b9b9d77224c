#include "ui/DeviceTab.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "ui/ScopePicture.h"

namespace qv {

namespace {

// Holding the button repeats through JogHold, which waits for each step before the next.
QPushButton* JogButton(const QString& caption, const QString& name, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  button->setAutoRepeat(false);
  return button;
}

QLabel* AxisLabel(const QString& caption, const QString& name, QWidget* parent) {
  auto* label = new QLabel(caption, parent);
  label->setObjectName(name);
  label->setAlignment(Qt::AlignCenter);
  return label;
}

}  // namespace

DeviceTab::DeviceTab(const DeviceCore& core, LedController& leds, const Joystick& joystick,
                     const WindowServices& services, QWidget* parent)
    : QWidget(parent),
      joystick_(joystick),
      filterWheels_(core.wheels),
      cubeChanger_(core.cube),
      objectives_(core.objectives),
      services_(services),
      context_(HostEntryContext(core, services_,
                                [this] {
                                  FiltCaption();
                                  MagCaption();
                                  RefreshLeds();
                                  emit DevicesChanged();
                                })),
      stage_(context_.window, core.motors, core.notifier, core.stage),
      focus_(context_.window, core.motors, core.focus),
      wheels_{WheelEntries{context_, core.wheels, 1}, WheelEntries{context_, core.wheels, 2}},
      leds_(context_.window, core.frontEnd, context_.devicesChanged, leds) {
  setObjectName("tabDeviceControl");
  setFocusPolicy(Qt::ClickFocus);  // a click on the tab gives the jog keys to the window
  auto* frames = new QGridLayout;
  frames->addWidget(BuildStageFrame(), 0, 0);
  frames->addWidget(BuildFocusFrame(), 0, 1);
  frames->addWidget(BuildWheelFrame(1), 1, 0);
  frames->addWidget(BuildWheelFrame(2), 1, 1);
  frames->addWidget(BuildCubeFrame(), 2, 0);
  frames->addWidget(BuildMagFrame(), 2, 1);
  frames->addWidget(BuildLedFrame(), 3, 0);
  frames->addWidget(BuildJoyFrame(), 3, 1);
  frames->setRowStretch(4, 1);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(new ScopePicture(this), 3);
  layout->addLayout(frames, 2);
  FiltCaption();
  MagCaption();
  JoyVisibility();
  RefreshReadiness();
}

QWidget* DeviceTab::BuildStageFrame() {
  auto* frame = new PressFrame("Stage", "fraStage", this);
  frame->onPress = [this](const QPoint&) { stage_.ShowPosition(); };
  auto* grid = new QGridLayout(frame);
  struct Arrow {
    const char* caption;
    const char* name;
    StageJump jump;
    int row;
    int column;
  };
  const Arrow arrows[] = {{"Back", "cmdStageBack", StageJump::Back, 0, 1},
                          {"Left", "cmdStageLeft", StageJump::Left, 1, 0},
                          {"Right", "cmdStageRight", StageJump::Right, 1, 2},
                          {"Forward", "cmdStageForward", StageJump::Forward, 2, 1}};
  for (const Arrow& arrow : arrows) {
    QPushButton* button = JogButton(arrow.caption, arrow.name, frame);
    const StageJump jump = arrow.jump;
    connect(button, &QPushButton::pressed, this, [this, jump] { jog_.Press(stage_.Jog(jump, 1)); });
    connect(button, &QPushButton::released, this, [this] { jog_.Release(); });
    gate_.Add(DeviceId::XY, button);
    grid->addWidget(button, arrow.row, arrow.column);
  }
  return frame;
}

QWidget* DeviceTab::BuildFocusFrame() {
  auto* frame = new PressFrame("Focus", "fraFoc", this);
  frame->onPress = [this](const QPoint&) { focus_.ShowPosition(); };
  auto* column = new QVBoxLayout(frame);
  struct Knob {
    const char* caption;
    const char* name;
    FocusStep step;
  };
  const Knob knobs[] = {{"Up Coarse", "cmdFocUpCoarse", FocusStep::UpCoarse},
                        {"Up Fine", "cmdFocUpFine", FocusStep::UpFine},
                        {"Down Fine", "cmdFocDownFine", FocusStep::DownFine},
                        {"Down Coarse", "cmdFocDownCoarse", FocusStep::DownCoarse}};
  for (const Knob& knob : knobs) {
    QPushButton* button = JogButton(knob.caption, knob.name, frame);
    const FocusStep step = knob.step;
    connect(button, &QPushButton::pressed, this, [this, step] { jog_.Press(focus_.Jog(step)); });
    connect(button, &QPushButton::released, this, [this] { jog_.Release(); });
    gate_.Add(DeviceId::Z, button);
    column->addWidget(button);
  }
  return frame;
}

QWidget* DeviceTab::BuildWheelFrame(int wheel) {
  const QString word = QString::fromStdString(WheelWord(wheel));
  auto* frame = new QGroupBox(word + "-Filter", this);
  frame->setObjectName("fraWheel");
  auto* button = new MenuButton("cmdWheel" + word, frame);
  button->onOpen = [this, wheel] { OpenWheel(wheel); };
  gate_.Add(WheelDevice(wheel), button);
  (new QVBoxLayout(frame))->addWidget(button);
  wheelButtons_[static_cast<size_t>(wheel - 1)] = button;
  return frame;
}

QWidget* DeviceTab::BuildCubeFrame() {
  auto* frame = new QGroupBox("Cube", this);
  frame->setObjectName("fraCube");
  cubeButton_ = new MenuButton("cmdCube", frame);
  cubeButton_->onOpen = [this] {
    if (context_.window.state.Config.Installed[DeviceId::Cube] == 1)
      Popup(popups_.cube, cubeButton_);
  };
  gate_.Add(DeviceId::Cube, cubeButton_);
  (new QVBoxLayout(frame))->addWidget(cubeButton_);
  return frame;
}

QWidget* DeviceTab::BuildMagFrame() {
  auto* frame = new QGroupBox("Mag.", this);
  frame->setObjectName("fraMag");
  magButton_ = new MenuButton("cmdMag", frame);
  magButton_->onOpen = [this] { Popup(popups_.mag, magButton_); };
  (new QVBoxLayout(frame))->addWidget(magButton_);
  return frame;
}

QWidget* DeviceTab::BuildLedFrame() {
  auto* frame = new QGroupBox("LEDs", this);
  frame->setObjectName("fraLEDs");
  auto* row = new QHBoxLayout(frame);
  struct Led {
    QColor colour;
    const char* name;
  };
  const Led leds[] = {
      {Qt::red, "picRED_LED"}, {Qt::green, "picGREEN_LED"}, {Qt::blue, "picBLUE_LED"}};
  int16_t output = 0;
  for (const Led& led : leds) {
    auto* box = new LedBox(led.colour, led.name, frame);
    box->onClick = [this, output] { leds_.Toggle(output); };
    box->onRightPress = [this] { leds_.EditParameters(); };
    gate_.Add(DeviceId::Leds, box);
    row->addWidget(box);
    ledBoxes_[static_cast<size_t>(output)] = box;
    ++output;
  }
  RefreshLeds();
  return frame;
}

void DeviceTab::RefreshLeds() {
  for (int16_t n = 0; n < 3; ++n) {
    const bool ready = context_.window.state.Ready[DeviceId::Leds] == 1;
    ledBoxes_[static_cast<size_t>(n)]->SetLit(ready ? leds_.Lit(n) : std::nullopt);
  }
}

QWidget* DeviceTab::BuildJoyFrame() {
  auto* frame = new PressFrame("Joy", "fraJoy", this);
  frame->onPress = [this](const QPoint& at) {
    if (popups_.joystick) popups_.joystick->popup(at);
  };
  auto* grid = new QGridLayout(frame);
  joyIndicator_ = new JoyIndicator(frame);
  jxLabel_ = AxisLabel("X", "lblJX", frame);
  jyLabel_ = AxisLabel("Y", "lblJY", frame);
  jzLabel_ = AxisLabel("Z", "lblJZ", frame);
  jwLabel_ = AxisLabel("W", "lblJW", frame);
  // The horizontal axis drives X or the wheel, the vertical one Y or the focus.
  grid->addWidget(jyLabel_, 0, 0);
  grid->addWidget(jzLabel_, 0, 0);
  grid->addWidget(joyIndicator_, 1, 0);
  grid->addWidget(jxLabel_, 1, 1);
  grid->addWidget(jwLabel_, 1, 1);
  return frame;
}

void DeviceTab::Popup(QMenu* menu, QWidget* at) {
  if (menu) menu->popup(at->mapToGlobal(QPoint(0, at->height())));
}

// The wheel becomes current and its filter is read before its menu shows: the menu does that
// when it opens, so without a menu the tab does it itself.
void DeviceTab::OpenWheel(int wheel) {
  if (context_.window.state.Config.Installed[WheelDevice(wheel)] != 1) return;
  QMenu* menu = wheel == 1 ? popups_.filterF : popups_.filterB;
  if (menu) {
    Popup(menu, wheelButtons_[static_cast<size_t>(wheel - 1)]);
  } else {
    wheels_[static_cast<size_t>(wheel - 1)].Open();
  }
}

void DeviceTab::FiltCaption() {
  for (int wheel = 1; wheel <= 2; ++wheel) {
    wheelButtons_[static_cast<size_t>(wheel - 1)]->setText(
        QString::fromStdString(FilterCaption(filterWheels_, wheel)));
  }
  cubeButton_->setText(QString::fromStdString(CubeCaption(cubeChanger_)));
}

void DeviceTab::MagCaption() {
  magButton_->setText(QString::fromStdString(MagnificationCaption(objectives_)));
}

void DeviceTab::JoyVisibility() {
  const bool on = context_.window.state.JoyOn == 1;
  const bool wz = joystick_.JoyAxesWZ() == 1;
  joyIndicator_->setVisible(on);
  jxLabel_->setVisible(on && !wz);
  jyLabel_->setVisible(on && !wz);
  jzLabel_->setVisible(on && wz);
  jwLabel_->setVisible(on && wz);
}

void DeviceTab::JoyDisplay(int16_t x, int16_t y, int16_t z) {
  joyIndicator_->SetDeflection(x, y, z);
}

bool DeviceTab::JogKey(const QKeyEvent& event) {
  const int key = event.key();
  const bool coarse = (event.modifiers() & Qt::ShiftModifier) != 0;
  const int jumps = coarse ? kCoarseJumps : 1;
  static constexpr std::pair<int, StageJump> kArrows[] = {{Qt::Key_Left, StageJump::Left},
                                                          {Qt::Key_Right, StageJump::Right},
                                                          {Qt::Key_Up, StageJump::Back},
                                                          {Qt::Key_Down, StageJump::Forward}};
  std::function<JogMotion()> motion;
  for (const auto& arrow : kArrows) {
    const StageJump jump = arrow.second;
    if (key == arrow.first) motion = [=, this] { return stage_.Jog(jump, jumps); };
  }
  if (key == Qt::Key_PageUp || key == Qt::Key_PageDown) {
    const FocusStep step = key == Qt::Key_PageUp
                               ? (coarse ? FocusStep::UpCoarse : FocusStep::UpFine)
                               : (coarse ? FocusStep::DownCoarse : FocusStep::DownFine);
    motion = [=, this] { return focus_.Jog(step); };
  }
  if (!motion) return false;
  // The key's own repeats are not steps: JogHold repeats once each step has ended.
  if (event.isAutoRepeat()) return true;
  if (event.type() == QEvent::KeyPress && jogKey_ == 0 && jog_.Press(motion())) jogKey_ = key;
  if (event.type() == QEvent::KeyRelease && key == jogKey_) ReleaseJogKey();
  return true;
}

void DeviceTab::ReleaseJogKey() {
  if (jogKey_ == 0) return;
  jogKey_ = 0;
  jog_.Release();
}

}  // namespace qv
