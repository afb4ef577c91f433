#include "scan/ranking.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/exchange_sort_ranking.h"

namespace ovik {
namespace {

OwnerTable TableOf(const std::vector<std::uint64_t>& totals) {
  OwnerTable table;
  for (std::size_t i = 0; i < totals.size(); ++i) {
    const std::string id = std::to_string(i);
    table.FindOrAppend(OwnerId::Account(id), "o" + id, id);
    table.AddToOwner(i, totals[i]);
  }
  return table;
}

std::vector<OwnerIndex> Sorted(const OwnerTable& table, bool reference) {
  std::vector<OwnerIndex> order(table.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  if (reference) {
    ExchangeSortRanking(table, &order);
  } else {
    SortRanking(table, &order);
  }
  return order;
}

TEST(SortRankingTest, TiesFollowTheExchangeSortNotTableOrder) {
  // A, B, C with 2, 2, 3 bytes: the first pass swaps A with C and leaves
  // A behind B.
  OwnerTable table = TableOf({2, 2, 3});
  EXPECT_EQ(Sorted(table, true), (std::vector<OwnerIndex>{2, 1, 0}));
  EXPECT_EQ(Sorted(table, false), (std::vector<OwnerIndex>{2, 1, 0}));
}

TEST(SortRankingTest, MatchesTheExchangeSortOnRandomTables) {
  std::mt19937_64 rng(12345);
  for (int round = 0; round < 3000; ++round) {
    const std::size_t n = 1 + rng() % 40;
    // Few distinct totals so that ties are everywhere.
    const std::uint64_t spread = 1 + rng() % (round % 3 == 0 ? 3 : 12);
    std::vector<std::uint64_t> totals(n);
    for (auto& t : totals) t = rng() % spread;
    OwnerTable table = TableOf(totals);
    ASSERT_EQ(Sorted(table, false), Sorted(table, true)) << "round " << round;
  }
}

TEST(SortRankingTest, MatchesTheExchangeSortOnLargeTables) {
  std::mt19937_64 rng(99);
  for (std::size_t n : {500u, 2000u}) {
    std::vector<std::uint64_t> totals(n);
    for (auto& t : totals) t = (rng() % 50) << 10;
    OwnerTable table = TableOf(totals);
    EXPECT_EQ(Sorted(table, false), Sorted(table, true)) << n;
  }
}

TEST(BuildRankingTest, SortsOnBytesThenConvertsToWholeKilobytes) {
  // Equal in KB, different in bytes: the byte totals decide the order.
  OwnerTable table = TableOf({1024, 2047, 0, 4096ull << 30});
  Ranking r = BuildRanking(table);
  ASSERT_EQ(r.size(), 4u);
  EXPECT_EQ(r[0].name, "o3");
  EXPECT_EQ(r[0].kb, 4096ull << 20);
  EXPECT_EQ(r[1].name, "o1");
  EXPECT_EQ(r[1].kb, 1u);
  EXPECT_EQ(r[1].bytes, 2047u);
  EXPECT_EQ(r[2].name, "o0");
  EXPECT_EQ(r[2].kb, 1u);
  EXPECT_EQ(r[3].name, "o2");
  EXPECT_EQ(r[3].kb, 0u);
}

}  // namespace
}  // namespace ovik
