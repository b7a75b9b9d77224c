#include "ui/DeviceReadiness.h"

namespace qv {

std::string NotReadyReason(const SharedState& state, DeviceId device) {
  if (state.Ready[device] == 1) return {};
  const DeviceRow& row = Device(device);
  if (state.Config.Installed[device] != 1) {
    return std::string(row.name) + " not installed (" + row.installedKey + " in QV_CONFIG.TXT)";
  }
  return std::string(row.name) + " not ready: its controller did not answer or " + row.file +
         " did not load";
}

void ReadinessGate::Add(DeviceId device, QWidget* control) {
  controls_.push_back({device, control, control->toolTip()});
  refreshed_ = false;
}

void ReadinessGate::Add(DeviceId device, QAction* entry) {
  entries_.push_back(
      {device, entry, entry->toolTip() == entry->text() ? QString() : entry->toolTip()});
  refreshed_ = false;
}

void ReadinessGate::Apply(const std::string& reason, QWidget* control, const QString& ownTip) {
  control->setEnabled(reason.empty());
  control->setToolTip(reason.empty() ? ownTip : QString::fromStdString(reason));
}

void ReadinessGate::Apply(const std::string& reason, QAction* entry, const QString& ownTip) {
  entry->setEnabled(reason.empty());
  entry->setToolTip(reason.empty() ? ownTip : QString::fromStdString(reason));
}

void ReadinessGate::Refresh(const SharedState& state) {
  std::array<bool, kDeviceCount> changed{};
  for (const DeviceRow& row : kDeviceTable) {
    const size_t d = DeviceIndex(row.id);
    std::string reason = NotReadyReason(state, row.id);
    changed[d] = !refreshed_ || reason != shown_[d];
    shown_[d] = std::move(reason);
  }
  refreshed_ = true;
  for (const auto& gated : controls_) {
    const auto d = DeviceIndex(gated.device);
    if (changed[d] && gated.object) Apply(shown_[d], gated.object, gated.ownTip);
  }
  for (const auto& gated : entries_) {
    const auto d = DeviceIndex(gated.device);
    if (changed[d] && gated.object) Apply(shown_[d], gated.object, gated.ownTip);
  }
}

}  // namespace qv
