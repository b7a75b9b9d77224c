#pragma once
// Where the program's own files lie: the demonstration program folders ship in
// share/quorvalin/ beside the bin/ folder of the executables, installed as in the build tree
// (where build/share/quorvalin links to the repository's config/ folders).
#include <filesystem>
#include <string>
#include <string_view>

namespace qv {

// The folder of the running executable, symbolic links resolved; empty when it cannot be found.
std::filesystem::path ExecutableFolder();

// The demonstration folder of one kind of controller line ("ezhr17" or "im483i") for the
// executables in `executableFolder`; empty for another line name.
std::filesystem::path DemoFolder(const std::filesystem::path& executableFolder,
                                 std::string_view line);

}  // namespace qv
