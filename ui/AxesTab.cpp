#include "ui/AxesTab.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QScrollArea>
#include <QSignalBlocker>

#include "foundation/NumberText.h"
#include "platform/QtText.h"

namespace qv {

namespace {

std::string TextOf(const QString& text) {
  return CoreText(text);
}

// The value labels: sunken, wide enough for a position in microsteps.
QLabel* ValueLabel(const char* name, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setFrameShape(QFrame::Panel);
  label->setFrameShadow(QFrame::Sunken);
  label->setMinimumWidth(90);
  return label;
}

QLineEdit* Field(const char* name, QWidget* parent) {
  auto* field = new QLineEdit(parent);
  field->setObjectName(name);
  field->setMinimumWidth(90);
  return field;
}

}  // namespace

AxesTab::AxesTab(const AxesPanelCore& core, const WindowServices& services, QWidget* parent)
    : QWidget(parent), core_(core), services_(services), inputBox_(QtInputBox(this)) {
  setObjectName("tabAxes");
  auto* controls = new QGridLayout;
  controls->addWidget(BuildHomingBox(), 0, 0);
  controls->addWidget(BuildJogBox(), 0, 1);
  controls->addWidget(BuildMoveBox(), 1, 0, 1, 2);
  controls->addWidget(BuildReadBox(), 2, 0);
  controls->addWidget(BuildPortsBox(), 2, 1);
  controls->setRowStretch(3, 1);
  controls->setRowStretch(3, 1);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(BuildUnitsBox());
  layout->addLayout(controls, 1);
  ConnectStores();
  connect(&units_, &QButtonGroup::idClicked, this, &AxesTab::AxesSelect);
}

QPushButton* AxesTab::Button(const char* caption, const char* name, void (AxesTab::*handler)()) {
  auto* button = new QPushButton(caption, this);
  button->setObjectName(name);
  connect(button, &QPushButton::clicked, this, [this, handler] {
    // The panel's operations act on the chosen unit; without one there is nothing to drive.
    // They keep the window timer from its idle work while they run.
    if (core_.axes.CurrentUnit() == 0) return;
    const CommandBusyScope busy(core_.state, CommandBusyScope::OnEnd::Restore);
    (this->*handler)();
  });
  return button;
}

// Up to 31 buttons do not fit a small screen: the list scrolls.
QWidget* AxesTab::BuildUnitsBox() {
  auto* box = new QGroupBox("Unit", this);
  box->setObjectName("fraAxes");
  auto* list = new QWidget;
  unitList_ = new QVBoxLayout(list);
  unitList_->addStretch(1);
  auto* scroll = new QScrollArea(box);
  scroll->setWidget(list);
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setMinimumWidth(150);
  (new QVBoxLayout(box))->addWidget(scroll);
  return box;
}

QWidget* AxesTab::BuildHomingBox() {
  auto* box = new QGroupBox("Homing", this);
  auto* grid = new QGridLayout(box);
  homeSpeedEdit_ = Field("txtHomeSpeed", box);
  grid->addWidget(new QLabel("home speed", box), 0, 0);
  grid->addWidget(homeSpeedEdit_, 0, 1, 1, 3);
  grid->addWidget(Button("&Home", "btnHome", &AxesTab::Home), 1, 0);
  grid->addWidget(Button("HomeO&wn", "btnHOwn", &AxesTab::HomeOwn), 1, 1);
  grid->addWidget(Button("HomeS&mart", "btnHSmart", &AxesTab::HomeSmart), 1, 2);
  grid->addWidget(Button("To&Lim", "btnToLim", &AxesTab::ToLimit), 1, 3);
  grid->setRowStretch(2, 1);
  return box;
}

QWidget* AxesTab::BuildJogBox() {
  auto* box = new QGroupBox("Jog", this);
  auto* grid = new QGridLayout(box);
  jogSpeedEdit_ = Field("txtJogSpeed", box);
  grid->addWidget(new QLabel(" Jog speed", box), 0, 0);
  grid->addWidget(jogSpeedEdit_, 0, 1);
  grid->addWidget(Button("+/&-", "btnJogSpeedInv", &AxesTab::InvertJogSpeed), 0, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Button("Apply", "cmdApplyJ", &AxesTab::ApplyJog));
  buttons->addWidget(Button("Stop", "cmdStopJ", &AxesTab::StopJog));
  buttons->addStretch(1);
  grid->addLayout(buttons, 1, 0, 1, 3);
  grid->setRowStretch(2, 1);
  return box;
}

QWidget* AxesTab::BuildMoveBox() {
  auto* box = new QGroupBox("Move", this);
  auto* grid = new QGridLayout(box);
  destinBox_ = new QComboBox(box);
  destinBox_->setObjectName("cboDestin");
  destinBox_->setEditable(true);
  destinBox_->setInsertPolicy(QComboBox::NoInsert);
  destinBox_->setMinimumWidth(140);
  distanceEdit_ = Field("txtDistance", box);
  grid->addWidget(new QLabel("destination ", box), 0, 0);
  grid->addWidget(destinBox_, 0, 1);
  grid->addWidget(Button("Move &Abs.", "btnMovAbs", &AxesTab::MoveAbs), 0, 3);
  grid->addWidget(new QLabel("distance ", box), 1, 0);
  grid->addWidget(distanceEdit_, 1, 1);
  grid->addWidget(Button("+/-", "btnDistInv", &AxesTab::InvertDistance), 1, 2);
  grid->addWidget(Button("Move &Rel.", "btnMovRel", &AxesTab::MoveRel), 1, 3);
  grid->setColumnStretch(4, 1);
  return box;
}

QWidget* AxesTab::BuildReadBox() {
  auto* box = new QGroupBox("Position and status", this);
  auto* grid = new QGridLayout(box);
  posLabel_ = ValueLabel("lblPos", box);
  limHrdwLabel_ = ValueLabel("lblLimHrdw", box);
  grid->addWidget(Button("Read &Pos.", "btnReadPos", &AxesTab::ReadPos), 0, 0);
  grid->addWidget(posLabel_, 0, 1);
  grid->addWidget(Button("Set Origin", "btnSetOrig", &AxesTab::SetOrigin), 0, 2);
  grid->addWidget(Button("Moving Status", "btnReadMovingStatus", &AxesTab::ReadMovingStatus), 1, 0);
  grid->addWidget(limHrdwLabel_, 1, 1);
  grid->addWidget(Button("Read Limits", "btnReadLim", &AxesTab::ReadLimits), 2, 0);
  grid->addWidget(Button("Read Hardw.", "btnReadHardw", &AxesTab::ReadHardware), 2, 2);
  grid->setRowStretch(3, 1);
  return box;
}

QWidget* AxesTab::BuildPortsBox() {
  auto* box = new QGroupBox("Ports", this);
  auto* grid = new QGridLayout(box);
  grid->addWidget(Button("Read In-Ports", "btnReadP", &AxesTab::ReadInPorts), 0, 0);
  grid->addWidget(Button("Read Out-Ports", "btnReadOP", &AxesTab::ReadOutPorts), 1, 0);
  grid->addWidget(Button("Write Out-Ports", "btnWriteP", &AxesTab::WritePorts), 2, 0);
  for (int i = 0; i < 3; ++i) {
    inLabel_[i] = ValueLabel(("lblIn" + std::to_string(i)).c_str(), box);
    inLabel_[i]->setMinimumWidth(40);
    outEdit_[i] = Field(("txtOut" + std::to_string(i)).c_str(), box);
    outEdit_[i]->setMinimumWidth(40);
    grid->addWidget(inLabel_[i], 0, i + 1, 2, 1);
    grid->addWidget(outEdit_[i], 2, i + 1);
  }
  grid->setRowStretch(3, 1);
  return box;
}

// Each field keeps the chosen unit's record up to date as it is typed.
void AxesTab::ConnectStores() {
  auto store = [this](auto parse, auto keep) {
    return [this, parse, keep](const QString& text) {
      const auto value = parse(TextOf(text));
      if (!value) return Say("Bad value");
      keep(*value);
    };
  };
  AxesControl& axes = core_.axes;
  connect(homeSpeedEdit_, &QLineEdit::textChanged, this,
          store(TextToInt16, [&axes](int16_t v) { axes.StoreHomeSpeed(v); }));
  connect(distanceEdit_, &QLineEdit::textChanged, this,
          store(ParseNumber, [&axes](double v) { axes.StoreDistance(v); }));
  connect(destinBox_, &QComboBox::editTextChanged, this,
          store(ParseNumber, [&axes](double v) { axes.StoreDestination(v); }));
  for (int i = 0; i < 3; ++i) {
    connect(outEdit_[i], &QLineEdit::textChanged, this,
            store(TextToInt16, [&axes, i](int16_t v) { axes.StoreOutValue(i, v); }));
  }
}

void AxesTab::AxesProbe() {
  const AxesProbeResult result = core_.axes.AxesProbe();
  for (const OfferedAxis& axis : result.offered)
    AddUnitButton(axis.caption, axis.index);
  if (!result.offered.empty()) AxesSelect(core_.axes.CurrentAxis());
  if (result.ignored.empty()) return;
  std::string names;
  for (const std::string& caption : result.ignored)
    names += (names.empty() ? "" : ", ") + caption;
  Say("Only " + std::to_string(kMaxAxes) + " axes can be offered; ignored: " + names);
}

void AxesTab::AddUnitButton(const std::string& caption, int index) {
  auto* button = new QRadioButton(QtText(caption));
  button->setObjectName("optAxis" + QString::number(index));
  units_.addButton(button, index);
  unitList_->insertWidget(unitList_->count() - 1, button);  // above the stretch
}

void AxesTab::AxesSelect(int index) {
  if (!core_.axes.AxesSelect(static_cast<int16_t>(index))) return;
  if (QAbstractButton* button = units_.button(index)) button->setChecked(true);
  FillPanel();
}

// The chosen unit's values, numbers with a sign blank except the values read and the outputs.
void AxesTab::FillPanel() {
  const AxisRecord& record = core_.axes.CurrentRecord();
  const QSignalBlocker homeSpeed(homeSpeedEdit_);
  const QSignalBlocker distance(distanceEdit_);
  const QSignalBlocker destination(destinBox_);
  distanceEdit_->setText(QtText(Str(record.Distance)));
  destinBox_->clear();
  for (size_t i = 1; i < record.Destinations.size(); ++i)
    destinBox_->addItem(QtText(Str(record.Destinations[i])));
  destinBox_->setEditText(QtText(Str(record.Destinations[0])));
  posLabel_->setText(QtText(Str(record.LastPos)));
  homeSpeedEdit_->setText(QtText(Str(record.HomeSpeed)));
  jogSpeedEdit_->setText(QtText(Str(record.JogSpeed)));
  limHrdwLabel_->setText(QtText(GeneralText(record.LastStatus)));
  for (size_t i = 0; i < 3; ++i) {
    const QSignalBlocker out(outEdit_[i]);
    outEdit_[i]->setText(QtText(GeneralText(record.OutValues[i])));
    inLabel_[i]->setText(QtText(GeneralText(record.InPorts[i])));
  }
}

void AxesTab::AskAddAxis() {
  if (!inputBox_) return;
  if (const auto answer = inputBox_("Add Axis", "Unit address (and caption):")) AddAxis(*answer);
}

void AxesTab::AddAxis(const std::string& item) {
  AxesProbe();  // the file's units come first
  const std::string caption(TrimBlanks(item));
  int16_t index = 0;
  const AxisAdded added = core_.axes.AddAxis(item, index);
  if (added == AxisAdded::kOffered) {
    AddUnitButton(caption, index);
    AxesSelect(index);
  } else if (added == AxisAdded::kNoAnswer) {
    Say("Unit " + caption + " does not answer");
  } else if (added == AxisAdded::kTableFull) {
    Say("Only " + std::to_string(kMaxAxes) + " axes can be offered");
  } else if (!caption.empty()) {
    Say("Unit " + caption.substr(0, 1) + " is offered already");
  }
}

void AxesTab::AddDestination() {
  const auto value = Destination();
  if (!value) return;
  core_.axes.AddDestination(*value);
  destinBox_->addItem(QtText(Str(*value)));
}

}  // namespace qv
