#include "foundation/AtomicFile.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <fstream>
#include <iterator>
#else
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>
#endif

namespace qv {
namespace {

// Marks the name of a temporary file: "." & file name & ".qvtmp." & six random characters.
constexpr std::string_view kTempMarker = ".qvtmp.";
constexpr std::size_t kTempRandom = 6;

bool IsTemporaryName(std::string_view name) {
  if (name.size() < kTempMarker.size() + kTempRandom || name.front() != '.') return false;
  const std::size_t marker = name.size() - kTempRandom - kTempMarker.size();
  return name.substr(marker, kTempMarker.size()) == kTempMarker;
}

// A regular file (not a link) of the user the program runs as: another user's file of the same
// form may be part of a write that is running now.
bool IsOwnRegularFile(const std::filesystem::path& path);

// Appends `line` and a line feed to the file at `path`, made readable by the user only when new.
void AppendLine(const std::string& path, const std::string& line);

TemporaryFolderJournal* journal = nullptr;  // where the folders of temporary files are noted

}  // namespace

void UseTemporaryFolderJournal(TemporaryFolderJournal* used) {
  journal = used;
}

bool IsRegularFile(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

int RemoveStaleTemporaryFiles(const std::string& folder) {
  int removed = 0;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    if (!IsTemporaryName(entry.path().filename().string()) || !IsOwnRegularFile(entry.path())) {
      continue;
    }
    std::error_code gone;
    if (std::filesystem::remove(entry.path(), gone)) ++removed;
  }
  return removed;
}

int TemporaryFolderJournal::RemoveLeftovers() {
  std::string text;
  if (!ReadWholeFile(path_, text)) return 0;
  int removed = 0;
  for (std::size_t start = 0, end; start < text.size(); start = end + 1) {
    end = std::min(text.find('\n', start), text.size());
    if (end > start) removed += RemoveStaleTemporaryFiles(text.substr(start, end - start));
  }
  // The folders are noted again as this run writes into them.
  (void)WriteFileAtomically(path_, "");
  return removed;
}

void TemporaryFolderJournal::Note(const std::string& folder) {
  std::error_code ec;
  const std::string absolute = std::filesystem::absolute(folder, ec).lexically_normal().string();
  if (ec || absolute.find('\n') != std::string::npos || !noted_.insert(absolute).second) return;
  AppendLine(path_, absolute);
}

#ifdef _WIN32

// Windows has no mkstemp and no directory fsync; MoveFileEx with replace (what
// std::filesystem::rename does there) is the closest to an atomic replacement.
bool IsReadOnlyFile(const std::string& path) {
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(path, ec);
  if (ec || !std::filesystem::is_regular_file(status)) return false;
  return (status.permissions() & std::filesystem::perms::owner_write) ==
         std::filesystem::perms::none;
}

namespace {

bool IsOwnRegularFile(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(std::filesystem::symlink_status(path, ec));
}

void AppendLine(const std::string& path, const std::string& line) {
  std::ofstream(path, std::ios::binary | std::ios::app) << line << '\n';
}

}  // namespace

std::string RefusedLink(const std::string& /*path*/) {
  return {};
}

bool WriteFileAtomically(const std::string& path, std::string_view content) {
  if (path.empty() || IsReadOnlyFile(path)) return false;
  if (journal != nullptr) journal->Note(std::filesystem::path(path).parent_path().string());
  const std::string temp = path + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.flush();
    if (!out) {
      out.close();
      std::error_code ec;
      std::filesystem::remove(temp, ec);
      return false;
    }
  }
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
  if (ec) {
    std::error_code ignored;
    std::filesystem::remove(temp, ignored);
    return false;
  }
  return true;
}

