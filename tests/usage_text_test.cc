#include "present/usage_text.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include <gtest/gtest.h>

namespace ovik {
namespace {

constexpr std::uint64_t kMaxU32 = 4294967295u;

TEST(FormatUsageTest, ScalesToTheUnitAndKeepsFourColumns) {
  EXPECT_EQ(FormatUsage(307200, 1000000), " 300MB  30.7200%");
  // 1024 stays in the smaller unit, 1025 moves up.
  EXPECT_EQ(FormatUsage(1024, 1000000), "1024KB  0.1024%");
  EXPECT_EQ(FormatUsage(1025, 1000000), "   1MB  0.1025%");
  EXPECT_EQ(FormatUsage(1049599, 100000000), "1024MB  1.0496%");
  EXPECT_EQ(FormatUsage(1049600, 100000000), "   1GB  1.0496%");
  EXPECT_EQ(FormatUsage(kMaxU32, kMaxU32), "   3TB  100.0000%");
  EXPECT_EQ(FormatUsage(0, 1000), "   0KB  0.0000%");
  EXPECT_EQ(FormatUsage(7, 1000), "   7KB  0.7000%");
}

TEST(FormatUsageTest, TerabytesAreTheLargestUnit) {
  // 2^50 KB is 2^20 TB; it is not stepped to a fifth unit.
  EXPECT_EQ(FormatUsage(std::uint64_t{1} << 50, std::uint64_t{1} << 50),
            "1048576TB  100.0000%");
  const std::string largest =
      FormatUsage(std::numeric_limits<std::uint64_t>::max(), 1);
  EXPECT_EQ(largest.substr(0, 13), "17179869183TB");
}

TEST(FormatUsageTest, PercentRoundsTwice) {
  // x is just below 10.00005; its 17-digit form 10.000050000000000
  // rounds up to 10.0001.
  EXPECT_EQ(FormatUsage(200001, 2000000), " 195MB  10.0001%");
}

TEST(FormatUsageTest, ExtremeSharesFitTheText) {
  const std::string smallest = FormatUsage(1, kMaxU32);
  EXPECT_EQ(smallest, "   1KB  0.0000000%");
  const std::string largest = FormatUsage(kMaxU32, 1);
  EXPECT_EQ(largest, "   3TB  429496729500.0000%");
  EXPECT_LT(smallest.size(), 80u);
  EXPECT_LT(largest.size(), 80u);
}

TEST(FormatUsageTest, UnknownCapacityShowsThePlaceholder) {
  EXPECT_EQ(FormatUsage(5, 0), "   5KB  --.----%");
  EXPECT_EQ(FormatUsage(0, 0), "   0KB  --.----%");
  EXPECT_EQ(FormatUsage(2048, 0), "   2MB  --.----%");
}

TEST(FormatPercentTest, ExamplesShowFourDecimals) {
  EXPECT_EQ(FormatPercent(0.0), "0.0000");
  EXPECT_EQ(FormatPercent(100.0), "100.0000");
  EXPECT_EQ(FormatPercent(30.72), "30.7200");
  EXPECT_EQ(FormatPercent(0.1), "0.1000");
  EXPECT_EQ(FormatPercent(99.99996), "100.0000");
  EXPECT_EQ(FormatPercent(0.00007), "0.0001");
  EXPECT_EQ(FormatPercent(0.00003), "0.0000");
  EXPECT_EQ(FormatPercent(0.00123), "0.0012");
  EXPECT_EQ(FormatPercent(1e20), "100000000000000000000.0000");
}

TEST(FormatPercentTest, TinySharesShowOnlyZeros) {
  // Below 0.00001 the text has -e zeros and no other digit.
  EXPECT_EQ(FormatPercent(0.000003), "0.00000");
  EXPECT_EQ(FormatPercent(0.0000003), "0.000000");
  // The smallest subnormal: 4.94e-324 is 0.494 x 10^-323.
  const std::string subnormal =
      FormatPercent(std::numeric_limits<double>::denorm_min());
  EXPECT_EQ(subnormal, "0." + std::string(323, '0'));
}

TEST(FormatPercentTest, DirectoryViewsKeepFourDecimalsForTinyShares) {
  struct Case {
    std::uint64_t part, whole;
    const char* text;
  };
  const Case cases[] = {{1, 3'000'000'000, "0.0000"},
                        {1, 20'000, "0.0050"},
                        {559'616, 1'000'000, "55.9616"},
                        {1, 1, "100.0000"},
                        {1, 0, "--.----"}};
  for (const Case& c : cases) {
    EXPECT_EQ(FormatShareFourDecimals(c.part, c.whole), c.text) << c.part;
  }
  EXPECT_EQ(FormatShare(1, 3'000'000'000), "0.0000000");  // the ranking's own
}

TEST(FormatPercentTest, SeventeenDigitFormDecidesTheLastDecimal) {
  // Each double lies just below the decimal tie, so rounding the double
  // directly would give the lower text.
  EXPECT_EQ(FormatPercent(10.00005), "10.0001");
  EXPECT_EQ(FormatPercent(0.00035), "0.0004");
  EXPECT_EQ(FormatPercent(0.00115), "0.0012");
  EXPECT_EQ(FormatPercent(0.01235), "0.0124");
  // Too far below the tie for seventeen digits to reach it.
  EXPECT_EQ(FormatPercent(0.00015), "0.0001");
  EXPECT_EQ(FormatPercent(0.09995), "0.0999");
}

TEST(FormatPercentTest, CarryMovesTheDecimalPoint) {
  EXPECT_EQ(FormatPercent(0.00995), "0.0100");
  EXPECT_EQ(FormatPercent(0.99995), "1.0000");
  EXPECT_EQ(FormatPercent(9.99995), "10.0000");
}

TEST(FormatPercentTest, TieAtTheEighteenthDigitRoundsUp) {
  // 197530862419745 / 16 = 12345678901234.0625 exactly: eighteen
  // significant digits, the last a 5. Half up gives ...0.063, half to
  // even would give ...0.062.
  const double tie = std::ldexp(197530862419745.0, -4);
  ASSERT_EQ(tie * 16.0, 197530862419745.0);
  EXPECT_EQ(FormatPercent(tie), "12345678901234.0630");
  // The neighbours, 12345678901234.060546875 and ...0.064453125, are
  // well away from a tie.
  EXPECT_EQ(FormatPercent(std::nextafter(tie, 0.0)), "12345678901234.0610");
  EXPECT_EQ(FormatPercent(std::nextafter(tie, 1e20)), "12345678901234.0640");
}

TEST(FormatPercentTest, NonFiniteShowsThePlaceholder) {
  EXPECT_EQ(FormatPercent(std::numeric_limits<double>::infinity()),
            std::string(kUnknownPercent));
  EXPECT_EQ(FormatPercent(std::numeric_limits<double>::quiet_NaN()),
            std::string(kUnknownPercent));
}

}  // namespace
}  // namespace ovik
