// A volume's own table of its files: the inode tables of ext2/3/4, XFS's
// bulk status, btrfs's inode items, NTFS's master file table. Read as a
// whole, part by part, without a directory or a path lookup, it gives
// what a walk of the volume's root would count, in a fraction of the
// time. Implementations sit beside this file, one per file system; the
// scan reads them through this interface and tests through a fake.
//
// Errors follow platform/status.h.
#ifndef OVIK_PLATFORM_VOLUME_TABLE_H_
#define OVIK_PLATFORM_VOLUME_TABLE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/entry.h"
#include "platform/status.h"

namespace ovik {

// Receives the entries of one part of a table.
class TableSink {
 public:
  virtual ~TableSink() = default;
  // One entry the walk would count: never a directory, never an inode the
  // walk cannot reach (reserved and internal inodes, the journal, quota
  // files, orphans with no link left, extended-attribute inodes). Given
  // once per file, whatever its link count. |entry.inode| is the entry's
  // number in the table; within a part the numbers only grow, and every
  // number of a part is below every number of the next part. The name is
  // empty. An entry whose record cannot be read or does not parse comes
  // with owner_status kUnreadable (and size 0), as the walk gives an
  // entry whose status cannot be read. Called on the thread that reads
  // the part.
  virtual void Add(const Entry& entry) = 0;
  // Whether the reader should stop: checked between records.
  virtual bool Cancelled() const { return false; }
};

class VolumeTable {
 public:
  virtual ~VolumeTable() = default;
  // How the table is read, for the user: "ext4 inode tables", "XFS bulk
  // status", "btrfs inode items", "NTFS master file table".
  virtual std::string Description() const = 0;
  // Parts that may be read at once, each by a thread of its own (block or
  // allocation groups, subvolume trees, ranges of the table). At least 1.
  virtual unsigned PartCount() const = 0;
  // Reads part |part| (0 <= part < PartCount()) into |sink|. Parts may be
  // read in any order and at once on different threads. Fails when the
  // part as a whole cannot be read: what it gave before the failure stands
  // and the scan that reads it is incomplete.
  virtual Status ReadPart(unsigned part, TableSink& sink) = 0;
};

// Why a table cannot serve a path, for `--method tables` to say and for
// `ovik drives` to show.
enum class TableRefusal : std::uint8_t {
  kNone,
  kNotVolumeRoot,     // the path is not the root of a mounted file system
  kNoTable,           // the file system has no table Ovik reads
  kNoPrivilege,       // the table needs a privilege the process lacks
  kUnreadable,        // the table exists but cannot be opened or parsed
};

struct TableOpenResult {
  std::unique_ptr<VolumeTable> table;  // set when it can serve
  TableRefusal refusal = TableRefusal::kNone;
  // The refusal in words, a whole sentence without a final stop:
  // "/srv is not the root of a mounted file system", "reading the inode
  // tables of XFS needs CAP_SYS_ADMIN", ...
  std::string reason;
};

}  // namespace ovik

#endif  // OVIK_PLATFORM_VOLUME_TABLE_H_
