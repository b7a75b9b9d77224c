#pragma once
// Reads a keyword file key by key under the rules that all the program's keyword files share: a
// required key that is missing is named in a message and fails the read, while the other keys
// are still read; an optional key takes its default silently; a "message" key is named when
// missing but takes its default without failing the read. A value that does not convert to its
// variable's type is named and fails the read whatever the kind of key. The reader holds the
// file's path and entries itself: the message about one key is a modal box, and commands that
// run meanwhile may read and write other keyword files.
#include <cstdint>
#include <string>
#include <string_view>

#include "foundation/KeywordFiles.h"
#include "foundation/NumberText.h"

namespace qv {

class KeywordReader {
 public:
  explicit KeywordReader(KeywordFiles& keywordFiles) : keywordFiles_(keywordFiles) {}

  // Reads the file of the program folder; false (after the missing-file message) when it is not
  // there.
  bool Open(const std::string& fileName) {
    path_ = keywordFiles_.ParPath(fileName);
    failed_ = keywordFiles_.ReadParList(path_, list_) < 0;
    return !failed_;
  }

  // Each returns what the key's GetPar gave (1, -1 missing, kParBadValue), so that a file with
  // rules of its own can act on a single key. A missing required key leaves its variable alone.
  template <class T>
  int16_t Required(std::string_view key, T& value) {
    return Count(Get(key, value));
  }
  template <class T>
  int16_t Optional(std::string_view key, T& value, T fallback) {
    return WithDefault(key, value, std::move(fallback), false);
  }
  template <class T>
  int16_t Message(std::string_view key, T& value, T fallback) {
    return WithDefault(key, value, std::move(fallback), true);
  }

  // A required key whose value is a controller's address: the code of the first character of
  // the trimmed text. An empty value names no unit and fails the read; `address` stays.
  void RequiredAddress(std::string_view key, int16_t& address) {
    std::string text;
    if (Required(key, text) != 1) return;
    const std::string_view trimmed = TrimBlanks(text);
    if (trimmed.empty()) {
      Fail();
      return;
    }
    address = static_cast<unsigned char>(trimmed.front());
  }
  // For a value that was read but makes no sense to the file's owner.
  void Fail() { failed_ = true; }
  // 1 when every required key was there and every value converted, else -1.
  int16_t Result() const { return failed_ ? -1 : 1; }

 private:
  // GetPar with the message for a key that is missing or does not convert.
  template <class T>
  int16_t Get(std::string_view key, T& value) {
    return Reported(key, GetPar(list_, key, value));
  }
  int16_t Reported(std::string_view key, int16_t result) {
    if (result < 0) keywordFiles_.ReportGetFailure(path_, key, result);
    return result;
  }
  // A key that may be missing: it then takes `fallback`, named only when `nameMissing`. A value
  // that does not convert is named and fails the read.
  template <class T>
  int16_t WithDefault(std::string_view key, T& value, T fallback, bool nameMissing) {
    const int16_t result = GetPar(list_, key, value);
    if (result == kParBadValue) Count(Reported(key, result));
    if (result == -1) {
      if (nameMissing) Reported(key, result);
      value = std::move(fallback);
    }
    return result;
  }
  int16_t Count(int16_t result) {
    if (result < 0) failed_ = true;
    return result;
  }

  KeywordFiles& keywordFiles_;
  std::string path_;
  ParList list_;
  bool failed_ = false;
};

}  // namespace qv
