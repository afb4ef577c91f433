// The owners of a finished scan in ranking order, largest first.
#ifndef OVIK_SCAN_RANKING_H_
#define OVIK_SCAN_RANKING_H_

#include <cstdint>
#include <string>
#include <vector>

#include "scan/owner_table.h"

namespace ovik {

struct RankedOwner {
  std::string name;
  std::uint64_t bytes = 0;
  std::uint64_t kb = 0;  // bytes / 1024, truncated
  std::uint64_t files = 0;
  std::string id{};  // the identifier's text; see OwnerRecord
  OwnerIndex index = 0;  // the owner's record in the table ranked
  Ages ages{};  // |bytes| by the age of the files' times
};

using Ranking = std::vector<RankedOwner>;

// Orders |order| (positions into |table|) by total, largest first, giving
// exactly the permutation of the classic exchange sort: for each i, every
// later j whose total is larger is swapped into place i. Equal totals are
// never swapped, so ties do not keep table order.
void SortRanking(const OwnerTable& table, std::vector<OwnerIndex>* order);

// The whole table, sorted, totals converted to KB.
Ranking BuildRanking(const OwnerTable& table);

}  // namespace ovik

#endif  // OVIK_SCAN_RANKING_H_
