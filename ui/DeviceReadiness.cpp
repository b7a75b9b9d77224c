#include "ui/DeviceReadiness.h"

namespace qv {

namespace {

struct DriveFlags {
  const char* name;  // as the operator knows the device
  const char* key;   // its installed key in QV_CONFIG.TXT
  const char* file;  // its parameter file
};

DriveFlags FlagsOf(Drive drive) {
  switch (drive) {
    case Drive::XY:
      return {"Stage", "XY_INSTALLED", "QV_PARXY.TXT"};
    case Drive::Z:
      return {"Focus", "Z_INSTALLED", "QV_PARZ.TXT"};
    case Drive::F:
      return {"Filter wheel F", "W1_INSTALLED", "QV_PARW1.TXT"};
    case Drive::B:
      return {"Filter wheel B", "W2_INSTALLED", "QV_PARW2.TXT"};
    case Drive::Cube:
      return {"Cube changer", "CUBE_INSTALLED", "QV_PARCUBE.TXT"};
    case Drive::Leds:
      return {"LEDs", "LEDS_INSTALLED", "QV_LEDS.TXT"};
  }
  return {"", "", ""};
}

std::pair<int16_t, int16_t> InstalledAndReady(const SharedState& state, Drive drive) {
  const Configuration& c = state.Config;
  const ReadyFlags& r = state.Ready;
  switch (drive) {
    case Drive::XY:
      return {c.XYInstalled, r.XYReady};
    case Drive::Z:
      return {c.ZInstalled, r.ZReady};
    case Drive::F:
      return {c.WInstalled[1], r.WReady[1]};
    case Drive::B:
      return {c.WInstalled[2], r.WReady[2]};
    case Drive::Cube:
      return {c.CubeInstalled, r.CubeReady};
    case Drive::Leds:
      return {c.LEDsInstalled, r.LEDsReady};
  }
  return {0, 0};
}

}  // namespace

std::string NotReadyReason(const SharedState& state, Drive drive) {
  const auto [installed, ready] = InstalledAndReady(state, drive);
  if (ready == 1) return {};
  const DriveFlags flags = FlagsOf(drive);
  if (installed != 1) {
    return std::string(flags.name) + " not installed (" + flags.key + " in QV_CONFIG.TXT)";
  }
  return std::string(flags.name) + " not ready: its controller did not answer or " + flags.file +
         " did not load";
}

void ReadinessGate::Add(Drive drive, QWidget* control) {
  controls_.push_back({drive, control, control->toolTip()});
  refreshed_ = false;
}

void ReadinessGate::Add(Drive drive, QAction* entry) {
  entries_.push_back(
      {drive, entry, entry->toolTip() == entry->text() ? QString() : entry->toolTip()});
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
  std::array<bool, 6> changed{};
  for (size_t d = 0; d < shown_.size(); ++d) {
    std::string reason = NotReadyReason(state, static_cast<Drive>(d));
    changed[d] = !refreshed_ || reason != shown_[d];
    shown_[d] = std::move(reason);
  }
  refreshed_ = true;
  for (const auto& gated : controls_) {
    const auto d = static_cast<size_t>(gated.drive);
    if (changed[d] && gated.object) Apply(shown_[d], gated.object, gated.ownTip);
  }
  for (const auto& gated : entries_) {
    const auto d = static_cast<size_t>(gated.drive);
    if (changed[d] && gated.object) Apply(shown_[d], gated.object, gated.ownTip);
  }
}

}  // namespace qv
