// The writer on Linux. Every step after the first is taken relative to a
// directory opened once (openat, fstatat, renameat, unlinkat), never by a
// path that could be re-resolved in between.
//
// Symbolic links at the target are followed here, one at a time, rather
// than by the kernel: a link to a regular file must lead to the directory
// where the temporary goes, which the kernel's own following would not
// tell. Each link is looked at through a descriptor of the link itself,
// so the owner checked and the text read belong to the same link, and it
// is followed only under the kernel's rule for shared directories
// (fs.protected_symlinks), applied whatever the sysctl says: that is the
// rule that makes a shell's `>` safe in /tmp, and a root process must not
// be easier to steer than a shell. The directories on the way to each
// link's target are the kernel's to resolve, under its own rules.
//
// Descriptor links in /proc (/dev/stdout, /proc/self/fd/N) name no path
// that could be followed by reading them; they are left to the kernel,
// and what they lead to is written in place.
#include "platform/file_writer.h"

#include "platform/termination_signals.h"

#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <utility>

namespace ovik {
namespace {

// As many links as the kernel follows before giving up with ELOOP.
constexpr int kMaxLinkHops = 40;
constexpr int kTempNameAttempts = 100;
// How long a waiting target is waited on before asking whether to go on.
constexpr int kWaitSliceMs = 100;
// statfs's f_type of /proc.
constexpr long kProcSuperMagic = 0x9fa0;

// Owns a descriptor: closed when it goes out of scope.
class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  Fd& operator=(Fd&& other) noexcept {
    Reset(std::exchange(other.fd_, -1));
    return *this;
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() { Reset(-1); }

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  void Reset(int fd) {
    if (fd_ >= 0) close(fd_);
    fd_ = fd;
  }
  // Closes now, saying whether a delayed write error showed.
  bool Close() {
    const int fd = std::exchange(fd_, -1);
    return fd < 0 || close(fd) == 0;
  }

