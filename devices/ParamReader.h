#pragma once
// Loads a device file key by key under the device files' rules: a required key that is missing
// is named in a message and fails the load while the other keys are still read; an optional
// key takes its default silently; a "message" key is named when missing but takes its default
// without failing the load.
#include <cstdint>
#include <string>

#include "foundation/Trapar.h"

namespace qv {

class ParamReader {
 public:
  explicit ParamReader(Trapar& trapar) : trapar_(trapar) {}

  // Names the file and reads it; false (after the missing-file message) when it is not there.
  bool Open(const std::string& fileName);

  // Numbers are read as double precision and stored in the variable's type, integers rounded
  // with halves to the even neighbour. A missing required key leaves its variable alone.
  void Required(const std::string& key, double& value);
  void Required(const std::string& key, int16_t& value);
  void Required(const std::string& key, int32_t& value);
  // A controller address: the code of the first character of the trimmed value.
  void RequiredAddress(const std::string& key, int16_t& address);

  template <class T>
  void Optional(const std::string& key, T& value, T fallback) {
    const int16_t result = trapar_.ParSilent(key, value, "from");
    if (result == -1) {
      value = fallback;
    } else if (result < 0) {
      trapar_.Par(key, value, "from");  // a value that is no number is named, and fails
      failed_ = true;
    }
  }

  template <class T>
  void Message(const std::string& key, T& value, T fallback) {
    const int16_t result = trapar_.Par(key, value, "from");
    if (result == -1) value = fallback;
    if (result == kParBadValue) failed_ = true;
  }

  // 1 when every required key was there, else -1.
  int16_t Result() const { return failed_ ? -1 : 1; }

 private:
  template <class T>
  void Require(const std::string& key, T& value) {
    if (trapar_.Par(key, value, "from") < 0) failed_ = true;
  }

  Trapar& trapar_;
  bool failed_ = false;
};

}  // namespace qv
