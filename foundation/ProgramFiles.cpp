#include "foundation/ProgramFiles.h"

#include <system_error>

namespace qv {

std::filesystem::path ExecutableFolder() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : self.parent_path();
}

std::filesystem::path DemoFolder(const std::filesystem::path& executableFolder,
                                 std::string_view line) {
  const char* name = line == "ezhr17" ? "demo" : line == "im483i" ? "demo-im483i" : nullptr;
  if (name == nullptr) return {};
  return (executableFolder / ".." / "share" / "quorvalin" / name).lexically_normal();
}

}  // namespace qv
