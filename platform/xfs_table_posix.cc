// XFS's table: the bulk status ioctl (version 5), one stream of requests
// per allocation group. XFS numbers inodes by allocation group, so the
// groups are the parts, in inode order. The kernel answers from its
// inodes in memory, as stat does, and leaves out its own internal inodes
// (quota, real-time bitmap and summary, the metadata directory).
//
// An inode the kernel cannot read stops a request: the request before
// stops short of it, the next fails. The inode is then found with the
// inode-number ioctl and asked for alone; if it fails alone it is given
// as unreadable and the stream goes on after it.
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/entry_status_posix.h"
#include "platform/volume_table_posix.h"

#include <xfs/xfs.h>

namespace ovik {
namespace {

// Records asked for at once: 48 KiB of them.
constexpr std::uint32_t kRecords = 256;

int RetryingIoctl(int fd, unsigned long request, void* argument) {
  int result;
  do {
    result = ioctl(fd, request, argument);
  } while (result != 0 && errno == EINTR);
  return result;
}

// A bulk status request with room for |count| records, and its answers.
class BulkRequest {
 public:
  explicit BulkRequest(std::uint32_t count)
      : memory_((XFS_BULKSTAT_REQ_SIZE(count) + sizeof(std::uint64_t) - 1) /
                sizeof(std::uint64_t)),
        count_(count) {}

  // Asks for the records of allocation group |group| from inode |start|
  // (0: its first). False, with errno set, when the kernel refuses.
  bool Ask(int fd, std::uint32_t group, std::uint64_t start) {
    xfs_bulk_ireq& header = request()->hdr;
    std::memset(&header, 0, sizeof header);
    header.ino = start;
    header.flags = XFS_BULK_IREQ_AGNO;
    header.icount = count_;
    header.agno = group;
    return RetryingIoctl(fd, XFS_IOC_BULKSTAT, request()) == 0;
  }
  std::uint32_t answered() const { return request()->hdr.ocount; }
  const xfs_bulkstat& record(std::uint32_t i) const {
    return request()->bulkstat[i];
  }
  // Where the next request starts.
  std::uint64_t next() const { return request()->hdr.ino; }

 private:
  xfs_bulkstat_req* request() {
    return reinterpret_cast<xfs_bulkstat_req*>(memory_.data());
  }
  const xfs_bulkstat_req* request() const {
    return reinterpret_cast<const xfs_bulkstat_req*>(memory_.data());
  }

  std::vector<std::uint64_t> memory_;
  std::uint32_t count_;
};

// The first allocated inode of group |group| at or after |start|, from
// the inode btree. False when there is none or the kernel cannot tell.
bool FirstAllocated(int fd, std::uint32_t group, std::uint64_t start,
                    std::uint64_t* inode) {
  std::vector<std::uint64_t> memory(
      (XFS_INUMBERS_REQ_SIZE(1) + sizeof(std::uint64_t) - 1) /
      sizeof(std::uint64_t));
  auto* request = reinterpret_cast<xfs_inumbers_req*>(memory.data());
  for (;;) {
    std::memset(&request->hdr, 0, sizeof request->hdr);
    request->hdr.ino = start;
    request->hdr.flags = XFS_BULK_IREQ_AGNO;
    request->hdr.icount = 1;
    request->hdr.agno = group;
    if (RetryingIoctl(fd, XFS_IOC_INUMBERS, request) != 0 ||
        request->hdr.ocount == 0) {
      return false;
    }
    const xfs_inumbers& chunk = request->inumbers[0];
    for (unsigned bit = 0; bit < 64; ++bit) {
      const std::uint64_t candidate = chunk.xi_startino + bit;
      if (candidate >= start && (chunk.xi_allocmask >> bit & 1) != 0) {
        *inode = candidate;
        return true;
      }
    }
    start = request->hdr.ino;
  }
}

class XfsTable final : public VolumeTable {
 public:
  XfsTable(int fd, dev_t device, std::uint32_t groups)
      : fd_(fd), device_(device), groups_(groups) {}
  ~XfsTable() override { close(fd_); }
  XfsTable(const XfsTable&) = delete;
  XfsTable& operator=(const XfsTable&) = delete;

