#include "controllers/AxesControl.h"

#include "foundation/NumberText.h"

namespace qv {

int16_t AxisAddressOf(const std::string& item) {
  const std::string_view trimmed = TrimBlanks(item);
  return trimmed.empty() ? int16_t{0}
                         : static_cast<int16_t>(static_cast<unsigned char>(trimmed[0]));
}

AxesProbeResult AxesControl::AxesProbe() {
  AxesProbeResult result;
  if (axesProbed_) return result;
  axesProbed_ = true;
  PlainList items;
  if (keywordFiles_.ReadList(keywordFiles_.ParDir() + kAxesFileName, items) < 0) return result;
  for (const std::string& item : items) {
    const int16_t address = AxisAddressOf(item);
    // A blank line names no unit: address 0 would probe whatever answers to a NUL.
    if (address == 0 || !Answers(address)) continue;
    const std::string caption(TrimBlanks(item));
    if (axesCount_ >= kMaxAxes) {
      result.ignored.push_back(caption);
    } else {
      result.offered.push_back(OfferedAxis{caption, Offer(address)});
    }
  }
  if (axesCount_ > 0) AxesSelect(static_cast<int16_t>(axesCount_ - 1));
  return result;
}

AxisAdded AxesControl::AddAxis(const std::string& item, int16_t& index) {
  const int16_t address = AxisAddressOf(item);
  if (address == 0 || Offered(address)) return AxisAdded::kOfferedAlready;
  if (axesCount_ >= kMaxAxes) return AxisAdded::kTableFull;
  if (!Answers(address)) return AxisAdded::kNoAnswer;
  index = Offer(address);
  AxesSelect(index);
  return AxisAdded::kOffered;
}

bool AxesControl::AxesSelect(int16_t index) {
  if (index < 0 || index >= axesCount_) return false;
  currentAxis_ = index;
  return true;
}

void AxesControl::StoreOutValue(int index, int16_t value) {
  if (index >= 0 && index < static_cast<int>(Current().OutValues.size()))
    Current().OutValues[static_cast<size_t>(index)] = value;
}

void AxesControl::StorePortValue(int index, int16_t value) {
  if (index >= 0 && index < static_cast<int>(Current().InPorts.size()))
    Current().InPorts[static_cast<size_t>(index)] = value;
}

bool AxesControl::Answers(int16_t address) {
  double position = 0;
  return motors_.MotorReadPos(address, position).ok();
}

int16_t AxesControl::Offer(int16_t address) {
  const int16_t index = axesCount_++;
  records_[static_cast<size_t>(index)] = AxisRecord{};
  records_[static_cast<size_t>(index)].Address = address;
  return index;
}

bool AxesControl::Offered(int16_t address) const {
  for (int i = 0; i < axesCount_; ++i)
    if (records_[static_cast<size_t>(i)].Address == address) return true;
  return false;
}

}  // namespace qv
