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

namespace {

class SilentNotifier : public qv::Notifier {
 public:
  qv::MsgResult MessageBox(const std::string&, qv::MsgIcon, const std::string&,
                           qv::MsgButtons) override {
    ++count;
    return qv::MsgResult::Ok;
  }
  int count = 0;
};

// One private folder for the whole run; tmpfs when there is one, as every input is synced.
// Never freed: the exit handler that removes the folder still needs its name.
const std::string* gFolder = nullptr;

const std::string& FuzzFolder() {
  if (gFolder == nullptr) {
    const std::string base = std::filesystem::is_directory("/dev/shm")
                                 ? std::string("/dev/shm")
                                 : std::filesystem::temp_directory_path().string();
    std::string templ = base + "/qvfuzz.XXXXXX";
    if (::mkdtemp(templ.data()) == nullptr) abort();
    gFolder = new std::string(templ + "/");
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(*gFolder, ec);
    });
  }
  return *gFolder;
}

void Check(bool condition) {
  if (!condition) abort();
}

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
