// File records of the master file table and the attributes in them. A
// record is read with its update sequence applied (ApplyFixups), its
// header checked (ParseRecordHeader), then its attributes walked one by
// one, each checked to lie inside the record before it is used.
#ifndef OVIK_PLATFORM_NTFS_RECORD_H_
#define OVIK_PLATFORM_NTFS_RECORD_H_

#include <cstddef>
#include <cstdint>

namespace ovik::ntfs {

// Puts back the last two bytes of each 512-byte stride of a file record
// or index block of |size| bytes, from its update sequence array, after
// checking that each stride still ends with the sequence number (a torn
// write does not). False when the array does not fit the block or a
// stride does not match.
bool ApplyFixups(std::uint8_t* block, std::size_t size);

struct RecordHeader {
  std::uint16_t sequence = 0;
  std::uint16_t flags = 0;
  std::uint32_t attributes_offset = 0;
  std::uint32_t bytes_in_use = 0;
  // The base record's reference for an extension record; 0 for a base.
  std::uint64_t base_reference = 0;
};

// The header of the file record |record| of |size| bytes (its fix-ups
// applied): false unless it is marked "FILE" and its offsets lie inside.
bool ParseRecordHeader(const std::uint8_t* record, std::size_t size,
                       RecordHeader* header);

// One attribute of a record, pointing into the record's bytes.
struct Attribute {
  std::uint32_t type = 0;
  std::uint16_t flags = 0;
  bool resident = true;
  const std::uint8_t* name = nullptr;  // UTF-16LE, name_length units
  std::uint8_t name_length = 0;
  // A resident attribute's value.
  const std::uint8_t* value = nullptr;
  std::uint32_t value_length = 0;
  // A non-resident attribute: this extent's clusters and run list; the
  // sizes are meaningful in the extent that starts at cluster 0.
  std::uint64_t lowest_vcn = 0;
  std::uint64_t highest_vcn = 0;
  const std::uint8_t* runs = nullptr;
  std::size_t runs_length = 0;
  std::uint64_t allocated_size = 0;
  std::uint64_t data_size = 0;
  std::uint64_t initialized_size = 0;

  bool unnamed() const { return name_length == 0; }
  // Whether the name is |ascii|, an ASCII name such as "$SDS".
  bool NameIs(const char* ascii) const;
};

// Walks the attributes of a record whose header parsed.
class AttributeWalker {
 public:
  AttributeWalker(const std::uint8_t* record, const RecordHeader& header)
      : record_(record),
        pos_(header.attributes_offset),
        end_(header.bytes_in_use) {}
  // The next attribute; false at the end mark, or at an attribute that
  // does not lie inside the record (then failed()).
  bool Next(Attribute* attribute);
  bool failed() const { return failed_; }

 private:
  const std::uint8_t* record_;
  std::size_t pos_;
  std::size_t end_;
  bool failed_ = false;
  bool done_ = false;
};

}  // namespace ovik::ntfs

#endif  // OVIK_PLATFORM_NTFS_RECORD_H_
