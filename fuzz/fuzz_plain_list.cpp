// Feeds arbitrary bytes to the plain list reader as the content of a file, then writes the
// items and reads them again: reading must not crash, and items without commas (which the
// format cannot hold on one line) must come back unchanged. The file's text is handled in memory,
// exactly as the reader and writer do with a file's bytes.
#include <stdlib.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "foundation/KeywordFiles.h"
#include "foundation/TextEncoding.h"
#include "fuzz/FuzzSupport.h"

namespace {

using qv::fuzz::Check;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view content(reinterpret_cast<const char*>(data), size);

  const std::string text = qv::DecodeText(std::string(content));
  const qv::PlainList items = qv::ParseListText(text);
  Check(items.size() >= qv::SplitFileLines(text).size());
  bool anyComma = false;
  for (const std::string& item : items) {
    Check(item.find_first_of("\r\n") == std::string::npos);
    Check(item.empty() || (item.front() != ' ' && item.back() != ' '));
    Check(item.empty() || item.front() != '"');
    anyComma = anyComma || item.find(',') != std::string::npos;
  }

  Check(qv::JoinLines(qv::SplitLines(content)) == content);

  // A byte order mark is taken as the file's encoding mark, so an item that starts with one
  // cannot be the first item of a file.
  const std::string written = qv::FormatListText(items);
  const qv::PlainList back = qv::ParseListText(qv::DecodeText(written));
  if (written.rfind("\xEF\xBB\xBF", 0) == 0) return 0;
  Check(qv::DecodeText(written) == written);
  if (anyComma) {
    Check(back.size() >= items.size());
  } else {
    Check(back == items);
  }
  return 0;
}
