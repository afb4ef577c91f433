#include "platform/ntfs/master_file_table.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <utility>

#include "platform/file_time.h"
#include "platform/ntfs/attribute_values.h"
#include "platform/ntfs/layout.h"
#include "platform/ntfs/little_endian.h"
#include "platform/ntfs/run_list.h"

namespace ovik::ntfs {
namespace {

// Bounds on what a damaged or hostile volume can make the reader hold.
constexpr std::uint64_t kMaxRecords = std::uint64_t{1} << 32;
constexpr std::uint64_t kMaxAttributeList = std::uint64_t{1} << 20;
constexpr std::uint64_t kMaxDescriptor = std::uint64_t{1} << 16;
// All of $Extend's directory indexes together.
constexpr std::uint64_t kMaxIndexBytes = std::uint64_t{64} << 20;
constexpr std::uint64_t kMaxSdsBytes = std::uint64_t{1} << 30;
constexpr std::size_t kMaxExtendDirectories = 256;

// The runs of one extent of a non-resident attribute; they must cover
// exactly the extent's clusters.
bool ExtentRuns(const Attribute& a, std::vector<Run>* runs) {
  runs->clear();
  if (!DecodeRunList(a.runs, a.runs_length, a.lowest_vcn, runs)) return false;
  // An empty extent ends one cluster before it starts: 0 clusters.
  const std::uint64_t clusters = a.highest_vcn + 1 - a.lowest_vcn;
  std::uint64_t total = 0;
  for (const Run& run : *runs) total += run.length;
  return total == clusters;
}

// A stream of one extent from cluster 0: a per-file attribute list or
// descriptor too long to be resident. False unless it is whole, plain
// (neither compressed nor encrypted), no longer than |limit| and inside
// the volume.
bool SingleExtentStream(const Attribute& a, std::uint64_t limit,
                        const Geometry& geometry, std::vector<Run>* runs,
                        Stream* stream) {
  if (a.lowest_vcn != 0 || a.data_size > limit ||
      (a.flags & (kAttributeCompressed | kAttributeEncrypted)) ||
      !ExtentRuns(a, runs)) {
    return false;
  }
  Stream s;
  s.resident = false;
  s.data_size = a.data_size;
  s.initialized_size = std::min(a.initialized_size, a.data_size);
  const std::uint64_t needed =
      (s.initialized_size + geometry.cluster_size - 1) / geometry.cluster_size;
  if (!s.extents.Append(*runs, 0) || s.extents.cluster_count() < needed ||
      !s.extents.InsideVolume(geometry.cluster_count)) {
    return false;
  }
  *stream = std::move(s);
  return true;
}

bool NameMatches(const std::string& utf16, const char* ascii) {
  if (ascii == nullptr) return utf16.empty();
  const std::size_t length = std::strlen(ascii);
  if (utf16.size() != 2 * length) return false;
  for (std::size_t i = 0; i < length; ++i) {
    if (utf16[2 * i] != ascii[i] || utf16[2 * i + 1] != 0) return false;
  }
  return true;
}

}  // namespace

// An attribute copied out of its record, for the few files read while
// opening the table.
struct MasterFileTable::StoredAttribute {
  std::uint32_t type = 0;
  std::uint16_t flags = 0;
  std::string name;  // UTF-16LE bytes
  bool resident = true;
  std::vector<std::uint8_t> value;
  std::uint64_t lowest_vcn = 0;
  std::vector<Run> runs;
  std::uint64_t data_size = 0;
  std::uint64_t initialized_size = 0;
};

MasterFileTable::MasterFileTable(std::unique_ptr<ByteSource> source,
                                 const Geometry& geometry,
                                 const Options& options)
    : source_(std::move(source)), reader_(*source_, geometry) {
  // Powers of two all: the largest is a whole number of the others.
  std::uint64_t chunk = std::max<std::uint64_t>(
      {options.chunk_bytes, geometry.cluster_size, geometry.record_size});
  while ((chunk & (chunk - 1)) != 0) chunk &= chunk - 1;
  records_per_chunk_ = std::max<std::uint64_t>(chunk / geometry.record_size, 1);
  records_per_part_ =
      records_per_chunk_ * std::max<std::uint32_t>(options.chunks_per_part, 1);
}

std::unique_ptr<MasterFileTable> MasterFileTable::Open(
    std::unique_ptr<ByteSource> source, const Options& options,
    TableRefusal* refusal, std::string* reason) {
  *refusal = TableRefusal::kUnreadable;
  const std::uint32_t sector = source->SectorSize();
  if (sector == 0 || (sector & (sector - 1)) != 0 ||
      sector > kBufferAlignment) {
    *reason = "the volume's sector size of " + std::to_string(sector) +
              " bytes is not one the reader can use";
    return nullptr;
  }
  const std::size_t first = std::max<std::size_t>(sector, kBootSectorSize);
  AlignedBuffer boot(first);
  const Status read = source->ReadAt(0, first, boot.data());
  if (!read.ok()) {
    *reason =
        "the volume's boot sector cannot be read (" + read.ToString() + ")";
    return nullptr;
  }
  Geometry geometry;
  if (!ParseBootSector(boot.data(), &geometry)) {
    *refusal = TableRefusal::kNoTable;
    *reason = "the volume is not NTFS";
    return nullptr;
  }
  std::unique_ptr<MasterFileTable> table(
      new MasterFileTable(std::move(source), geometry, options));
  if (!table->LoadTable(reason) || !table->LoadOwners(reason) ||
      !table->LoadExtend(reason)) {
    return nullptr;
  }
  *refusal = TableRefusal::kNone;
  reason->clear();
  return table;
}

bool MasterFileTable::CopyAttributes(const std::uint8_t* record,
                                     const RecordHeader& header, bool base,
                                     std::vector<StoredAttribute>* attributes) {
  AttributeWalker walker(record, header);
  Attribute a;
  while (walker.Next(&a)) {
    // An attribute list belongs to the base record only.
    if (!base && a.type == kAttributeList) continue;
    StoredAttribute s;
    s.type = a.type;
    s.flags = a.flags;
    s.name.assign(reinterpret_cast<const char*>(a.name), 2u * a.name_length);
    s.resident = a.resident;
    if (a.resident) {
      s.value.assign(a.value, a.value + a.value_length);
    } else {
      s.lowest_vcn = a.lowest_vcn;
      s.data_size = a.data_size;
      s.initialized_size = a.initialized_size;
      if (!ExtentRuns(a, &s.runs)) return false;
    }
    attributes->push_back(std::move(s));
  }
  return !walker.failed();
}

bool MasterFileTable::GatherStream(
    const std::vector<StoredAttribute>& attributes, std::uint32_t type,
    const char* name, Stream* stream, bool partial) const {
  std::vector<const StoredAttribute*> extents;
  for (const StoredAttribute& a : attributes) {
    if (a.type == type && NameMatches(a.name, name)) extents.push_back(&a);
  }
  if (extents.empty()) return false;
  Stream s;
  if (extents.front()->resident) {
    if (extents.size() != 1) return false;
    s.value = extents.front()->value;
    *stream = std::move(s);
    return true;
  }
  std::sort(extents.begin(), extents.end(),
            [](const StoredAttribute* a, const StoredAttribute* b) {
              return a->lowest_vcn < b->lowest_vcn;
            });
  const StoredAttribute& head = *extents.front();
  s.resident = false;
  s.data_size = head.data_size;
  s.initialized_size = std::min(head.initialized_size, head.data_size);
  for (const StoredAttribute* a : extents) {
    if (a->resident ||
        (a->flags & (kAttributeCompressed | kAttributeEncrypted)) ||
        !s.extents.Append(a->runs, a->lowest_vcn)) {
      return false;
    }
    if (partial) break;
  }
  const Geometry& g = reader_.geometry();
  const std::uint64_t needed =
      (s.initialized_size + g.cluster_size - 1) / g.cluster_size;
  if ((!partial && s.extents.cluster_count() < needed) ||
      !s.extents.InsideVolume(g.cluster_count)) {
    return false;
  }
  *stream = std::move(s);
  return true;
}

Status MasterFileTable::ReadRecord(std::uint64_t number, std::uint8_t* out,
                                   AlignedBuffer* scratch) const {
  if (number >= record_count_) return Status(StatusCode::kNotFound);
  const std::uint32_t size = reader_.geometry().record_size;
  return ReadStream(reader_, table_, number * size, size, out, scratch);
}

bool MasterFileTable::FollowList(std::uint64_t number, const RecordHeader& base,
                                 std::vector<StoredAttribute>* attributes) {
  const bool has_list = std::any_of(
      attributes->begin(), attributes->end(),
      [](const StoredAttribute& a) { return a.type == kAttributeList; });
  if (!has_list) return true;
  Stream list;
  if (!GatherStream(*attributes, kAttributeList, nullptr, &list) ||
      list.size() > kMaxAttributeList) {
    return false;
  }
  AlignedBuffer scratch;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(list.size()));
  if (!ReadStream(reader_, list, 0, bytes.size(), bytes.data(), &scratch)
           .ok()) {
    return false;
  }
  std::vector<std::uint64_t> extensions;
  AttributeListWalker walker(bytes.data(), bytes.size());
  AttributeListEntry entry;
  while (walker.Next(&entry)) {
    if (RecordOf(entry.reference) != number)
      extensions.push_back(entry.reference);
  }
  if (walker.failed()) return false;
  std::sort(extensions.begin(), extensions.end());
  extensions.erase(std::unique(extensions.begin(), extensions.end()),
                   extensions.end());
  const std::uint32_t size = reader_.geometry().record_size;
  AlignedBuffer record(size);
  const std::uint64_t base_reference =
      number | (std::uint64_t{base.sequence} << 48);
  for (const std::uint64_t reference : extensions) {
    RecordHeader header;
    if (!ReadRecord(RecordOf(reference), record.data(), &scratch).ok() ||
        !ApplyFixups(record.data(), size) ||
        !ParseRecordHeader(record.data(), size, &header) ||
        !(header.flags & kRecordInUse) ||
        header.sequence != SequenceOf(reference) ||
        header.base_reference != base_reference ||
        !CopyAttributes(record.data(), header, false, attributes)) {
      return false;
    }
  }
  return true;
}

