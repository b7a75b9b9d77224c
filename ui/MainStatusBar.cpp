#include "ui/MainStatusBar.h"

#include "foundation/NumberText.h"
#include "ui/IndexerEntries.h"

namespace qv {

namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

void SetIfChanged(QLabel& label, const QString& text) {
  if (label.text() != text) label.setText(text);
}

}  // namespace

DeviceStateTexts DescribeDevices(const DeviceStates& core, ReadoutMotion motion) {
  const DeviceFlags& ready = core.state.Ready;
  const std::string moving = " (moving)";
  DeviceStateTexts texts;
  texts.position = ready[DeviceId::XY] == 1
                       ? "X " + FormatFixed(core.stage.X(), 1) + "  Y " +
                             FormatFixed(core.stage.Y(), 1) + (motion.xy ? moving : "")
                       : "XY off";
  texts.focus = ready[DeviceId::Z] == 1
                    ? "Z " + FormatFixed(core.focus.Z(), 2) + (motion.z ? moving : "")
                    : "Z off";
  for (int wheel = 1; wheel <= 2; ++wheel) {
    if (wheel == 2) texts.filters += "  ";
    texts.filters += ready[WheelDevice(wheel)] == 1 ? FilterCaption(core.wheels, wheel)
                                                    : WheelWord(wheel) + " off";
  }
  texts.cube = ready[DeviceId::Cube] == 1 ? CubeCaption(core.cube) : "Cube off";
  const int16_t objective = core.objectives.CurrentObjective();
  const std::string mag = std::to_string(core.objectives.Mag()) + "X";
  texts.objective =
      objective >= 1 ? "Obj. " + std::to_string(objective) + " (" + mag + ")" : "Mag " + mag;
  return texts;
}

std::string DescribePointer(double x, double y, double zoom) {
  return "Pointer X " + FormatFixed(x, 1) + "  Y " + FormatFixed(y, 1) + "  Zoom" + Str(zoom);
}

MainStatusBar::MainStatusBar(QWidget* parent) : QStatusBar(parent) {
  setObjectName("staMain");
  setSizeGripEnabled(true);
  stopButton_ = new QPushButton("Stop", this);
  stopButton_->setObjectName("cmdStop");
  stopButton_->setToolTip("Stop every device now (Esc)");
  // Tab reaches it (Space presses it); a click leaves the keyboard, and so the jog keys, where
  // they were.
  stopButton_->setFocusPolicy(Qt::TabFocus);
  stopButton_->setStyleSheet("QPushButton { color: #b00000; font-weight: bold; }");
  addWidget(stopButton_);
  busyLabel_ = new QLabel(this);
  busyLabel_->setObjectName("lblBusy");
  busyLabel_->setMinimumWidth(fontMetrics().averageCharWidth() * 16);
  busyLabel_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  addWidget(busyLabel_, 1);
  // On a narrow window the pointer field gives way first (the status bar must fit).
  pointerLabel_ = AddField("lblStatPointer", 24);
  pointerLabel_->hide();  // shown on the map only
  positionLabel_ = AddField("lblStatPosition", 22);
  focusLabel_ = AddField("lblStatFocus", 9);
  filtersLabel_ = AddField("lblStatFilters", 9);
  cubeLabel_ = AddField("lblStatCube", 7);
  objectiveLabel_ = AddField("lblStatObjective", 12);
}

QLabel* MainStatusBar::AddField(const char* name, int minimumChars) {
  auto* label = new QLabel(this);
  label->setObjectName(name);
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  label->setMinimumWidth(fontMetrics().averageCharWidth() * minimumChars);
  addPermanentWidget(label);
  return label;
}

void MainStatusBar::ShowDevices(const DeviceStates& devices, ReadoutMotion motion) {
  const DeviceStateTexts texts = DescribeDevices(devices, motion);
  SetIfChanged(*positionLabel_, Q(texts.position));
  SetIfChanged(*focusLabel_, Q(texts.focus));
  SetIfChanged(*filtersLabel_, Q(texts.filters));
  SetIfChanged(*cubeLabel_, Q(texts.cube));
  SetIfChanged(*objectiveLabel_, Q(texts.objective));
}

void MainStatusBar::ShowPointer(const std::optional<std::string>& text) {
  SetIfChanged(*pointerLabel_, text ? Q(*text) : QString());
  pointerLabel_->setVisible(text.has_value());
}

void MainStatusBar::ShowBusy(const QString& text) {
  SetIfChanged(*busyLabel_, text);
}

}  // namespace qv