 private:
  int fd_ = -1;
};

Status Errno() { return Status::FromSystemError(errno); }

// |path| as the directory part the kernel resolves and the last name,
// which is ours to look at.
Status SplitPath(const std::string& path, std::string* dir,
                 std::string* name) {
  if (path.empty()) return Status::FromSystemError(ENOENT);
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) {
    *dir = ".";
    *name = path;
  } else {
    *dir = slash == 0 ? "/" : path.substr(0, slash);
    *name = path.substr(slash + 1);
  }
  // "dir/", "." and ".." name directories.
  if (name->empty() || *name == "." || *name == "..") {
    return Status::FromSystemError(EISDIR);
  }
  return Status::Ok();
}

// The path of a link's target, as reached from |link|'s path.
std::string ShownTarget(const std::string& link, const std::string& target) {
  if (!target.empty() && target[0] == '/') return target;
  const auto slash = link.find_last_of('/');
  return slash == std::string::npos ? target
                                    : link.substr(0, slash + 1) + target;
}

// Whether the kernel would let this process follow |link|, which sits in
// |dir|: in a directory that is sticky and writable by all, only a link
// of our own or of the directory's owner. (The kernel checks the
// file-system uid, which this program never sets apart from the
// effective one.)
bool MayFollow(const struct stat& dir, const struct stat& link) {
  constexpr mode_t kShared = S_ISVTX | S_IWOTH;
  return (dir.st_mode & kShared) != kShared || link.st_uid == geteuid() ||
         link.st_uid == dir.st_uid;
}

bool OnProc(int dir) {
  struct statfs info {};
  return fstatfs(dir, &info) == 0 &&
         static_cast<long>(info.f_type) == kProcSuperMagic;
}

// Where the bytes go: a name in a directory opened once.
struct Target {
  Fd dir;
  std::string name;
  bool exists = false;
  // What the name holds, not following a link.
  struct stat info {};
  // A descriptor link in /proc: only the kernel can follow it.
  bool through_proc = false;
};

// Follows the links at the end of |path| (each one only as MayFollow
// allows) to the name that takes the bytes.
Status Resolve(const std::string& path, Target* out,
               std::string* refused_link) {
  Fd base;  // the directory a relative link is read in; at first the cwd
  std::string current = path;
  std::string shown = path;  // |current| as reached from |path|
  for (int hops = 0; hops <= kMaxLinkHops; ++hops) {
    std::string dir_part;
    std::string name;
    if (Status split = SplitPath(current, &dir_part, &name); !split.ok()) {
      return split;
    }
    Fd dir(openat(base.valid() ? base.get() : AT_FDCWD, dir_part.c_str(),
                  O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!dir.valid()) return Errno();
    // One look at the entry itself, through a descriptor of it: the owner
    // and the link's text below are then the same link's.
    Fd entry(openat(dir.get(), name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
    struct stat info {};
    if (!entry.valid()) {
      if (errno != ENOENT) return Errno();
    } else if (fstat(entry.get(), &info) != 0) {
      return Errno();
    }
    if (!entry.valid() || !S_ISLNK(info.st_mode) || OnProc(dir.get())) {
      out->dir = std::move(dir);
      out->name = std::move(name);
      out->exists = entry.valid();
      out->info = info;
      out->through_proc = entry.valid() && S_ISLNK(info.st_mode);
      return Status::Ok();
    }
    struct stat dir_info {};
    if (fstat(dir.get(), &dir_info) != 0) return Errno();
    if (!MayFollow(dir_info, info)) {
      if (refused_link != nullptr) *refused_link = shown;
      return Status::FromSystemError(EACCES);
    }
    // Some file systems give a link's size as 0.
    std::string target(
        std::max<std::size_t>(static_cast<std::size_t>(info.st_size), PATH_MAX) +
            1,
        '\0');
    const ssize_t n = readlinkat(entry.get(), "", target.data(), target.size());
    if (n < 0) return Errno();
    if (static_cast<std::size_t>(n) >= target.size()) {
      return Status::FromSystemError(ENAMETOOLONG);
    }
    target.resize(static_cast<std::size_t>(n));
    if (target.empty()) return Status::FromSystemError(ENOENT);
    shown = ShownTarget(shown, target);
    current = std::move(target);
    base = std::move(dir);
  }
  return Status::FromSystemError(ELOOP);
}

// Waits up to one slice for |fd| to take more bytes.
void WaitWritable(int fd) {
  pollfd watched{fd, POLLOUT, 0};
  poll(&watched, 1, kWaitSliceMs);
}

Status WriteAll(int fd, std::string_view bytes,
                const std::function<bool()>& cancelled) {
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      // Only a target opened not to block says so: it waits for a reader.
      if (errno == EAGAIN || errno == EWOULDBLOCK) {
        WaitWritable(fd);
        if (cancelled()) return Status::FromSystemError(ECANCELED);
        continue;
      }
      return Errno();
    }
    if (n == 0) return Status::FromSystemError(EIO);
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return Status::Ok();
}

// Creates a new, empty file beside the target in |dir|, with |mode|
// before the umask.
Status CreateTempFile(int dir, const std::string& base, mode_t mode, Fd* fd,
                      std::string* temp_name) {
  std::random_device seed;
  std::mt19937_64 random((static_cast<std::uint64_t>(seed()) << 32) ^ seed() ^
                         static_cast<std::uint64_t>(getpid()));
  static constexpr char kAlphabet[] =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
    std::string suffix(8, 'x');
    for (char& c : suffix) c = kAlphabet[random() % (sizeof(kAlphabet) - 1)];
    std::string name = "." + base;
    // Keep the name within NAME_MAX whatever the target's length.
    if (name.size() > 200) name.resize(200);
    name += ".tmp" + suffix;
    // O_EXCL: never an existing file, nor through a link someone left.
    fd->Reset(openat(dir, name.c_str(),
                     O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC,
                     mode));
    if (fd->valid()) {
      *temp_name = std::move(name);
      return Status::Ok();
    }
    if (errno != EEXIST) return Errno();
  }
  return Status::FromSystemError(EEXIST);
}

}  // namespace

struct AtomicFileWriter::State {
  std::function<bool()> cancelled = [] { return false; };
  bool cancellable = false;
  // Check() only: nothing is opened in place, and the temporary goes.
  bool check_only = false;
  Target target;
  std::string refused_link;
  Fd fd;
  // Written in place: a device, a FIFO, a descriptor of this process.
  bool in_place = false;
  // Otherwise the temporary's name in target.dir, while it exists; the
  // requests to end the program are held meanwhile.
  std::string temp_name;
  std::optional<HeldTerminationSignals> held;

  ~State() { Discard(); }
  // Gives up: the temporary goes, the target stays as it was.
  void Discard() {
    fd.Reset(-1);
    if (!temp_name.empty()) unlinkat(target.dir.get(), temp_name.c_str(), 0);
    temp_name.clear();
    held.reset();  // a request that came meanwhile ends the program now
  }
  Status Fail(Status status) {
    Discard();
    return status;
  }

