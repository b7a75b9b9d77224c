#pragma once
// The "&Device Control" tab: the microscope picture with the frames that drive its parts — stage
// jog buttons, focus buttons, the two filter wheels, the cube changer, the magnification, the
// LED boxes and the joystick display. Its buttons act through the same entries as the device
// menus; the menus it opens as pop-ups are the menu bar's, handed in by the window.
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QWidget>
#include <array>

#include "specimen/Joystick.h"
#include "ui/DeviceReadiness.h"
#include "ui/DeviceWidgets.h"
#include "ui/EntryContext.h"
#include "ui/IndexerEntries.h"
#include "ui/ParameterEntries.h"
#include "ui/StageFocusEntries.h"

namespace qv {

// The menus the tab opens as pop-ups; any left empty is simply not opened.
struct DevicePopups {
  QMenu* filterF = nullptr;   // the "F-i" menu, from the F wheel's button
  QMenu* filterB = nullptr;   // the "B-j" menu, from the B wheel's button
  QMenu* cube = nullptr;      // from the cube button
  QMenu* mag = nullptr;       // the "Mag." menu, from the magnification button
  QMenu* joystick = nullptr;  // the "Joystick" menu, from a press on the "Joy" frame
};

class DeviceTab : public QWidget {
  Q_OBJECT

 public:
  // `leds` are switched from the LED boxes; `joystick` is read for the joystick frame's mode.
  DeviceTab(const DeviceCore& core, LedController& leds, const Joystick& joystick,
            const WindowServices& services, QWidget* parent = nullptr);

  void SetPopupMenus(const DevicePopups& menus) { popups_ = menus; }

  // The wheel buttons show "F-3" / "B-?", the cube button "Cube-2".
  void FiltCaption();
  // The magnification button shows "Mag-10".
  void MagCaption();
  // The joystick display is shown while the joystick is on, labelled with the axes it drives.
  void JoyVisibility();
  // The joystick deflection (x, y) out of the full scale z.
  void JoyDisplay(int16_t x, int16_t y, int16_t z);
  // The controls of devices that are not ready are disabled, with the reason as tool tip.
  void RefreshReadiness() { gate_.Refresh(context_.window.state); }
  // The LED boxes show which LEDs the program lit.
  void RefreshLeds();

  // The jog keys: the arrows move the stage by XYJUMPSIZE (with Shift by kCoarseJumps of them),
  // Page Up and Page Down the focus by its fine step (with Shift its coarse step). A held key
  // repeats; its release ends the jog. True when the event was a jog key's.
  bool JogKey(const QKeyEvent& event);
  // Ends a key jog whose release will not come (the window lost the keyboard).
  void ReleaseJogKey();
  JogHold& Jog() { return jog_; }

  static constexpr int kCoarseJumps = 10;  // stage jumps of one Shift+arrow step

 signals:
  // An entry of the tab moved a filter, the cube or changed a device's settings.
  void DevicesChanged();

 private:
  QWidget* BuildStageFrame();
  QWidget* BuildFocusFrame();
  QWidget* BuildWheelFrame(int wheel);
  QWidget* BuildCubeFrame();
  QWidget* BuildMagFrame();
  QWidget* BuildLedFrame();
  QWidget* BuildJoyFrame();
  void Popup(QMenu* menu, QWidget* at);
  void OpenWheel(int wheel);

  const Joystick& joystick_;
  const Wheels& filterWheels_;  // the captions of the wheel, cube and magnification buttons
  const Cube& cubeChanger_;
  const Objectives& objectives_;
  WindowServices services_;  // the window's; the entries report through this copy
  EntryContext context_;
  StageEntries stage_;
  FocusEntries focus_;
  std::array<WheelEntries, 2> wheels_;
  LedEntries leds_;
  JogHold jog_{context_.window.state, context_.motors, services_};
  int jogKey_ = 0;  // the key whose jog is held, 0 for none
  ReadinessGate gate_;
  DevicePopups popups_;
  std::array<MenuButton*, 2> wheelButtons_{};
  MenuButton* cubeButton_ = nullptr;
  MenuButton* magButton_ = nullptr;
  std::array<LedBox*, 3> ledBoxes_{};
  JoyIndicator* joyIndicator_ = nullptr;
  QLabel* jxLabel_ = nullptr;
  QLabel* jyLabel_ = nullptr;
  QLabel* jzLabel_ = nullptr;
  QLabel* jwLabel_ = nullptr;
};

}  // namespace qv
