#include "scan/owner_directories.h"

#include <algorithm>

#include "scan/saturating.h"

namespace ovik {

OwnerDirectories::OwnerDirectories(const DirectoryUsage& usage, RankedBy by,
                                   OwnerIndex owner)
    : usage_(usage), inclusive_(usage.size(), 0) {
  const DirectoryUsage::OwnBytes& own = usage.own_bytes(by);
  if (own.begin.empty()) return;
  for (std::size_t d = 0; d < inclusive_.size(); ++d) {
    for (std::uint32_t i = own.begin[d]; i < own.begin[d + 1]; ++i) {
      if (own.owner[i] == owner) inclusive_[d] = own.bytes[i];
    }
  }
  // Children come after their parents: one pass from the end adds every
  // directory's total into its parent's.
  for (std::size_t d = inclusive_.size(); d-- > 1;) {
    std::uint64_t& up = inclusive_[usage.Parent(static_cast<DirectoryIndex>(d))];
    up = SaturatingAdd(up, inclusive_[d]);
  }
}

void OwnerDirectories::Rank(std::vector<DirectoryIndex>* dirs,
                            std::size_t limit) const {
  const auto larger = [this](DirectoryIndex a, DirectoryIndex b) {
    if (inclusive_[a] != inclusive_[b]) return inclusive_[a] > inclusive_[b];
    return a < b;
  };
  if (limit != 0 && limit < dirs->size()) {
    std::partial_sort(dirs->begin(), dirs->begin() + static_cast<std::ptrdiff_t>(limit),
                      dirs->end(), larger);
    dirs->resize(limit);
  } else {
    std::sort(dirs->begin(), dirs->end(), larger);
  }
}

std::vector<DirectoryIndex> OwnerDirectories::Children(DirectoryIndex d) const {
  std::vector<DirectoryIndex> children;
  for (DirectoryIndex c = usage_.FirstChild(d); c != kNoDirectoryIndex;
       c = usage_.NextSibling(c)) {
    if (inclusive_[c] != 0) children.push_back(c);
  }
  Rank(&children, 0);
  return children;
}

DirectoryIndex OwnerDirectories::WholeChild(DirectoryIndex d) const {
  // A total held at the largest figure says "at least": a child at that
  // figure need not hold all of it.
  if (inclusive_[d] == 0 || inclusive_[d] == kMaxTotal) {
    return kNoDirectoryIndex;
  }
  for (DirectoryIndex c = usage_.FirstChild(d); c != kNoDirectoryIndex;
       c = usage_.NextSibling(c)) {
    if (inclusive_[c] == inclusive_[d]) return c;
  }
  return kNoDirectoryIndex;
}

DirectoryIndex OwnerDirectories::ChainEnd(DirectoryIndex d) const {
  for (DirectoryIndex c = WholeChild(d); c != kNoDirectoryIndex;
       c = WholeChild(c)) {
    d = c;
  }
  return d;
}

std::vector<DirectoryIndex> OwnerDirectories::Top(std::size_t limit) const {
  // A directory is passed over when one of its subdirectories holds all
  // its bytes; marked from the subdirectories, in one pass.
  std::vector<bool> passed_over(inclusive_.size(), false);
  for (std::size_t d = inclusive_.size(); d-- > 1;) {
    const DirectoryIndex parent = usage_.Parent(static_cast<DirectoryIndex>(d));
    if (inclusive_[d] != 0 && inclusive_[d] != kMaxTotal &&
        inclusive_[d] == inclusive_[parent]) {
      passed_over[parent] = true;
    }
  }
  std::vector<DirectoryIndex> shown;
  for (std::size_t d = 0; d < inclusive_.size(); ++d) {
    if (inclusive_[d] != 0 && !passed_over[d]) {
      shown.push_back(static_cast<DirectoryIndex>(d));
    }
  }
  Rank(&shown, limit);
  return shown;
}

}  // namespace ovik
