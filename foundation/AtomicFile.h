#pragma once
// Whole-file replacement that never leaves a half-written file behind: the content goes to a
// temporary file in the same folder, is flushed to disk, and is then renamed over the target.
#include <string>
#include <string_view>

namespace qv {

// True when the file now holds exactly `content`. On failure the old file is untouched and the
// temporary file is removed.
bool WriteFileAtomically(const std::string& path, std::string_view content);

// Reads a regular file whole. False when there is no regular file at the path or it cannot be
// read.
bool ReadWholeFile(const std::string& path, std::string& content);

bool IsRegularFile(const std::string& path);

}  // namespace qv
