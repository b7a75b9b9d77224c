#pragma once
// Which controller units the diagnostic panel offers, and what the operator last typed or read
// there for each of them. The candidates are listed in QV_AXES.TXT; the first showing of the
// panel probes each one on the line, and only the units that answer are offered.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "controllers/MotorControllers.h"
#include "foundation/KeywordFiles.h"

namespace qv {

inline constexpr const char* kAxesFileName = "QV_AXES.TXT";
inline constexpr int kMaxAxes = 31;  // records in the table; further units are not offered

// What the panel remembers of one unit. Nothing of it is ever written to a file.
struct AxisRecord {
  int16_t Address = 0;                    // character code of the unit's address
  double Distance = 0;                    // last relative travel typed (microsteps)
  std::vector<double> Destinations{0.0};  // [0] the destination typed, then those added
  double LastPos = 0;                     // last position read (microsteps)
  int16_t HomeSpeed = 0;                  // last home speed typed (microsteps/s)
  int16_t JogSpeed = 0;                   // shown when chosen; nothing stores it
  std::array<int16_t, 3> InPorts{};       // last port values read; -1 after a failed read
  std::array<int16_t, 4> OutValues{};     // output values typed (three used)
  int16_t LastStatus = 0;                 // last limit or hardware value; -1 after a failure
};

// One unit the panel offers: the button's caption and the record's index.
struct OfferedAxis {
  std::string caption;
  int16_t index = 0;
};

// What became of a unit the operator asked to add.
enum class AxisAdded {
  kOffered,         // it answers and is offered now
  kNoAnswer,        // it does not answer
  kTableFull,       // the table holds no further unit
  kOfferedAlready,  // it is offered already, or the text is blank
};

struct AxesProbeResult {
  std::vector<OfferedAxis> offered;  // new buttons, in file order
  std::vector<std::string> ignored;  // captions of answering units beyond the table's size
};

class AxesControl {
 public:
  AxesControl(KeywordFiles& keywordFiles, MotorControllers& motors)
      : keywordFiles_(keywordFiles), motors_(motors) {}

  // The first call reads the file and probes every listed unit (never again, even when the
  // file is missing). The last unit offered becomes the current one.
  AxesProbeResult AxesProbe();
  // One further unit, named as a line of the file would name it; `index` gets its record's
  // index once it is offered. The new unit becomes the current one.
  AxisAdded AddAxis(const std::string& item, int16_t& index);
  // Chooses the unit of record `index`; an index without a record changes nothing (false).
  bool AxesSelect(int16_t index);
  // The address of the chosen unit, which the panel's operations name; 0 while none is offered.
  int16_t CurrentUnit() const { return axesCount_ > 0 ? CurrentRecord().Address : int16_t{0}; }

  // The stores of the panel's fields, each into the current record.
  void StoreDistance(double value) { Current().Distance = value; }
  void StoreDestination(double value) { Current().Destinations[0] = value; }
  void AddDestination(double value) { Current().Destinations.push_back(value); }
  void StoreLastPos(double value) { Current().LastPos = value; }
  void StoreHomeSpeed(int16_t value) { Current().HomeSpeed = value; }
  void StoreOutValue(int index, int16_t value);
  void StorePortValue(int index, int16_t value);
  void StoreLastStatus(int16_t value) { Current().LastStatus = value; }

  const AxisRecord& CurrentRecord() const { return records_[static_cast<size_t>(currentAxis_)]; }
  int16_t CurrentAxis() const { return currentAxis_; }

 private:
  AxisRecord& Current() { return records_[static_cast<size_t>(currentAxis_)]; }
  // Whether the unit with address `address` answers a position read.
  bool Answers(int16_t address);
  int16_t Offer(int16_t address);
  bool Offered(int16_t address) const;

  KeywordFiles& keywordFiles_;
  MotorControllers& motors_;
  std::array<AxisRecord, kMaxAxes> records_;
  int16_t axesCount_ = 0;    // records in use, one per button
  int16_t currentAxis_ = 0;  // index of the chosen record
  bool axesProbed_ = false;  // the file has been probed once
};

// The unit a line of QV_AXES.TXT names: the code of its first non-blank character, or 0 for a
// blank line.
int16_t AxisAddressOf(const std::string& item);

}  // namespace qv
