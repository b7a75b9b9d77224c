#pragma once
// Keyword parameter files and plain list files: the one place where the program's small text
// files are read and written. Every operation names its file and its list: the module keeps no
// current file or list, because a read or write may show a message box, and the commands that
// run in its event loop read and write files of their own.
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

// The entries by position, as the parameter editor shows them. ParCount is at most 32767.
int16_t ParCount(const ParList& list);
// 1 and the entry; else -1, name "UNDEFINED" and the integer 0.
int16_t GetParAt(const ParList& list, int index, std::string& name, ParValue& value);
int16_t SetParAt(ParList& list, int index, const ParValue& value);

class KeywordFiles {
 public:
  explicit KeywordFiles(Notifier& notifier) : notifier_(notifier) {}

  // The program folder, followed by the path separator: set at start-up, before any command
  // runs, and only read afterwards.
  void SetParDir(std::string directory) { directory_ = std::move(directory); }
  const std::string& ParDir() const { return directory_; }
  // The full path of a file of the program folder: directory & file name.
  std::string ParPath(std::string_view fileName) const {
    return directory_ + std::string(fileName);
  }

  // 1 read; -1 file missing ("File " & path & " does not exist" shown, list untouched) or not
  // readable ("File " & path & " could not be read", critical; list untouched).
  int16_t ReadParList(const std::string& path, ParList& list);
  // The text of a keyword or list file, decoded (see DecodeText), under ReadParList's results
  // and messages.
  int16_t ReadFileText(const std::string& path, std::string& text);
  // 1 written (atomically); -1 when the file could not be written or is read-only, with a
  // message; kLinkRefused, with a message, when a link on the way is not followed.
  int16_t WriteParList(const std::string& path, const ParList& list);

  // Number of items read; -1 file missing or unreadable (message shown). A list without bounds
  // becomes a list of one empty element before anything else, so callers may rely on item 0.
  int ReadList(const std::string& path, PlainList& list);
  // 1 written (atomically); -1 on any failure, without a message, except a link that is not
  // followed: kLinkRefused with a message naming it. One line per element: a line break inside
  // an element is written as a blank.
  int16_t WriteList(const PlainList& list, const std::string& path);

  // What GetPar's result means to the operator, for a key of the file at `path`: "Parameter " &
  // name & " not found in " & path, or that its value is not a valid number.
  void ReportGetFailure(const std::string& path, std::string_view name, int16_t result);
  // The message for a file that could not be written: read-only, behind a link that is not
  // followed, or not writable at all.
  void ReportWriteFailure(const std::string& path);

 private:
  void ReportMissingFile(const std::string& path);

  Notifier& notifier_;
  std::string directory_;  // the program folder followed by the path separator
};

}  // namespace qv