bool ReadWholeFile(const std::string& path, std::string& content) {
  if (!IsRegularFile(path)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return false;
  content = std::move(data);
  return true;
}

#else

namespace {

// Closes the descriptor on every path out of a function.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  // Closing can report a late write error (NFS, quotas); the caller must see it.
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, std::string_view content) {
  const char* data = content.data();
  std::size_t left = content.size();
  while (left > 0) {
    const ssize_t written = ::write(fd, data, left);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    left -= static_cast<std::size_t>(written);
  }
  return true;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

constexpr int kMaxLinks = 40;  // as the kernel: a longer chain is taken for a loop

// Why the link at `link` is not followed; empty when it may be.
std::string LinkProblem(const std::string& link, const struct stat& info) {
  if (info.st_uid != ::geteuid()) return link + " is a symbolic link of another user";
  struct stat folder {};
  if (::stat(FolderOf(link).c_str(), &folder) != 0 || (folder.st_mode & S_IWOTH) != 0) {
    return link + " is a symbolic link in a folder that every user may write";
  }
  return {};
}

// The file a write to `path` lands on: the path itself, or the end of its chain of symbolic
// links, each link checked on the way (the kernel's own protection of links in sticky folders
// does not see a chain resolved here). Empty when a link is not followed (`refused` says why) or
// cannot be read. Links among the folders of a path are left to the kernel.
std::string ResolveTarget(const std::string& path, std::string& refused) {
  std::string current = path;
  for (int hop = 0; hop <= kMaxLinks; ++hop) {
    struct stat info {};
    if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
    refused = LinkProblem(current, info);
    if (!refused.empty()) return {};
    std::string to(PATH_MAX, '\0');
    const ssize_t length = ::readlink(current.c_str(), to.data(), to.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= to.size()) return {};
    to.resize(static_cast<std::size_t>(length));
    current = to.front() == '/' ? to : FolderOf(current) + "/" + to;
  }
  return {};
}

// The mode a newly created file would get, so that replacing a file keeps its permissions and a
// new file is not left readable only by its owner (mkstemp's 0600).
mode_t ModeForTarget(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0) return info.st_mode & 07777;
  const mode_t mask = ::umask(0);  // the program is single-threaded; reading resets it
  ::umask(mask);
  return static_cast<mode_t>(0666 & ~mask);
}

void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  // Some file systems refuse fsync on a folder; the rename has happened all the same.
  (void)::fsync(fd);
  ::close(fd);
}

// Used when no temporary file can be made beside the target. The new content is whole in
// memory before the file is opened, and room for all of it is taken before the first byte is
// written, so that a full disk leaves the old content as it was.
bool WriteInPlace(const std::string& target, std::string_view content) {
  FileDescriptor fd(::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW));
  if (fd.get() < 0) return false;
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  const auto size = static_cast<off_t>(content.size());
#ifdef FALLOC_FL_KEEP_SIZE
  if (size > 0 && ::fallocate(fd.get(), FALLOC_FL_KEEP_SIZE, 0, size) != 0 && errno != EOPNOTSUPP) {
    return false;
  }
#endif
  return WriteAll(fd.get(), content) && ::ftruncate(fd.get(), size) == 0 &&
         ::fsync(fd.get()) == 0 && fd.Close();
}

bool IsOwnRegularFile(const std::filesystem::path& path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid();
}

void AppendLine(const std::string& path, const std::string& line) {
  FileDescriptor fd(
      ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (fd.get() >= 0) (void)WriteAll(fd.get(), line + "\n");
}

}  // namespace

bool IsReadOnlyFile(const std::string& path) {
  struct stat info {};
  if (path.empty() || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  return (info.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0;
}

std::string RefusedLink(const std::string& path) {
  std::string refused;
  ResolveTarget(path, refused);
  return refused;
}

bool WriteFileAtomically(const std::string& path, std::string_view content) {
  if (path.empty()) return false;
  std::string refused;
  const std::string target = ResolveTarget(path, refused);
  if (target.empty() || IsReadOnlyFile(target)) return false;
  const std::string folder = FolderOf(target);
  const std::size_t slash = target.rfind('/');
  const std::string baseName = slash == std::string::npos ? target : target.substr(slash + 1);
  // A hidden, marked name beside the target tells a leftover after a crash apart from real
  // files, so that the next start can remove it.
  const std::string random(kTempRandom, 'X');
  std::string tempName = "." + baseName + std::string(kTempMarker) + random;
  if (tempName.size() > NAME_MAX) tempName = std::string(kTempMarker) + random;
  std::string temp = (folder == "/" ? "/" : folder + "/") + tempName;

  if (journal != nullptr) journal->Note(folder);
  std::vector<char> templ(temp.begin(), temp.end());
  templ.push_back('\0');
  FileDescriptor fd(::mkstemp(templ.data()));
  if (fd.get() < 0) {
    // A folder that takes no new file can still hold a file the program may write.
    if (errno == EACCES || errno == EPERM) return WriteInPlace(target, content);
    return false;
  }
  temp.assign(templ.data());

  const bool written = ::fchmod(fd.get(), ModeForTarget(target)) == 0 &&
                       WriteAll(fd.get(), content) && ::fsync(fd.get()) == 0;
  const bool closed = fd.Close();
  if (!written || !closed || ::rename(temp.c_str(), target.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  SyncFolder(folder);
  return true;
}

bool ReadWholeFile(const std::string& path, std::string& content) {
  if (path.empty()) return false;
  // Opened without blocking and checked afterwards, so that a FIFO or device at the path can
  // never hang the reader.
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0) return false;
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  std::string data;
  if (info.st_size > 0) data.reserve(static_cast<std::size_t>(info.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (got == 0) break;
    data.append(buffer, static_cast<std::size_t>(got));
  }
  content = std::move(data);
  return true;
}

#endif

}  // namespace qv
