#pragma once
// Which folder holds the program's settings when none is named on the command line.
#include <filesystem>
#include <string>

namespace qv {

// The user's own program folder: $XDG_CONFIG_HOME/quorvalin, or HOME/.config/quorvalin when the
// variable is unset, empty or not an absolute path (such a value is to be ignored). Either
// argument may be null.
std::filesystem::path UserProgramFolder(const char* xdgConfigHome, const char* home);
// The same from this process's environment, HOME from the user database when it is unset.
std::filesystem::path UserProgramFolder();

struct FolderChoice {
  std::filesystem::path folder;  // the program folder; empty when there is none
  std::string problem;           // why there is none, as the user is told
};

// In this order: the folder named with --dir; the executable's folder when it holds
// QV_CONFIG.TXT (a folder set up beside the program); the user's folder. An installed program
// always comes to the user's folder. The folder chosen must hold QV_CONFIG.TXT: without it,
// the problem is one message that names the folder and the ways on.
FolderChoice ChooseProgramFolder(const std::string& dirOption,
                                 const std::filesystem::path& executableFolder,
                                 const std::filesystem::path& userFolder);

}  // namespace qv
