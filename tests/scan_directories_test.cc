#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/owner_lookup.h"
#include "scan/owner_directories.h"
#include "scan/scan.h"
#include "tests/fake_filesystem.h"

namespace ovik {
namespace {

// "path=bytes" for each directory listed.
std::vector<std::string> Listed(const ScanResult& r, const OwnerDirectories& o,
                                const std::vector<DirectoryIndex>& dirs) {
  std::vector<std::string> listed;
  for (DirectoryIndex d : dirs) {
    listed.push_back(r.directories.Path(d) + "=" + std::to_string(o.Bytes(d)));
  }
  return listed;
}

OwnerIndex IndexOf(const ScanResult& r, RankedBy by, const std::string& name) {
  const auto index = FindByName(r.table_by(by), name);
  EXPECT_TRUE(index.has_value()) << name;
  return index.value_or(0);
}

FakeNode* File(FakeFileSystem& fs, const std::string& path,
               const std::string& owner, const std::string& group,
               std::uint64_t size) {
  FakeNode* node = fs.AddFile(path, owner, size);
  node->group = group;
  return node;
}

TEST(ScanDirectoriesTest, ListsWhereTheBytesAreWithChainsShownOnce) {
  FakeFileSystem fs;
  fs.SetAccount("1", "alice");
  fs.SetAccount("2", "bob");
  fs.SetGroup("10", "staff");
  File(fs, "home/alice/proj/big", "1", "10", 300);
  File(fs, "home/alice/notes", "1", "10", 10);
  File(fs, "srv/data/a/b/f", "1", "10", 50);
  File(fs, "srv/x", "2", "10", 7);
  File(fs, "srv/empty", "1", "10", 0);
  File(fs, "zz/y", "1", "20", 50);  // as large as srv's: after it
  File(fs, "top", "1", "10", 5);
  fs.AddHardLink("home/alice/notes", "zz/notes-again");  // counted once
  for (unsigned threads : {1u, 4u}) {
    SCOPED_TRACE(threads);
    const ScanResult r = RunScan(
        fs, "/", {.threads = threads, .groups = true, .keep_directories = true});
    ASSERT_TRUE(r.ok());
    ASSERT_TRUE(r.directories.Has(RankedBy::kGroup));
    EXPECT_EQ(r.directories.folded_directories(), 0u);

    const OwnerDirectories alice(r.directories, RankedBy::kOwner,
                                 IndexOf(r, RankedBy::kOwner, "alice"));
    EXPECT_EQ(alice.total(), 415u);
    EXPECT_EQ(Listed(r, alice, alice.Top(0)),
              (std::vector<std::string>{"=415", "home/alice=310",
                                        "home/alice/proj=300", "srv/data/a/b=50",
                                        "zz=50"}));
    EXPECT_EQ(Listed(r, alice, alice.Top(2)),
              (std::vector<std::string>{"=415", "home/alice=310"}));
    EXPECT_EQ(Listed(r, alice, alice.Children(kRootDirectory)),
              (std::vector<std::string>{"home=310", "srv=50", "zz=50"}));
    const DirectoryIndex srv = alice.Children(kRootDirectory)[1];
    EXPECT_EQ(r.directories.Path(alice.ChainEnd(srv)), "srv/data/a/b");
    EXPECT_EQ(r.directories.Name(r.directories.Parent(alice.ChainEnd(srv))), "a");

    // All of bob's bytes lie in srv: the root is only the way there.
    const OwnerDirectories bob(r.directories, RankedBy::kOwner,
                               IndexOf(r, RankedBy::kOwner, "bob"));
    EXPECT_EQ(Listed(r, bob, bob.Top(0)), (std::vector<std::string>{"srv=7"}));

    const OwnerDirectories staff(r.directories, RankedBy::kGroup,
                                 IndexOf(r, RankedBy::kGroup, "staff"));
    EXPECT_EQ(Listed(r, staff, staff.Top(0)),
              (std::vector<std::string>{"=372", "home/alice=310",
                                        "home/alice/proj=300", "srv=57",
                                        "srv/data/a/b=50"}));
    const OwnerDirectories twenty(r.directories, RankedBy::kGroup,
                                  IndexOf(r, RankedBy::kGroup, "20"));
    EXPECT_EQ(Listed(r, twenty, twenty.Top(0)),
              (std::vector<std::string>{"zz=50"}));
  }
}

// Past the budget the tree is recorded down to the deepest level that
// fits, the same whatever the threads and whichever met what first.
TEST(ScanDirectoriesTest, PastTheBudgetDeepDirectoriesFoldTheSameEveryTime) {
  FakeFileSystem fs;
  fs.SetAccount("1", "alice");
  std::uint64_t total = 0;
  for (int i = 0; i < 40; ++i) {
    const std::string dir = "d" + std::to_string(i % 5) + "/e" +
                            std::to_string(i % 3) + "/f" + std::to_string(i);
    fs.AddFile(dir + "/file", "1", 100 + static_cast<std::uint64_t>(i));
    total += 100 + static_cast<std::uint64_t>(i);
  }
  fs.AddFile("zz/file", "1", 1000);
  fs.AddHardLink("zz/file", "zz/again");
  total += 1000;
  const ScanResult whole =
      RunScan(fs, "/", {.threads = 1, .keep_directories = true});
  ASSERT_TRUE(whole.ok());
  ASSERT_EQ(whole.directories.folded_directories(), 0u);
  EXPECT_TRUE(whole.directories.links_in_walk_order());

  std::vector<std::string> first_recorded;
  for (unsigned threads : {1u, 4u, 4u, 3u}) {
    SCOPED_TRACE(threads);
    const ScanResult r = RunScan(fs, "/", {.threads = threads,
                                           .keep_directories = true,
                                           .directory_budget = 1800});
    ASSERT_TRUE(r.ok());
    const DirectoryUsage& usage = r.directories;
    // The root and its subdirectories; everything deeper in them.
    ASSERT_EQ(usage.size(), 7u);
    EXPECT_EQ(usage.folded_directories(), whole.directories.size() - usage.size());
    EXPECT_TRUE(usage.links_in_walk_order());
    // Totals stay exact, in every directory recorded.
    const OwnerDirectories alice(usage, RankedBy::kOwner, 1);
    const OwnerDirectories alice_whole(whole.directories, RankedBy::kOwner, 1);
    EXPECT_EQ(alice.total(), total);
    std::vector<std::string> recorded;
    for (DirectoryIndex d = 0; d < usage.size(); ++d) {
      recorded.push_back(usage.Path(d) + (usage.HoldsFolded(d) ? "+" : ""));
    }
    if (first_recorded.empty()) first_recorded = recorded;
    EXPECT_EQ(recorded, first_recorded);
    for (DirectoryIndex d = 0; d < whole.directories.size(); ++d) {
      const std::string path = whole.directories.Path(d);
      for (DirectoryIndex here = 0; here < usage.size(); ++here) {
        if (usage.Path(here) == path) {
          EXPECT_EQ(alice.Bytes(here), alice_whole.Bytes(d)) << path;
        }
      }
    }
  }
  EXPECT_EQ(first_recorded,
            (std::vector<std::string>{"", "d0+", "d1+", "d2+", "d3+", "d4+",
                                      "zz"}));
}

}  // namespace
}  // namespace ovik
