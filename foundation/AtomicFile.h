#pragma once
// Whole-file replacement that never leaves a half-written file behind: the content goes to a
// temporary file in the same folder, is flushed to disk, and is then renamed over the target.
// A file the operator made read-only is never replaced, and a symbolic link that somebody else
// could have planted is never followed.
#include <set>
#include <string>
#include <string_view>
#include <utility>

namespace qv {

// The folders in which writes made their temporary files, noted in a file of the user's, so that
// the next start can remove what a write killed part-way (kill -9, a crash, a power cut) left
// there, wherever that was: a client may write into any folder.
class TemporaryFolderJournal {
 public:
  // `path`: the journal, in a folder that only the user may write.
  explicit TemporaryFolderJournal(std::string path) : path_(std::move(path)) {}

  // Removes the leftovers in every folder the journal names (an earlier run's), then empties it.
  // The number of files removed.
  int RemoveLeftovers();
  // Notes `folder` before a temporary file is made in it, once per folder and run. A folder
  // whose name holds a line break is not noted.
  void Note(const std::string& folder);

 private:
  std::string path_;
  std::set<std::string> noted_;  // absolute folder names
};

// True when the file now holds exactly `content`. On failure the old file is untouched and the
// temporary file is removed. A read-only file (IsReadOnlyFile) is a failure. When the folder
// takes no new file but the file itself may be written, the file is rewritten in place, once
// room for the whole new content has been taken. A symbolic link is written through (it stays a
// link) unless RefusedLink names it.
bool WriteFileAtomically(const std::string& path, std::string_view content);

// From now on every WriteFileAtomically of the process notes the folder of its temporary file
// in `journal` (nullptr: in none). Set once at start-up, like the handlers of the stop signals.
void UseTemporaryFolderJournal(TemporaryFolderJournal* journal);

// Empty when a write to `path` may follow its symbolic links; else a text naming the first link
// that is not followed: one that another user owns, or one in a folder that every user may
// write, where another user may have planted or swapped it. Following such a link would let that
// user choose which of this user's files a write replaces.
std::string RefusedLink(const std::string& path);

// A regular file that the program may not write, or that carries no write permission for
// anybody: the operator marked it read-only, and that holds even for root.
bool IsReadOnlyFile(const std::string& path);

// Removes the temporary files that writes killed part-way left in `folder`. Only regular files of
// this user with names of the form WriteFileAtomically gives them are touched. The number
// removed.
int RemoveStaleTemporaryFiles(const std::string& folder);

// Reads a regular file whole. False when there is no regular file at the path or it cannot be
// read.
bool ReadWholeFile(const std::string& path, std::string& content);

bool IsRegularFile(const std::string& path);

}  // namespace qv