bool MasterFileTable::LoadFile(std::uint64_t number,
                               std::vector<StoredAttribute>* attributes,
                               RecordHeader* header) {
  const std::uint32_t size = reader_.geometry().record_size;
  AlignedBuffer record(size);
  AlignedBuffer scratch;
  attributes->clear();
  return ReadRecord(number, record.data(), &scratch).ok() &&
         ApplyFixups(record.data(), size) &&
         ParseRecordHeader(record.data(), size, header) &&
         (header->flags & kRecordInUse) && header->base_reference == 0 &&
         CopyAttributes(record.data(), *header, true, attributes) &&
         FollowList(number, *header, attributes);
}

bool MasterFileTable::LoadTable(std::string* reason) {
  const Geometry& g = reader_.geometry();
  AlignedBuffer record(g.record_size);
  AlignedBuffer scratch;
  RecordHeader header;
  std::vector<StoredAttribute> attributes;
  // The table's own record, else its copy in $MFTMirr.
  bool found = false;
  for (const std::uint64_t cluster : {g.mft_cluster, g.mirror_cluster}) {
    attributes.clear();
    if (reader_
            .Read(cluster * g.cluster_size, g.record_size, record.data(),
                  &scratch)
            .ok() &&
        ApplyFixups(record.data(), g.record_size) &&
        ParseRecordHeader(record.data(), g.record_size, &header) &&
        (header.flags & kRecordInUse) && header.base_reference == 0 &&
        CopyAttributes(record.data(), header, true, &attributes)) {
      found = true;
      break;
    }
  }
  const auto set_record_count = [&] {
    const std::uint64_t bytes =
        std::min({table_.data_size, table_.initialized_size, g.volume_size});
    record_count_ = std::min(bytes / g.record_size, kMaxRecords);
  };
  // The first extent of its runs reaches the records that hold the
  // others.
  if (!found || !GatherStream(attributes, kData, nullptr, &table_, true) ||
      table_.resident) {
    *reason = "the master file table's own record does not parse";
    return false;
  }
  set_record_count();
  if (!FollowList(kMftRecord, header, &attributes) ||
      !GatherStream(attributes, kData, nullptr, &table_)) {
    *reason = "the master file table's runs do not parse";
    return false;
  }
  set_record_count();
  Stream bitmap;
  if (record_count_ < kFirstUserRecord ||
      !GatherStream(attributes, kBitmap, nullptr, &bitmap)) {
    *reason = "the master file table has no usable bitmap";
    return false;
  }
  // Read a piece at a time, so that the memory it takes is never much
  // more than the volume really holds: a damaged boot sector or record
  // may claim a table of billions of records on a small volume, whose
  // reads past its end then fail. Past its initialized size the bitmap
  // reads as zeros (no record there is in use), and a bitmap with a hole
  // is no bitmap NTFS writes.
  std::uint64_t wanted = std::min(bitmap.size(), (record_count_ + 7) / 8);
  if (!bitmap.resident) wanted = std::min(wanted, bitmap.initialized_size);
  constexpr std::uint64_t kPiece = std::uint64_t{1} << 20;
  for (std::uint64_t at = 0; at < wanted; at += kPiece) {
    const auto length =
        static_cast<std::size_t>(std::min(kPiece, wanted - at));
    std::int64_t lcn = 0;
    std::uint64_t clusters = 0;
    if (!bitmap.resident &&
        (!bitmap.extents.Map(at / g.cluster_size, &lcn, &clusters) ||
         lcn == kHole)) {
      *reason = "the master file table's bitmap has a hole";
      return false;
    }
    bitmap_.resize(static_cast<std::size_t>(at) + length);
    if (!ReadStream(reader_, bitmap, at, length, bitmap_.data() + at,
                    &scratch)
             .ok()) {
      *reason = "the master file table's bitmap cannot be read";
      return false;
    }
  }
  return true;
}

