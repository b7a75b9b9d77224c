#include "commands/LineSplitter.h"

namespace qv {

std::vector<LineSplitter::Line> LineSplitter::Feed(std::string_view bytes) {
  std::vector<Line> lines;
  while (!bytes.empty()) {
    const size_t lf = bytes.find('\n');
    const std::string_view run = bytes.substr(0, lf);
    bytes.remove_prefix(lf == std::string_view::npos ? bytes.size() : lf + 1);
    if (!discarding_) {
      partial_.append(run);
      if (PartialTooLong()) {
        lines.push_back({{}, true});
        partial_.clear();
        discarding_ = true;
      }
    }
    if (lf == std::string_view::npos) break;
    if (discarding_) {
      discarding_ = false;  // the too-long line has ended; it was reported already
      continue;
    }
    if (!partial_.empty() && partial_.back() == '\r') partial_.pop_back();
    lines.push_back({std::move(partial_), false});
    partial_.clear();
  }
  return lines;
}

std::optional<LineSplitter::Line> LineSplitter::Finish() {
  discarding_ = false;
  if (partial_.empty()) return std::nullopt;
  if (partial_.back() == '\r') partial_.pop_back();
  Line last{std::move(partial_), false};
  partial_.clear();
  return last;
}

// One byte more than the limit is allowed while it may be the CR of the line's ending.
bool LineSplitter::PartialTooLong() const {
  if (partial_.size() <= maxLength_) return false;
  return partial_.size() - maxLength_ > 1 || partial_.back() != '\r';
}

}  // namespace qv
