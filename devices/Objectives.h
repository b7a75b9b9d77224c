#pragma once
// The objective table: the magnification of each objective position of the nosepiece, which the
// field-of-view and scan calculations use, and the objective and magnification in use.
#include <array>
#include <cstdint>

#include "foundation/KeywordFiles.h"

namespace qv {

inline constexpr int kObjectivePositions = 10;
inline constexpr int16_t kStartMagnification = 10;

class Objectives {
 public:
  explicit Objectives(KeywordFiles& keywordFiles) : keywordFiles_(keywordFiles) {}

  // Clears the table and reads QV_OBJPOSMAG.TXT of the program folder into a list of its own:
  // every key beginning "OBJPOS" and ending in a digit d from 1 to 9 gives position d its value
  // rounded to an integer; the highest such d becomes the count. Always 0.
  int16_t ReadObjPosMag();

  int16_t ObjCount() const { return count_; }
  // Magnification of `position` (1..10); 0 for a position the file does not name.
  int16_t ObjPosMag(int position) const;

  // Makes `position` current with its magnification when 1 <= position <= ObjCount.
  bool SelectObjective(int16_t position);
  int16_t CurrentObjective() const { return objective_; }
  int16_t Mag() const { return mag_; }
  // Start-up: the magnification until an objective is chosen.
  void ResetMag() { mag_ = kStartMagnification; }

 private:
  KeywordFiles& keywordFiles_;
  std::array<int16_t, kObjectivePositions + 1> magTable_{};  // index = position 1..10
  int16_t count_ = 0;
  int16_t objective_ = 0;              // current objective position; 0 none chosen
  int16_t mag_ = kStartMagnification;  // current magnification
};

}  // namespace qv
