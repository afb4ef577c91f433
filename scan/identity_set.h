// A set of (device, inode) identities shared by the threads of one scan:
// the files with several links already counted, so each counts once, and
// the directories already entered, so one that moves while the walk runs
// is not walked twice.
#ifndef OVIK_SCAN_IDENTITY_SET_H_
#define OVIK_SCAN_IDENTITY_SET_H_

#include <array>
#include <cstdint>
#include <mutex>
#include <unordered_set>
#include <utility>

namespace ovik {

class IdentitySet {
 public:
  // True when (device, inode) was not in the set; the first thread to
  // insert an identity wins. Safe to call from several threads at once.
  bool Insert(std::uint64_t device, std::uint64_t inode);

 private:
  using Identity = std::pair<std::uint64_t, std::uint64_t>;
  struct IdentityHash {
    std::size_t operator()(const Identity& id) const;
  };
  // Locked in shards, so threads seldom wait for each other.
  struct Shard {
    std::mutex mutex;
    std::unordered_set<Identity, IdentityHash> seen;
  };
  std::array<Shard, 16> shards_;
};

}  // namespace ovik

#endif  // OVIK_SCAN_IDENTITY_SET_H_
