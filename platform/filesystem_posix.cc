// The walk on POSIX systems: directory file descriptors, getdents64 and
// statx (fstatat where there is no mount id), so no path is ever built
// and the current directory is never changed.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/types.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "platform/filesystem.h"
#include "platform/accounts_posix.h"
#include "platform/descriptors_posix.h"
#include "platform/entry_status_posix.h"
#include "platform/mount_points_posix.h"
#include "platform/volume_table_posix.h"

namespace ovik {
namespace {

// Where a directory lies: its device, inode and, where the kernel tells,
// its mount.
struct DirectoryIdentity {
  dev_t device = 0;
  std::uint64_t inode = 0;
  std::uint64_t mount_id = 0;
  bool has_mount_id = false;
};

// The volume a scan stays on, shared by every directory of the scan.
struct ScanVolume {
  DirectoryIdentity root;
  // Whether (device, inode) names one directory only. Not so on an
  // overlay whose layers lie on different file systems.
  bool unique_inodes = true;
  // Mount points below the root, where there are no mount ids to tell
  // them; null when there are none or mount ids tell.
  std::shared_ptr<const MountPointSet> mount_points;
};

// The directories a directory was opened through, nearest first, so it
// can check that ".." still leads to the one it came from.
struct Lineage {
  dev_t device;
  std::uint64_t inode;
  std::shared_ptr<const Lineage> parent;
};

constexpr long kOverlayMagic = 0x794c7630;

bool Identify(int fd, DirectoryIdentity* id) {
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

// Opens a directory relative to |dirfd| and tells where it lies.
Status OpenDirectory(int dirfd, const char* name, int flags,
                     DirectoryIdentity* id, int* fd_out) {
  int fd;
  do {
    fd = openat(dirfd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | flags);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return Status::FromSystemError(errno);
  DirectoryIdentity identity;
  if (!Identify(fd, &identity)) {
    const int error = errno;
    close(fd);
    return Status::FromSystemError(error);
  }
  *id = identity;
  *fd_out = fd;
  return Status::Ok();
}

constexpr std::size_t kListingBuffer = 32 * 1024;

class PosixDirectory final : public Directory {
 public:
  // |lineage| starts with this directory itself.
  PosixDirectory(int fd, std::shared_ptr<const ScanVolume> volume,
                 std::shared_ptr<const Lineage> lineage)
      : fd_(fd),
        volume_(std::move(volume)),
        lineage_(std::move(lineage)),
        buffer_(new char[kListingBuffer]) {}
  ~PosixDirectory() override { close(fd_); }
  PosixDirectory(const PosixDirectory&) = delete;
  PosixDirectory& operator=(const PosixDirectory&) = delete;

  // Wraps the open directory |fd|, closing it should that fail.
  static void Adopt(int fd, std::shared_ptr<const ScanVolume> volume,
                    std::shared_ptr<const Lineage> lineage,
                    std::unique_ptr<Directory>* directory) {
    try {
      *directory = std::make_unique<PosixDirectory>(fd, std::move(volume),
                                                    std::move(lineage));
    } catch (...) {
      close(fd);
      throw;
    }
  }

  Status Next(Entry* entry) override {
    for (;;) {
      if (pos_ >= len_) {
        if (done_) return Status(StatusCode::kEnd);
        long n;
        do {
          n = syscall(SYS_getdents64, fd_, buffer_.get(), kListingBuffer);
        } while (n < 0 && errno == EINTR);
        if (n <= 0) {
          done_ = true;
          return n == 0 ? Status(StatusCode::kEnd) : ListingFailure(errno);
        }
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
      return Describe(name, d->d_type, entry);
    }
  }

  Status OpenSubdirectory(std::string_view name,
                          std::unique_ptr<Directory>* subdirectory) override {
    const std::string n(name);
    auto lineage = std::make_shared<Lineage>();
    int fd = -1;
    DirectoryIdentity id;
    const Status status = OpenDirectory(fd_, n.c_str(), O_NOFOLLOW, &id, &fd);
    if (!status.ok()) return status;
    if (!OnScanMount(id, n)) {
      close(fd);
      return Status(StatusCode::kOtherVolume);
    }
    *lineage = Lineage{id.device, id.inode, lineage_};
    Adopt(fd, volume_, std::move(lineage), subdirectory);
    return Status::Ok();
  }

  Status Identity(std::uint64_t* device, std::uint64_t* inode) const override {
    if (!volume_->unique_inodes) return Status(StatusCode::kUnsupported);
    *device = lineage_->device;
    *inode = lineage_->inode;
    return Status::Ok();
  }

  Status OpenAgain(std::unique_ptr<Directory>* again) override {
    int fd = -1;
    DirectoryIdentity id;
    const Status status = OpenDirectory(fd_, ".", 0, &id, &fd);
    if (!status.ok()) return status;
    Adopt(fd, volume_, lineage_, again);
    return Status::Ok();
  }

  Status OpenParent(std::unique_ptr<Directory>* parent) override {
    if (!lineage_->parent) return Status(StatusCode::kUnsupported);
    const Lineage& above = *lineage_->parent;
    int fd = -1;
    DirectoryIdentity id;
    const Status status = OpenDirectory(fd_, "..", 0, &id, &fd);
    if (!status.ok()) return status;
    if (id.device != above.device || id.inode != above.inode) {
      close(fd);  // moved elsewhere since it was opened
      return Status(StatusCode::kNotFound);
    }
    Adopt(fd, volume_, lineage_->parent, parent);
    return Status::Ok();
  }

 private:
  // A failed listing is never mistaken for an entry that went away.
  static Status ListingFailure(int error) {
    const Status status = Status::FromSystemError(error);
    return status.code() == StatusCode::kNotFound
               ? Status(StatusCode::kOther, error)
               : status;
  }

  // Whether the subdirectory |name|, which lies at |id|, is on the scan's
  // mount: by mount id where the kernel gives one (a btrfs subvolume has
  // a device number of its own but is no mount), else by the mount table,
  // else by device number.
  bool OnScanMount(const DirectoryIdentity& id, const std::string& name) const {
    const DirectoryIdentity& root = volume_->root;
    if (root.has_mount_id && id.has_mount_id) return id.mount_id == root.mount_id;
    if (volume_->mount_points) {
      return !volume_->mount_points->Contains(lineage_->device,
                                              lineage_->inode, name);
    }
    return id.device == root.device;
  }

  // Whether an entry that is no directory is a mount point: a file
  // bind-mounted here shows the mount it comes from.
  bool IsMountPoint(const char* name, const EntryStatus& s) const {
    if (s.has_mount_id) return s.mount_id != volume_->root.mount_id;
    if (volume_->mount_points) {
      return volume_->mount_points->Contains(lineage_->device, lineage_->inode,
                                             name);
    }
    return s.device != lineage_->device;
  }

  // Fills *entry from the listing's name and type and, for entries that
  // are not directories, their status.
  Status Describe(const char* name, unsigned char type, Entry* entry) {
    EntryStatus st;
    const bool stat_failed =
        type != DT_DIR &&
        !StatEntry(fd_, name, volume_->root.has_mount_id, &st);
    if (stat_failed && errno == ENOENT) {
      return Status(StatusCode::kNotFound, ENOENT);
    }
    entry->name.assign(name);
    entry->size = 0;
    entry->inode = 0;
    entry->links = 1;
    if (type == DT_DIR || (!stat_failed && S_ISDIR(st.mode))) {
      entry->kind = EntryKind::kDirectory;
      return Status::Ok();
    }
    if (stat_failed) {
      // Listed but not readable (a directory we may list but not search):
      // counted, with no size, under the unreadable owner.
      FillUnreadableEntry(type == DT_LNK   ? EntryKind::kLink
                          : type == DT_REG ? EntryKind::kFile
                                           : EntryKind::kOther,
                          entry);
      return Status::Ok();
    }
    if (IsMountPoint(name, st)) {
      entry->kind = EntryKind::kMountPoint;
      return Status::Ok();
    }
    FillEntry(st, entry);
    return Status::Ok();
  }

  int fd_;
  std::shared_ptr<const ScanVolume> volume_;
  std::shared_ptr<const Lineage> lineage_;
  std::unique_ptr<char[]> buffer_;
  std::size_t pos_ = 0;
  std::size_t len_ = 0;
  bool done_ = false;  // the listing ended or failed
};

class PosixFileSystem final : public FileSystem {
 public:
  Status OpenRoot(std::string_view path,
                  std::unique_ptr<Directory>* root) override {
    const std::string p(path);
    auto volume = std::make_shared<ScanVolume>();
    auto lineage = std::make_shared<Lineage>();
    int fd = -1;
    const Status status =
        OpenDirectory(AT_FDCWD, p.c_str(), 0, &volume->root, &fd);
    if (!status.ok()) return status;
    try {
      struct statfs sfs;
      if (fstatfs(fd, &sfs) == 0 &&
          static_cast<long>(sfs.f_type) == kOverlayMagic) {
        volume->unique_inodes = false;
      }
      if (!volume->root.has_mount_id) {
        volume->mount_points = MountPointSet::Below(fd, p);
      }
    } catch (...) {
      close(fd);
      throw;
    }
    *lineage = Lineage{volume->root.device, volume->root.inode, nullptr};
    PosixDirectory::Adopt(fd, std::move(volume), std::move(lineage), root);
    return Status::Ok();
  }

  Status LookupOwnerName(std::string_view owner_key,
                         std::string* name) override {
    uid_t uid = 0;
    if (!UidOfKey(owner_key, &uid)) return Status(StatusCode::kOther);
    return NameOfUid(uid, name);
  }

  // As ls -l shows an owner without an account: the number.
  Status OwnerKeyText(std::string_view owner_key, std::string* text) override {
    uid_t uid = 0;
    if (!UidOfKey(owner_key, &uid)) return Status(StatusCode::kOther);
    *text = std::to_string(uid);
    return Status::Ok();
  }

  Status LookupGroupName(std::string_view group_key,
                         std::string* name) override {
    gid_t gid = 0;
    if (!GidOfKey(group_key, &gid)) return Status(StatusCode::kOther);
    return NameOfGid(gid, name);
  }

  Status GroupKeyText(std::string_view group_key, std::string* text) override {
    gid_t gid = 0;
    if (!GidOfKey(group_key, &gid)) return Status(StatusCode::kOther);
    *text = std::to_string(gid);
    return Status::Ok();
  }

  Status FindAccount(std::string_view name_or_id, std::string* name) override {
    return FindAccountName(name_or_id, name);
  }

  Status FindGroup(std::string_view name_or_id, std::string* name) override {
    return FindGroupName(name_or_id, name);
  }

  std::string AdministratorsKey() override {
    const uid_t root = 0;
    return std::string(reinterpret_cast<const char*>(&root), sizeof root);
  }

  std::string AdministratorsName() override {
    std::string name;
    if (NameOfUid(0, &name).ok()) return name;
    return "root";
  }

  TableOpenResult OpenTable(std::string_view root_path) override {
    return OpenVolumeTable(root_path);
  }

  Status DirectoryBudget(std::uint64_t* directories) override {
    // A few are left for the rest of the program.
    return SpareDescriptors(4, directories);
  }
};

}  // namespace

std::unique_ptr<FileSystem> MakeSystemFileSystem() {
  return std::make_unique<PosixFileSystem>();
}

}  // namespace ovik
