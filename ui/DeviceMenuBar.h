#pragma once
// The device menus of the main window's menu bar: "X-Y", "Z", "F-i" and "B-j" (captioned with
// the filter in place, "F-3"), "Mag." and "Cube". Opening any of them shows the Device Control
// tab; the filter, cube and objective items keep their check marks on what is in place.
#include <QMenuBar>
#include <QObject>
#include <QPointer>
#include <memory>

#include "ui/DeviceReadiness.h"
#include "ui/DeviceTab.h"
#include "ui/IndexerMenus.h"
#include "ui/StageFocusEntries.h"

namespace qv {

class DeviceMenuBar : public QObject {
  Q_OBJECT

 public:
  DeviceMenuBar(const DeviceCore& core, const DeviceSetup& setup, const WindowServices& services,
                QMenuBar* bar);
  ~DeviceMenuBar() override;

  QMenu* StageMenu() const { return stageMenu_; }
  QMenu* FocusMenu() const { return focusMenu_; }
  QMenu* FilterMenu(int wheel) const { return wheel == 2 ? wheelB_->Menu() : wheelF_->Menu(); }
  QMenu* CubeMenu() const { return cube_->Menu(); }
  QMenu* MagMenu() const { return mag_->Menu(); }
  // The menus the Device Control tab opens from its buttons; `joystick` is the window's.
  DevicePopups Popups(QMenu* joystick = nullptr) const;

  void SetSpeedTests(SpeedTestHooks hooks) { speedTests_ = std::move(hooks); }

  // Captions, item lists, check marks and which entries are offered follow the devices again,
  // for example after a typed command moved a wheel. Reads nothing from the controllers.
  void Refresh();
  void FiltCaption();        // the wheel menus' captions, filter and cube check marks
  void ObjectivePosCheck();  // the objective items and the current one's check mark
  // The filter items are made with the menus and removed when the window unloads.
  void RemoveFilterItems();

 signals:
  // An entry of these menus moved a device or changed its settings.
  void DevicesChanged();

 private:
  void BuildStageMenu(QMenuBar* bar);
  void BuildFocusMenu(QMenuBar* bar);

  WindowServices services_;  // the window's; the entries report through this copy
  EntryContext context_;
  DeviceSetup setup_;
  ReadinessGate gate_;  // the entries that need their device ready
  StageEntries stage_;
  FocusEntries focus_;
  ParameterEntries parameters_;
  SpeedTestHooks speedTests_;
  QPointer<QMenu> stageMenu_;
  QPointer<QMenu> focusMenu_;
  std::unique_ptr<FilterWheelMenu> wheelF_;
  std::unique_ptr<FilterWheelMenu> wheelB_;
  std::unique_ptr<MagnificationMenu> mag_;
  std::unique_ptr<CubeChangerMenu> cube_;
};

// Lets the tab and the menu bar follow each other's changes and joystick steps of the wheels,
// and hands the tab the menus it opens as pop-ups.
void ConnectDeviceParts(Wheels& wheels, DeviceTab& tab, DeviceMenuBar& menus,
                        QMenu* joystickMenu = nullptr);

}  // namespace qv
