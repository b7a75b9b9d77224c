#pragma once
// Cuts a byte stream into command lines. A line ends at LF; a CR just before the LF is not part
// of it. A line longer than the limit is not kept: it is reported once, as soon as it has
// passed the limit, and the rest of it up to its LF is dropped, so a client that never ends a
// line costs no more memory than the limit.
#include <cstddef>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

class LineSplitter {
 public:
  struct Line {
    std::string text;      // without its LF and the CR before it
    bool tooLong = false;  // the line passed the limit; `text` is empty
  };

  static constexpr size_t kUnlimited = std::numeric_limits<size_t>::max();

  // `maxLength`: bytes a line may have, without its ending.
  explicit LineSplitter(size_t maxLength) : maxLength_(maxLength) {}

  // The lines that `bytes` completes (and the too-long ones it reveals), in order.
  std::vector<Line> Feed(std::string_view bytes);
  // At the end of the input: the unfinished last line, if it holds anything.
  std::optional<Line> Finish();

 private:
  bool PartialTooLong() const;

  size_t maxLength_;
  std::string partial_;      // the line so far, at most maxLength_ + 1 bytes between calls
  bool discarding_ = false;  // dropping the rest of a too-long line, up to its LF
};

}  // namespace qv
