#pragma once
// The menus whose item lists follow the devices: the two filter wheel menus ("F-3", "B-?") with
// one item per filter, the cube menu with one item per cube, and the magnification menu with one
// item per objective position; the item in place carries the check mark.
#include <QMenu>
#include <QMenuBar>
#include <functional>
#include <vector>

#include "ui/DeviceReadiness.h"
#include "ui/IndexerEntries.h"
#include "ui/ParameterEntries.h"

namespace qv {

// A run of checkable items at the top of a menu, rebuilt when their captions change.
class MenuItemList {
 public:
  MenuItemList(QMenu* menu, QAction* before) : menu_(menu), before_(before) {}

  // `chosen` gets the 1-based number of the item chosen.
  void Show(const std::vector<QString>& captions, const std::function<void(int16_t)>& chosen);
  void Check(int number);  // 0: none checked
  // Offered only while the device is ready (an empty reason), else disabled with the reason.
  void Gate(const std::string& reason);
  void Clear();
  int Count() const { return static_cast<int>(items_.size()); }

 private:
  QMenu* menu_;
  QAction* before_;  // the first entry after the items
  std::vector<QAction*> items_;
};

// What the "Speed Test" entries run; an empty one does nothing.
struct SpeedTestHooks {
  std::function<void()> limitLoop;       // X-Y › Advanced › "Speed Test Limit Loop"
  std::function<void()> scan;            // X-Y › Advanced › "Speed Test Scan"
  std::function<void(int wheel)> wheel;  // F-i / B-j › Advanced › "Speed Test"
  std::function<void()> cube;            // Cube › Advanced › "Speed Test"
};

class FilterWheelMenu {
 public:
  // The entries that need the wheel ready go to `gate`; the wheel's own entries are made from
  // `context`.
  FilterWheelMenu(const EntryContext& context, Wheels& wheels, ParameterEntries& parameters,
                  const SpeedTestHooks& hooks, int wheel, QMenuBar* bar, ReadinessGate& gate);

  QMenu* Menu() const { return menu_; }
  void Refresh();  // title, items and check marks from the wheel's state
  // The filter items exist from the window's load to its unload.
  void CreateItems();
  void RemoveItems();

 private:
  void AddEntries(ParameterEntries& parameters, const SpeedTestHooks& hooks, ReadinessGate& gate);

  EntryWindow window_;
  const Wheels& wheels_;
  WheelEntries entries_;
  QMenu* menu_;
  QAction* items_end_;
  MenuItemList items_;
  QAction* joystick_ = nullptr;
  QAction* lamp_ = nullptr;
  QAction* compensation_ = nullptr;
  bool itemsWanted_ = false;
};

class CubeChangerMenu {
 public:
  CubeChangerMenu(const EntryWindow& window, const CubeEntries& entries, const Cube& cube,
                  ParameterEntries& parameters, const SpeedTestHooks& hooks, QMenuBar* bar,
                  ReadinessGate& gate);

  QMenu* Menu() const { return menu_; }
  void Refresh();

 private:
  void AddEntries(ParameterEntries& parameters, const SpeedTestHooks& hooks, ReadinessGate& gate);

  EntryWindow window_;
  const Cube& cube_;
  CubeEntries entries_;
  QMenu* menu_;
  QAction* items_end_;
  MenuItemList items_;
};

class MagnificationMenu {
 public:
  MagnificationMenu(const WindowServices& services, const Objectives& objectives,
                    ParameterEntries& parameters, QMenuBar* bar);

  QMenu* Menu() const { return menu_; }
  void Refresh();  // objective items and the current one's check mark

 private:
  const WindowServices& services_;
  const Objectives& objectives_;
  ParameterEntries& parameters_;
  QMenu* menu_;
  QAction* items_end_;
  MenuItemList items_;
};

}  // namespace qv
