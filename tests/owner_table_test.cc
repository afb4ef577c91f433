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

OwnerId Uid(std::string_view id) { return OwnerId::Account(id); }

TEST(OwnerTableTest, HeadIsTheAdministratorsRecordWithNothingAttributed) {
  OwnerTable table;
  ASSERT_TRUE(table.SeedOwnerTable(Uid("0"), "root", "0"));
  ASSERT_EQ(table.size(), 1u);
  EXPECT_EQ(table[0].name, "root");
  EXPECT_EQ(table[0].total, 0u);
  EXPECT_EQ(table.FindOwner(Uid("0")), 0u);
  EXPECT_EQ(table.FindOwner(Uid("1000")), std::nullopt);
  // Seeding twice would put a second head in front of the owners.
  EXPECT_FALSE(table.SeedOwnerTable(Uid("0"), "root", "0"));
  EXPECT_EQ(table.size(), 1u);
}

TEST(OwnerTableTest, OwnersAreWhoTheyAreNotWhatTheyAreCalled) {
  OwnerTable table(Upper);
  ASSERT_TRUE(table.SeedOwnerTable(Uid("S-1-5-32-544"), "Administrators",
                                   "S-1-5-32-544"));
  // One account, whatever its name is spelled as: one record.
  EXPECT_EQ(table.FindOrAppend(Uid("S-1-5-21-1"), "Alice", "S-1-5-21-1"), 1u);
  EXPECT_EQ(table.FindOrAppend(Uid("S-1-5-21-1"), "ALICE", "S-1-5-21-1"), 1u);
  // Two accounts of one name (two domains): two records.
  EXPECT_EQ(table.FindOrAppend(Uid("S-1-5-21-2"), "alice", "S-1-5-21-2"), 2u);
  // A group and an account of one number are not one owner either.
  EXPECT_NE(OwnerId::Group("5"), OwnerId::Account("5"));
  EXPECT_EQ(OwnerId::Account(""), OwnerId());  // no key: unreadable
  table.AddToOwner(1, 10, 1);
  table.AddToOwner(2, 20, 2);
  EXPECT_EQ(table[1].total, 10u);
  EXPECT_EQ(table[2].files, 2u);
}

TEST(OwnerTableTest, NamesThatWouldPassForAnotherOwnerCarryTheirId) {
  OwnerTable table(Upper);
  ASSERT_TRUE(table.SeedOwnerTable(Uid("0"), "root", "0"));
  table.FindOrAppend(Uid("60013"), "60013", "60013");        // no account
  table.FindOrAppend(Uid("60014"), "60013", "60014");        // named "60013"
  table.FindOrAppend(Uid("7"), "bob", "7");
  table.FindOrAppend(Uid("8"), "BOB", "8");                   // alike, folded
  table.FindOrAppend(Uid("9"), "carol", "9");
  table.FindOrAppend(Uid("10"), "root", "10");                // the head's name
  table.FindOrAppend(OwnerId(), "<unreadable>:", "");
  table.TellApart();
  EXPECT_EQ(table[0].name, "root");
  EXPECT_EQ(table[1].name, "60013");
  EXPECT_EQ(table[2].name, "60013 [60014]");
  EXPECT_EQ(table[3].name, "bob [7]");
  EXPECT_EQ(table[4].name, "BOB [8]");
  EXPECT_EQ(table[5].name, "carol");
  EXPECT_EQ(table[6].name, "root [10]");
  EXPECT_EQ(table[7].name, "<unreadable>:");

  // What a user types finds what the ranking shows: the name as shown,
  // else a name that compares equal, else the number.
  EXPECT_EQ(table.FindShown("60013"), std::vector<OwnerIndex>{1});
  EXPECT_EQ(table.FindShown("60013 [60014]"), std::vector<OwnerIndex>{2});
  EXPECT_EQ(table.FindShown("60014"), std::vector<OwnerIndex>{2});
  EXPECT_EQ(table.FindShown("CAROL"), std::vector<OwnerIndex>{5});
  EXPECT_EQ(table.FindShown("nobody"), std::vector<OwnerIndex>{});
}

TEST(OwnerTableTest, TotalsAreSixtyFourBit) {
  OwnerTable table;
  ASSERT_TRUE(table.SeedOwnerTable(Uid("0"), "root"));
  table.AddToOwner(0, 0xFFFFFFFFull);
  table.AddToOwner(0, 0xFFFFFFFFull);
  table.AddToOwner(0, 5ull << 32);
  EXPECT_EQ(table[0].total, 0x1FFFFFFFEull + (5ull << 32));
}

TEST(OwnerTableTest, MoreThanSixtyFiveThousandOwnersKeepDistinctPositions) {
  OwnerTable table;
  ASSERT_TRUE(table.SeedOwnerTable(Uid("0"), "root"));
  const std::size_t n = 70000;
  for (std::size_t i = 1; i < n; ++i) {
    const std::string id = std::to_string(i);
    ASSERT_EQ(table.FindOrAppend(Uid(id), "user" + id, id), i);
  }
  ASSERT_EQ(table.size(), n);
  // Positions that a 16-bit index would have taken for "not found" and
  // "out of memory" are ordinary owners here.
  EXPECT_EQ(table.FindOwner(Uid("65535")), 65535u);
  EXPECT_EQ(table.FindOwner(Uid("65534")), 65534u);
  EXPECT_EQ(table.FindOwner(Uid("69999")), 69999u);
  table.AddToOwner(65535, 7);
  EXPECT_EQ(table[65535].total, 7u);
  EXPECT_EQ(table[65534].total, 0u);
}

}  // namespace
}  // namespace ovik
