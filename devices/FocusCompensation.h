#pragma once
// Keeps the image in focus across a filter change: every filter position of a wheel carries a
// focus offset, and a change from one filter to another moves the focus by the difference of
// their offsets. Only differences count, so a constant added to a whole table changes nothing.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "controllers/Result.h"
#include "foundation/KeywordFiles.h"

namespace qv {

// The focus operations a filter change needs; the focus drive provides them.
struct FocusLink {
  std::function<Result(double microns)> moveRel;  // relative focus move, not waited for
  std::function<Result()> wait;                   // wait until the focus has stopped
};

class FocusCompensation {
 public:
  explicit FocusCompensation(KeywordFiles& keywordFiles) : keywordFiles_(keywordFiles) {}

  // Recreates the table of `wheel` with `positions` zero offsets and reads "W" wheel "DZ" k for
  // k = 1..positions from the keyword file `fileName` of the program folder. No parameters when
  // the file or any key is missing (each missing key is named; its filter keeps offset 0).
  Result ReadTable(int wheel, int16_t positions, const std::string& fileName);

  void SetOn(int wheel, bool on);
  bool IsOn(int wheel) const;

  // Offset of filter `filter`, microns; 0 for a position the table does not hold (an unknown
  // filter, a table never read).
  int16_t Offset(int wheel, int filter) const;
  // The focus shift of a change from filter `from` to filter `to`, microns.
  double Shift(int wheel, int from, int to) const {
    return static_cast<double>(Offset(wheel, to)) - Offset(wheel, from);
  }

 private:
  KeywordFiles& keywordFiles_;
  std::array<std::vector<int16_t>, 3> tables_;  // per wheel 1, 2: offsets of filters 1.., microns
  std::array<bool, 3> on_{};                    // per wheel 1, 2
};

}  // namespace qv
