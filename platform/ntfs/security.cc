#include "platform/ntfs/security.h"

#include "platform/ntfs/little_endian.h"

namespace ovik::ntfs {

bool DescriptorOwner(const std::uint8_t* descriptor, std::size_t length,
                     std::string* owner) {
  constexpr std::uint16_t kSelfRelative = 0x8000;
  if (length < 20 || descriptor[0] != 1 ||
      !(Le16(descriptor + 2) & kSelfRelative)) {
    return false;
  }
  const std::uint32_t at = Le32(descriptor + 4);
  if (at == 0 || at > length || length - at < 8) return false;
  const std::uint8_t* sid = descriptor + at;
  const std::size_t sid_length = 8 + 4u * sid[1];
  if (sid[0] != 1 || sid[1] > 15 || sid_length > length - at) return false;
  owner->assign(reinterpret_cast<const char*>(sid), sid_length);
  return true;
}

void OwnerMap::AddSdsBlock(const std::uint8_t* block, std::size_t length,
                           std::uint64_t offset) {
  constexpr std::size_t kHeader = 20;  // hash, id, offset, length
  std::string owner;
  std::size_t pos = 0;
  while (length - pos >= kHeader) {
    const std::uint8_t* entry = block + pos;
    const std::uint32_t id = Le32(entry + 4);
    const std::uint64_t self = Le64(entry + 8);
    const std::uint32_t size = Le32(entry + 16);
    // Each entry names its own place in the stream: anything else is
    // the unused end of the block.
    if (self != offset + pos || size < kHeader || size > length - pos) return;
    if (DescriptorOwner(entry + kHeader, size - kHeader, &owner)) {
      auto [it, added] = owner_index_.emplace(
          owner, static_cast<std::uint32_t>(owners_.size()));
      if (added) owners_.push_back(owner);
      by_id_.emplace(id, it->second);
    }
    // Entries start on 16-byte boundaries.
    const std::size_t next = (pos + size + 15) & ~std::size_t{15};
    if (next <= pos || next > length) return;
    pos = next;
  }
}

const std::string* OwnerMap::Find(std::uint32_t security_id) const {
  const auto it = by_id_.find(security_id);
  return it == by_id_.end() ? nullptr : &owners_[it->second];
}

}  // namespace ovik::ntfs
