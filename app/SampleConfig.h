#pragma once
// A user's first program folder, filled from a demonstration folder.
#include <filesystem>
#include <iosfwd>

namespace qv {

// Copies the files of `sample` into `folder`, which is made when missing. A file that is there
// already is kept as it is, whatever it holds, so running this again never loses a setting.
// Tells `out` what it kept and copied; 0, or 1 after a failure, said on `err` (the files copied
// up to then stay).
int CopySampleConfig(const std::filesystem::path& sample, const std::filesystem::path& folder,
                     std::ostream& out, std::ostream& err);

}  // namespace qv
