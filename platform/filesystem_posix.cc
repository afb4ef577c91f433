// The walk on POSIX systems: directory file descriptors, getdents64 and
// fstatat, so no path is ever built and the current directory is never
// changed.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/filesystem.h"

#ifndef STATX_MNT_ID
#define STATX_MNT_ID 0x00001000U
#endif

namespace ovik {
namespace {

// The volume a scan stays on: its device and, where the kernel tells,
// its mount, so bind mounts of the same device are not entered either.
struct VolumeIdentity {
  dev_t device = 0;
  std::uint64_t mount_id = 0;
  bool has_mount_id = false;
  std::uint64_t inode = 0;  // of the directory itself
  // Whether (device, inode) names one directory only. Not so on an
  // overlay whose layers lie on different file systems.
  bool unique_inodes = true;
};

constexpr long kOverlayMagic = 0x794c7630;

bool Identify(int fd, VolumeIdentity* id) {
  struct statx stx;
  if (statx(fd, "", AT_EMPTY_PATH, STATX_TYPE | STATX_INO | STATX_MNT_ID,
            &stx) == 0) {
    id->device = makedev(stx.stx_dev_major, stx.stx_dev_minor);
    id->inode = stx.stx_ino;
    id->has_mount_id = (stx.stx_mask & STATX_MNT_ID) != 0;
    id->mount_id = stx.stx_mnt_id;
    return true;
  }
  struct stat st;
  if (fstat(fd, &st) != 0) return false;
  id->device = st.st_dev;
  id->inode = st.st_ino;
  id->has_mount_id = false;
  return true;
}

OpenError ErrorOf(int err) {
  switch (err) {
    case ENOENT:
      return OpenError::kNotFound;
    case ENOTDIR:
    case ELOOP:
      return OpenError::kNotDirectory;
    case EACCES:
    case EPERM:
      return OpenError::kAccessDenied;
    case EMFILE:
    case ENFILE:
      return OpenError::kTooManyOpen;
    default:
      return OpenError::kOther;
  }
}

// Opens a directory relative to |dirfd| and tells which volume it is on;
// -1 with *error set on failure.
int OpenDirectory(int dirfd, const char* name, int flags, VolumeIdentity* id,
                  OpenError* error) {
  int fd;
  do {
    fd = openat(dirfd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | flags);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    *error = ErrorOf(errno);
    return -1;
  }
  if (!Identify(fd, id)) {
    *error = ErrorOf(errno);
    close(fd);
    return -1;
  }
  *error = OpenError::kNone;
  return fd;
}

constexpr std::size_t kListingBuffer = 32 * 1024;

class PosixDirectory final : public Directory {
 public:
  // |volume| is the scan root's; |inode| this directory's own.
  PosixDirectory(int fd, VolumeIdentity volume, std::uint64_t inode)
      : fd_(fd),
        volume_(volume),
        inode_(inode),
        buffer_(new char[kListingBuffer]) {}
  ~PosixDirectory() override { close(fd_); }
  PosixDirectory(const PosixDirectory&) = delete;
  PosixDirectory& operator=(const PosixDirectory&) = delete;

