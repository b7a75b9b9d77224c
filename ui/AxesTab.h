#pragma once
// The "&Axes" tab: a service panel for one controller unit at a time. The operator picks a unit
// with its option button, types speeds, distances and output values, and runs single controller
// operations whose raw results show on the message line and in the panel's labels. What is
// typed or read is remembered per unit, so switching units brings each unit's values back.
#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>
#include <string>

#include "commands/ResultText.h"
#include "controllers/AxesControl.h"
#include "devices/AxisDiagnostics.h"
#include "foundation/SharedState.h"
#include "ui/ObjectMenu.h"
#include "ui/WindowServices.h"

namespace qv {

// What the panel drives: the units' records and the controller operations on the chosen unit.
struct AxesPanelCore {
  SharedState& state;  // the panel's operations hold the command flag
  AxesControl& axes;
  AxisDiagnostics& diagnostics;  // the operations on a unit
};

class AxesTab : public QWidget {
  Q_OBJECT

 public:
  AxesTab(const AxesPanelCore& core, const WindowServices& services, QWidget* parent = nullptr);

  // Whenever the tab is shown: the first time the units are probed and offered; later nothing.
  void AxesProbe();
  // Chooses the unit of record `index` and fills the panel from its record.
  void AxesSelect(int index);
  // Menu "Axes" > "Add Axis": asks for a further unit and offers it when it answers.
  void AskAddAxis();
  void AddAxis(const std::string& item);
  // Menu "Axes" > "Add Destination": the typed destination joins the unit's list.
  void AddDestination();

  // Tests answer the input box themselves.
  void SetInputBox(InputBox inputBox) { inputBox_ = std::move(inputBox); }

 private:
  QWidget* BuildUnitsBox();
  QWidget* BuildHomingBox();
  QWidget* BuildJogBox();
  QWidget* BuildMoveBox();
  QWidget* BuildReadBox();
  QWidget* BuildPortsBox();
  QPushButton* Button(const char* caption, const char* name, void (AxesTab::*handler)());
  void AddUnitButton(const std::string& caption, int index);
  void FillPanel();
  void ConnectStores();

  // Button handlers: each runs one controller operation on the chosen unit.
  void Home();
  void HomeOwn();
  void HomeSmart();
  void ToLimit();
  void ApplyJog();
  void StopJog();
  void InvertJogSpeed();
  void MoveAbs();
  void MoveRel();
  void InvertDistance();
  void ReadPos();
  void SetOrigin();
  void ReadMovingStatus();
  void ReadLimits();
  void ReadHardware();
  void ReadInPorts();
  void ReadOutPorts();
  void WritePorts();

  // Homing runs let events run and show the hourglass; the result text is given back.
  void RunHoming(const std::string& startText, const std::function<Result(int16_t)>& homing,
                 const std::function<std::string(Result)>& shown);
  void ShowLimitOrHardware(Result result, int16_t value);
  void ShowPorts(Result result, const std::array<int16_t, 3>& values);
  std::optional<int16_t> HomeSpeed();
  std::optional<int32_t> JogSpeed();
  std::optional<double> Destination();
  std::optional<double> Distance();
  void Say(const std::string& text) const { services_.Message(text); }
  // "Status =" and the controllers' status number of `result`.
  void SayStatus(Result result) const { SayCode(StatusCode(result)); }
  void SayCode(int16_t code) const;
  // The chosen unit, which every operation of the panel names.
  int16_t Unit() const { return core_.axes.CurrentUnit(); }

  AxesPanelCore core_;
  const WindowServices& services_;
  InputBox inputBox_;
  QButtonGroup units_;
  QVBoxLayout* unitList_ = nullptr;
  QLineEdit* homeSpeedEdit_ = nullptr;
  QLineEdit* jogSpeedEdit_ = nullptr;
  QComboBox* destinBox_ = nullptr;
  QLineEdit* distanceEdit_ = nullptr;
  QLabel* posLabel_ = nullptr;
  QLabel* limHrdwLabel_ = nullptr;
  std::array<QLabel*, 3> inLabel_{};
  std::array<QLineEdit*, 3> outEdit_{};
};

}  // namespace qv
