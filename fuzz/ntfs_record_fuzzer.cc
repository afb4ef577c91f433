// The NTFS reader over any bytes: no crash, no read outside what it was
// given, and only results that keep the parsers' promises. The first byte
// picks what the rest is:
//   0  a file record of 1, 2 or 4 KiB (by the byte's high bits): fix-ups,
//      header, attributes, their values and run lists
//   1  a run list
//   2  a block of $Secure:$SDS
//   3  an index node and an attribute list
//   4  a volume: a boot sector, then bytes that every read beyond it
//      cycles through; the table opened and its first parts read
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/ntfs/attribute_values.h"
#include "platform/ntfs/master_file_table.h"
#include "platform/ntfs/record.h"
#include "platform/ntfs/run_list.h"
#include "platform/ntfs/security.h"

namespace {

using namespace ovik::ntfs;

void Require(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

bool Inside(const std::uint8_t* p, std::size_t length,
            const std::vector<std::uint8_t>& bytes) {
  return p >= bytes.data() && length <= bytes.size() &&
         p - bytes.data() <= static_cast<std::ptrdiff_t>(bytes.size() - length);
}

void CheckRuns(const std::vector<Run>& runs, std::uint64_t first_vcn) {
  std::uint64_t vcn = first_vcn;
  for (const Run& run : runs) {
    Require(run.vcn == vcn && run.length > 0, "runs do not follow each other");
    Require(run.lcn == kHole || run.lcn >= 0, "a run before the volume");
    vcn += run.length;
  }
  Extents extents;
  Require(extents.Append(runs, 0) == (first_vcn == 0 || runs.empty()),
          "extents refuse their runs");
  std::int64_t lcn = 0;
  std::uint64_t count = 0;
  for (const Run& run : runs) {
    if (first_vcn != 0) break;
    Require(extents.Map(run.vcn + run.length - 1, &lcn, &count) && count == 1,
            "the last cluster of a run is not mapped");
  }
  Require(!extents.Map(vcn, &lcn, &count), "a cluster past the end is mapped");
}

void Record(const std::uint8_t* data, std::size_t size, unsigned shift) {
  std::vector<std::uint8_t> record(std::size_t{1024} << shift);
  std::memcpy(record.data(), data, std::min(size, record.size()));
  if (!ApplyFixups(record.data(), record.size())) return;
  RecordHeader header;
  if (!ParseRecordHeader(record.data(), record.size(), &header)) return;
  AttributeWalker walker(record.data(), header);
  Attribute a;
  std::string owner;
  while (walker.Next(&a)) {
    Require(a.name_length == 0 || Inside(a.name, 2u * a.name_length, record),
            "a name outside the record");
    if (a.resident) {
      Require(Inside(a.value, a.value_length, record),
              "a value outside the record");
      StandardInformation information;
      FileName name;
      ParseStandardInformation(a.value, a.value_length, &information);
      if (ParseFileName(a.value, a.value_length, &name)) {
        Require(Inside(name.name, 2u * name.name_length, record),
                "a file name outside");
      }
      AttributeListWalker list(a.value, a.value_length);
      AttributeListEntry entry;
      while (list.Next(&entry)) {
      }
      if (DescriptorOwner(a.value, a.value_length, &owner)) {
        Require(owner.size() >= 8 && owner.size() <= 68,
                "an owner of no SID's size");
      }
    } else {
      Require(Inside(a.runs, a.runs_length, record), "runs outside the record");
      std::vector<Run> runs;
      if (DecodeRunList(a.runs, a.runs_length, a.lowest_vcn, &runs)) {
        CheckRuns(runs, a.lowest_vcn);
      }
    }
  }
}

// A volume whose first bytes are the boot sector and whose every other
// byte cycles through the rest of the input.
class CyclingSource : public ByteSource {
 public:
  explicit CyclingSource(std::vector<std::uint8_t> bytes)
      : bytes_(std::move(bytes)) {}
  std::uint32_t SectorSize() const override { return 512; }
  ovik::Status ReadAt(std::uint64_t offset, std::size_t length,
                      std::uint8_t* buffer) override {
    Require(
        offset % 512 == 0 && length % 512 == 0 &&
            reinterpret_cast<std::uintptr_t>(buffer) % kBufferAlignment == 0,
        "a read that is not whole aligned sectors");
    // A hostile table may ask for any amount: a device this small ends.
    served_ += length;
    if (served_ > (std::uint64_t{32} << 20))
      return ovik::Status(ovik::StatusCode::kOther);
    for (std::size_t i = 0; i < length; ++i) {
      const std::uint64_t at = offset + i;
      buffer[i] = at < 512 ? bytes_[at]
                           : bytes_[512 + (at - 512) % (bytes_.size() - 512)];
    }
    return ovik::Status::Ok();
  }

 private:
  std::vector<std::uint8_t> bytes_;
  std::uint64_t served_ = 0;
};

struct CountingSink : ovik::TableSink {
  std::uint64_t last = 0;
  std::uint64_t entries = 0;
  void Add(const ovik::Entry& entry) override {
    Require(entries == 0 || entry.inode > last, "records out of order");
    Require(entry.inode >= 16, "a record of the volume's own given");
    Require(entry.kind != ovik::EntryKind::kDirectory, "a directory given");
    last = entry.inode;
    // A hostile table may name any number of records: stop early.
    ++entries;
  }
  bool Cancelled() const override { return entries > 4096; }
};

void Volume(const std::uint8_t* data, std::size_t size) {
  if (size <= 1024) return;
  std::vector<std::uint8_t> bytes(data, data + size);
  ovik::TableRefusal refusal;
  std::string reason;
  MasterFileTable::Options options;
  options.chunk_bytes = 16384;
  options.chunks_per_part = 2;
  auto table =
      MasterFileTable::Open(std::make_unique<CyclingSource>(std::move(bytes)),
                            options, &refusal, &reason);
  Require((table != nullptr) == (refusal == ovik::TableRefusal::kNone),
          "a table and a refusal");
  Require(table != nullptr || !reason.empty(), "a refusal without a reason");
  if (!table) return;
  for (unsigned part = 0; part < table->PartCount() && part < 3; ++part) {
    CountingSink sink;
    table->ReadPart(part, sink).ok();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t mode = data[0];
  ++data;
  --size;
  switch (mode % 5) {
    case 0:
      Record(data, size, (mode >> 3) % 3);
      break;
    case 1: {
      std::vector<Run> runs;
      const std::vector<std::uint8_t> bytes(data, data + size);
      const std::uint64_t first = mode >> 3;
      if (DecodeRunList(bytes.data(), bytes.size(), first, &runs))
        CheckRuns(runs, first);
      break;
    }
    case 2: {
      OwnerMap owners;
      const std::vector<std::uint8_t> bytes(data, data + size);
      owners.AddSdsBlock(bytes.data(), bytes.size(), 0);
      for (std::uint32_t id = 0; id < 512; ++id) {
        const std::string* owner = owners.Find(id);
        Require(owner == nullptr || owner->size() >= 8,
                "an owner of no SID's size");
      }
      break;
    }
    case 3: {
      const std::vector<std::uint8_t> bytes(data, data + size);
      IndexEntryWalker index(bytes.data(), bytes.size());
      IndexEntry entry;
      while (index.Next(&entry)) {
        Require(Inside(entry.key, entry.key_length, bytes),
                "a key outside the node");
      }
      AttributeListWalker list(bytes.data(), bytes.size());
      AttributeListEntry item;
      while (list.Next(&item)) {
      }
      break;
    }
    default:
      Volume(data, size);
      break;
  }
  return 0;
}
