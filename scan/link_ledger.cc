#include "scan/link_ledger.h"

#include <iterator>

#include "scan/identity_set.h"
#include "scan/saturating.h"

namespace ovik {

void LinkLedger::Merge(LinkLedger&& other) {
  if (links_.empty()) {
    links_ = std::move(other.links_);
  } else {
    links_.insert(links_.end(), std::make_move_iterator(other.links_.begin()),
                  std::make_move_iterator(other.links_.end()));
  }
  other.links_.clear();
}

void LinkLedger::NameRootVolume(std::uint64_t root_device) {
  for (LedgerLink& link : links_) {
    if (link.device == root_device) link.device = kRootVolume;
  }
}

void LinkLedger::CountOnce(Tallies* tallies, ScanStats* stats,
                           std::int64_t now) const {
  IdentitySet counted;
  for (const LedgerLink& link : links_) {
    if (!counted.Insert(link.device, link.inode)) {
      ++stats->hard_link_duplicates;
      continue;
    }
    tallies->Met(link.owner).Count(link.size, link.modified, link.accessed, now);
    ++stats->files;
    stats->bytes = SaturatingAdd(stats->bytes, link.size);
  }
}

}  // namespace ovik