  std::string Description() const override { return "XFS bulk status"; }
  unsigned PartCount() const override { return groups_; }

  Status ReadPart(unsigned part, TableSink& sink) override {
    if (part >= groups_) return Status(StatusCode::kNotFound);
    BulkRequest bulk(kRecords);
    BulkRequest single(1);
    Entry entry;
    std::uint64_t next = 0;
    while (!sink.Cancelled()) {
      if (!bulk.Ask(fd_, part, next)) {
        if (errno == ENOMEM) return Status(StatusCode::kNoMemory, ENOMEM);
        // The first inode at |next| cannot be read: alone, it may be.
        const int error = errno;
        std::uint64_t damaged = 0;
        if (!FirstAllocated(fd_, part, next, &damaged)) {
          return Status::FromSystemError(error);
        }
        if (single.Ask(fd_, part, damaged)) {
          if (single.answered() == 0) break;
          Give(single.record(0), sink, &entry);
          next = single.next();
        } else {
          FillUnreadableEntry(EntryKind::kOther, &entry);
          entry.device = device_;
          entry.inode = damaged;
          sink.Add(entry);
          next = damaged + 1;
        }
        continue;
      }
      if (bulk.answered() == 0) break;
      for (std::uint32_t i = 0; i < bulk.answered(); ++i) {
        if (sink.Cancelled()) return Status::Ok();
        Give(bulk.record(i), sink, &entry);
      }
      next = bulk.next();
    }
    return Status::Ok();
  }

 private:
  void Give(const xfs_bulkstat& record, TableSink& sink, Entry* entry) const {
    if (record.bs_version != XFS_BULKSTAT_VERSION_V5) {
      FillUnreadableEntry(EntryKind::kOther, entry);
      entry->device = device_;
      entry->inode = record.bs_ino;
      sink.Add(*entry);
      return;
    }
    if (record.bs_nlink == 0) return;  // unlinked, still open
    if (S_ISDIR(record.bs_mode)) return;
    EntryStatus s;
    s.mode = record.bs_mode;
    s.size = record.bs_size;  // bytes; bs_blocks would be in blocks
    s.device = device_;
    s.inode = record.bs_ino;
    s.links = record.bs_nlink;
    s.uid = record.bs_uid;
    s.gid = record.bs_gid;
    s.modified = record.bs_mtime;
    s.accessed = record.bs_atime;
    FillEntry(s, entry);
    sink.Add(*entry);
  }

  int fd_;
  dev_t device_;
  std::uint32_t groups_;
};

}  // namespace

TableOpenResult OpenXfsTable(const MountedVolume& volume) {
  TableOpenResult refusal;
  UniqueFd owned = DuplicateVolumeFd(volume, &refusal);
  const int fd = owned.get();
  if (fd < 0) return refusal;
  xfs_fsop_geom_v1 geometry;
  std::memset(&geometry, 0, sizeof geometry);
  if (RetryingIoctl(fd, XFS_IOC_FSGEOMETRY_V1, &geometry) != 0 ||
      geometry.agcount == 0) {
    return RefuseTable(TableRefusal::kUnreadable,
                       "the geometry of the XFS file system of " +
                           volume.path + " cannot be read");
  }
  BulkRequest probe(1);
  if (!probe.Ask(fd, 0, 0)) {
    const int error = errno;
    if (error == EPERM || error == EACCES) {
      return RefuseTable(TableRefusal::kNoPrivilege,
                         "reading the inode tables of XFS needs "
                         "CAP_SYS_ADMIN");
    }
    if (error == ENOTTY || error == EINVAL) {
      return RefuseTable(TableRefusal::kUnreadable,
                         "this kernel has no XFS bulk status of version 5");
    }
    // A damaged first inode is met again, and dealt with, by the reading.
  }
  TableOpenResult flushed;
  if (!FlushVolume(volume, &flushed)) return flushed;
  TableOpenResult result;
  result.table =
      std::make_unique<XfsTable>(fd, volume.device, geometry.agcount);
  owned.Release();
  return result;
}

}  // namespace ovik
