#pragma once
// The texts the file dialog shows and hands to the text editor for the files of a folder.
#include <cstdint>
#include <string>
#include <vector>

namespace qv {

// A moment in local time, as the file system reports a file's last change.
struct FileStamp {
  int year = 0;
  int month = 0;   // 1..12
  int day = 0;     // 1..31
  int hour = 0;    // 0..23
  int minute = 0;  // 0..59
};

struct FileRow {
  std::string name;
  std::uint64_t size = 0;  // bytes
  FileStamp changed;
};

// Bytes with a comma between groups of three digits: "1,234,567". An empty file shows "0"
// rather than nothing, so that it cannot be taken for a size the program failed to read.
std::string FormatFileSize(std::uint64_t size);
// "mm-dd-yyyy hh:mmAM" on a twelve-hour clock: midnight is 12:00AM, noon 12:00PM.
std::string FormatFileDate(const FileStamp& stamp);
// The folder on the first line, then one line per file: name, size and date separated by tabs.
// Every line ends with CR LF, the line end of the texts the editor is given.
std::string BuildFileListing(const std::string& folder, const std::vector<FileRow>& files);

}  // namespace qv
