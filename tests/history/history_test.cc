#include "history/history.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "history/schema.h"
#include "tests/history/history_test_util.h"

namespace ovik {
namespace {

using testing::Contents;
using testing::Day;
using testing::OpenForWriting;
using testing::Owner;
using testing::Scan;
using testing::ScratchDirectory;

// |count| directories of |bytes| each below "tree/", the root holding
// them all, largest first as a scan gives them.
std::vector<SavedDirectory> Tree(int count, std::uint64_t bytes) {
  std::vector<SavedDirectory> list;
  list.push_back({"", bytes * static_cast<std::uint64_t>(count), 1});
  for (int i = 0; i < count; ++i) {
    list.push_back({"tree/d" + std::to_string(100 + i), bytes, 1});
  }
  return list;
}

SavedScan Reload(History& history, std::int64_t id) {
  SavedScan scan;
  const HistoryStatus status =
      history.Load(id, LoadWhat::kFiguresAndDirectories, &scan);
  EXPECT_TRUE(status.ok()) << status.message();
  return scan;
}

// What a scan looks like once saved: its id and counts filled in, the
// directories largest first.
SavedScan AsSaved(SavedScan scan, std::int64_t id) {
  scan = testing::LargestFirst(std::move(scan));
  scan.facts.id = id;
  scan.facts.owner_count = scan.owners.size();
  scan.facts.group_count = scan.groups.size();
  return scan;
}

std::int64_t QueryNumber(const std::string& path, const char* sql) {
  sqlite3* db = nullptr;
  std::int64_t n = -1;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) ==
      SQLITE_OK) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW) {
      n = sqlite3_column_int64(statement, 0);
    }
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
  return n;
}

TEST(HistoryTest, ScansComeBackExactlyAndUnchangedDirectoriesAreStoredOnce) {
  ScratchDirectory dir;
  const std::string path = dir.File("history.sqlite");
  std::unique_ptr<History> history = OpenForWriting(path);
  ASSERT_NE(history, nullptr);

  // Bytes no text encoding allows, a NUL, a line break, quotes.
  const std::string odd("caf\xc3\xa9\xff\0\n\"x\\,", 12);
  SavedScan first =
      Scan(Day(0), {Owner("1000", odd, 1 << 20, Tree(40, 1000)),
                    Owner("1001", "bob", 5000, {{odd, 5000, std::nullopt}})});
  first.owners[0].by_modification = AgeBuckets{1, 2, (1 << 20) - 3};
  first.owners[1].by_modification = AgeBuckets{0, 5000, 0};
  first.groups = {Owner("100", "users\t" + odd, 7000)};
  first.groups[0].who.kind = WhoKind::kGid;
  first.facts.series = {"uuid:" + odd, "/" + odd};
  first.facts.root = "/srv/" + odd;
  first.facts.volume_label = odd;
  first.facts.complete = false;
  first.facts.missing = {1, 2, 3, 4};
  first.facts.capacity_bytes.reset();
  first.facts.total_bytes = ~0ull;  // beyond SQLite's signed integers

  // Then bob's directories unchanged, and one of the 40 grown.
  SavedScan second = first;
  second.facts.started = Day(1);
  second.owners[0].directories[5].bytes += 1;
  SavedScan third = second;
  third.facts.started = Day(2);
  third.owners[0].directories[9].bytes += 1;
  third.owners.push_back(Owner("0", "", 3));
  for (SavedOwner& o : third.owners) o.by_modification = AgeBuckets{};

  std::vector<std::int64_t> ids;
  for (const SavedScan* scan : {&first, &second, &third}) {
    std::int64_t id = 0;
    const HistoryStatus status = history->Save(*scan, &id);
    ASSERT_TRUE(status.ok()) << status.message();
    ids.push_back(id);
  }
  EXPECT_EQ(Reload(*history, ids[0]), AsSaved(first, ids[0]));
  EXPECT_EQ(Reload(*history, ids[1]), AsSaved(second, ids[1]));
  EXPECT_EQ(Reload(*history, ids[2]), AsSaved(third, ids[2]));
  std::vector<ScanFacts> listed;
  ASSERT_TRUE(
      history->List({first.facts.series.volume, std::nullopt}, &listed).ok());
  ASSERT_EQ(listed.size(), 3u);
  EXPECT_EQ(listed[2], AsSaved(third, ids[2]).facts);
  // Two records of one owner add up, their directories too.
  const SavedScan twice = Scan(Day(3), {Owner("7", "x", 10, {{"d", 4, 1}}),
                                        Owner("7", "x", 5, {{"d", 6, 2}})});
  ASSERT_TRUE(history->Save(twice, &ids.emplace_back()).ok());
  const SavedScan once = Reload(*history, ids.back());
  ASSERT_EQ(once.owners.size(), 1u);
  EXPECT_EQ(once.owners[0].bytes, 15u);
  EXPECT_EQ(once.owners[0].directories,
            (std::vector<SavedDirectory>{{"d", 10, 3}}));
  history.reset();
  // Each of the 40-directory sets once whole, the later two as their
  // change; bob's set once for all three scans (x's is another).
  EXPECT_EQ(QueryNumber(path, "SELECT count(*) FROM dirset"), 5);
  EXPECT_EQ(QueryNumber(path, "SELECT count(*) FROM dirset WHERE base"), 2);
}

