// Feeds arbitrary bytes to the plain list reader as the content of a file, then writes the
// items and reads them again: reading must not crash, and items without commas (which the
// format cannot hold on one line) must come back unchanged.
#include <stdlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "foundation/Trapar.h"
#include "fuzz/FuzzSupport.h"

namespace {

using qv::fuzz::Check;
using qv::fuzz::FuzzFolder;
using qv::fuzz::SilentNotifier;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view content(reinterpret_cast<const char*>(data), size);

  const qv::PlainList items = qv::ParseListText(content);
  Check(items.size() >= qv::SplitFileLines(content).size());
  bool anyComma = false;
  for (const std::string& item : items) {
    Check(item.find_first_of("\r\n") == std::string::npos);
    Check(item.empty() || (item.front() != ' ' && item.back() != ' '));
    Check(item.empty() || item.front() != '"');
    anyComma = anyComma || item.find(',') != std::string::npos;
  }

  Check(qv::JoinLines(qv::SplitLines(content)) == content);

  SilentNotifier notifier;
  qv::Trapar trapar(notifier);
  const std::string path = FuzzFolder() + "FUZZ.PRG";
  Check(trapar.WriteList(items, path) == 1);
  qv::PlainList back;
  const int count = trapar.ReadList(path, back);
  Check(count >= 0 && static_cast<std::size_t>(count) == back.size());
  Check(notifier.count == 0);
  if (anyComma) {
    Check(back.size() >= items.size());
  } else {
    Check(back == items);
  }
  return 0;
}
