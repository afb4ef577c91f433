// The inode tables of ext2, ext3 and ext4, read with libext2fs from the
// mounted volume's block device. The device is read through the kernel's
// cache of it, where the mounted file system keeps its inode tables, so
// once the volume is flushed the tables hold what stat would say.
//
// Parts are runs of block groups; each part is an inode scan of its own
// over one shared, read-only handle (libext2fs's threaded I/O), and the
// scan skips groups never used and the never-used tail of every group.
// An inode whose checksum fails was most likely caught half-written by
// the file system: it is read again from the device a few times before
// it is given as unreadable.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <ext2fs/ext2fs.h>
extern "C" {  // com_err's header declares C functions without saying so
#include <et/com_err.h>
}

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/entry_status_posix.h"
#include "platform/volume_table_posix.h"

namespace ovik {
namespace {

// Inodes per part at most: 16 groups of the usual 8192.
constexpr std::uint64_t kInodesPerPart = 131072;
// Blocks of inode table read at once: 32 KiB of 4 KiB blocks, as much as
// the walk reads of a directory at once.
constexpr int kScanBlocks = 8;
// Reads of an inode whose checksum fails, the first included.
constexpr int kChecksumReads = 4;
// What the end-of-group callback returns to stop a scan at its part's
// end; no error of libext2fs has this value.
constexpr errcode_t kPartDone = 0x4f76696b;

// Seconds of an inode time: the 32-bit field, signed, with the epoch
// bits of its extra field where the inode is large enough to hold it.
std::int64_t Seconds(std::uint32_t base, std::uint32_t extra,
                     std::size_t extra_end, const ext2_inode_large& inode,
                     unsigned inode_size) {
  std::int64_t seconds = static_cast<std::int32_t>(base);
  if (inode_size > EXT2_GOOD_OLD_INODE_SIZE &&
      extra_end <= std::size_t{EXT2_GOOD_OLD_INODE_SIZE} + inode.i_extra_isize) {
    seconds += static_cast<std::int64_t>(extra & EXT4_EPOCH_MASK) << 32;
  }
  return seconds;
}

// The block device with the number |major|:|minor|: the mount's source,
// else what udev or sysfs names it.
bool FindBlockDevice(const MountInfoEntry& mount, std::string* path) {
  const dev_t number = makedev(mount.major, mount.minor);
  std::vector<std::string> candidates;
  if (mount.source.rfind("/dev/", 0) == 0) candidates.push_back(mount.source);
  const std::string id =
      std::to_string(mount.major) + ":" + std::to_string(mount.minor);
  candidates.push_back("/dev/block/" + id);
  std::ifstream uevent("/sys/dev/block/" + id + "/uevent");
  for (std::string line; std::getline(uevent, line);) {
    if (line.rfind("DEVNAME=", 0) == 0) {
      candidates.push_back("/dev/" + line.substr(8));
    }
  }
  for (const std::string& candidate : candidates) {
    struct stat st;
    if (stat(candidate.c_str(), &st) == 0 && S_ISBLK(st.st_mode) &&
        st.st_rdev == number) {
      *path = candidate;
      return true;
    }
  }
  return false;
}

std::string ExtError(errcode_t error) { return error_message(error); }

class ExtTable final : public VolumeTable {
 public:
  ExtTable(ext2_filsys fs, int device_fd, dev_t device, std::string type)
      : fs_(fs), device_fd_(device_fd), device_(device),
        type_(std::move(type)) {
    const ext2_super_block& super = *fs_->super;
    inode_size_ = EXT2_INODE_SIZE(&super);
    first_inode_ = EXT2_FIRST_INO(&super);
    inodes_per_group_ = EXT2_INODES_PER_GROUP(&super);
    // A part is a flexible group, whose inode tables lie side by side,
    // or fewer groups where those hold many inodes.
    const std::uint64_t flexible =
        ext2fs_has_feature_flex_bg(fs_->super)
            ? std::uint64_t{1} << std::min<unsigned>(super.s_log_groups_per_flex, 31)
            : 1;
    groups_per_part_ = static_cast<unsigned>(std::max<std::uint64_t>(
        1, std::min<std::uint64_t>(
               flexible, kInodesPerPart / std::max<std::uint32_t>(
                                              inodes_per_group_, 1))));
    // Inodes of the file system's own that no directory names.
    hidden_ = {super.s_journal_inum,    super.s_usr_quota_inum,
               super.s_grp_quota_inum,  super.s_prj_quota_inum,
               super.s_orphan_file_inum, super.s_snapshot_inum};
  }
  ~ExtTable() override {
    ext2fs_close_free(&fs_);
    close(device_fd_);
  }
  ExtTable(const ExtTable&) = delete;
  ExtTable& operator=(const ExtTable&) = delete;

