#include "present/history/growth_export.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "present/history/scan_listing.h"
#include "tests/history/history_test_util.h"

namespace ovik {
namespace {

using testing::Day;
using testing::Owner;
using testing::Scan;

// alice grew by 2 GiB into a new directory, "<b>\n" came, bob went; the
// newer scan skipped a directory.
GrowthAnswer Sample() {
  const SavedScan older =
      Scan(Day(0), {Owner("1000", "alice", 1ull << 30, {{"", 1ull << 30, 10}}),
                    Owner("1001", "bob", 5 << 20)});
  SavedScan newer =
      Scan(Day(1), {Owner("1000", "alice", 3ull << 30,
                          {{"", 3ull << 30, 20}, {"new\tdir", 2ull << 30, 10}}),
                    Owner("1002", "<b>\n", 4096)});
  newer.facts.complete = false;
  newer.facts.missing.skipped_directories = 1;
  GrowthAnswer answer;
  answer.growth = ComputeGrowth(older, newer, RankedBy::kOwner);
  answer.chart.scans = {older.facts, newer.facts};
  answer.chart.lines = {
      {{WhoKind::kUid, "1000"}, "alice", {1ull << 30, 3ull << 30}},
      {{WhoKind::kUid, "1002"}, "<b>\n", {0, 4096}}};
  return answer;
}

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos;
       at = text.find(part, at + 1)) {
    ++n;
  }
  return n;
}

TEST(GrowthExportTest, TextSaysWhatWasComparedThenOneLinePerOwner) {
  GrowthAnswer answer = Sample();
  answer.growth.newer.root = "/srv\n";
  EXPECT_EQ(BuildGrowthText(answer, 2),
            "Growth by owner of /srv\\012\n"
            "From\t2024-01-01T02:00:00Z\t/srv\tcomplete\n"
            "To\t2024-01-02T02:00:00Z\t/srv\\012\t"
            "incomplete (1 directory skipped)\n"
            "Total\t+1GB\t+2142244864\t+0\n"
            "Changed\t3\nUnchanged\t0\n"
            "CHANGE\tBYTES\tFILES\tNOW\tID\tOWNER\tNOTE\n"
            "+2GB\t+2147483648\t+2147484\t3GB\tuid 1000\talice\t\n"
            "+4KB\t+4096\t+5\t4KB\tuid 1002\t<b>\\012\tappeared\n");

  answer.directories = ComputeDirectoryGrowth(
      Scan(Day(0),
           {Owner("1000", "alice", 1ull << 30, {{"", 1ull << 30, 10}})}),
      Scan(Day(1),
           {Owner("1000", "alice", 3ull << 30,
                  {{"", 3ull << 30, 20}, {"new\tdir", 2ull << 30, 10}})}),
      {WhoKind::kUid, "1000"});
  const std::string where = BuildGrowthText(answer, 0);
  EXPECT_NE(where.find("Growth of alice (uid 1000) under /srv\n"),
            std::string::npos);
  EXPECT_NE(where.find("CHANGE\tBYTES\tNOW\tPATH\tNOTE\n"
                       "+2GB\t+2147483648\t2GB\t/srv/new\\011dir\tnewly saved\n"
                       "+2GB\t+2147483648\t3GB\t/srv\t\n"),
            std::string::npos)
      << where;
}

TEST(GrowthExportTest, CsvAndJsonCarryExactFiguresAndTheScansCompleteness) {
  const GrowthAnswer answer = Sample();
  const std::string csv = BuildGrowthCsv(answer, 0);
  EXPECT_EQ(csv.substr(0, csv.find("\r\n", csv.find("\r\n") + 2) + 2),
            "ranked_by,kind,id,name,presence,bytes_before,bytes_after,"
            "bytes_change,files_before,files_after,files_change,root,"
            "older_started,older_complete,newer_started,newer_complete\r\n"
            "owner,uid,1000,alice,changed,1073741824,3221225472,+2147483648,"
            "1073742,3221226,+2147484,/srv,2024-01-01T02:00:00Z,true,"
            "2024-01-02T02:00:00Z,false\r\n");
  EXPECT_EQ(Count(csv, "\r\n"), 4u);
  EXPECT_NE(csv.find(",<b>?,appeared,"), std::string::npos);

  const auto json = nlohmann::json::parse(BuildGrowthJson(answer, 0));
  EXPECT_FALSE(json["complete"].get<bool>());
  EXPECT_EQ(json["newer"]["skipped_directories"], 1);
  ASSERT_EQ(json["owners"].size(), 3u);
  EXPECT_EQ(json["owners"][0]["bytes_change"], 2147483648ll);
  EXPECT_EQ(json["owners"][1]["name"], "<b>\n");
  EXPECT_EQ(json["owners"][2]["presence"], "vanished");
  EXPECT_EQ(json["owners"][2]["bytes_change"], -5242880);
  EXPECT_EQ(nlohmann::json::parse(BuildGrowthJson(answer, 1))["owners"].size(),
            1u);
}

TEST(GrowthExportTest, HtmlChartsEachOwnerAndMarksTheIncompleteScan) {
  const std::string page = BuildGrowthHtml(Sample(), 0);
  EXPECT_EQ(Count(page, "<polyline class=\"line\""), 2u);
  EXPECT_EQ(Count(page, "<line class=\"incomplete\""), 1u);
  EXPECT_NE(page.find("Incomplete: "), std::string::npos);
  EXPECT_EQ(Count(page, "<tr><td class=\"n\">"), 3u);
  EXPECT_NE(page.find("&lt;b&gt;?"), std::string::npos);
  EXPECT_EQ(page.find("<b>"), std::string::npos);
}

TEST(ScanListingTest, EveryFormatListsEachScan) {
  SavedScan scan = Scan(Day(0), {Owner("1000", "alice", 3ull << 30)});
  scan.facts.volume_label = "data";
  scan.facts.owner_count = 1;
  const std::vector<ScanFacts> scans = {scan.facts, scan.facts};
  EXPECT_EQ(BuildScanListingText({scan.facts}),
            "STARTED\tPATH\tVOLUME\tMETHOD\tTHREADS\tCOMPLETE\tSIZE\tBYTES"
            "\tOWNERS\n"
            "2024-01-01T02:00:00Z\t/srv\t/srv (data)\twalk\t4\tcomplete\t3GB"
            "\t3221225472\t1\n");
  EXPECT_EQ(Count(BuildScanListingCsv(scans), "\r\n"), 3u);
  const auto json = nlohmann::json::parse(BuildScanListingJson(scans));
  ASSERT_EQ(json["scans"].size(), 2u);
  EXPECT_EQ(json["scans"][1]["volume_total_bytes"], 1ull << 40);
}

}  // namespace
}  // namespace ovik
