#include "ui/FileListing.h"

#include <cstdio>

namespace qv {
namespace {

constexpr const char* kLineEnd = "\r\n";

}  // namespace

std::string FormatFileSize(std::uint64_t size) {
  const std::string digits = std::to_string(size);
  std::string grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
    grouped += digits[i];
  }
  return grouped;
}

std::string FormatFileDate(const FileStamp& stamp) {
  const int hour12 = stamp.hour % 12 == 0 ? 12 : stamp.hour % 12;
  const char* half = stamp.hour < 12 ? "AM" : "PM";
  char text[64];
  std::snprintf(text, sizeof text, "%02d-%02d-%04d %02d:%02d%s", stamp.month, stamp.day, stamp.year,
                hour12, stamp.minute, half);
  return text;
}

std::string BuildFileListing(const std::string& folder, const std::vector<FileRow>& files) {
  std::string listing = folder + kLineEnd;
  for (const FileRow& file : files) {
    listing += file.name + '\t' + FormatFileSize(file.size) + '\t' + FormatFileDate(file.changed) +
               kLineEnd;
  }
  return listing;
}

}  // namespace qv