bool MasterFileTable::LoadOwners(std::string* reason) {
  // Old volumes keep a descriptor in each file, and no $Secure.
  if (!InUse(kSecureRecord)) return true;
  std::vector<StoredAttribute> attributes;
  RecordHeader header;
  if (!LoadFile(kSecureRecord, &attributes, &header)) {
    *reason = "the volume's security descriptors ($Secure) do not parse";
    return false;
  }
  const bool has_sds = std::any_of(
      attributes.begin(), attributes.end(), [](const StoredAttribute& a) {
        return a.type == kData && NameMatches(a.name, "$SDS");
      });
  if (!has_sds) return true;
  Stream sds;
  if (!GatherStream(attributes, kData, "$SDS", &sds)) {
    *reason = "the volume's security descriptors ($Secure:$SDS) do not parse";
    return false;
  }
  // Each block is followed by its copy; descriptors stop at the first
  // block that has none. Beyond a bound no volume reaches, the owners
  // of the ids left are unreadable.
  const std::uint64_t end =
      std::min({sds.size(), sds.initialized_size, kMaxSdsBytes});
  AlignedBuffer block(kSdsBlockSize);
  AlignedBuffer scratch;
  for (std::uint64_t offset = 0; offset < end; offset += 2 * kSdsBlockSize) {
    const auto length =
        static_cast<std::size_t>(std::min(kSdsBlockSize, end - offset));
    if (!ReadStream(reader_, sds, offset, length, block.data(), &scratch)
             .ok()) {
      *reason = "the volume's security descriptors cannot be read";
      return false;
    }
    const std::size_t before = owners_.size();
    owners_.AddSdsBlock(block.data(), length, offset);
    if (owners_.size() == before) break;
  }
  return true;
}

