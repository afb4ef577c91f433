#include "scan/scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "tests/fake_filesystem.h"
#include "tests/forwarding_filesystem.h"

namespace ovik {
namespace {

std::vector<std::string> TableOrder(const ScanResult& r) {
  std::vector<std::string> names;
  for (const auto& rec : r.table.records()) names.push_back(rec.name);
  return names;
}

std::uint64_t TotalOf(const ScanResult& r, const std::string& name) {
  const std::vector<OwnerIndex> i = r.table.FindShown(name);
  EXPECT_EQ(i.size(), 1u) << name;
  return i.size() == 1 ? r.table[i.front()].total : 0;
}

TEST(ScanTest, EmptyRootRanksOnlyTheAdministrators) {
  FakeFileSystem fs;
  ScanResult r = RunScan(fs, "/vol");
  ASSERT_TRUE(r.ok());
  ASSERT_EQ(r.ranking.size(), 1u);
  EXPECT_EQ(r.ranking[0].name, "root");
  EXPECT_EQ(r.ranking[0].kb, 0u);
  EXPECT_EQ(fs.last_root, "/vol");
}

TEST(ScanTest, OwnEntriesComeBeforeSubdirectoriesInFirstMetOrder) {
  FakeFileSystem fs;
  fs.SetAccount("1", "alice");
  fs.SetAccount("2", "bob");
  fs.SetAccount("3", "carol");
  fs.SetAccount("4", "dave");
  fs.AddFile("a/deep/x", "3", 10);  // listed first, but in a subdirectory
  fs.AddFile("top1", "2", 5);
  fs.AddFile("a/y", "4", 1);
  fs.AddFile("top2", "1", 0);  // a zero-byte file still makes its record
  fs.AddFile("b/z", "2", 7);
  ScanResult r = RunScan(fs, "/");
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(TableOrder(r),
            (std::vector<std::string>{"root", "bob", "alice", "dave", "carol"}));
  EXPECT_EQ(TotalOf(r, "bob"), 12u);
  EXPECT_EQ(TotalOf(r, "alice"), 0u);
  EXPECT_EQ(r.stats.files, 5u);
  EXPECT_EQ(r.stats.bytes, 23u);
  EXPECT_EQ(r.stats.directories, 4u);
}

TEST(ScanTest, CountsDotDirectoriesLinksAndHugeFilesButEntersNoLink) {
  FakeFileSystem fs;
  fs.SetAccount("1", "alice");
  fs.SetAccount("2", "bob");
  fs.AddFile(".git/objects/pack", "1", 100);
  fs.AddFile(".cache/x", "1", 1);
  fs.AddLink("link-to-dir", "1", 11);   // a link is an entry with its own size
  fs.AddFile("huge", "1", 5ull << 32);  // 20 GiB
  // A junction is a directory entry: its owner gets nothing, not even a row.
  fs.AddDirectoryLink("junction", "2", 0);
  ScanResult r = RunScan(fs, "/");
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(TotalOf(r, "alice"), 100u + 1u + 11u + (5ull << 32));
  EXPECT_EQ(r.ranking[0].kb, (100u + 1u + 11u + (5ull << 32)) >> 10);
  EXPECT_EQ(TableOrder(r), (std::vector<std::string>{"root", "alice"}));
  EXPECT_EQ(r.stats.files, 4u);
  EXPECT_EQ(r.stats.vanished_entries + r.stats.skipped_directories, 0u);
}

TEST(ScanTest, HardLinkedFileCountsOnce) {
  FakeFileSystem fs;
  fs.SetAccount("1", "alice");
  fs.AddFile("a/original", "1", 4096);
  fs.AddHardLink("a/original", "b/second");
  fs.AddHardLink("a/original", "third");
  ScanResult r = RunScan(fs, "/");
  EXPECT_EQ(TotalOf(r, "alice"), 4096u);
  EXPECT_EQ(r.stats.files, 1u);
  EXPECT_EQ(r.stats.hard_link_duplicates, 2u);
}

TEST(ScanTest, OwnersWithoutAnAccountOrUnreadableNeverBorrowAnotherName) {
  FakeFileSystem fs;
  fs.SetAccount("1", "alice");
  fs.AddFile("d/a", "1", 10);
  fs.AddFile("d/b", "4242", 20);  // no account: counted under its number
  fs.AddFile("d/c", "1", 1)->owner_unreadable = true;
  fs.AddFile("d/e", "1", 2)->owner_unreadable = true;
  // The name service fails: counted under the identifier's text.
  fs.AddFile("d/f", "77", 40);
  fs.SetLookupFails("77");
  // Not even a text: counted as unreadable.
  fs.AddFile("d/g", "bad", 400);
  fs.SetLookupFails("bad", /*no_text=*/true);
  ScanResult r = RunScan(fs, "/");
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(TotalOf(r, "alice"), 10u);
  EXPECT_EQ(TotalOf(r, "4242"), 20u);
  EXPECT_EQ(TotalOf(r, "77"), 40u);
  EXPECT_EQ(TotalOf(r, std::string(kUnreadableOwnerName)), 403u);
  EXPECT_EQ(r.stats.unreadable_entries, 2u);
  EXPECT_EQ(TableOrder(r), (std::vector<std::string>{
                               "root", "alice", "4242",
                               std::string(kUnreadableOwnerName), "77"}));
}

TEST(ScanTest, FailuresSkipWhatFailedAndKeepTheRest) {
  FakeFileSystem fs;
  fs.SetAccount("1", "alice");
  fs.AddFile("locked/secret", "1", 1000)->name = "secret";
  fs.Find("locked")->cannot_enter = true;
  fs.AddFile("mnt/other", "1", 2000);
  fs.Find("mnt")->other_volume = true;
  fs.AddFile("gone", "1", 3000)->vanishes = true;
  FakeNode* broken = fs.AddDirectory("broken");
  fs.AddFile("broken/first", "1", 4);
  fs.AddFile("broken/second", "1", 8);
  broken->listing_fails_after = 1;
  fs.AddFile("z/after", "1", 16);
  ScanResult r = RunScan(fs, "/");
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(TotalOf(r, "alice"), 4u + 16u);
  EXPECT_EQ(r.stats.skipped_directories, 2u);  // locked, broken
  EXPECT_EQ(r.stats.other_volumes, 1u);
  EXPECT_EQ(r.stats.vanished_entries, 1u);
}

TEST(ScanTest, DirectoryMetAgainAfterAMoveIsWalkedOnce) {
  FakeFileSystem fs;
  fs.SetAccount("1", "alice");
  fs.AddFile("a/f", "1", 10);
  fs.AddFile("a/sub/g", "1", 5);
  fs.AddDirectory("z/new-place")->moved_from = fs.Find("a");
  for (unsigned threads : {1u, 3u}) {
    ScanResult r = RunScan(fs, "/", {.threads = threads});
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(TotalOf(r, "alice"), 15u) << threads;
    EXPECT_EQ(r.stats.vanished_entries, 1u) << threads;
  }
}

TEST(ScanTest, RootThatCannotBeEnteredFailsTheScan) {
  FakeFileSystem fs;
  fs.SetRootEnterable(false);
  ScanResult r = RunScan(fs, "/");
  EXPECT_EQ(r.status, Status(StatusCode::kAccessDenied));
  EXPECT_TRUE(r.ranking.empty());
}

TEST(ScanTest, EachOwnerIsLookedUpOncePerScan) {
  FakeFileSystem fs;
  fs.SetAccount("1", "alice");
  fs.SetAccount("2", "bob");
  for (int i = 0; i < 200; ++i) {
    fs.AddFile("d" + std::to_string(i % 7) + "/f" + std::to_string(i),
               i % 3 == 0 ? "1" : "2", 1);
  }
  RunScan(fs, "/", {.threads = 4});
  EXPECT_EQ(fs.lookups.load(), 2);
}

TEST(ScanTest, OwnersAreKeyedByWhoTheyAreAndShownApart) {
  auto fs = std::make_unique<FakeFileSystem>();
  fs->SetIgnoreCase(true);
  fs->SetAdministratorsName("Administrators");
  fs->SetAccount("S-1", "Alice");
  fs->SetAccount("S-2", "ALICE");  // same name, other domain
  fs->SetAccount("S-3", "administrators");
  fs->SetAccount("60014", "60013");  // an account named like a number
  fs->AddFile("a", "S-1", 1);
  fs->AddFile("b", "S-2", 2);
  fs->AddFile("c", "S-3", 4);
  fs->AddFile("d", "60013", 8);  // the number without an account
  fs->AddFile("e", "60014", 16);
  fs->AddFile("f", "Administrators", 32);
  ScanResult r = RunScan(*fs, "C:\\");
  // The result needs nothing of the file system it came from.
  fs.reset();
  EXPECT_EQ(TableOrder(r),
            (std::vector<std::string>{"Administrators", "Alice [S-1]",
                                      "ALICE [S-2]", "administrators [S-3]",
                                      "60013", "60013 [60014]"}));
  EXPECT_EQ(r.table[0].total, 32u);
  EXPECT_EQ(r.table[1].total, 1u);
  EXPECT_EQ(r.table[2].total, 2u);
  EXPECT_EQ(r.table[4].total, 8u);
  EXPECT_EQ(r.table[5].total, 16u);
}

// Coming back up to a level closed to save handles, and handing a
// level's work to another thread, each open a directory or two, never the
// whole path again: the opens grow with the tree, not with its depth.
TEST(ScanTest, DeepTreeKeepsFewDirectoriesOpenAndOpensEachFewTimes) {
  FakeFileSystem fs;
  fs.SetAccount("1", "alice");
  constexpr int kDepth = 5000;
  FakeNode* level = nullptr;
  for (int depth = 0; depth < kDepth; ++depth) {
    level = fs.AddDirectory("d", level);
    // A sibling at every level makes the walk come back to each level.
    fs.AddFile("f", "1", 1, level);
    fs.AddFile("e/g", "1", 1, level);
  }
  for (unsigned threads : {1u, 4u}) {
    const int opens_before = fs.opens.load();
    fs.max_open_directories = 0;
    ScanResult r = RunScan(fs, "/", {.threads = threads, .max_open_directories = 8});
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(TotalOf(r, "alice"), 2u * kDepth);
    EXPECT_EQ(r.stats.skipped_directories, 0u);
    EXPECT_LE(fs.max_open_directories.load(), static_cast<int>(threads) * (8 + 4));
    EXPECT_EQ(fs.open_directories.load(), 0);
    EXPECT_LE(fs.opens.load() - opens_before, 2 * 2 * kDepth) << threads;
  }
}

// A directory moved since the walk went down through it is not reached
// through "..": the walk finds it again along its path.
TEST(ScanTest, LevelWhoseParentMovedIsReopenedAlongItsPath) {
  FakeFileSystem fs;
  fs.SetAccount("1", "alice");
  std::string path;
  for (int depth = 0; depth < 12; ++depth) {
    path += "d/";
    fs.AddFile(path + "e/g", "1", 1);
    fs.Find(path.substr(0, path.size() - 1))->parent_moved = true;
  }
  ScanResult r = RunScan(fs, "/", {.threads = 1, .max_open_directories = 2});
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(TotalOf(r, "alice"), 12u);
  EXPECT_EQ(r.stats.skipped_directories, 0u);
}

TEST(ScanTest, CancelledScanReportsCancelled) {
  FakeFileSystem fs;
  fs.AddFile("a/b", "1", 1);
  ScanProgress progress;
  progress.cancel = true;
  ScanResult r = RunScan(fs, "/", {.threads = 1, .progress = &progress});
  EXPECT_TRUE(r.cancelled());
}

// Asks the scan to stop at the 10,000th entry listed, noting the files
// its progress showed then.
class StopAtEntry : public ForwardingFileSystem {
 public:
  StopAtEntry(FileSystem& real, ScanProgress& progress)
      : ForwardingFileSystem(real), progress_(progress) {}
  mutable int listed = 0;
  mutable std::uint64_t files_shown = 0;