  Status OpenInPlace();
  Status CreateTemporary();
};

// The target as it stands: opened for writing, never created, truncated
// or replaced. A FIFO without a reader, opened not to block, refuses with
// ENXIO; it is tried again while the caller waits.
Status AtomicFileWriter::State::OpenInPlace() {
  Target& t = target;
  const int follow = t.through_proc ? 0 : AT_SYMLINK_NOFOLLOW;
  if (check_only) {
    return faccessat(t.dir.get(), t.name.c_str(), W_OK, AT_EACCESS | follow) ==
                   0
               ? Status::Ok()
               : Errno();
  }
  struct stat what = t.info;
  if (t.through_proc && fstatat(t.dir.get(), t.name.c_str(), &what, 0) != 0) {
    return Errno();
  }
  const int flags = O_WRONLY | O_APPEND | O_NOCTTY | O_CLOEXEC |
                    (t.through_proc ? 0 : O_NOFOLLOW) |
                    (cancellable ? O_NONBLOCK : 0);
  for (;;) {
    fd.Reset(openat(t.dir.get(), t.name.c_str(), flags));
    if (fd.valid()) break;
    if (errno == EINTR) continue;
    if (errno != ENXIO || !cancellable || !S_ISFIFO(what.st_mode)) {
      return Errno();
    }
    poll(nullptr, 0, kWaitSliceMs);
    if (cancelled()) return Status::FromSystemError(ECANCELED);
  }
  struct stat opened {};
  if (fstat(fd.get(), &opened) != 0) return Fail(Errno());
  // Not through /proc, the name was a device or a FIFO a moment ago; a
  // regular file there now was put in its place, and is not appended to.
  if (S_ISDIR(opened.st_mode) || (!t.through_proc && S_ISREG(opened.st_mode))) {
    return Fail(Status::FromSystemError(EEXIST));
  }
  in_place = true;
  return Status::Ok();
}

Status AtomicFileWriter::State::CreateTemporary() {
  Target& t = target;
  // An existing file we may not write is not ours to replace, even
  // where the directory would let us rename over it.
  if (t.exists && faccessat(t.dir.get(), t.name.c_str(), W_OK,
                            AT_EACCESS | AT_SYMLINK_NOFOLLOW) != 0) {
    return Errno();
  }
  held.emplace();
  // A new file gets what creating it directly would give (0666 less the
  // umask, default ACLs); an existing file's mode is copied by Write.
  if (Status made = CreateTempFile(t.dir.get(), t.name,
                                   t.exists ? 0600 : 0666, &fd, &temp_name);
      !made.ok()) {
    return Fail(made);
  }
  return Status::Ok();
}

AtomicFileWriter::AtomicFileWriter() : state_(std::make_unique<State>()) {}
AtomicFileWriter::~AtomicFileWriter() = default;

void AtomicFileWriter::set_cancel(std::function<bool()> cancelled) {
  state_->cancellable = static_cast<bool>(cancelled);
  state_->cancelled =
      cancelled ? std::move(cancelled) : std::function<bool()>([] {
        return false;
      });
}

const std::string& AtomicFileWriter::refused_link() const {
  return state_->refused_link;
}

Status AtomicFileWriter::Create(const std::string& path) {
  State& s = *state_;
  if (Status resolved = Resolve(path, &s.target, &s.refused_link);
      !resolved.ok()) {
    return resolved;
  }
  const Target& t = s.target;
  if (t.exists && S_ISDIR(t.info.st_mode)) {
    return Status::FromSystemError(EISDIR);
  }
  if (t.through_proc || (t.exists && !S_ISREG(t.info.st_mode))) {
    return s.OpenInPlace();
  }
  return s.CreateTemporary();
}

Status AtomicFileWriter::Check(const std::string& path,
                               std::string* refused_link) {
  AtomicFileWriter probe;
  probe.state_->check_only = true;
  const Status status = probe.Create(path);  // the temporary goes with |probe|
  if (refused_link != nullptr) *refused_link = probe.refused_link();
  return status;
}

Status AtomicFileWriter::Write(std::string_view bytes) {
  State& s = *state_;
  if (!s.fd.valid()) return Status::FromSystemError(EBADF);
  if (Status written = WriteAll(s.fd.get(), bytes, s.cancelled);
      !written.ok()) {
    return s.Fail(written);
  }
  const int fd = s.fd.get();
  if (s.in_place) {
    // Devices and pipes cannot be synced; a regular file behind a
    // descriptor link can, and a failure there is a failed write.
    if (fsync(fd) != 0 && errno != EINVAL && errno != EROFS) {
      return s.Fail(Errno());
    }
  } else if (s.target.exists) {
    const struct stat& old = s.target.info;
    // Ownership first: changing it clears set-id bits. Only a privileged
    // writer can give the file away; for anyone else the new file
    // belongs to the writer. A report is no program: set-id bits are not
    // carried over to it.
    if (geteuid() == 0 && fchown(fd, old.st_uid, old.st_gid) != 0) {
      // Some file systems have no owners to set; the mode still counts.
    }
    if (fchmod(fd, old.st_mode & 01777) != 0) return s.Fail(Errno());
  }
  if (!s.in_place && fsync(fd) != 0) return s.Fail(Errno());
  // A delayed write error shows when the file is closed.
  if (!s.fd.Close()) return s.Fail(Errno());
  return Status::Ok();
}

Status AtomicFileWriter::Commit() {
  State& s = *state_;
  if (s.in_place) return Status::Ok();
  if (s.temp_name.empty() || s.fd.valid()) {
    return Status::FromSystemError(EBADF);
  }
  const int dir = s.target.dir.get();
  // Over whatever the name holds now: a link put there since is replaced,
  // never followed.
  if (renameat(dir, s.temp_name.c_str(), dir, s.target.name.c_str()) != 0) {
    // For example a file that is itself a mount point.
    return s.Fail(Errno());
  }
  s.temp_name.clear();
  s.held.reset();
  // Make the rename itself durable. The file is already in place, so a
  // directory that cannot be synced does not turn this into a failure.
  Fd synced(openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (synced.valid() && fsync(synced.get()) != 0) {
    // Nothing to undo: the new file is complete and in place.
  }
  return Status::Ok();
}

}  // namespace ovik