namespace {

// The file references of the subdirectories listed in the index node at
// |header|, |available| bytes from it.
bool IndexedDirectories(const std::uint8_t* header, std::size_t available,
                        std::vector<std::uint64_t>* found) {
  IndexEntryWalker walker(header, available);
  IndexEntry entry;
  FileName name;
  while (walker.Next(&entry)) {
    if (ParseFileName(entry.key, entry.key_length, &name) &&
        (name.flags & kFileNameDirectory)) {
      found->push_back(entry.reference);
    }
  }
  return !walker.failed();
}

}  // namespace

bool MasterFileTable::LoadExtend(std::string* reason) {
  // $Extend (version 3 on) holds the journal, quotas, object ids and
  // their kin; no walk lists them.
  if (!InUse(kExtendRecord)) return true;
  std::vector<StoredAttribute> attributes;
  RecordHeader header;
  const std::string bad = "the volume's $Extend directory does not parse";
  if (!LoadFile(kExtendRecord, &attributes, &header)) {
    *reason = bad;
    return false;
  }
  if (!(header.flags & kRecordDirectory)) return true;
  extend_directories_.push_back(kExtendRecord |
                                (std::uint64_t{header.sequence} << 48));
  AlignedBuffer scratch;
  std::uint64_t index_bytes = 0;
  for (std::size_t i = 0; i < extend_directories_.size(); ++i) {
    const std::uint64_t directory = extend_directories_[i];
    if (i > 0 && !LoadFile(RecordOf(directory), &attributes, &header)) {
      *reason = bad;
      return false;
    }
    std::vector<std::uint64_t> children;
    Stream root;
    if (!GatherStream(attributes, kIndexRoot, "$I30", &root) ||
        !root.resident || root.value.size() < 32 ||
        !IndexedDirectories(root.value.data() + 16, root.value.size() - 16,
                            &children)) {
      *reason = bad;
      return false;
    }
    const std::uint32_t block_size = Le32(root.value.data() + 8);
    Stream allocation;
    Stream bitmap;
    if (GatherStream(attributes, kIndexAllocation, "$I30", &allocation)) {
      if (block_size < kFixupStride || block_size > 65536 ||
          (block_size & (block_size - 1)) != 0 ||
          allocation.size() > kMaxIndexBytes - index_bytes ||
          !GatherStream(attributes, kBitmap, "$I30", &bitmap) ||
          bitmap.size() > kMaxIndexBytes) {
        *reason = bad;
        return false;
      }
      index_bytes += allocation.size();
      std::vector<std::uint8_t> used(static_cast<std::size_t>(bitmap.size()));
      AlignedBuffer block(block_size);
      if (!ReadStream(reader_, bitmap, 0, used.size(), used.data(), &scratch)
               .ok()) {
        *reason = bad;
        return false;
      }
      const std::uint64_t blocks = allocation.size() / block_size;
      for (std::uint64_t b = 0; b < blocks && b / 8 < used.size(); ++b) {
        if (!((used[b / 8] >> (b % 8)) & 1)) continue;
        if (!ReadStream(reader_, allocation, b * block_size, block_size,
                        block.data(), &scratch)
                 .ok() ||
            std::memcmp(block.data(), "INDX", 4) != 0 ||
            !ApplyFixups(block.data(), block_size) ||
            !IndexedDirectories(block.data() + 24, block_size - 24,
                                &children)) {
          *reason = bad;
          return false;
        }
      }
    }
    // A directory below: in use, the same generation as its entry, and
    // named in this directory. Stale entries are passed over.
    std::vector<StoredAttribute> child;
    RecordHeader child_header;
    for (const std::uint64_t reference : children) {
      if (std::find(extend_directories_.begin(), extend_directories_.end(),
                    reference) != extend_directories_.end() ||
          !LoadFile(RecordOf(reference), &child, &child_header) ||
          !(child_header.flags & kRecordDirectory) ||
          child_header.sequence != SequenceOf(reference)) {
        continue;
      }
      const bool named_here = std::any_of(
          child.begin(), child.end(), [&](const StoredAttribute& a) {
            FileName name;
            return a.type == kFileName && a.resident &&
                   ParseFileName(a.value.data(), a.value.size(), &name) &&
                   name.parent == directory;
          });
      if (!named_here) continue;
      if (extend_directories_.size() == kMaxExtendDirectories) {
        *reason = "the volume's $Extend directory holds too many directories";
        return false;
      }
      extend_directories_.push_back(reference);
    }
  }
  return true;
}

