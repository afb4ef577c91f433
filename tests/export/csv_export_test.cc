#include "present/export/csv_export.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/export/export_test_data.h"

namespace ovik {
namespace {

constexpr char kHeader[] =
    "rank,name,id,bytes,files,kb,share_percent,ranked_by,root,volume,"
    "volume_total_bytes,volume_free_bytes,started,finished,"
    "skipped_directories,unreadable_entries,complete,"
    "bytes_modified_under_30_days,bytes_modified_under_1_year,"
    "bytes_modified_1_year_or_more\r\n";
constexpr char kFacts[] =
    "owner,/srv/data,/srv,104857600,41943040,2024-03-05T01:02:03Z,"
    "2024-03-05T01:03:18Z,1,3,false";

TEST(CsvExportTest, OneRecordPerOwnerEachWithTheFacts) {
  EXPECT_EQ(BuildCsvExport(SmallExport()),
            std::string(kHeader) + "1,alice,1000,31457280,12,30720,30.0000," +
                kFacts + ",20971520,10485760,0\r\n" +
                "2,\"smith, j\",1001,5220,2,5,0.0049," + kFacts +
                ",0,0,5220\r\n" + "3,<unreadable>:,,0,3,0,0.0000," + kFacts +
                ",0,0,0\r\n");
}

TEST(CsvExportTest, AgeColumnsComeLastAndNameTheirTime) {
  ExportData data = WithOneOwner(SmallExport(), "alice");
  data.facts.age_by = AgeBasis::kAccessed;
  data.owners[0].age = {1, 2, 31457277};
  const std::string csv = BuildCsvExport(data);
  EXPECT_NE(csv.find("complete,bytes_accessed_under_30_days,"
                     "bytes_accessed_under_1_year,"
                     "bytes_accessed_1_year_or_more\r\n"),
            std::string::npos)
      << csv;
  EXPECT_NE(csv.find(",false,1,2,31457277\r\n"), std::string::npos) << csv;
}

TEST(CsvExportTest, EmptyRankingStillCarriesTheFacts) {
  ExportData data = SmallExport();
  data.owners.clear();
  data.facts.space.reset();
  data.facts.ranked_by = RankedBy::kGroup;
  EXPECT_EQ(BuildCsvExport(data),
            std::string(kHeader) +
                ",,,,,,,group,/srv/data,/srv,,,2024-03-05T01:02:03Z,"
                "2024-03-05T01:03:18Z,1,3,false,,,\r\n");
}

TEST(CsvExportTest, QuotesOnlyFieldsThatNeedIt) {
  const struct {
    const char* field;
    const char* written;
  } kCases[] = {
      {"plain", "plain"},
      {"a,b", "\"a,b\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"cr\rhere", "\"cr\rhere\""},
      {"lf\nhere", "\"lf\nhere\""},
      {"semi;colon\ttab", "semi;colon\ttab"},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(QuoteCsvField(c.field), c.written) << c.field;
  }
}

TEST(CsvExportTest, HostileNamesStayOneValidRecord) {
  const struct {
    std::string name;
    std::string written;
  } kCases[] = {
      {"a\"b,c", "\"a\"\"b,c\""},
      {"line\r\nbreak", "line??break"},
      {"\x1b[31mred", "?[31mred"},
      {"bad\xff\xfe", "bad??"},
      {"\xe6\x97\xa5\xe6\x9c\xac", "\xe6\x97\xa5\xe6\x9c\xac"},
      {"gpj.\u202Eexe", "gpj.?exe"},
      // A spreadsheet would run these as formulas.
      {"=1+2", "'=1+2"},
      {"+1", "'+1"},
      {"-2+3", "'-2+3"},
      {"@SUM(A1)", "'@SUM(A1)"},
      {"=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\""},
      {"a=b", "a=b"},
  };
  for (const auto& c : kCases) {
    const std::string csv = BuildCsvExport(WithOneOwner(SmallExport(), c.name));
    const std::string record = csv.substr(sizeof kHeader - 1);
    EXPECT_EQ(record.substr(0, record.find(",1000,")), "1," + c.written)
        << c.name;
    // Exactly the header's line end and the record's.
    EXPECT_EQ(csv.find('\n'), sizeof kHeader - 2);
    EXPECT_EQ(record.find('\n'), record.size() - 1) << c.name;
  }
}

TEST(CsvExportTest, RawCellsKeepTheBytesAndInertOnesGuardThePaths) {
  ExportData data = WithOneOwner(SmallExport(), "=cmd\u202E\n");
  data.facts.root = "-srv";
  const std::string raw = BuildCsvExport(data, CsvCells::kRaw);
  EXPECT_NE(raw.find("\r\n1,\"=cmd\u202E\n\",1000,"), std::string::npos) << raw;
  EXPECT_NE(raw.find(",owner,-srv,"), std::string::npos) << raw;
  const std::string inert = BuildCsvExport(data);
  EXPECT_NE(inert.find("\r\n1,'=cmd??,1000,"), std::string::npos) << inert;
  EXPECT_NE(inert.find(",owner,'-srv,"), std::string::npos) << inert;
}

}  // namespace
}  // namespace ovik
