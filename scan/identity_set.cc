#include "scan/identity_set.h"

#include <functional>

namespace ovik {

std::size_t IdentitySet::IdentityHash::operator()(const Identity& id) const {
  return std::hash<std::uint64_t>()(id.second * 1000003u ^ id.first);
}

bool IdentitySet::Insert(std::uint64_t device, std::uint64_t inode) {
  const std::size_t h = std::hash<std::uint64_t>()(inode * 31 + device);
  Shard& shard = shards_[h % shards_.size()];
  std::lock_guard<std::mutex> lock(shard.mutex);
  return shard.seen.insert({device, inode}).second;
}

}  // namespace ovik
