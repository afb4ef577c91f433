#include "scan/ranking.h"

#include <algorithm>
#include <deque>
#include <utility>

namespace ovik {
namespace {

// Counts marked positions; used to count larger owners between two owners
// of equal total.
class PositionCounter {
 public:
  explicit PositionCounter(std::size_t n) : tree_(n + 1, 0) {}
  void Mark(std::size_t pos) {
    for (std::size_t i = pos + 1; i < tree_.size(); i += i & (~i + 1)) ++tree_[i];
  }
  // Marked positions in [0, end).
  std::size_t CountBefore(std::size_t end) const {
    std::size_t sum = 0;
    for (std::size_t i = end; i > 0; i -= i & (~i + 1)) sum += tree_[i];
    return sum;
  }
  std::size_t CountIn(std::size_t begin, std::size_t end) const {
    return end > begin ? CountBefore(end) - CountBefore(begin) : 0;
  }

 private:
  std::vector<std::size_t> tree_;
};

}  // namespace

// The exchange sort leaves the owners ordered by total; only the order of
// equal totals needs working out. Owners below a total t never change the
// relative order of those at t or above, and among the owners at t or
// above only the pattern of "equal to t" and "larger" matters: whenever
// the unsorted rest begins with a run of owners equal to t, the next
// larger owner moves to the front and the first owner of the run moves to
// the run's end. Walking the owners at or above t in their original order,
// every larger owner met after the run has started rotates the run by
// one. That gives each group of equal totals its final order in time
// linear in the group and the larger owners' count per gap.
void SortRanking(const OwnerTable& table, std::vector<OwnerIndex>* order) {
  const std::size_t n = order->size();
  if (n < 2) return;
  // Position of each owner in the starting order, grouped by total,
  // largest first, each group in starting order.
  std::vector<std::size_t> by_total(n);
  for (std::size_t i = 0; i < n; ++i) by_total[i] = i;
  const auto& start = *order;
  std::stable_sort(by_total.begin(), by_total.end(),
                   [&](std::size_t x, std::size_t y) {
                     return table[start[x]].total > table[start[y]].total;
                   });

  std::vector<OwnerIndex> sorted;
  sorted.reserve(n);
  PositionCounter larger(n);
  std::deque<std::size_t> run;
  for (std::size_t g = 0; g < n;) {
    std::size_t end = g + 1;
    const auto total = table[start[by_total[g]]].total;
    while (end < n && table[start[by_total[end]]].total == total) ++end;
    run.clear();
    for (std::size_t k = g; k < end; ++k) {
      run.push_back(by_total[k]);
      const std::size_t next = k + 1 < end ? by_total[k + 1] : n;
      std::size_t turns = larger.CountIn(by_total[k] + 1, next) % run.size();
      while (turns-- > 0) {
        run.push_back(run.front());
        run.pop_front();
      }
    }
    for (std::size_t pos : run) sorted.push_back(start[pos]);
    for (std::size_t k = g; k < end; ++k) larger.Mark(by_total[k]);
    g = end;
  }
  *order = std::move(sorted);
}

Ranking BuildRanking(const OwnerTable& table) {
  std::vector<OwnerIndex> order(table.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  SortRanking(table, &order);
  Ranking ranking;
  ranking.reserve(order.size());
  for (OwnerIndex i : order) {
    const OwnerRecord& r = table[i];
    ranking.push_back({r.name, r.total, r.total >> 10, r.files, r.id, i, r.ages});
  }
  return ranking;
}

}  // namespace ovik
