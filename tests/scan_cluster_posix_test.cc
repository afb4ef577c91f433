// The walk spread over ranks, with the ranks as threads of this process
// and their messages carried in memory: every rank count gives what one
// scan of the same tree gives.
#include <gtest/gtest.h>

#include <deque>
#include <iostream>
#include <mutex>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cluster/channel.h"
#include "cluster/cluster_scan.h"
#include "scan/scan.h"
#include "tests/fake_filesystem.h"

namespace ovik {
namespace {

// What the ranks of one job share: a queue of messages for each, and the
// barrier's count.
struct MemoryNetwork {
  explicit MemoryNetwork(int ranks) : inboxes(static_cast<std::size_t>(ranks)) {}
  std::mutex mutex;
  std::vector<std::deque<Message>> inboxes;
  int entered = 0;  // barrier entries, every use counted
};

class MemoryChannel : public Channel {
 public:
  MemoryChannel(MemoryNetwork& network, int rank)
      : network_(network), rank_(rank) {}
  int rank() const override { return rank_; }
  int ranks() const override {
    return static_cast<int>(network_.inboxes.size());
  }
  void Send(int to, Tag tag, Bytes bytes) override {
    std::lock_guard<std::mutex> lock(network_.mutex);
    network_.inboxes[static_cast<std::size_t>(to)].push_back(
        {rank_, tag, std::move(bytes)});
  }
  bool Receive(Message* message) override {
    std::lock_guard<std::mutex> lock(network_.mutex);
    auto& inbox = network_.inboxes[static_cast<std::size_t>(rank_)];
    if (inbox.empty()) return false;
    *message = std::move(inbox.front());
    inbox.pop_front();
    return true;
  }
  void EnterBarrier() override {
    std::lock_guard<std::mutex> lock(network_.mutex);
    ++network_.entered;
    ++barriers_;
  }
  bool BarrierPassed() override {
    std::lock_guard<std::mutex> lock(network_.mutex);
    return network_.entered >= barriers_ * ranks();
  }

 protected:
  void EndJob(const std::string& why) override {
    std::cerr << "abandoned: " << why << std::endl;
  }

