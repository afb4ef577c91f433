#include "history/growth.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "history/growth_query.h"
#include "history/history_path.h"
#include "history/series_key.h"
#include "history/when.h"
#include "tests/history/history_test_util.h"

namespace ovik {
namespace {

using testing::Day;
using testing::OpenForWriting;
using testing::Owner;
using testing::Scan;
using testing::ScratchDirectory;

std::vector<std::string> Names(const Growth& growth) {
  std::vector<std::string> names;
  for (const GrowthRow& row : growth.rows) names.push_back(row.name);
  return names;
}

TEST(GrowthTest, LargestGrowthFirstWithOwnersThatCameAndWent) {
  SavedOwner erin = Owner("1004", "erin", 10);
  SavedScan older = Scan(
      Day(0), {Owner("1000", "alice", 100), Owner("1001", "bob", 500),
               Owner("1002", "carol", 50), Owner("1003", "dave", 70), erin});
  erin.files += 5;
  // alice renamed: still the same owner.
  SavedOwner alice = Owner("1000", "alice2", 300);
  alice.files = 2;
  SavedScan newer = Scan(
      Day(1), {Owner("1001", "bob", 400), alice, Owner("1002", "carol", 50),
               Owner("1005", "frank", 200), erin});
  const Growth growth = ComputeGrowth(older, newer, RankedBy::kOwner);
  // alice and frank both +200 (and +1 file): the larger now goes first.
  EXPECT_EQ(Names(growth), (std::vector<std::string>{"alice2", "frank", "erin",
                                                     "dave", "bob"}));
  EXPECT_EQ(growth.unchanged, 1u);
  EXPECT_EQ(growth.rows[1].presence, Presence::kAppeared);
  EXPECT_EQ(growth.rows[3].presence, Presence::kVanished);
  EXPECT_EQ(growth.rows[3].bytes(), (Change{true, 70}));
  EXPECT_EQ(growth.rows[4].bytes(), (Change{true, 100}));
  EXPECT_EQ(growth.rows[2].files(), (Change{false, 5}));
  EXPECT_FALSE(growth.incomplete());
  newer.facts.complete = false;
  EXPECT_TRUE(ComputeGrowth(older, newer, RankedBy::kOwner).incomplete());
}

TEST(GrowthTest, AnOwnersGrowthNamesTheDeepestDirectoryItWentTo) {
  const SavedScan older =
      Scan(Day(0),
           {Owner("1000", "alice", 100,
                  {{"", 100, 3}, {"a", 60, 2}, {"a/b", 60, 2}, {"c", 40, 1}})});
  const SavedScan newer = Scan(Day(1), {Owner("1000", "alice", 300,
                                              {{"", 300, 5},
                                               {"a", 260, 4},
                                               {"a/b", 260, 4},
                                               {"a/b/new", 200, 2},
                                               {"c", 40, 1}})});
  const DirectoryGrowth growth =
      ComputeDirectoryGrowth(older, newer, {WhoKind::kUid, "1000"});
  std::vector<std::string> paths;
  for (const DirectoryGrowthRow& row : growth.rows) paths.push_back(row.path);
  EXPECT_EQ(paths, (std::vector<std::string>{"a/b/new", "a/b", "a", ""}));
  EXPECT_TRUE(growth.rows[0].saved_after);
  EXPECT_FALSE(growth.rows[0].saved_before);
  EXPECT_EQ(growth.rows[0].bytes(), (Change{false, 200}));
  EXPECT_EQ(growth.unchanged, 1u);
  EXPECT_EQ(growth.owner.bytes(), (Change{false, 200}));
}

TEST(GrowthTest, TheQueryComparesTheRightScansAndChartsTheRange) {
  ScratchDirectory dir;
  std::unique_ptr<History> history = OpenForWriting(dir.File("h.sqlite"));
  ASSERT_NE(history, nullptr);
  for (int day : {0, 1, 5}) {
    SavedScan scan = Scan(Day(day), {Owner("1000", "alice", 100u + day),
                                     Owner("1001", "bob", 1000)});
    scan.facts.complete = day != 1;
    ASSERT_TRUE(history->Save(scan).ok());
  }
  SavedScan elsewhere = Scan(Day(6), {Owner("1000", "alice", 1)});
  elsewhere.facts.series.root_in_volume = "/home";
  ASSERT_TRUE(history->Save(elsewhere).ok());

  GrowthQuery query;
  query.series = Scan(Day(0), {}).facts.series;
  query.path = "/srv";
  query.chart_lines = 1;
  GrowthAnswer answer;
  ASSERT_TRUE(QueryGrowth(*history, query, &answer).ok());
  EXPECT_EQ(answer.growth.older.started, Day(1));  // the one before
  EXPECT_EQ(answer.growth.newer.started, Day(5));
  EXPECT_TRUE(answer.incomplete());
  ASSERT_EQ(answer.chart.lines.size(), 1u);
  EXPECT_EQ(answer.chart.lines[0].name, "bob");

  query.since = Day(1) - std::chrono::seconds(1);
  query.owner = "alice";
  ASSERT_TRUE(QueryGrowth(*history, query, &answer).ok());
  EXPECT_EQ(answer.growth.older.started, Day(0));
  EXPECT_FALSE(answer.incomplete());
  ASSERT_TRUE(answer.directories.has_value());
  EXPECT_EQ(answer.directories->owner.bytes(), (Change{false, 5}));
  ASSERT_EQ(answer.chart.scans.size(), 3u);
  EXPECT_EQ(answer.chart.lines[0].bytes,
            (std::vector<std::uint64_t>{100, 101, 105}));

  query.since = Day(0) - std::chrono::seconds(1);
  HistoryStatus status = QueryGrowth(*history, query, &answer);
  EXPECT_EQ(status.code(), StatusCode::kNotFound);
  EXPECT_NE(status.message().find("the oldest is from 2024-01-01T02:00:00Z"),
            std::string::npos)
      << status.message();
  query.since.reset();
  query.owner = "nobody";
  status = QueryGrowth(*history, query, &answer);
  EXPECT_EQ(status.code(), StatusCode::kNotFound);
}

TEST(GrowthTest, TimesPlacesAndSeriesAsTheCommandsTakeThem) {
  using std::chrono::hours;
  const std::chrono::sys_seconds now = Day(100);
  const struct {
    const char* text;
    bool ok;
    std::chrono::sys_seconds when;
  } kSince[] = {
      {"90d", true, Day(10)},
      {"2w", true, Day(86)},
      {"2024-01-05", true, Day(4) + hours(21) + std::chrono::seconds(59 * 61)},
      {"2024-01-05T01:02:03Z", true,
       Day(4) - hours(1) + std::chrono::seconds(123)},
      {"6m", false, {}},  // minutes or months?
      {"2024-02-30", false, {}},
      {"10", false, {}},
      {"-1d", false, {}},
  };
  for (const auto& c : kSince) {
    std::chrono::sys_seconds when{};
    std::string error;
    EXPECT_EQ(ParseSince(c.text, now, &when, &error), c.ok) << c.text;
    EXPECT_EQ(c.ok ? when : std::chrono::sys_seconds{}, c.when) << c.text;
    EXPECT_EQ(error.empty(), c.ok) << c.text;
  }

  const struct {
    HistoryEnvironment environment;
    const char* path;  // nullptr: none
  } kPlaces[] = {
      {{true, "/x", "/root"}, "/var/lib/ovik/history.sqlite"},
      {{false, "/state/", "/home/a"}, "/state/ovik/history.sqlite"},
      {{false, "relative", "/home/a"},
       "/home/a/.local/state/ovik/history.sqlite"},
      {{false, std::nullopt, std::nullopt}, nullptr},
  };
  for (const auto& c : kPlaces) {
    std::string path;
    std::string error;
    EXPECT_EQ(DefaultHistoryPath(c.environment, &path, &error),
              c.path != nullptr);
    EXPECT_EQ(path, c.path != nullptr ? c.path : "");
  }

  MountInfoEntry mount;
  mount.root = "/";
  mount.mount_point = "/srv";
  mount.fs_type = "tmpfs";
  mount.source = "tmpfs";
  mount.major = 0;
  mount.minor = 42;
  EXPECT_EQ(SeriesKeyFor(mount, "", "/srv"),
            (SeriesKey{"tmpfs:tmpfs:0:42", "/"}));
  mount.root = "/exports";  // a bind mount of a directory, renamed point
  mount.mount_point = "/data";
  EXPECT_EQ(SeriesKeyFor(mount, "1234-ab", "/data/www"),
            (SeriesKey{"uuid:1234-ab", "/exports/www"}));
}

}  // namespace
}  // namespace ovik
