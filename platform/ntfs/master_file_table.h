// The master file table of an NTFS volume read as a volume table: every
// file of the volume in record order, with its owner and size, as the
// walk of the volume's root would count it.
//
// Opening reads the boot sector for the geometry, the table's own record
// for its runs and its bitmap (following its attribute list), $Secure's
// $SDS for the owner of each security id, and the directories of
// $Extend, whose files the walk never sees. Reading a part then goes
// through its range of records in large reads, skipping records the
// bitmap marks free. Everything read from the volume is checked before
// use: a record that does not parse becomes an entry whose owner is
// unreadable, never a read out of bounds.
#ifndef OVIK_PLATFORM_NTFS_MASTER_FILE_TABLE_H_
#define OVIK_PLATFORM_NTFS_MASTER_FILE_TABLE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/ntfs/boot_sector.h"
#include "platform/ntfs/byte_source.h"
#include "platform/ntfs/record.h"
#include "platform/ntfs/security.h"
#include "platform/ntfs/volume_reader.h"
#include "platform/volume_table.h"

namespace ovik::ntfs {

class MasterFileTable : public VolumeTable {
 public:
  struct Options {
    // Records are read this many bytes at a time (a power of two; at
    // least a cluster and a record are read whatever it says)...
    std::uint64_t chunk_bytes = std::uint64_t{1} << 20;
    // ...and a part is this many reads.
    std::uint32_t chunks_per_part = 64;
  };

  // The table of the volume |source| reads; nullptr with the refusal and
  // its reason when there is none: kNoTable when the volume is not NTFS,
  // kUnreadable when its table cannot be read or does not parse.
  static std::unique_ptr<MasterFileTable> Open(
      std::unique_ptr<ByteSource> source, TableRefusal* refusal,
      std::string* reason) {
    return Open(std::move(source), Options(), refusal, reason);
  }
  static std::unique_ptr<MasterFileTable> Open(
      std::unique_ptr<ByteSource> source, const Options& options,
      TableRefusal* refusal, std::string* reason);

  std::string Description() const override { return "NTFS master file table"; }
  unsigned PartCount() const override;
  Status ReadPart(unsigned part, TableSink& sink) override;

  const Geometry& geometry() const { return reader_.geometry(); }
  std::uint64_t record_count() const { return record_count_; }
  // Runs of the table itself on the volume: more than one when it is
  // fragmented.
  std::size_t table_run_count() const { return table_.extents.run_count(); }
  std::size_t security_id_count() const { return owners_.size(); }
  // Where record |number| starts on the volume, when it lies in one run.
  bool RecordOffset(std::uint64_t number, std::uint64_t* offset) const;

 private:
  struct StoredAttribute;
  class PartReader;

  MasterFileTable(std::unique_ptr<ByteSource> source, const Geometry& geometry,
                  const Options& options);

  // Copies the attributes of one record (an attribute list only from a
  // base record).
  static bool CopyAttributes(const std::uint8_t* record,
                             const RecordHeader& header, bool base,
                             std::vector<StoredAttribute>* attributes);
  bool LoadTable(std::string* reason);
  bool LoadOwners(std::string* reason);
  bool LoadExtend(std::string* reason);
  // The attributes of file |number|, from its base record and the
  // extension records its attribute list names. False when it is not in
  // use or does not parse; |*header| is its base record's header.
  bool LoadFile(std::uint64_t number, std::vector<StoredAttribute>* attributes,
                RecordHeader* header);
  bool FollowList(std::uint64_t number, const RecordHeader& base,
                  std::vector<StoredAttribute>* attributes);
  // An attribute's whole value, its extents put together; |partial|
  // accepts the first extent alone.
  bool GatherStream(const std::vector<StoredAttribute>& attributes,
                    std::uint32_t type, const char* name, Stream* stream,
                    bool partial = false) const;
  Status ReadRecord(std::uint64_t number, std::uint8_t* out,
                    AlignedBuffer* scratch) const;
  bool InUse(std::uint64_t number) const {
    return number / 8 < bitmap_.size() &&
           (bitmap_[number / 8] >> (number % 8)) & 1;
  }
  bool InExtend(std::uint64_t parent) const;

  std::unique_ptr<ByteSource> source_;
  VolumeReader reader_;
  Stream table_;  // the unnamed $DATA of record 0
  std::uint64_t record_count_ = 0;
  std::vector<std::uint8_t> bitmap_;
  OwnerMap owners_;
  // References of $Extend and the directories below it.
  std::vector<std::uint64_t> extend_directories_;
  std::uint64_t records_per_chunk_ = 0;
  std::uint64_t records_per_part_ = 0;
};

}  // namespace ovik::ntfs

#endif  // OVIK_PLATFORM_NTFS_MASTER_FILE_TABLE_H_
