#include "platform/file_writer.h"

#include "platform/termination_signals.h"

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

Status WriteAll(int fd, std::string_view bytes) {
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Status::FromSystemError(errno);
    }
    if (n == 0) return Status::FromSystemError(EIO);
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return Status::Ok();
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

Status ResolveLinks(const std::string& path, Resolved* out) {
  std::string current = path;
  for (int hops = 0; hops <= kMaxLinkHops; ++hops) {
    struct stat info {};
    if (lstat(current.c_str(), &info) != 0) {
      if (errno != ENOENT) return Status::FromSystemError(errno);
      out->path = current;
      out->exists = false;
      return Status::Ok();
    }
    if (!S_ISLNK(info.st_mode)) {
      out->path = current;
      out->exists = true;
      out->info = info;
      return Status::Ok();
    }
    // Where the link really sits: /dev/fd/1 is a link in /proc/<pid>/fd.
    char link_dir[PATH_MAX];
    if (realpath(DirName(current).c_str(), link_dir) == nullptr) {
      return Status::FromSystemError(errno);
    }
    const std::string dir = link_dir;
    if (StartsWith(dir + "/", "/proc/")) out->through_proc = true;
    std::string target(PATH_MAX, '\0');
    const ssize_t n = readlink(current.c_str(), target.data(), target.size());
    if (n < 0) return Status::FromSystemError(errno);
    if (n == 0 || static_cast<std::size_t>(n) >= target.size()) {
      return Status::FromSystemError(ENAMETOOLONG);
    }
    target.resize(static_cast<std::size_t>(n));
    current = target[0] == '/' ? target
                               : dir + (dir == "/" ? "" : "/") + target;
  }
  return Status::FromSystemError(ELOOP);
}

// Creates a new, empty file beside the target in |dir|, with |mode|
// before the umask.
Status CreateTempFile(const std::string& dir, const std::string& base,
                      mode_t mode, int* fd, std::string* temp_path) {
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
    std::string candidate =
        dir + (dir == "/" ? "" : "/") + name + ".tmp" + suffix;
    const int opened = open(candidate.c_str(),
                            O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC,
                            mode);
    if (opened >= 0) {
      *fd = opened;
      *temp_path = std::move(candidate);
      return Status::Ok();
    }
    if (errno != EEXIST) return Status::FromSystemError(errno);
  }
  return Status::FromSystemError(EEXIST);
}

}  // namespace

struct AtomicFileWriter::State {
  int fd = -1;
  // Check() only: nothing is opened in place, and the temporary goes.
  bool check_only = false;
  // Written in place: a device, a FIFO, a descriptor of another process.
  bool in_place = false;
  // Otherwise: the temporary and the target it replaces.
  std::string temp_path;
  std::string final_path;
  std::string dir;
  Resolved target;

  ~State() { Discard(); }
  // Gives up: the temporary goes, the target stays as it was.
  void Discard() {
    if (fd >= 0) close(fd);
    fd = -1;
    if (!temp_path.empty()) unlink(temp_path.c_str());
    temp_path.clear();
  }
  Status Fail(Status status) {
    Discard();
    return status;
  }
};

AtomicFileWriter::AtomicFileWriter() : state_(std::make_unique<State>()) {}
AtomicFileWriter::~AtomicFileWriter() = default;

