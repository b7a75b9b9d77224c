#pragma once
// Controls and menu entries that only work while their device is ready: disabled, with a tool
// tip that says why, while it is not, and enabled again (with their own tool tip) as soon as the
// device's ready flag is set, for example after its parameters were edited.
#include <QAction>
#include <QPointer>
#include <QWidget>
#include <array>
#include <string>
#include <vector>

#include "foundation/DeviceTable.h"
#include "foundation/SharedState.h"

namespace qv {

// Why the device cannot be used now; empty when it is ready. "Stage not installed
// (XY_INSTALLED in QV_CONFIG.TXT)", or "Stage not ready: ..." when it is installed but did not
// come up.
std::string NotReadyReason(const SharedState& state, DeviceId device);

class ReadinessGate {
 public:
  void Add(DeviceId device, QWidget* control);
  void Add(DeviceId device, QAction* entry);
  // Brings every control in line with the ready flags; changes only what changed.
  void Refresh(const SharedState& state);
  // One control or entry in line with its device now (items made after the last refresh).
  static void Apply(const std::string& reason, QWidget* control, const QString& ownTip);
  static void Apply(const std::string& reason, QAction* entry, const QString& ownTip);

 private:
  template <class T>
  struct Gated {
    DeviceId device;
    QPointer<T> object;
    QString ownTip;  // the tool tip while the device is ready
  };
  std::vector<Gated<QWidget>> controls_;
  std::vector<Gated<QAction>> entries_;
  std::array<std::string, kDeviceCount> shown_{};  // the reason each device's controls show now
  bool refreshed_ = false;
};

}  // namespace qv
