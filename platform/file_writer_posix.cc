#include "platform/file_writer.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>

namespace ovik {
namespace {

// As many links as the kernel follows before giving up with ELOOP.
constexpr int kMaxLinkHops = 40;
constexpr int kTempNameAttempts = 100;

// Closes a descriptor when it goes out of scope, unless released.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  int get() const { return fd_; }
  // Closes now, reporting the result (a delayed write error shows here).
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return close(fd) == 0;
  }

 private:
  int fd_;
};

std::string DirName(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool StartsWith(const std::string& s, const char* prefix) {
  return s.rfind(prefix, 0) == 0;
}

bool WriteAll(int fd, std::string_view bytes) {
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) {
      errno = EIO;
      return false;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

// Where a path leads after following every symbolic link in its last
// component. The path itself may name nothing (a new file, or a link
// that dangles).
struct Resolved {
  std::string path;
  bool exists = false;
  struct stat info {};
  // A link of the chain lives in /proc (/dev/stdout and friends): the
  // "file" is an open descriptor of some process and must not be replaced.
  bool through_proc = false;
};

bool ResolveLinks(const std::string& path, Resolved* out) {
  std::string current = path;
  for (int hops = 0; hops <= kMaxLinkHops; ++hops) {
    struct stat info {};
    if (lstat(current.c_str(), &info) != 0) {
      if (errno != ENOENT) return false;
      out->path = current;
      out->exists = false;
      return true;
    }
    if (!S_ISLNK(info.st_mode)) {
      out->path = current;
      out->exists = true;
      out->info = info;
      return true;
    }
    // Where the link really sits: /dev/fd/1 is a link in /proc/<pid>/fd.
    char link_dir[PATH_MAX];
    if (realpath(DirName(current).c_str(), link_dir) == nullptr) return false;
    const std::string dir = link_dir;
    if (StartsWith(dir + "/", "/proc/")) out->through_proc = true;
    std::string target(PATH_MAX, '\0');
    const ssize_t n = readlink(current.c_str(), target.data(), target.size());
    if (n < 0 || static_cast<std::size_t>(n) >= target.size()) return false;
    target.resize(static_cast<std::size_t>(n));
    if (target.empty()) return false;
    current = target[0] == '/' ? target
                               : dir + (dir == "/" ? "" : "/") + target;
  }
  return false;  // too many links
}

// Writes into an existing non-regular file (device, FIFO, descriptor of
// another process) without creating, truncating or replacing it.
WriteStatus WriteInPlace(const std::string& path, std::string_view bytes) {
  Fd fd(open(path.c_str(), O_WRONLY | O_APPEND | O_NOCTTY | O_CLOEXEC));
  if (fd.get() < 0) return WriteStatus::kCreateFailed;
  if (!WriteAll(fd.get(), bytes)) return WriteStatus::kWriteFailed;
  // Devices and pipes cannot be synced; a regular file behind a
  // descriptor link can, and a failure there is a failed write.
  if (fsync(fd.get()) != 0 && errno != EINVAL && errno != EROFS) {
    return WriteStatus::kWriteFailed;
  }
  if (!fd.Close()) return WriteStatus::kWriteFailed;
  return WriteStatus::kOk;
}

// Creates a new, empty file beside |target|, with |mode| before the
// umask. Returns its descriptor and name, or -1.
int CreateTempFile(const std::string& dir, const std::string& base,
                   mode_t mode, std::string* temp_path) {
  std::random_device seed;
  std::mt19937_64 random(
      (static_cast<std::uint64_t>(seed()) << 32) ^ seed() ^
      static_cast<std::uint64_t>(getpid()));
  static constexpr char kAlphabet[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
    std::string suffix(8, 'x');
    for (char& c : suffix) c = kAlphabet[random() % (sizeof(kAlphabet) - 1)];
    std::string name = "." + base;
    // Keep the name within NAME_MAX whatever the target's length.
    if (name.size() > 200) name.resize(200);
    *temp_path = dir + (dir == "/" ? "" : "/") + name + ".tmp" + suffix;
    const int fd = open(temp_path->c_str(),
                        O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC,
                        mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Writes a temporary file beside |target| and renames it over |target|.
WriteStatus ReplaceFile(const Resolved& target, std::string_view bytes) {
  const std::string base = BaseName(target.path);
  if (base.empty() || base == "." || base == "..") {
    return WriteStatus::kCreateFailed;
  }
  char real_dir[PATH_MAX];
  if (realpath(DirName(target.path).c_str(), real_dir) == nullptr) {
    return WriteStatus::kCreateFailed;
  }
  const std::string dir = real_dir;
  const std::string final_path = dir + (dir == "/" ? "" : "/") + base;

  // An existing file we may not write is not ours to replace, even
  // where the directory would let us rename over it.
  if (target.exists &&
      faccessat(AT_FDCWD, final_path.c_str(), W_OK, AT_EACCESS) != 0) {
    return WriteStatus::kCreateFailed;
  }

  std::string temp_path;
  // A new file gets what creating it directly would give (0666 less the
  // umask, default ACLs); an existing file's mode is copied below.
  Fd fd(CreateTempFile(dir, base, target.exists ? 0600 : 0666, &temp_path));
  if (fd.get() < 0) return WriteStatus::kCreateFailed;

  auto fail = [&temp_path](WriteStatus status) {
    unlink(temp_path.c_str());
    return status;
  };

  if (!WriteAll(fd.get(), bytes)) return fail(WriteStatus::kWriteFailed);
  if (target.exists) {
    // Ownership first: changing it clears set-id bits that the mode
    // then restores. Only a privileged writer can give the file away;
    // for anyone else the new file belongs to the writer.
    if (geteuid() == 0 &&
        fchown(fd.get(), target.info.st_uid, target.info.st_gid) != 0) {
      // Some file systems have no owners to set; the mode still counts.
    }
    if (fchmod(fd.get(), target.info.st_mode & 07777) != 0) {
      return fail(WriteStatus::kWriteFailed);
    }
  }
  if (fsync(fd.get()) != 0) return fail(WriteStatus::kWriteFailed);
  if (!fd.Close()) return fail(WriteStatus::kWriteFailed);

  if (rename(temp_path.c_str(), final_path.c_str()) != 0) {
    // For example a file that is itself a mount point.
    return fail(WriteStatus::kCreateFailed);
  }

  // Make the rename itself durable. The file is already in place, so a
  // directory that cannot be synced does not turn this into a failure.
  Fd dir_fd(open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir_fd.get() >= 0 && fsync(dir_fd.get()) != 0) {
    // Nothing to undo: the new file is complete and in place.
  }
  return WriteStatus::kOk;
}

}  // namespace

WriteStatus WriteFileAtomically(const std::string& path,
                                std::string_view bytes) {
  if (path.empty()) return WriteStatus::kCreateFailed;

  // What the path finally names, following every link, including the
  // descriptor links under /proc that cannot be followed by reading them.
  struct stat info {};
  if (stat(path.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) return WriteStatus::kCreateFailed;
    if (!S_ISREG(info.st_mode)) return WriteInPlace(path, bytes);
  } else if (errno != ENOENT) {
    return WriteStatus::kCreateFailed;
  }

  Resolved target;
  if (!ResolveLinks(path, &target)) return WriteStatus::kCreateFailed;
  if (target.through_proc) return WriteInPlace(path, bytes);
  if (target.exists && !S_ISREG(target.info.st_mode)) {
    // Changed under us since the first look.
    return WriteStatus::kCreateFailed;
  }
  return ReplaceFile(target, bytes);
}

}  // namespace ovik