Status AtomicFileWriter::Create(const std::string& path) {
  State& s = *state_;
  if (path.empty()) return Status::FromSystemError(ENOENT);

  // What the path finally names, following every link, including the
  // descriptor links under /proc that cannot be followed by reading them.
  struct stat info {};
  bool in_place = false;
  if (stat(path.c_str(), &info) == 0) {
    if (S_ISDIR(info.st_mode)) return Status::FromSystemError(EISDIR);
    in_place = !S_ISREG(info.st_mode);
  } else if (errno != ENOENT) {
    return Status::FromSystemError(errno);
  }
  if (!in_place) {
    if (Status resolved = ResolveLinks(path, &s.target); !resolved.ok()) {
      return resolved;
    }
    in_place = s.target.through_proc;
  }
  if (in_place) {
    if (s.check_only) {
      return faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0
                 ? Status::Ok()
                 : Status::FromSystemError(errno);
    }
    // Written without creating, truncating or replacing anything.
    s.in_place = true;
    s.fd = open(path.c_str(), O_WRONLY | O_APPEND | O_NOCTTY | O_CLOEXEC);
    if (s.fd < 0) return Status::FromSystemError(errno);
    return Status::Ok();
  }
  if (s.target.exists && !S_ISREG(s.target.info.st_mode)) {
    return Status::FromSystemError(EEXIST);  // changed under us
  }

  const std::string base = BaseName(s.target.path);
  if (base.empty() || base == "." || base == "..") {
    return Status::FromSystemError(EISDIR);
  }
  char real_dir[PATH_MAX];
  if (realpath(DirName(s.target.path).c_str(), real_dir) == nullptr) {
    return Status::FromSystemError(errno);
  }
  s.dir = real_dir;
  s.final_path = s.dir + (s.dir == "/" ? "" : "/") + base;

  // An existing file we may not write is not ours to replace, even
  // where the directory would let us rename over it.
  if (s.target.exists &&
      faccessat(AT_FDCWD, s.final_path.c_str(), W_OK, AT_EACCESS) != 0) {
    return Status::FromSystemError(errno);
  }
  // A new file gets what creating it directly would give (0666 less the
  // umask, default ACLs); an existing file's mode is copied by Write.
  return CreateTempFile(s.dir, base, s.target.exists ? 0600 : 0666, &s.fd,
                        &s.temp_path);
}

Status AtomicFileWriter::Check(const std::string& path) {
  // A request to end the program waits until the probe's temporary is gone.
  HeldTerminationSignals held;
  AtomicFileWriter probe;
  probe.state_->check_only = true;
  return probe.Create(path);  // the temporary goes with |probe|
}

Status AtomicFileWriter::Write(std::string_view bytes) {
  State& s = *state_;
  if (s.fd < 0) return Status::FromSystemError(EBADF);
  if (Status written = WriteAll(s.fd, bytes); !written.ok()) {
    return s.Fail(written);
  }
  if (s.in_place) {
    // Devices and pipes cannot be synced; a regular file behind a
    // descriptor link can, and a failure there is a failed write.
    if (fsync(s.fd) != 0 && errno != EINVAL && errno != EROFS) {
      return s.Fail(Status::FromSystemError(errno));
    }
  } else if (s.target.exists) {
    // Ownership first: changing it clears set-id bits that the mode
    // then restores. Only a privileged writer can give the file away;
    // for anyone else the new file belongs to the writer.
    if (geteuid() == 0 &&
        fchown(s.fd, s.target.info.st_uid, s.target.info.st_gid) != 0) {
      // Some file systems have no owners to set; the mode still counts.
    }
    if (fchmod(s.fd, s.target.info.st_mode & 07777) != 0) {
      return s.Fail(Status::FromSystemError(errno));
    }
  }
  if (!s.in_place && fsync(s.fd) != 0) {
    return s.Fail(Status::FromSystemError(errno));
  }
  // A delayed write error shows when the file is closed.
  const int fd = s.fd;
  s.fd = -1;
  if (close(fd) != 0) return s.Fail(Status::FromSystemError(errno));
  return Status::Ok();
}

Status AtomicFileWriter::Commit() {
  State& s = *state_;
  if (s.in_place) return Status::Ok();
  if (s.temp_path.empty() || s.fd >= 0) return Status::FromSystemError(EBADF);
  if (rename(s.temp_path.c_str(), s.final_path.c_str()) != 0) {
    // For example a file that is itself a mount point.
    return s.Fail(Status::FromSystemError(errno));
  }
  s.temp_path.clear();
  // Make the rename itself durable. The file is already in place, so a
  // directory that cannot be synced does not turn this into a failure.
  Fd dir_fd(open(s.dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir_fd.get() >= 0 && fsync(dir_fd.get()) != 0) {
    // Nothing to undo: the new file is complete and in place.
  }
  return Status::Ok();
}

}  // namespace ovik
