#pragma once
// Keyword parameter files and plain list files: the one place where the program's small text
// files are read and written. The module keeps one current path (directory & file name) and one
// current keyword list; callers name a file, read it, fetch keys, or build a list and write it.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "foundation/Notifier.h"

namespace qv {

// A value read from a file is always text; a value put by a caller keeps the caller's type.
using ParValue = std::variant<std::string, int16_t, int32_t, double>;

struct ParEntry {
  std::string Name;
  ParValue Value;
};

// Lower bound 0; the upper bound is size() - 1. An empty vector is a list without bounds.
using ParList = std::vector<ParEntry>;
using PlainList = std::vector<std::string>;

// Status of GetPar when the entry exists but its text does not convert to the receiving
// variable's type (letters into a number, a number too large for 16 bits).
inline constexpr int16_t kParBadValue = -2;
// Status of a write that was refused because it would follow a symbolic link that somebody else
// could have planted (RefusedLink); the message names the link.
inline constexpr int16_t kLinkRefused = -3;

// --- Pure format helpers (no files, no state) ---

// One keyword line: the entry, or false for a line that is skipped (fewer than 5 characters,
// or no pair of double quotes around a name).
bool ParseKeywordLine(std::string_view line, ParEntry& entry);
// The value text of a written line: text as it is, numbers in Str form (" 125", " .5", "-.25").
std::string FormatParValue(const ParValue& value);
// "\"" & name & "\"," & value text (no line end). A line break inside the name or value is
// written as a blank, so that an entry never spills onto a second line.
std::string FormatKeywordLine(const ParEntry& entry);
// One line of a file and the line end that followed it ("\r\n", "\n", "\r" or none).
struct FileLine {
  std::string_view text;
  std::string_view end;
};
// The lines of a file: CR LF ends a line; a lone LF or CR is accepted too. A final line end
// does not start another line.
std::vector<FileLine> CutFileLines(std::string_view content);
std::vector<std::string> SplitFileLines(std::string_view content);  // the texts of CutFileLines
// The text with each CR and LF written as a blank, so that it stays on one line of a file.
std::string OneLine(std::string text);
// The entries of a keyword file's text (already decoded, see DecodeText): every line that
// ParseKeywordLine takes, in file order. ReadParList is this on the file's decoded bytes.
ParList ParseKeywordText(std::string_view content);
// The text of a keyword file: FormatKeywordLine of each entry followed by CR LF. WriteParList
// writes exactly these bytes.
std::string FormatKeywordText(const ParList& list);
// The items of a plain list file, comma-separated-record style (see ReadList).
PlainList ParseListText(std::string_view content);
// The text of a plain list file: each item on a line of its own (a line break inside an item
// written as a blank), followed by CR LF. WriteList writes exactly these bytes.
std::string FormatListText(const PlainList& list);

std::string JoinLines(const PlainList& list);  // elements joined with CR LF between them
PlainList SplitLines(std::string_view text);   // split at each CR LF, empty pieces kept

// The first entry named exactly `name`, copied into `value` converted to its type: 1 found, -1
// not found, kParBadValue not convertible; `value` is untouched unless the result is 1.
int16_t GetPar(const ParList& list, std::string_view name, std::string& value);
int16_t GetPar(const ParList& list, std::string_view name, int16_t& value);
int16_t GetPar(const ParList& list, std::string_view name, int32_t& value);
int16_t GetPar(const ParList& list, std::string_view name, double& value);
int16_t GetPar(const ParList& list, std::string_view name, ParValue& value);
// Replaces the value of the first entry named `name`, or appends the entry; the value keeps the
// caller's type, which decides how it is written.
void PutPar(ParList& list, std::string_view name, ParValue value);
// Makes the list that one entry: the start of a list that is about to be written afresh.
void ResetPar(ParList& list, std::string_view name, ParValue value);

class Trapar {
 public:
  explicit Trapar(Notifier& notifier) : notifier_(notifier) {}

  void SetParDir(std::string directory) { directory_ = std::move(directory); }
  void SetParFile(std::string fileName) { fileName_ = std::move(fileName); }
  std::string GetParPath() const { return directory_ + fileName_; }
  const std::string& ParDir() const { return directory_; }

  // 1 read; -1 file missing ("File " & path & " does not exist" shown, list untouched) or not
  // readable ("File " & path & " could not be read", critical; list untouched).
  int16_t ReadParList(const std::string& path, ParList& list);
  int16_t ReadParFile() { return ReadParList(GetParPath(), parList_); }
  int16_t ReadParFileTo(ParList& list) { return ReadParList(GetParPath(), list); }
  // 1 written (atomically); -1 when the file could not be written or is read-only, with a
  // message; kLinkRefused, with a message, when a link on the way is not followed.
  int16_t WriteParList(const std::string& path, const ParList& list);
  int16_t WriteParFile() { return WriteParList(GetParPath(), parList_); }

  // GetPar, PutPar and ResetPar on the current list. GetPar shows a message when the key is
  // missing ("Parameter " & name & " not found in " & path) or its value does not convert;
  // GetParSilent does not.
  template <class T>
  int16_t GetPar(std::string_view name, T& value) {
    const int16_t result = qv::GetPar(parList_, name, value);
    if (result < 0) ReportGetFailure(name, result);
    return result;
  }
  template <class T>
  int16_t GetParSilent(std::string_view name, T& value) const {
    return qv::GetPar(parList_, name, value);
  }
  void PutPar(std::string_view name, ParValue value) {
    qv::PutPar(parList_, name, std::move(value));
  }
  void ResetPar(std::string_view name, ParValue value) {
    qv::ResetPar(parList_, name, std::move(value));
  }

  int16_t ParCount() const;
  // 1 and the entry; else -1, name "UNDEFINED" and the integer 0.
  int16_t GetParAt(int index, std::string& name, ParValue& value) const;
  int16_t SetParAt(int index, const ParValue& value);

  // Number of items read; -1 file missing or unreadable (message shown). A list without bounds
  // becomes a list of one empty element before anything else, so callers may rely on item 0.
  int ReadList(const std::string& path, PlainList& list);
  int ReadListFile(PlainList& list) { return ReadList(GetParPath(), list); }
  // 1 written (atomically); -1 on any failure, without a message, except a link that is not
  // followed: kLinkRefused with a message naming it. One line per element: a line break inside
  // an element is written as a blank.
  int16_t WriteList(const PlainList& list, const std::string& path);
  int16_t WriteListFile(const PlainList& list) { return WriteList(list, GetParPath()); }

  // The message for a file that could not be written: read-only, behind a link that is not
  // followed, or not writable at all.
  void ReportWriteFailure(const std::string& path);

  ParList& CurrentList() { return parList_; }
  const ParList& CurrentList() const { return parList_; }

 private:
  void ReportGetFailure(std::string_view name, int16_t result);
  void ReportMissingFile(const std::string& path);

  Notifier& notifier_;
  std::string directory_;  // the program folder followed by the path separator
  std::string fileName_;
  ParList parList_;
};

}  // namespace qv
