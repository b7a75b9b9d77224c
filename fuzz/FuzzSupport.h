#pragma once
// What the fuzz targets share: a notifier that only counts, a private folder for files written
// during the run, and a check that turns a broken promise into a crash the fuzzer reports.
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "foundation/Notifier.h"

namespace qv::fuzz {

class SilentNotifier final : public qv::Notifier {
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
inline const std::string* gFolder = nullptr;

inline const std::string& FuzzFolder() {
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

inline void Check(bool condition) {
  if (!condition) abort();
}

}  // namespace qv::fuzz
