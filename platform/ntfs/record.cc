#include "platform/ntfs/record.h"

#include <cstring>

#include "platform/ntfs/layout.h"
#include "platform/ntfs/little_endian.h"

namespace ovik::ntfs {

bool ApplyFixups(std::uint8_t* block, std::size_t size) {
  if (size < kFixupStride || size % kFixupStride != 0) return false;
  const std::size_t array = Le16(block + 4);
  const std::size_t count = Le16(block + 6);
  // One sequence number, then one saved pair per stride; the array sits
  // in the header, before the first stride's end.
  if (count != size / kFixupStride + 1 || array < 8 || array % 2 != 0 ||
      array + 2 * count > kFixupStride - 2) {
    return false;
  }
  const std::uint8_t* sequence = block + array;
  for (std::size_t i = 1; i < count; ++i) {
    const std::uint8_t* end = block + i * kFixupStride - 2;
    if (end[0] != sequence[0] || end[1] != sequence[1]) return false;
  }
  for (std::size_t i = 1; i < count; ++i) {
    std::memcpy(block + i * kFixupStride - 2, block + array + 2 * i, 2);
  }
  return true;
}

bool ParseRecordHeader(const std::uint8_t* record, std::size_t size,
                       RecordHeader* header) {
  if (size < 48 || std::memcmp(record, "FILE", 4) != 0) return false;
  RecordHeader h;
  h.sequence = Le16(record + 16);
  h.attributes_offset = Le16(record + 20);
  h.flags = Le16(record + 22);
  h.bytes_in_use = Le32(record + 24);
  const std::uint32_t allocated = Le32(record + 28);
  h.base_reference = Le64(record + 32);
  // The attributes start after the update sequence array and end with a
  // four-byte end mark inside the bytes in use.
  const std::size_t array_end = Le16(record + 4) + 2u * Le16(record + 6);
  if (allocated != size || h.bytes_in_use > size ||
      h.attributes_offset < array_end || h.attributes_offset % 8 != 0 ||
      h.attributes_offset > h.bytes_in_use ||
      h.bytes_in_use - h.attributes_offset < 4) {
    return false;
  }
  *header = h;
  return true;
}

bool Attribute::NameIs(const char* ascii) const {
  const std::size_t length = std::strlen(ascii);
  if (length != name_length) return false;
  for (std::size_t i = 0; i < length; ++i) {
    if (Le16(name + 2 * i) != static_cast<unsigned char>(ascii[i]))
      return false;
  }
  return true;
}

bool AttributeWalker::Next(Attribute* attribute) {
  if (done_) return false;
  done_ = true;
  if (end_ - pos_ < 4) {
    failed_ = true;
    return false;
  }
  const std::uint8_t* p = record_ + pos_;
  const std::uint32_t type = Le32(p);
  if (type == kEndOfAttributes) return false;
  failed_ = true;
  if (end_ - pos_ < 16) return false;
  const std::uint32_t length = Le32(p + 4);
  const std::uint8_t non_resident = p[8];
  if (length % 8 != 0 || length > end_ - pos_ || non_resident > 1 ||
      length < (non_resident ? 64u : 24u)) {
    return false;
  }
  Attribute a;
  a.type = type;
  a.resident = non_resident == 0;
  a.name_length = p[9];
  const std::uint16_t name_offset = Le16(p + 10);
  a.flags = Le16(p + 12);
  if (a.name_length != 0) {
    if (name_offset > length || 2u * a.name_length > length - name_offset) {
      return false;
    }
    a.name = p + name_offset;
  }
  if (a.resident) {
    a.value_length = Le32(p + 16);
    const std::uint16_t value_offset = Le16(p + 20);
    if (value_offset > length || a.value_length > length - value_offset) {
      return false;
    }
    a.value = p + value_offset;
  } else {
    a.lowest_vcn = Le64(p + 16);
    a.highest_vcn = Le64(p + 24);
    const std::uint16_t runs_offset = Le16(p + 32);
    a.allocated_size = Le64(p + 40);
    a.data_size = Le64(p + 48);
    a.initialized_size = Le64(p + 56);
    // An empty extent ends one cluster before it starts.
    if (runs_offset < 64 || runs_offset > length ||
        (a.highest_vcn != a.lowest_vcn - 1 && a.highest_vcn < a.lowest_vcn)) {
      return false;
    }
    a.runs = p + runs_offset;
    a.runs_length = length - runs_offset;
  }
  *attribute = a;
  pos_ += length;
  failed_ = false;
  done_ = false;
  return true;
}

}  // namespace ovik::ntfs
