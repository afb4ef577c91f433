#include "scan/directory_usage.h"

#include <algorithm>

namespace ovik {

DirectoryIndex DirectoryUsage::FirstChild(DirectoryIndex d) const {
  return d + 1 < data_.subtree_end[d] ? d + 1 : kNoDirectoryIndex;
}

DirectoryIndex DirectoryUsage::NextSibling(DirectoryIndex d) const {
  const DirectoryIndex parent = data_.parent[d];
  if (parent == kNoDirectoryIndex) return kNoDirectoryIndex;
  const DirectoryIndex next = data_.subtree_end[d];
  return next < data_.subtree_end[parent] ? next : kNoDirectoryIndex;
}

std::string_view DirectoryUsage::Name(DirectoryIndex d) const {
  const std::uint32_t begin = d == 0 ? 0 : data_.name_end[d - 1];
  return std::string_view(data_.names).substr(begin, data_.name_end[d] - begin);
}

std::string DirectoryUsage::Path(DirectoryIndex d, char separator) const {
  std::vector<DirectoryIndex> chain;
  for (DirectoryIndex at = d; at != kRootDirectory && at != kNoDirectoryIndex;
       at = data_.parent[at]) {
    chain.push_back(at);
  }
  std::string path;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (!path.empty()) path += separator;
    path += Name(*it);
  }
  return path;
}

std::uint64_t DirectoryUsage::OwnBytesOf(RankedBy by, DirectoryIndex d,
                                         OwnerIndex owner) const {
  const OwnBytes& own = own_bytes(by);
  if (own.begin.empty()) return 0;
  const auto first = own.owner.begin() + own.begin[d];
  const auto last = own.owner.begin() + own.begin[d + 1];
  const auto at = std::lower_bound(first, last, owner);
  if (at == last || *at != owner) return 0;
  return own.bytes[static_cast<std::size_t>(at - own.owner.begin())];
}

bool DirectoryUsage::HoldsFolded(DirectoryIndex d) const {
  return std::binary_search(data_.holding_folded.begin(),
                            data_.holding_folded.end(), d);
}

}  // namespace ovik
