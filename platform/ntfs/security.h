// Owners from security descriptors: one descriptor's owner SID, and the
// map from security id to owner that one pass over $Secure:$SDS builds.
#ifndef OVIK_PLATFORM_NTFS_SECURITY_H_
#define OVIK_PLATFORM_NTFS_SECURITY_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace ovik::ntfs {

// The owner SID's bytes of the self-relative security descriptor
// |descriptor|, as the system gives them: false when it has no owner or
// the owner does not lie inside it.
bool DescriptorOwner(const std::uint8_t* descriptor, std::size_t length,
                     std::string* owner);

// $SDS is written in blocks of 256 KiB, each followed by a copy of
// itself; entries never cross a block.
inline constexpr std::uint64_t kSdsBlockSize = 256 * 1024;

class OwnerMap {
 public:
  // Adds the descriptors of the $SDS block that starts at |offset| in the
  // stream (its first |length| bytes, the rest of the stream being
  // shorter). Entries that do not parse end the block.
  void AddSdsBlock(const std::uint8_t* block, std::size_t length,
                   std::uint64_t offset);
  // The owner of |security_id|, nullptr when the map has none.
  const std::string* Find(std::uint32_t security_id) const;
  std::size_t size() const { return by_id_.size(); }

 private:
  std::vector<std::string> owners_;  // each owner once
  std::unordered_map<std::string, std::uint32_t> owner_index_;
  std::unordered_map<std::uint32_t, std::uint32_t> by_id_;
};

}  // namespace ovik::ntfs

#endif  // OVIK_PLATFORM_NTFS_SECURITY_H_