bool MasterFileTable::InExtend(std::uint64_t parent) const {
  return std::find(extend_directories_.begin(), extend_directories_.end(),
                   parent) != extend_directories_.end();
}

bool MasterFileTable::RecordOffset(std::uint64_t number,
                                   std::uint64_t* offset) const {
  const Geometry& g = reader_.geometry();
  if (number >= record_count_) return false;
  const std::uint64_t byte = number * g.record_size;
  std::int64_t lcn = 0;
  std::uint64_t count = 0;
  if (!table_.extents.Map(byte / g.cluster_size, &lcn, &count) ||
      lcn == kHole) {
    return false;
  }
  const std::uint64_t within = byte % g.cluster_size;
  if (count < (within + g.record_size + g.cluster_size - 1) / g.cluster_size) {
    return false;
  }
  *offset = static_cast<std::uint64_t>(lcn) * g.cluster_size + within;
  return true;
}

unsigned MasterFileTable::PartCount() const {
  const std::uint64_t parts =
      (record_count_ + records_per_part_ - 1) / records_per_part_;
  return static_cast<unsigned>(std::max<std::uint64_t>(parts, 1));
}

// Reads one part: its records a chunk at a time, each file's facts
// gathered from its base record and extension records, then given.
class MasterFileTable::PartReader {
 public:
  PartReader(const MasterFileTable& table, TableSink& sink)
      : table_(table),
        sink_(sink),
        record_size_(table.reader_.geometry().record_size),
        chunk_(
            static_cast<std::size_t>(table.records_per_chunk_ * record_size_)),
        extension_(record_size_) {}