  ReadResult Next(Entry* entry) override {
    for (;;) {
      if (pos_ >= len_) {
        long n;
        do {
          n = syscall(SYS_getdents64, fd_, buffer_.get(), kListingBuffer);
        } while (n < 0 && errno == EINTR);
        if (n < 0) return ReadResult::kError;
        if (n == 0) return ReadResult::kEnd;
        len_ = static_cast<std::size_t>(n);
        pos_ = 0;
      }
      // getdents64 fills records laid out as struct dirent64.
      auto* d = reinterpret_cast<const struct dirent64*>(buffer_.get() + pos_);
      pos_ += d->d_reclen;
      const char* name = d->d_name;
      if (name[0] == '.' &&
          (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) {
        continue;
      }
      entry->name.assign(name);
      return Describe(d->d_type, entry);
    }
  }

  std::unique_ptr<Directory> OpenSubdirectory(std::string_view name,
                                              OpenError* error) override {
    const std::string n(name);
    VolumeIdentity id;
    const int fd = OpenDirectory(fd_, n.c_str(), O_NOFOLLOW, &id, error);
    if (fd < 0) return nullptr;
    if (id.device != volume_.device ||
        (id.has_mount_id && volume_.has_mount_id &&
         id.mount_id != volume_.mount_id)) {
      close(fd);
      *error = OpenError::kOtherVolume;
      return nullptr;
    }
    return std::make_unique<PosixDirectory>(fd, volume_, id.inode);
  }

  bool Identity(std::uint64_t* device, std::uint64_t* inode) const override {
    *device = volume_.device;
    *inode = inode_;
    return volume_.unique_inodes;
  }

 private:
  ReadResult Describe(unsigned char type, Entry* entry) {
    entry->size = 0;
    entry->inode = 0;
    entry->links = 1;
    if (type == DT_DIR) {
      entry->kind = EntryKind::kDirectory;
      return ReadResult::kEntry;
    }
    struct stat st;
    if (fstatat(fd_, entry->name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno == ENOENT) return ReadResult::kVanished;
      // Listed but not readable (a directory we may list but not search):
      // counted, with no size, under the unreadable owner.
      entry->kind = type == DT_LNK ? EntryKind::kLink
                    : type == DT_REG ? EntryKind::kFile
                                     : EntryKind::kOther;
      entry->owner_status = OwnerStatus::kUnreadable;
      entry->owner_key.clear();
      return ReadResult::kEntry;
    }
    if (S_ISDIR(st.st_mode)) {
      entry->kind = EntryKind::kDirectory;
      return ReadResult::kEntry;
    }
    entry->kind = S_ISREG(st.st_mode)   ? EntryKind::kFile
                  : S_ISLNK(st.st_mode) ? EntryKind::kLink
                                        : EntryKind::kOther;
    entry->size = static_cast<std::uint64_t>(st.st_size);
    entry->device = st.st_dev;
    entry->inode = st.st_ino;
    entry->links = static_cast<std::uint32_t>(st.st_nlink);
    entry->owner_status = OwnerStatus::kKnown;
    const uid_t uid = st.st_uid;
    entry->owner_key.assign(reinterpret_cast<const char*>(&uid), sizeof uid);
    return ReadResult::kEntry;
  }

  int fd_;
  VolumeIdentity volume_;
  std::uint64_t inode_;
  std::unique_ptr<char[]> buffer_;
  std::size_t pos_ = 0;
  std::size_t len_ = 0;
};

class PosixFileSystem final : public FileSystem {
 public:
  std::unique_ptr<Directory> OpenRoot(std::string_view path,
                                      OpenError* error) override {
    const std::string p(path);
    VolumeIdentity id;
    const int fd = OpenDirectory(AT_FDCWD, p.c_str(), 0, &id, error);
    if (fd < 0) return nullptr;
    struct statfs sfs;
    if (fstatfs(fd, &sfs) == 0 && static_cast<long>(sfs.f_type) == kOverlayMagic) {
      id.unique_inodes = false;
    }
    return std::make_unique<PosixDirectory>(fd, id, id.inode);
  }

  OwnerNameStatus LookupOwnerName(std::string_view owner_key,
                                  std::string* name) override {
    uid_t uid = 0;
    if (owner_key.size() != sizeof uid) {
      name->assign(1, '?');
      return OwnerNameStatus::kError;
    }
    std::memcpy(&uid, owner_key.data(), sizeof uid);
    return NameOfUid(uid, name);
  }

  std::string AdministratorsName() override {
    std::string name;
    if (NameOfUid(0, &name) == OwnerNameStatus::kName) return name;
    return "root";
  }

 private:
  static OwnerNameStatus NameOfUid(uid_t uid, std::string* name) {
    long hint = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(hint > 0 ? static_cast<std::size_t>(hint) : 1024);
    struct passwd pwd;
    struct passwd* found = nullptr;
    int rc;
    while ((rc = getpwuid_r(uid, &pwd, buffer.data(), buffer.size(), &found)) ==
               ERANGE &&
           buffer.size() < (1u << 20)) {
      buffer.resize(buffer.size() * 2);
    }
    if (rc == 0 && found != nullptr) {
      *name = found->pw_name;
      return OwnerNameStatus::kName;
    }
    // As ls -l shows an owner without an account: the number.
    *name = std::to_string(uid);
    return (rc == 0 || rc == ENOENT || rc == ESRCH || rc == EBADF ||
            rc == EPERM)
               ? OwnerNameStatus::kUnmapped
               : OwnerNameStatus::kError;
  }
};

}  // namespace

std::unique_ptr<FileSystem> MakeSystemFileSystem() {
  return std::make_unique<PosixFileSystem>();
}

}  // namespace ovik