 private:
  MemoryNetwork& network_;
  int rank_;
  int barriers_ = 0;
};

// Rank 0's result of a scan of |fs| by |ranks| ranks of |threads| threads
// each, the others' file systems being |others| where given; |err| gets
// what rank 0 says. Every rank must end with rank 0's status.
ScanResult ScanByRanks(FileSystem& fs, int ranks, unsigned threads,
                       std::string* err = nullptr,
                       FileSystem* others = nullptr) {
  MemoryNetwork network(ranks);
  std::vector<int> statuses(static_cast<std::size_t>(ranks), -1);
  const ClusterSettings settings;
  std::vector<std::thread> serving;
  for (int r = 1; r < ranks; ++r) {
    serving.emplace_back([&, r] {
      MemoryChannel channel(network, r);
      statuses[static_cast<std::size_t>(r)] = ServeClusterScans(
          channel, others != nullptr ? *others : fs, settings);
    });
  }
  MemoryChannel zero(network, 0);
  ScanOptions options;
  options.threads = threads;
  std::ostringstream said;
  ScanResult result = RunClusterScan(zero, fs, "/", options, said, settings);
  EndClusterJob(zero, 42);
  for (std::thread& t : serving) t.join();
  for (int r = 1; r < ranks; ++r) {
    EXPECT_EQ(statuses[static_cast<std::size_t>(r)], 42) << "rank " << r;
  }
  if (err != nullptr) *err = said.str();
  return result;
}

// A skewed tree: one subtree of many directories beside many small ones,
// owners whose totals tie, files linked from different subtrees,
// directories that cannot be entered and entries with no readable owner.
void BuildTree(FakeFileSystem& fs, unsigned seed) {
  std::mt19937 random(seed);
  for (int a = 1; a <= 6; ++a) {
    fs.SetAccount(std::to_string(a), "user" + std::to_string(a));
  }
  auto owner = [&] { return std::to_string(1 + random() % 8); };  // 7, 8: no account
  for (int i = 0; i < 30; ++i) {
    for (int j = 0; j < 4; ++j) {
      for (int k = 0; k < 3; ++k) {
        fs.AddFile("big/" + std::to_string(i) + "/" + std::to_string(j) +
                       "/deep/f" + std::to_string(k),
                   owner(), random() % 5000);
      }
    }
  }
  for (int i = 0; i < 40; ++i) {
    fs.AddFile("small" + std::to_string(i) + "/f", owner(), random() % 5000);
  }
  // Equal totals for two owners met in different subtrees.
  fs.AddFile("small7/tie", "9", 1 << 20);
  fs.AddFile("big/17/tie", "10", 1 << 20);
  fs.SetAccount("9", "tie-b");
  fs.SetAccount("10", "tie-a");
  // An owner met only through further links of a file counted elsewhere.
  fs.AddFile("big/2/0/deep/linked", "11", 1 << 24);
  fs.AddHardLink("big/2/0/deep/linked", "small30/again");
  fs.AddHardLink("small3/f", "big/25/3/deep/again");
  fs.AddHardLink("small3/f", "big/26/again");
  fs.Find("small5")->cannot_enter = true;
  fs.Find("big/9/3")->cannot_enter = true;
  fs.Find("big/12/1/deep/f2")->owner_unreadable = true;
  fs.Find("small20/f")->owner_unreadable = true;
}

std::vector<std::string> Rows(const ScanResult& r) {
  std::vector<std::string> rows;
  for (const OwnerRecord& rec : r.table.records()) {
    rows.push_back(rec.name + " " + std::to_string(rec.total) + " in " +
                   std::to_string(rec.files));
  }
  rows.push_back("--");
  for (const RankedOwner& o : r.ranking) rows.push_back(o.name);
  const ScanStats& s = r.stats;
  for (std::uint64_t n :
       {s.files, s.bytes, s.directories, s.skipped_directories,
        s.unreadable_entries, s.vanished_entries, s.hard_link_duplicates}) {
    rows.push_back(std::to_string(n));
  }
  return rows;
}

TEST(ScanClusterTest, EveryRankCountGivesTheOneMachineResult) {
  for (unsigned seed : {1u, 2u, 3u}) {
    FakeFileSystem fs;
    BuildTree(fs, seed);
    const ScanResult alone = RunScan(fs, "/");
    ASSERT_TRUE(alone.ok());
    for (int ranks : {1, 2, 4}) {
      for (unsigned threads : {1u, 3u}) {
        const ScanResult shared = ScanByRanks(fs, ranks, threads);
        ASSERT_TRUE(shared.ok());
        EXPECT_EQ(Rows(shared), Rows(alone))
            << "seed " << seed << ", " << ranks << " ranks of " << threads
            << " threads";
        EXPECT_GE(shared.stats.threads, static_cast<unsigned>(ranks));
      }
    }
  }
}

TEST(ScanClusterTest, RankThatCannotOpenTheRootIsNamedAndNothingIsReported) {
  FakeFileSystem fs;
  fs.AddFile("f", "1", 10);
  FakeFileSystem elsewhere;
  elsewhere.SetRootEnterable(false);
  std::string err;
  const ScanResult r = ScanByRanks(fs, 3, 2, &err, &elsewhere);
  EXPECT_FALSE(r.ok());
  EXPECT_FALSE(r.cancelled());
  EXPECT_TRUE(r.ranking.empty());
  EXPECT_NE(err.find("rank 1 on "), std::string::npos) << err;
  EXPECT_NE(err.find("rank 2 on "), std::string::npos) << err;
  EXPECT_NE(err.find("cannot read directory /"), std::string::npos) << err;
}

}  // namespace
}  // namespace ovik