 private:
  void AdjustEntry(Entry* /*entry*/) const override {
    if (++listed != 10000) return;
    files_shown = progress_.files.load();
    progress_.cancel = true;
  }
  ScanProgress& progress_;
};

// One directory of very many entries shows its progress while it is
// listed, and a request to stop is heeded before its end.
TEST(ScanTest, ALargeDirectoryShowsProgressAndStopsWhileListed) {
  FakeFileSystem real;
  for (int i = 0; i < 30000; ++i) {
    real.AddFile("big/f" + std::to_string(i), "1", 1);
  }
  ScanProgress progress;
  StopAtEntry fs(real, progress);
  EXPECT_TRUE(RunScan(fs, "/", {.threads = 1, .progress = &progress})
                  .cancelled());
  EXPECT_GT(fs.files_shown, 0u);
  EXPECT_LT(fs.listed, 30000);
}

TEST(ScanTest, ProgressCountsWhatTheScanCounted) {
  FakeFileSystem fs;
  fs.AddFile("a/b", "1", 5);
  fs.AddFile("c", "1", 7);
  ScanProgress progress;
  ScanResult r = RunScan(fs, "/", {.threads = 2, .progress = &progress});
  EXPECT_EQ(progress.files.load(), 2u);
  EXPECT_EQ(progress.bytes.load(), 12u);
  EXPECT_EQ(progress.directories.load(), r.stats.directories);
}

// "name=bytes/files" of every owner (or group), in name order.
std::vector<std::string> Totals(const ScanResult& r, RankedBy by) {
  std::vector<std::string> totals;
  for (const OwnerRecord& o : r.table_by(by).records()) {
    totals.push_back(o.name + "=" + std::to_string(o.total) + "/" +
                     std::to_string(o.files));
  }
  std::sort(totals.begin(), totals.end());
  return totals;
}

// Builds a random tree: wide and deep, many owners, hard links, ties.
void BuildRandomTree(FakeFileSystem& fs, std::mt19937_64& rng) {
  std::vector<std::string> dirs = {""};
  std::vector<std::string> files;
  for (int i = 0; i < 25; ++i) fs.SetAccount(std::to_string(i), "user" + std::to_string(i));
  const int n = 400 + static_cast<int>(rng() % 400);
  for (int i = 0; i < n; ++i) {
    const std::string& parent = dirs[rng() % dirs.size()];
    const std::string name = parent + (parent.empty() ? "" : "/") + "n" + std::to_string(i);
    switch (rng() % 6) {
      case 0:
        fs.AddDirectory(name);
        dirs.push_back(name);
        break;
      case 1:
        if (!files.empty()) {
          fs.AddHardLink(files[rng() % files.size()], name);
          break;
        }
        [[fallthrough]];
      default:
        fs.AddFile(name, std::to_string(rng() % 30), (rng() % 8) << 9)->group =
            "g" + std::to_string(rng() % 4);
        files.push_back(name);
    }
  }
}

// Each directory kept, in order: its path and its own bytes by owner
// and by group name.
std::vector<std::string> DirectoryLines(const ScanResult& r) {
  std::vector<std::string> lines;
  for (DirectoryIndex d = 0; d < r.directories.size(); ++d) {
    std::string line = r.directories.Path(d);
    for (RankedBy by : {RankedBy::kOwner, RankedBy::kGroup}) {
      const DirectoryUsage::OwnBytes& own = r.directories.own_bytes(by);
      for (std::uint32_t i = own.begin[d]; i < own.begin[d + 1]; ++i) {
        line += " " + r.table_by(by)[own.owner[i]].name + ":" +
                std::to_string(own.bytes[i]);
      }
    }
    lines.push_back(line);
  }
  return lines;
}

TEST(ScanTest, AnyNumberOfThreadsGivesTheSameResult) {
  std::mt19937_64 rng(2024);
  for (int round = 0; round < 40; ++round) {
    FakeFileSystem fs;
    BuildRandomTree(fs, rng);
    ScanOptions options{.threads = 1, .groups = true, .keep_directories = true};
    ScanResult one = RunScan(fs, "/", options);
    ASSERT_TRUE(one.ok());
    ASSERT_EQ(one.directories.size(), one.stats.directories);
    for (unsigned threads : {2u, 8u}) {
      options.threads = threads;
      ScanResult many = RunScan(fs, "/", options);
      ASSERT_TRUE(many.ok());
      EXPECT_EQ(TableOrder(many), TableOrder(one)) << round << "/" << threads;
      ASSERT_EQ(many.ranking.size(), one.ranking.size());
      for (std::size_t i = 0; i < one.ranking.size(); ++i) {
        EXPECT_EQ(many.ranking[i].name, one.ranking[i].name);
        EXPECT_EQ(many.ranking[i].bytes, one.ranking[i].bytes);
      }
      EXPECT_EQ(many.stats.files, one.stats.files);
      EXPECT_EQ(many.stats.hard_link_duplicates, one.stats.hard_link_duplicates);
      EXPECT_EQ(DirectoryLines(many), DirectoryLines(one));
      ASSERT_EQ(many.group_ranking.size(), one.group_ranking.size());
      for (std::size_t i = 0; i < one.group_ranking.size(); ++i) {
        EXPECT_EQ(many.group_ranking[i].name, one.group_ranking[i].name);
        EXPECT_EQ(many.group_ranking[i].files, one.group_ranking[i].files);
      }
    }

    // The volume's table counts what the walk counts, in its own first-met
    // order (the table's), the same on any number of threads.
    fs.SetTable(5);
    ScanOptions tables{.threads = 1, .method = CountMethod::kTables,
                       .groups = true};
    const ScanResult table_one = RunScan(fs, "/", tables);
    ASSERT_TRUE(table_one.ok()) << table_one.tables_refused;
    EXPECT_EQ(table_one.method, "fake table");
    EXPECT_EQ(Totals(table_one, RankedBy::kOwner), Totals(one, RankedBy::kOwner));
    EXPECT_EQ(Totals(table_one, RankedBy::kGroup), Totals(one, RankedBy::kGroup));
    EXPECT_EQ(table_one.stats.files, one.stats.files);
    tables.threads = 8;
    const ScanResult table_many = RunScan(fs, "/", tables);
    EXPECT_EQ(TableOrder(table_many), TableOrder(table_one)) << round;
  }
}

TEST(ScanTest, TablesThatCannotServeOrReadWholeSayWhy) {
  FakeFileSystem fs;
  fs.SetAccount("1", "alice");
  fs.AddFile("a", "1", 10);
  fs.AddFile("b", "2", 20)->owner_unreadable = true;
  fs.AddFile("c", "1", 30);
  // No table: asked for, the scan says why; by default it walks.
  ScanResult r = RunScan(fs, "/", {.method = CountMethod::kTables});
  EXPECT_EQ(r.status.code(), StatusCode::kUnsupported);
  EXPECT_EQ(r.tables_refused, "the fake file system of / has no table");
  r = RunScan(fs, "/");
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.method, "walk");
  // Where the bytes are needs the walk, whatever the volume has.
  fs.SetTable(2);
  r = RunScan(fs, "/", {.keep_directories = true});
  EXPECT_EQ(r.method, "walk");
  // An unreadable entry counts as the walk counts it; a part that cannot be
  // read leaves the ranking incomplete, never whole.
  r = RunScan(fs, "/", {.method = CountMethod::kTables});
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.stats.unreadable_entries, 1u);
  EXPECT_EQ(TotalOf(r, "alice"), 40u);
  EXPECT_FALSE(IsComplete(r.stats));
  fs.AddFile("d", "1", 1)->owner_unreadable = false;
  fs.SetTable(4, 3);
  r = RunScan(fs, "/", {.threads = 2, .method = CountMethod::kTables});
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r.stats.unread_table_parts, 1u);
  EXPECT_FALSE(IsComplete(r.stats));
}

}  // namespace
}  // namespace ovik