  std::string Description() const override { return type_ + " inode tables"; }

  unsigned PartCount() const override {
    return (fs_->group_desc_count + groups_per_part_ - 1) / groups_per_part_;
  }

  Status ReadPart(unsigned part, TableSink& sink) override {
    const dgrp_t first = static_cast<dgrp_t>(part) * groups_per_part_;
    if (part >= PartCount()) return Status(StatusCode::kNotFound);
    const dgrp_t last =
        std::min<dgrp_t>(first + groups_per_part_, fs_->group_desc_count) - 1;
    ext2_inode_scan scan = nullptr;
    {
      // Opening a scan may read the bad blocks list into the shared
      // handle.
      std::lock_guard<std::mutex> lock(open_mutex_);
      const errcode_t opened = ext2fs_open_inode_scan(fs_, kScanBlocks, &scan);
      if (opened != 0) {
        return Status(opened == EXT2_ET_NO_MEMORY ? StatusCode::kNoMemory
                                                   : StatusCode::kOther);
      }
    }
    std::unique_ptr<ext2_struct_inode_scan, decltype(&ext2fs_close_inode_scan)>
        closer(scan, &ext2fs_close_inode_scan);
    PartEnd end{last, first == 0 ? 0 : first - 1, first == 0};
    ext2fs_set_inode_callback(scan, &GroupDone, &end);
    if (ext2fs_inode_scan_goto_blockgroup(scan, static_cast<int>(first)) != 0) {
      return Status(StatusCode::kOther);
    }
    // Room for the largest of inode records and the library's own view
    // of one, zeroed so a small inode shows no extra fields.
    const std::size_t room = std::max<std::size_t>(inode_size_,
                                                   sizeof(ext2_inode_large));
    std::vector<ext2_inode_large> buffer(
        (room + sizeof(ext2_inode_large) - 1) / sizeof(ext2_inode_large));
    auto* inode = buffer.data();
    const int buffer_size = static_cast<int>(buffer.size() * sizeof *inode);
    Entry entry;
    Status result;
    while (!sink.Cancelled()) {
      ext2_ino_t number = 0;
      const errcode_t read = ext2fs_get_next_inode_full(
          scan, &number, reinterpret_cast<ext2_inode*>(inode), buffer_size);
      if (read == kPartDone) break;
      if (read == EXT2_ET_NEXT_INODE_READ ||
          read == EXT2_ET_MISSING_INODE_TABLE) {
        // The rest of this group cannot be read: on to the next.
        result = Status(StatusCode::kOther, EIO);
        const dgrp_t current = end.none_done ? first : end.done + 1;
        if (current >= last) break;
        end.done = current;
        end.none_done = false;
        if (ext2fs_inode_scan_goto_blockgroup(
                scan, static_cast<int>(current + 1)) != 0) {
          break;
        }
        continue;
      }
      if (number == 0) break;  // the last group of the volume is done
      if (read == EXT2_ET_BAD_BLOCK_IN_INODE_TABLE) {
        // A block listed as bad: what lay there is not known.
        result = Status(StatusCode::kOther, EIO);
        continue;
      }
      const bool damaged = read == EXT2_ET_INODE_CSUM_INVALID ||
                           read == EXT2_ET_INODE_IS_GARBAGE;
      if (read != 0 && !damaged) return Status(StatusCode::kOther);
      if (number < first_inode_ || IsHidden(number)) continue;
      if (damaged && !ReadAgain(number, inode)) {
        if (inode->i_links_count == 0) continue;  // free, as far as it says
        FillUnreadableEntry(LINUX_S_ISDIR(inode->i_mode)
                                ? EntryKind::kOther
                                : KindOfMode(inode->i_mode),
                            &entry);
        entry.device = device_;
        entry.inode = number;
        sink.Add(entry);
        continue;
      }
      Give(number, *inode, sink, &entry);
    }
    return result;
  }

 private:
  struct PartEnd {
    dgrp_t last;     // the part's last group
    dgrp_t done;     // the last group finished, when any was
    bool none_done;
  };

  static errcode_t GroupDone(ext2_filsys, ext2_inode_scan, dgrp_t group,
                             void* data) {
    auto* end = static_cast<PartEnd*>(data);
    end->done = group;
    end->none_done = false;
    return group >= end->last ? kPartDone : 0;
  }

  bool IsHidden(ext2_ino_t number) const {
    return std::find(hidden_.begin(), hidden_.end(), number) != hidden_.end();
  }