TEST(HistoryTest, PruneAndKeepLeaveTheNewestOfEachRootAndWhatItNeeds) {
  ScratchDirectory dir;
  std::unique_ptr<History> history = OpenForWriting(dir.File("h.sqlite"));
  ASSERT_NE(history, nullptr);
  std::vector<SavedScan> srv;
  for (int day = 0; day < 5; ++day) {
    std::vector<SavedDirectory> tree = Tree(40, 1000);
    tree[1 + day].bytes += 7;  // each night a change against the first
    srv.push_back(Scan(Day(day), {Owner("1000", "alice", 1 << 20, tree)}));
  }
  SavedScan home = Scan(Day(1), {Owner("1001", "bob", 10)});
  home.facts.series.root_in_volume = "/home";
  std::vector<std::int64_t> ids;
  for (const SavedScan& scan : srv) {
    ids.emplace_back();
    ASSERT_TRUE(history->Save(scan, &ids.back()).ok());
  }
  std::int64_t home_id = 0;
  ASSERT_TRUE(history->Save(home, &home_id).ok());

  std::uint64_t removed = 0;
  ASSERT_TRUE(history->Prune(Day(3), &removed).ok());
  EXPECT_EQ(removed, 3u);  // /home's only scan is older, but its newest
  ASSERT_TRUE(history->Keep(1, &removed).ok());
  EXPECT_EQ(removed, 1u);
  std::vector<ScanFacts> left;
  ASSERT_TRUE(history->List({}, &left).ok());
  ASSERT_EQ(left.size(), 2u);
  EXPECT_EQ(left[0].id, home_id);
  EXPECT_EQ(left[1].id, ids[4]);
  // Its directories were stored as changes to the first night's, which
  // was removed: the set they change stays.
  EXPECT_EQ(Reload(*history, ids[4]), AsSaved(srv[4], ids[4]));
}

TEST(HistoryTest, AnOlderLayoutIsBroughtUpToDateAndANewerOneRefused) {
  ScratchDirectory dir;
  const std::string path = dir.File("h.sqlite");
  const SavedScan scan = Scan(Day(0), {Owner("1000", "alice", 4096)});
  std::int64_t id = 0;
  {
    std::unique_ptr<History> history = OpenForWriting(path);
    ASSERT_NE(history, nullptr);
    ASSERT_TRUE(history->Save(scan, &id).ok());
  }
  // The first layout is the second without its index.
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "DROP INDEX scan_by_start; PRAGMA user_version=1",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);
  const char* kIndexes =
      "SELECT count(*) FROM sqlite_schema WHERE name='scan_by_start'";
  // Read as it is...
  std::unique_ptr<History> reader;
  ASSERT_TRUE(History::Open(path, {}, &reader).ok());
  EXPECT_EQ(Reload(*reader, id), AsSaved(scan, id));
  reader.reset();
  EXPECT_EQ(QueryNumber(path, "PRAGMA user_version"), 1);
  // ...and brought up to date by a writer.
  std::unique_ptr<History> writer = OpenForWriting(path);
  ASSERT_NE(writer, nullptr);
  EXPECT_EQ(Reload(*writer, id), AsSaved(scan, id));
  writer.reset();
  EXPECT_EQ(QueryNumber(path, "PRAGMA user_version"), kHistoryVersion);
  EXPECT_EQ(QueryNumber(path, kIndexes), 1);

  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(
      sqlite3_exec(db, "PRAGMA user_version=99", nullptr, nullptr, nullptr),
      SQLITE_OK);
  sqlite3_close(db);
  const std::string before = Contents(path);
  for (bool write : {false, true}) {
    std::unique_ptr<History> history;
    HistoryOptions options;
    options.write = write;
    const HistoryStatus status = History::Open(path, options, &history);
    EXPECT_EQ(status.code(), StatusCode::kUnsupported) << status.message();
    EXPECT_NE(status.message().find(path), std::string::npos);
    EXPECT_NE(status.message().find("newer"), std::string::npos);
  }
  EXPECT_EQ(Contents(path), before);
}

}  // namespace
}  // namespace ovik
