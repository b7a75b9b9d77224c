#include "app/SampleConfig.h"

#include <algorithm>
#include <ostream>
#include <string>
#include <system_error>
#include <vector>

#include "foundation/Config.h"

namespace qv {

namespace fs = std::filesystem;

int CopySampleConfig(const fs::path& sample, const fs::path& folder, std::ostream& out,
                     std::ostream& err) {
  std::error_code error;
  std::vector<fs::path> files;
  for (fs::directory_iterator it(sample, error), end; !error && it != end; it.increment(error)) {
    if (it->is_regular_file(error)) files.push_back(it->path());
  }
  if (error || files.empty()) {
    err << "no sample configuration in " << sample.string() << ": the installation is incomplete\n";
    return 1;
  }
  std::sort(files.begin(), files.end());
  std::error_code there;
  if (!fs::create_directories(folder, error) && !fs::is_directory(folder, there)) {
    err << "cannot make the folder " << folder.string() << ": " << error.message() << '\n';
    return 1;
  }
  std::string copied, kept;  // file names, each after a blank
  bool configCopied = false;
  for (const fs::path& file : files) {
    const fs::path target = folder / file.filename();
    // A link counts as there, also a dangling one: the copy must not write through it.
    if (fs::exists(fs::symlink_status(target, error))) {
      kept += " " + file.filename().string();
      continue;
    }
    if (!fs::copy_file(file, target, fs::copy_options::none, error)) {
      err << "cannot copy " << file.string() << " to " << target.string() << ": " << error.message()
          << '\n';
      return 1;
    }
    // The settings are the user's to change, whatever the sample's own permissions.
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add,
                    error);
    copied += " " + file.filename().string();
    configCopied = configCopied || file.filename() == kConfigFile;
  }
  if (!copied.empty())
    out << "copied into " << folder.string() << " from " << sample.string() << ":" << copied
        << '\n';
  if (!kept.empty()) out << "kept as they were in " << folder.string() << ":" << kept << '\n';
  if (configCopied) {
    out << "Set the controllers' serial line in " << (folder / kConfigFile).string()
        << ": MPORT n for /dev/ttyS(n-1), or PORTNAME with a device path.\n";
  }
  return 0;
}

}  // namespace qv
