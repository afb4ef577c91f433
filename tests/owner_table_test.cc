#include "scan/owner_table.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace ovik {
namespace {

std::string Upper(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return r;
}

TEST(OwnerTableTest, HeadIsTheAdministratorsRecordWithNothingAttributed) {
  OwnerTable table;
  ASSERT_TRUE(table.SeedOwnerTable("root"));
  ASSERT_EQ(table.size(), 1u);
  EXPECT_EQ(table[0].name, "root");
  EXPECT_EQ(table[0].total, 0u);
  EXPECT_EQ(table.FindOwner("root"), 0u);
  EXPECT_EQ(table.FindOwner("alice"), std::nullopt);
  // Seeding twice would put a second head in front of the owners.
  EXPECT_FALSE(table.SeedOwnerTable("root"));
  EXPECT_EQ(table.size(), 1u);
}

TEST(OwnerTableTest, CaseInsensitiveTableKeepsTheFirstSpelling) {
  OwnerTable table(Upper);
  ASSERT_TRUE(table.SeedOwnerTable("Administrators"));
  EXPECT_EQ(table.FindOwner("administrators"), 0u);
  EXPECT_EQ(table.FindOwner("Alice"), std::nullopt);

  auto alice = table.FindOrAppend("Alice");
  ASSERT_EQ(alice, 1u);
  EXPECT_EQ(table.FindOrAppend("ALICE"), 1u);
  EXPECT_EQ(table.size(), 2u);
  EXPECT_EQ(table[1].name, "Alice");
}

TEST(OwnerTableTest, ExactTableTellsNamesApartByCase) {
  OwnerTable table;
  ASSERT_TRUE(table.SeedOwnerTable("root"));
  EXPECT_EQ(table.FindOwner("Root"), std::nullopt);
  EXPECT_EQ(table.FindOrAppend("Root"), 1u);
  EXPECT_EQ(table.FindOrAppend("root"), 0u);
}

TEST(OwnerTableTest, AppendedRecordsTakeTheNextPositionAndAddUp) {
  OwnerTable table;
  ASSERT_TRUE(table.SeedOwnerTable("root"));
  ASSERT_TRUE(table.AppendOwner("a"));
  ASSERT_TRUE(table.AppendOwner("b"));
  ASSERT_TRUE(table.AppendOwner("c"));
  EXPECT_EQ(table.FindOwner("c"), table.size() - 1);
  table.AddToOwner(0, 1);
  table.AddToOwner(2, 20);
  table.AddToOwner(table.size() - 1, 300);
  table.AddToOwner(2, 20);
  EXPECT_EQ(table[0].total, 1u);
  EXPECT_EQ(table[1].total, 0u);
  EXPECT_EQ(table[2].total, 40u);
  EXPECT_EQ(table[3].total, 300u);
}

TEST(OwnerTableTest, TotalsAreSixtyFourBit) {
  OwnerTable table;
  ASSERT_TRUE(table.SeedOwnerTable("root"));
  table.AddToOwner(0, 0xFFFFFFFFull);
  table.AddToOwner(0, 0xFFFFFFFFull);
  table.AddToOwner(0, 5ull << 32);
  EXPECT_EQ(table[0].total, 0x1FFFFFFFEull + (5ull << 32));
}

TEST(OwnerTableTest, MoreThanSixtyFiveThousandOwnersKeepDistinctPositions) {
  OwnerTable table;
  ASSERT_TRUE(table.SeedOwnerTable("root"));
  const std::size_t n = 70000;
  for (std::size_t i = 1; i < n; ++i) {
    ASSERT_EQ(table.FindOrAppend("user" + std::to_string(i)), i);
  }
  ASSERT_EQ(table.size(), n);
  // Positions that a 16-bit index would have taken for "not found" and
  // "out of memory" are ordinary owners here.
  EXPECT_EQ(table.FindOwner("user65535"), 65535u);
  EXPECT_EQ(table.FindOwner("user65534"), 65534u);
  EXPECT_EQ(table.FindOwner("user69999"), 69999u);
  table.AddToOwner(65535, 7);
  EXPECT_EQ(table[65535].total, 7u);
  EXPECT_EQ(table[65534].total, 0u);
}

}  // namespace
}  // namespace ovik
