// The classic exchange sort that SortRanking reproduces in less than
// quadratic time: the reference its tests and benchmarks compare with.
#ifndef OVIK_TESTS_EXCHANGE_SORT_RANKING_H_
#define OVIK_TESTS_EXCHANGE_SORT_RANKING_H_

#include <utility>
#include <vector>

#include "scan/owner_table.h"

namespace ovik {

// For each i, every later j whose total is larger is swapped into place i.
inline void ExchangeSortRanking(const OwnerTable& table,
                                std::vector<OwnerIndex>* order) {
  auto& a = *order;
  const std::size_t n = a.size();
  for (std::size_t i = 0; i + 1 < n; ++i) {
    for (std::size_t j = i + 1; j < n; ++j) {
      if (table[a[i]].total < table[a[j]].total) std::swap(a[i], a[j]);
    }
  }
}

}  // namespace ovik

#endif  // OVIK_TESTS_EXCHANGE_SORT_RANKING_H_