  void Read(std::uint64_t first, std::uint64_t end) {
    for (std::uint64_t chunk = first; chunk < end;
         chunk += table_.records_per_chunk_) {
      const std::uint64_t count =
          std::min(table_.records_per_chunk_, end - chunk);
      if (!AnyInUse(chunk, count)) continue;
      LoadChunk(chunk, count);
      for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint64_t number = chunk + i;
        if (number < kFirstUserRecord || !table_.InUse(number)) continue;
        if (sink_.Cancelled()) return;
        if (fixed_[i]) {
          Process(number, chunk_.data() + i * record_size_);
        } else {
          GiveUnreadable(number);
        }
      }
    }
  }

 private:
  // What a file's attributes say.
  struct Facts {
    bool has_information = false;
    StandardInformation information;
    bool has_name = false;
    unsigned long_names = 0;  // each link once, whatever its short name
    bool outside_extend = false;
    bool has_data = false;
    std::uint64_t data_size = 0;
    bool has_descriptor = false;
    bool descriptor_read = false;
    bool has_list = false;
  };

  bool AnyInUse(std::uint64_t first, std::uint64_t count) const {
    for (std::uint64_t n = first; n < first + count; n += 8) {
      if (n / 8 >= table_.bitmap_.size()) return false;
      if (table_.bitmap_[n / 8] != 0) return true;
    }
    return false;
  }

  // Reads the chunk in one go; when that fails, record by record, so a
  // bad sector costs only its own records.
  void LoadChunk(std::uint64_t first, std::uint64_t count) {
    chunk_first_ = first;
    chunk_count_ = count;
    fixed_.assign(static_cast<std::size_t>(count), 0);
    const Status whole =
        ReadStream(table_.reader_, table_.table_, first * record_size_,
                   static_cast<std::size_t>(count * record_size_),
                   chunk_.data(), &scratch_);
    for (std::uint64_t i = 0; i < count; ++i) {
      if (!table_.InUse(first + i)) continue;
      std::uint8_t* record = chunk_.data() + i * record_size_;
      if (!whole.ok() &&
          !table_.ReadRecord(first + i, record, &scratch_).ok()) {
        continue;
      }
      fixed_[i] = ApplyFixups(record, record_size_);
    }
  }

  void Process(std::uint64_t number, const std::uint8_t* record) {
    RecordHeader header;
    if (!ParseRecordHeader(record, record_size_, &header)) {
      GiveUnreadable(number);
      return;
    }
    // Free, or an extension of another file's record.
    if (!(header.flags & kRecordInUse) || header.base_reference != 0) return;
    facts_ = Facts();
    const bool parsed =
        Collect(record, header, true) &&
        (!facts_.has_list || CollectExtensions(number, header)) &&
        facts_.has_information;
    if (!parsed) {
      GiveUnreadable(number);
      return;
    }
    // Directories are not counted; a file with no name, or only names in
    // $Extend, is one no walk reaches.
    if ((header.flags & kRecordDirectory) || !facts_.has_name ||
        !facts_.outside_extend) {
      return;
    }
    const std::uint32_t attributes = facts_.information.file_attributes;
    entry_.kind = (attributes & kFileAttributeReparsePoint) ? EntryKind::kLink
                  : (attributes & kFileAttributeDevice)     ? EntryKind::kOther
                                                            : EntryKind::kFile;
    entry_.size = facts_.has_data ? facts_.data_size : 0;
    entry_.device = table_.reader_.geometry().serial_number;
    entry_.inode = number;
    entry_.links = std::max(facts_.long_names, 1u);
    entry_.group_key.clear();
    entry_.modified = SecondsSince1970(facts_.information.modified);
    entry_.accessed = SecondsSince1970(facts_.information.accessed);
    // The descriptor a security id names in $Secure; else the file's
    // own, as old volumes keep them (and newer ones until a file's
    // security is next set).
    const std::string* owner = nullptr;
    if (facts_.information.has_security_id &&
        facts_.information.security_id != 0) {
      owner = table_.owners_.Find(facts_.information.security_id);
    }
    if (owner == nullptr && facts_.descriptor_read) owner = &descriptor_owner_;
    if (owner != nullptr) {
      entry_.owner_status = OwnerStatus::kKnown;
      entry_.owner_key.assign(*owner);
    } else {
      entry_.owner_status = OwnerStatus::kUnreadable;
      entry_.owner_key.clear();
    }
    sink_.Add(entry_);
  }

  void GiveUnreadable(std::uint64_t number) {
    entry_.kind = EntryKind::kFile;
    entry_.size = 0;
    entry_.device = table_.reader_.geometry().serial_number;
    entry_.inode = number;
    entry_.links = 1;
    entry_.owner_status = OwnerStatus::kUnreadable;
    entry_.owner_key.clear();
    entry_.group_key.clear();
    entry_.modified = 0;
    entry_.accessed = 0;
    sink_.Add(entry_);
  }

  // Adds what the attributes of one record say to facts_. False when an
  // attribute the count needs does not parse.
  bool Collect(const std::uint8_t* record, const RecordHeader& header,
               bool base) {
    AttributeWalker walker(record, header);
    Attribute a;
    FileName name;
    while (walker.Next(&a)) {
      switch (a.type) {
        case kStandardInformation:
          if (!base || facts_.has_information) break;
          if (!a.resident || !ParseStandardInformation(a.value, a.value_length,
                                                       &facts_.information)) {
            return false;
          }
          facts_.has_information = true;
          break;
        case kFileName:
          if (!a.resident || !ParseFileName(a.value, a.value_length, &name)) {
            return false;
          }
          facts_.has_name = true;
          if (name.name_space != kDosNamespace) ++facts_.long_names;
          if (!table_.InExtend(name.parent)) facts_.outside_extend = true;
          break;
        case kData:
          // The unnamed stream's size is in its first extent.
          if (!a.unnamed() || facts_.has_data) break;
          if (a.resident) {
            facts_.has_data = true;
            facts_.data_size = a.value_length;
          } else if (a.lowest_vcn == 0) {
            facts_.has_data = true;
            facts_.data_size = a.data_size;
          }
          break;
        case kSecurityDescriptor:
          if (facts_.has_descriptor) break;
          facts_.has_descriptor = true;
          facts_.descriptor_read = ReadDescriptor(a);
          break;
        case kAttributeList:
          if (!base || facts_.has_list) break;
          facts_.has_list = true;
          if (!ReadValue(a, kMaxAttributeList, &list_)) return false;
          break;
        default:
          break;
      }
    }
    return !walker.failed();
  }

  // A whole attribute value, resident or in one extent of runs.
  bool ReadValue(const Attribute& a, std::uint64_t limit,
                 std::vector<std::uint8_t>* value) {
    if (a.resident) {
      value->assign(a.value, a.value + a.value_length);
      return true;
    }
    Stream stream;
    if (!SingleExtentStream(a, limit, table_.reader_.geometry(), &runs_,
                            &stream)) {
      return false;
    }
    value->resize(static_cast<std::size_t>(stream.size()));
    return ReadStream(table_.reader_, stream, 0, value->size(), value->data(),
                      &scratch_)
        .ok();
  }

  bool ReadDescriptor(const Attribute& a) {
    if (a.resident) {
      return DescriptorOwner(a.value, a.value_length, &descriptor_owner_);
    }
    return ReadValue(a, kMaxDescriptor, &descriptor_) &&
           DescriptorOwner(descriptor_.data(), descriptor_.size(),
                           &descriptor_owner_);
  }

  // The attributes the count needs from the extension records the
  // attribute list names; each must belong to this file.
  bool CollectExtensions(std::uint64_t number, const RecordHeader& base) {
    extensions_.clear();
    AttributeListWalker walker(list_.data(), list_.size());
    AttributeListEntry entry;
    while (walker.Next(&entry)) {
      if ((entry.type == kFileName || entry.type == kData ||
           entry.type == kSecurityDescriptor) &&
          RecordOf(entry.reference) != number) {
        extensions_.push_back(entry.reference);
      }
    }
    if (walker.failed()) return false;
    std::sort(extensions_.begin(), extensions_.end());
    extensions_.erase(std::unique(extensions_.begin(), extensions_.end()),
                      extensions_.end());
    const std::uint64_t base_reference =
        number | (std::uint64_t{base.sequence} << 48);
    for (const std::uint64_t reference : extensions_) {
      const std::uint8_t* record = Extension(RecordOf(reference));
      RecordHeader header;
      if (record == nullptr ||
          !ParseRecordHeader(record, record_size_, &header) ||
          !(header.flags & kRecordInUse) ||
          header.sequence != SequenceOf(reference) ||
          header.base_reference != base_reference ||
          !Collect(record, header, false)) {
        return false;
      }
    }
    return true;
  }

  // Extension record |number| with its fix-ups applied: from the chunk
  // when it is there, else read on its own.
  const std::uint8_t* Extension(std::uint64_t number) {
    if (number >= table_.record_count_ || !table_.InUse(number)) return nullptr;
    if (number >= chunk_first_ && number - chunk_first_ < chunk_count_) {
      const std::uint64_t i = number - chunk_first_;
      return fixed_[i] ? chunk_.data() + i * record_size_ : nullptr;
    }
    if (!table_.ReadRecord(number, extension_.data(), &scratch_).ok() ||
        !ApplyFixups(extension_.data(), record_size_)) {
      return nullptr;
    }
    return extension_.data();
  }

  const MasterFileTable& table_;
  TableSink& sink_;
  const std::uint32_t record_size_;
  AlignedBuffer chunk_;
  AlignedBuffer extension_;
  AlignedBuffer scratch_;
  std::uint64_t chunk_first_ = 0;
  std::uint64_t chunk_count_ = 0;
  std::vector<std::uint8_t> fixed_;  // per record of the chunk: fixed up
  Facts facts_;
  std::vector<std::uint8_t> list_;
  std::vector<std::uint8_t> descriptor_;
  std::string descriptor_owner_;
  std::vector<Run> runs_;
  std::vector<std::uint64_t> extensions_;
  Entry entry_;
};

Status MasterFileTable::ReadPart(unsigned part, TableSink& sink) {
  if (part >= PartCount()) return Status(StatusCode::kNotFound);
  const std::uint64_t first = std::uint64_t{part} * records_per_part_;
  const std::uint64_t end = std::min(record_count_, first + records_per_part_);
  PartReader reader(*this, sink);
  reader.Read(first, end);
  return Status::Ok();
}

}  // namespace ovik::ntfs
