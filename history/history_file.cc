#include "history/history_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "present/display_name.h"

namespace ovik {
namespace {

// The directory-opening and checking steps' own messages.
HistoryStatus Problem(const std::string& path, int error,
                      std::string_view what) {
  std::string message = HistoryName(path) + ": " + std::string(what);
  if (error != 0) message += ": " + SystemErrorText(error);
  return HistoryStatus(error != 0 ? Status::FromSystemError(error)
                                  : Status(StatusCode::kAccessDenied),
                       message);
}

std::vector<std::string> Components(std::string_view dir) {
  std::vector<std::string> parts;
  std::size_t at = 0;
  while (at < dir.size()) {
    const std::size_t end = std::min(dir.find('/', at), dir.size());
    if (end > at) parts.emplace_back(dir.substr(at, end - at));
    at = end + 1;
  }
  return parts;
}

// SQLite resolves a name to an absolute path without links before it
// opens it; names given here are used as they are.
int KeepName(sqlite3_vfs* /*vfs*/, const char* name, int size, char* out) {
  const std::size_t length = std::strlen(name);
  if (length + 1 > static_cast<std::size_t>(size)) return SQLITE_CANTOPEN;
  std::memcpy(out, name, length + 1);
  return SQLITE_OK;
}

}  // namespace

std::string HistoryName(const std::string& path) {
  return "the history " + EscapeName(path);
}

HistoryStatus NoHistoryYet(const std::string& path) {
  return HistoryStatus(
      Status(StatusCode::kNotFound, ENOENT),
      HistoryName(path) +
          ": there is no such file: no scan was saved there yet");
}

const char* SqliteVfsName() {
  // Registered once for the process and never changed after: SQLite
  // keeps its file layers in a list of its own.
  static const bool registered = [] {
    sqlite3_vfs* system = sqlite3_vfs_find(nullptr);
    if (system == nullptr) return false;
    static sqlite3_vfs vfs = *system;
    vfs.zName = "ovik-history";
    vfs.pNext = nullptr;
    vfs.xFullPathname = KeepName;
    return sqlite3_vfs_register(&vfs, /*makeDflt=*/0) == SQLITE_OK;
  }();
  return registered ? "ovik-history" : nullptr;
}

HistoryFile::~HistoryFile() {
  if (directory_ >= 0) close(directory_);
}

HistoryStatus HistoryFile::Locate(const std::string& path,
                                  bool create_directories) {
  path_ = path;
  const std::size_t slash = path.rfind('/');
  name_ = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::string dir =
      slash == std::string::npos ? "." : path.substr(0, slash);
  if (name_.empty() || name_ == "." || name_ == "..") {
    return HistoryStatus(Status(StatusCode::kNotFound),
                         HistoryName(path) + ": names a directory, not a file");
  }
  int fd = open(!path.empty() && path[0] == '/' ? "/" : ".",
                O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return Problem(path, errno, "cannot open its directory");
  for (const std::string& part : Components(dir)) {
    int next = openat(fd, part.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (next < 0 && errno == ENOENT && create_directories) {
      if (mkdirat(fd, part.c_str(), 0700) != 0 && errno != EEXIST) {
        const int error = errno;
        close(fd);
        return Problem(path, error, "cannot create its directory");
      }
      next = openat(fd, part.c_str(),
                    O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    }
    const int error = errno;
    close(fd);
    if (next < 0 && error == ENOENT) return NoHistoryYet(path);
    if (next < 0) return Problem(path, error, "cannot open its directory");
    fd = next;
  }
  directory_ = fd;

  struct stat dir_stat;
  if (fstat(directory_, &dir_stat) != 0) {
    return Problem(path, errno, "cannot open its directory");
  }
  if (geteuid() == 0 &&
      (dir_stat.st_uid != 0 || (dir_stat.st_mode & (S_IWGRP | S_IWOTH)))) {
    return Problem(path, 0,
                   "its directory can be written by others than root; as "
                   "root, ovik keeps a history only where no one else can "
                   "put files beside it");
  }
  // Through the descriptor where /proc shows it; else by the path.
  sqlite_path_ = "/proc/self/fd/" + std::to_string(directory_);
  struct stat seen;
  if (stat(sqlite_path_.c_str(), &seen) == 0 &&
      seen.st_dev == dir_stat.st_dev && seen.st_ino == dir_stat.st_ino) {
    sqlite_path_ += "/" + name_;
  } else {
    sqlite_path_ = path;
  }
  return CheckFile();
}

HistoryStatus HistoryFile::CheckFile() {
  struct stat st;
  if (fstatat(directory_, name_.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno == ENOENT) {
      exists_ = false;
      return HistoryStatus::Ok();
    }
    return Problem(path_, errno, "cannot be read");
  }
  exists_ = true;
  if (S_ISLNK(st.st_mode)) {
    return Problem(path_, 0,
                   "is a symbolic link; a history is never opened through "
                   "one");
  }
  if (!S_ISREG(st.st_mode)) {
    return HistoryStatus(Status(StatusCode::kOther),
                         HistoryName(path_) + ": is not a regular file");
  }
  if (geteuid() == 0 && st.st_uid != 0) {
    return Problem(path_, 0,
                   "belongs to uid " + std::to_string(st.st_uid) +
                       "; as root, ovik uses only a history of root's own");
  }
  device_ = st.st_dev;
  inode_ = st.st_ino;
  return HistoryStatus::Ok();
}

HistoryStatus HistoryFile::Create() {
  const int fd =
      openat(directory_, name_.c_str(),
             O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd >= 0) {
    close(fd);
  } else if (errno != EEXIST) {  // else made by another ovik just now
    return Problem(path_, errno, "cannot be created");
  }
  return CheckFile();
}

HistoryStatus HistoryFile::StillTheSame() const {
  struct stat st;
  if (fstatat(directory_, name_.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
      st.st_dev != device_ || st.st_ino != inode_) {
    return Problem(path_, 0, "was replaced while it was being opened");
  }
  return HistoryStatus::Ok();
}

bool HistoryFile::HasLog() const {
  struct stat st;
  return fstatat(directory_, (name_ + "-wal").c_str(), &st,
                 AT_SYMLINK_NOFOLLOW) == 0 &&
         st.st_size > 0;
}

int HistoryFile::WriteError() const {
  if (faccessat(directory_, name_.c_str(), W_OK, AT_EACCESS) != 0) {
    return errno;
  }
  return EACCES;
}

}  // namespace ovik
