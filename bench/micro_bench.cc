// Micro-benchmarks of the scan's hot spots: owner lookup, the ranking
// sort, the usage text, and a whole scan of an in-memory tree.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "present/usage_text.h"
#include "scan/owner_id.h"
#include "scan/owner_table.h"
#include "scan/ranking.h"
#include "scan/scan.h"
#include "tests/exchange_sort_ranking.h"
#include "tests/fake_filesystem.h"

namespace ovik {
namespace {

// Lookups stay flat however many owners the table holds.
void BM_FindOwner(benchmark::State& state) {
  OwnerTable table;
  table.SeedOwnerTable(OwnerId::Account("0"), "root", "0");
  const auto n = static_cast<std::size_t>(state.range(0));
  std::vector<OwnerId> owners;
  for (std::size_t i = 1; i < n; ++i) {
    const std::string id = std::to_string(i);
    owners.push_back(OwnerId::Account(id));
    table.FindOrAppend(owners.back(), "user" + id, id);
  }
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(table.FindOwner(owners[i]));
    if (++i == owners.size()) i = 0;
  }
}
BENCHMARK(BM_FindOwner)->Arg(10)->Arg(1000)->Arg(100000);

OwnerTable TableWithTies(std::size_t n) {
  OwnerTable table;
  std::mt19937_64 rng(7);
  for (std::size_t i = 0; i < n; ++i) {
    const std::string id = std::to_string(i);
    table.AddToOwner(table.FindOrAppend(OwnerId::Account(id), "u" + id, id),
                     (rng() % (n / 4 + 1)) << 10);
  }
  return table;
}

void BM_SortRanking(benchmark::State& state) {
  OwnerTable table = TableWithTies(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    std::vector<OwnerIndex> order(table.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    SortRanking(table, &order);
    benchmark::DoNotOptimize(order.data());
  }
}
BENCHMARK(BM_SortRanking)->Arg(1000)->Arg(10000)->Arg(65534)->Unit(benchmark::kMillisecond);

// The classic exchange sort the ranking reproduces, for comparison.
void BM_ExchangeSortRanking(benchmark::State& state) {
  OwnerTable table = TableWithTies(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    std::vector<OwnerIndex> order(table.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    ExchangeSortRanking(table, &order);
    benchmark::DoNotOptimize(order.data());
  }
}
BENCHMARK(BM_ExchangeSortRanking)->Arg(1000)->Arg(10000)->Arg(65534)->Unit(benchmark::kMillisecond);

void BM_FormatUsage(benchmark::State& state) {
  std::mt19937_64 rng(3);
  std::vector<std::uint64_t> totals(1024);
  for (auto& t : totals) t = rng() % (1ull << 40);
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(FormatUsage(totals[i++ & 1023], 1ull << 40));
  }
}
BENCHMARK(BM_FormatUsage);

void BM_ScanInMemoryTree(benchmark::State& state) {
  FakeFileSystem fs;
  for (int u = 0; u < 20; ++u) fs.SetAccount(std::to_string(u), "user" + std::to_string(u));
  for (int d = 0; d < 1000; ++d) {
    for (int f = 0; f < 100; ++f) {
      fs.AddFile("d" + std::to_string(d % 37) + "/e" + std::to_string(d) + "/f" +
                     std::to_string(f),
                 std::to_string((d + f) % 20), 4096);
    }
  }
  for (auto _ : state) {
    ScanResult r = RunScan(fs, "/", {.threads = static_cast<unsigned>(state.range(0))});
    benchmark::DoNotOptimize(r.ranking.data());
  }
  state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_ScanInMemoryTree)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ovik

BENCHMARK_MAIN();
