#include "app/ProgramFolder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>

#include "foundation/Config.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

bool HoldsConfig(const fs::path& folder) {
  std::error_code error;
  return fs::is_regular_file(folder / kConfigFile, error);
}

// A path as a shell takes it: in single quotes unless it needs none.
std::string ShellWord(const std::string& path) {
  if (path.find_first_not_of(
          "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789/._-+") ==
      std::string::npos) {
    return path;
  }
  std::string quoted = "'";
  for (const char c : path)
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// `named`: the folder was named with --dir, and --init-config is to copy there too.
std::string NoConfiguration(const fs::path& folder, bool named) {
  const std::string name = folder.string();
  return "No configuration yet in " + name + " (it holds no " + kConfigFile +
         ").\n"
         "Copy a sample configuration there and set its serial port:\n"
         "    quorvalin --init-config [ezhr17|im483i]" +
         (named ? " --dir " + ShellWord(name) : "") +
         "\n"
         "or try the simulated microscope:\n"
         "    quorvalin --demo";
}

}  // namespace

fs::path UserProgramFolder(const char* xdgConfigHome, const char* home) {
  if (xdgConfigHome != nullptr && fs::path(xdgConfigHome).is_absolute())
    return fs::path(xdgConfigHome) / "quorvalin";
  return fs::path(home != nullptr ? home : "") / ".config" / "quorvalin";
}

fs::path UserProgramFolder() {
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home == '\0') {
    const passwd* user = getpwuid(getuid());
    home = user != nullptr ? user->pw_dir : "/";
  }
  return UserProgramFolder(std::getenv("XDG_CONFIG_HOME"), home);
}

FolderChoice ChooseProgramFolder(const std::string& dirOption, const fs::path& executableFolder,
                                 const fs::path& userFolder) {
  std::error_code error;
  if (!dirOption.empty()) {
    if (!fs::is_directory(dirOption, error)) return {{}, "no such folder: " + dirOption};
    fs::path folder = fs::absolute(dirOption, error).lexically_normal();
    if (!folder.has_filename() && folder.has_relative_path()) folder = folder.parent_path();
    if (!HoldsConfig(folder)) return {{}, NoConfiguration(folder, true)};
    return {folder, {}};
  }
  if (!executableFolder.empty() && HoldsConfig(executableFolder)) return {executableFolder, {}};
  if (HoldsConfig(userFolder)) return {userFolder, {}};
  return {{}, NoConfiguration(userFolder, false)};
}

}  // namespace qv
