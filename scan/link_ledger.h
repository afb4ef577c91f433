// Files with several links that one part of a walk counted, kept aside
// where which of their links counts is settled only once every part is
// in: parts walked by different processes each count a file once on
// their own, and only together can they count it once in all.
#ifndef OVIK_SCAN_LINK_LEDGER_H_
#define OVIK_SCAN_LINK_LEDGER_H_

#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "scan/owner_id.h"
#include "scan/stats.h"
#include "scan/tallies.h"

namespace ovik {

struct LedgerLink {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint64_t size = 0;
  OwnerId owner;
  std::int64_t modified = 0;
  std::int64_t accessed = 0;
};

class LinkLedger {
 public:
  // The device number that stands for the volume of the scan's root.
  static constexpr std::uint64_t kRootVolume =
      std::numeric_limits<std::uint64_t>::max();

  void Add(LedgerLink link) { links_.push_back(std::move(link)); }
  // Takes every link of |other|, which is left empty.
  void Merge(LinkLedger&& other);
  // Writes the links on |root_device| as lying on kRootVolume, so that
  // processes on different machines, which may number one shared volume
  // differently, name its files alike.
  void NameRootVolume(std::uint64_t root_device);
  // Counts each file once in all: its size goes to its owner in
  // |tallies|, where the walk met that owner (its age as at |now|), and
  // into |stats|' files and bytes; its further links count as duplicates.
  void CountOnce(Tallies* tallies, ScanStats* stats, std::int64_t now) const;

  const std::vector<LedgerLink>& links() const { return links_; }

 private:
  std::vector<LedgerLink> links_;
};

}  // namespace ovik

#endif  // OVIK_SCAN_LINK_LEDGER_H_
