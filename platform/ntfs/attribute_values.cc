#include "platform/ntfs/attribute_values.h"

#include "platform/ntfs/little_endian.h"

namespace ovik::ntfs {

bool ParseStandardInformation(const std::uint8_t* value, std::size_t length,
                              StandardInformation* info) {
  if (length < 48) return false;
  StandardInformation i;
  i.modified = Le64(value + 8);
  i.accessed = Le64(value + 24);
  i.file_attributes = Le32(value + 32);
  if (length >= 56) {
    i.has_security_id = true;
    i.security_id = Le32(value + 52);
  }
  *info = i;
  return true;
}

bool ParseFileName(const std::uint8_t* value, std::size_t length,
                   FileName* name) {
  if (length < 66) return false;
  FileName n;
  n.parent = Le64(value);
  n.flags = Le32(value + 56);
  n.name_length = value[64];
  n.name_space = value[65];
  if (n.name_length == 0 || 2u * n.name_length > length - 66) return false;
  n.name = value + 66;
  *name = n;
  return true;
}

bool AttributeListWalker::Next(AttributeListEntry* entry) {
  if (failed_ || pos_ >= length_) return false;
  failed_ = true;
  if (length_ - pos_ < 26) return false;
  const std::uint8_t* p = list_ + pos_;
  const std::size_t size = Le16(p + 4);
  const std::size_t name_length = p[6];
  const std::size_t name_offset = p[7];
  if (size < 26 || size > length_ - pos_ ||
      (name_length != 0 &&
       (name_offset > size || 2 * name_length > size - name_offset))) {
    return false;
  }
  AttributeListEntry e;
  e.type = Le32(p);
  e.name_length = p[6];
  e.lowest_vcn = Le64(p + 8);
  e.reference = Le64(p + 16);
  *entry = e;
  pos_ += size;
  failed_ = false;
  return true;
}

IndexEntryWalker::IndexEntryWalker(const std::uint8_t* header,
                                   std::size_t available)
    : header_(header) {
  if (available < 16) {
    failed_ = done_ = true;
    return;
  }
  pos_ = Le32(header);
  end_ = Le32(header + 4);  // bytes in use, from the header
  if (end_ > available || pos_ < 16 || pos_ > end_) failed_ = done_ = true;
}

bool IndexEntryWalker::Next(IndexEntry* entry) {
  while (!done_) {
    done_ = true;
    failed_ = true;
    if (end_ - pos_ < 16) return false;
    const std::uint8_t* p = header_ + pos_;
    const std::uint16_t size = Le16(p + 8);
    const std::uint16_t key_length = Le16(p + 10);
    const std::uint16_t flags = Le16(p + 12);
    if (size < 16 || size % 8 != 0 || size > end_ - pos_ ||
        key_length > size - 16) {
      return false;
    }
    failed_ = false;
    if (flags & 0x02) return false;  // the last entry carries no key
    pos_ += size;
    done_ = false;
    if (key_length == 0) continue;
    entry->reference = Le64(p);
    entry->key = p + 16;
    entry->key_length = key_length;
    return true;
  }
  return false;
}

}  // namespace ovik::ntfs
