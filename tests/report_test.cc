#include "present/report.h"

#include <string>

#include <gtest/gtest.h>

#include "platform/text_encoding.h"

namespace ovik {
namespace {

RankedOwner Owner(std::string name, std::uint64_t kb) {
  RankedOwner owner;
  owner.name = std::move(name);
  owner.kb = kb;
  owner.bytes = kb * 1024;
  return owner;
}

TEST(BuildReportLineTest, PadsTheNameToTwentyBytes) {
  EXPECT_EQ(BuildReportLine(1, "Administrators", " 300MB  30.7200%"),
            "No.1:Administrators        300MB  30.7200%\r\n");
  // Exactly 20 bytes: only the separating blank follows.
  EXPECT_EQ(BuildReportLine(12, "abcdefghijklmnopqrst", "   1KB  0.0001%"),
            "No.12:abcdefghijklmnopqrst    1KB  0.0001%\r\n");
  EXPECT_EQ(BuildReportLine(3, "", "x"), "No.3:" + std::string(20, ' ') +
                                             " x\r\n");
}

TEST(BuildReportLineTest, LongNamesAreWrittenWhole) {
  const std::string name21(21, 'n');
  EXPECT_EQ(BuildReportLine(2, name21, "u"), "No.2:" + name21 + " u\r\n");
  const std::string name255(255, 'z');
  const std::string line =
      BuildReportLine(65534, name255, "4096TB  429496729500.0000%");
  EXPECT_EQ(line, "No.65534:" + name255 + " 4096TB  429496729500.0000%\r\n");
  EXPECT_GT(line.size(), 80u);
}

TEST(BuildReportTest, OneLinePerOwnerInRankingOrder) {
  const Ranking ranking = {Owner("Administrators", 307200),
                           Owner("alice", 1025), Owner("nobody", 0)};
  EXPECT_EQ(BuildReport(ranking, VolumeTotals{0, 1000000}),
            "No.1:Administrators        300MB  30.7200%\r\n"
            "No.2:alice                   1MB  0.1025%\r\n"
            "No.3:nobody                  0KB  0.0000%\r\n");
  EXPECT_EQ(BuildReport(Ranking{Owner("root", 1)}, VolumeTotals{0, 0}),
            "No.1:root                    1KB  --.----%\r\n");
  EXPECT_EQ(BuildReport(Ranking{}, VolumeTotals{0, 10}), "");
}

TEST(BuildReportTest, MultiByteNamesArePaddedByBytes) {
  // "管理者" takes nine bytes in UTF-8 (six in code page 932), and the
  // padding counts those bytes, not the three characters.
  const Ranking ranking = {Owner("管理者", 2)};
  const std::string name = ToReportEncoding("管理者");
#ifndef _WIN32
  ASSERT_EQ(name, "管理者");
#endif
  ASSERT_LT(name.size(), 20u);
  EXPECT_EQ(BuildReport(ranking, VolumeTotals{0, 1000}),
            "No.1:" + name + std::string(20 - name.size(), ' ') +
                "    2KB  0.2000%\r\n");
}

}  // namespace
}  // namespace ovik
