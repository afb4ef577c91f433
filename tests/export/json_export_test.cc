#include "present/export/json_export.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>

#include "tests/export/export_test_data.h"

namespace ovik {
namespace {

constexpr std::uint64_t kLargest = std::numeric_limits<std::uint64_t>::max();

nlohmann::json Parse(const std::string& text) {
  return nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
}

TEST(JsonExportTest, FactsAndOwnerRecords) {
  ExportData data = SmallExport();
  data.owners.erase(data.owners.begin() + 1);
  data.owners[1].rank = 2;
  EXPECT_EQ(BuildJsonExport(data), R"({
  "ranked_by": "owner",
  "root": "/srv/data",
  "volume": "/srv",
  "volume_total_bytes": 104857600,
  "volume_free_bytes": 41943040,
  "started": "2024-03-05T01:02:03Z",
  "finished": "2024-03-05T01:03:18Z",
  "method": "walk",
  "skipped_directories": 1,
  "unreadable_entries": 3,
  "complete": false,
  "age_by": "modified",
  "older_than_seconds": null,
  "owners": [
    {
      "rank": 1,
      "name": "alice",
      "id": "1000",
      "bytes": 31457280,
      "files": 12,
      "kb": 30720,
      "share": "30.0000%",
      "share_percent": 30.0,
      "age": {
        "under_30_days": 20971520,
        "under_1_year": 10485760,
        "1_year_or_more": 0
      }
    },
    {
      "rank": 2,
      "name": "<unreadable>:",
      "id": null,
      "bytes": 0,
      "files": 3,
      "kb": 0,
      "share": "0.0000%",
      "share_percent": 0.0,
      "age": {
        "under_30_days": 0,
        "under_1_year": 0,
        "1_year_or_more": 0
      }
    }
  ]
}
)");
}

TEST(JsonExportTest, LargestFiguresReadBackExactly) {
  ExportData data = WithOneOwner(SmallExport(), "root");
  data.owners[0].bytes = kLargest;
  data.owners[0].kb = kLargest / 1024;
  data.facts.space = ExportSpaceOf(VolumeSpace{kLargest, kLargest, kLargest});
  const nlohmann::json json = Parse(BuildJsonExport(data));
  ASSERT_FALSE(json.is_discarded());
  EXPECT_EQ(json["volume_total_bytes"].get<std::uint64_t>(), kLargest);
  const nlohmann::json& owner = json["owners"][0];
  EXPECT_EQ(owner["bytes"].get<std::uint64_t>(), kLargest);
  EXPECT_EQ(owner["kb"].get<std::uint64_t>(), kLargest / 1024);
  EXPECT_TRUE(owner["share_percent"].is_number());
}

TEST(JsonExportTest, NamesTheAgeBasisAndTheAgeCountedFrom) {
  ExportData data = WithOneOwner(SmallExport(), "alice");
  data.facts.age_by = AgeBasis::kAccessed;
  data.facts.older_than = 90 * 86400;
  const nlohmann::json json = Parse(BuildJsonExport(data));
  ASSERT_FALSE(json.is_discarded());
  EXPECT_EQ(json["age_by"], "access");
  EXPECT_EQ(json["older_than_seconds"].get<std::int64_t>(), 90 * 86400);
  EXPECT_EQ(json["owners"][0]["age"]["under_1_year"].get<std::uint64_t>(),
            10485760u);
}

TEST(JsonExportTest, UnknownCapacityGivesNullsAndThePlaceholder) {
  ExportData data = WithOneOwner(SmallExport(), "alice");
  data.facts.space.reset();
  const nlohmann::json json = Parse(BuildJsonExport(data));
  ASSERT_FALSE(json.is_discarded());
  EXPECT_TRUE(json["volume_total_bytes"].is_null());
  EXPECT_EQ(json["owners"][0]["share"], "--.----%");
  EXPECT_TRUE(json["owners"][0]["share_percent"].is_null());
}

TEST(JsonExportTest, HostileNamesStayValidAndAscii) {
  const struct {
    std::string name;
    std::string read_back;
  } kCases[] = {
      // Control characters (C1 too) and all of Unicode read back as
      // they were.
      {"a\"b\\c\n\x01\x1b[0m\x7f\xc2\x9b", "a\"b\\c\n\x01\x1b[0m\x7f\xc2\x9b"},
      {"\xe6\x97\xa5\xf0\x9f\x98\x80", "\xe6\x97\xa5\xf0\x9f\x98\x80"},
      // Each byte that is not UTF-8 becomes U+FFFD.
      {"x\xff\xc0\xafy", "x\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbdy"},
  };
  for (const auto& c : kCases) {
    ExportData data = WithOneOwner(SmallExport(), c.name);
    data.owners[0].id = c.name;
    data.facts.root = c.name;
    const std::string text = BuildJsonExport(data);
    for (char byte : text) {
      const auto b = static_cast<unsigned char>(byte);
      ASSERT_TRUE(b == '\n' || (b >= 0x20 && b < 0x7F)) << c.name;
    }
    const nlohmann::json json = Parse(text);
    ASSERT_FALSE(json.is_discarded()) << c.name;
    EXPECT_EQ(json["owners"][0]["name"], c.read_back);
    EXPECT_EQ(json["owners"][0]["id"], c.read_back);
    EXPECT_EQ(json["root"], c.read_back);
  }
}

TEST(ExportFactsTest, TimesAreUtcIso8601) {
  using namespace std::chrono;
  EXPECT_EQ(FormatUtcTime(sys_seconds{}), "1970-01-01T00:00:00Z");
  EXPECT_EQ(FormatUtcTime(sys_days{year{2024} / 2 / 29} + hours{23} +
                          minutes{59} + seconds{59}),
            "2024-02-29T23:59:59Z");
  EXPECT_EQ(FormatUtcTime(sys_seconds{seconds{-1}}), "1969-12-31T23:59:59Z");
}

}  // namespace
}  // namespace ovik