  // Reads the inode |number| again from the device until its checksum
  // holds; false when it never does.
  bool ReadAgain(ext2_ino_t number, ext2_inode_large* inode) const {
    const dgrp_t group = (number - 1) / inodes_per_group_;
    const blk64_t table = ext2fs_inode_table_loc(fs_, group);
    if (table == 0) return false;
    const off_t offset =
        static_cast<off_t>(table) * fs_->blocksize +
        static_cast<off_t>((number - 1) % inodes_per_group_) * inode_size_;
    std::vector<ext2_inode_large> raw(
        (inode_size_ + sizeof(ext2_inode_large) - 1) / sizeof(ext2_inode_large));
    for (int attempt = 0; attempt < kChecksumReads; ++attempt) {
      if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      if (pread(device_fd_, raw.data(), inode_size_, offset) !=
          static_cast<ssize_t>(inode_size_)) {
        continue;
      }
      if (ext2fs_inode_csum_verify(fs_, number, raw.data()) != 0) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
        ext2fs_swap_inode_full(fs_, inode, raw.data(), 0,
                               static_cast<int>(inode_size_));
#else
        std::memcpy(inode, raw.data(), inode_size_);
#endif
        return true;
      }
    }
    return false;
  }

  void Give(ext2_ino_t number, const ext2_inode_large& inode, TableSink& sink,
            Entry* entry) const {
    if (inode.i_links_count == 0) return;  // free, or unlinked and open
    if (LINUX_S_ISDIR(inode.i_mode)) return;
    if ((inode.i_flags & EXT4_EA_INODE_FL) != 0) return;  // holds a value
    EntryStatus s;
    s.mode = inode.i_mode;
    s.size = EXT2_I_SIZE(&inode);
    s.device = device_;
    s.inode = number;
    s.links = inode.i_links_count;
    s.uid = inode_uid(inode);
    s.gid = inode_gid(inode);
    s.modified = Seconds(inode.i_mtime, inode.i_mtime_extra,
                         offsetof(ext2_inode_large, i_mtime_extra) + 4, inode,
                         inode_size_);
    s.accessed = Seconds(inode.i_atime, inode.i_atime_extra,
                         offsetof(ext2_inode_large, i_atime_extra) + 4, inode,
                         inode_size_);
    FillEntry(s, entry);
    sink.Add(*entry);
  }

  ext2_filsys fs_;
  int device_fd_;
  dev_t device_;
  std::string type_;
  unsigned inode_size_ = 0;
  ext2_ino_t first_inode_ = 0;
  std::uint32_t inodes_per_group_ = 0;
  unsigned groups_per_part_ = 1;
  std::array<std::uint32_t, 6> hidden_{};
  std::mutex open_mutex_;
};

}  // namespace

TableOpenResult OpenExtTable(const MountedVolume& volume) {
  std::string device;
  if (!FindBlockDevice(volume.mount, &device)) {
    return RefuseTable(TableRefusal::kUnreadable,
                       "the block device of " + volume.path + " (" +
                           std::to_string(volume.mount.major) + ":" +
                           std::to_string(volume.mount.minor) +
                           ") cannot be found");
  }
  int opened;
  do {
    opened = open(device.c_str(), O_RDONLY | O_CLOEXEC);
  } while (opened < 0 && errno == EINTR);
  UniqueFd owned(opened);
  const int fd = owned.get();
  if (fd < 0) {
    const int error = errno;
    if (error == EACCES || error == EPERM) {
      return RefuseTable(TableRefusal::kNoPrivilege,
                         "reading the inode tables of " + volume.mount.fs_type +
                             " needs read access to " + device);
    }
    return RefuseTable(TableRefusal::kUnreadable,
                       device + " cannot be opened: " +
                           Status::FromSystemError(error).ToString());
  }
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISBLK(st.st_mode) ||
      st.st_rdev != makedev(volume.mount.major, volume.mount.minor)) {
    return RefuseTable(TableRefusal::kUnreadable,
                       device + " is no longer the device of " + volume.path);
  }
  TableOpenResult flushed;
  if (!FlushVolume(volume, &flushed)) return flushed;
  ext2_filsys fs = nullptr;
  errcode_t read = 0;
  // The superblock may be caught while the file system rewrites it.
  for (int attempt = 0; attempt < kChecksumReads; ++attempt) {
    read = ext2fs_open2(device.c_str(), nullptr,
                        EXT2_FLAG_64BITS | EXT2_FLAG_THREADS, 0, 0,
                        unix_io_manager, &fs);
    if (read != EXT2_ET_SB_CSUM_INVALID) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (read != 0) {
    return RefuseTable(TableRefusal::kUnreadable,
                       "the " + volume.mount.fs_type + " file system on " +
                           device + " cannot be read: " + ExtError(read));
  }
  TableOpenResult result;
  try {
    result.table = std::make_unique<ExtTable>(fs, fd, volume.device,
                                              volume.mount.fs_type);
  } catch (...) {
    ext2fs_close_free(&fs);
    throw;
  }
  owned.Release();
  return result;
}

}  // namespace ovik
