#include "scan/tallies.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ovik {
namespace {

// "name:bytes" for each owner in walk order; "?" is the unreadable owner.
std::vector<std::string> Listed(const Tallies& tallies) {
  std::vector<std::string> listed;
  for (const MergedOwner& o : tallies.InWalkOrder()) {
    listed.push_back((o.owner->unreadable() ? std::string("?") : o.owner->key()) +
                     ":" + std::to_string(o.bytes));
  }
  return listed;
}

OwnerId Id(std::string_view key) { return OwnerId::Account(key); }

// One walk in two parts. The root holds z; its subdirectory 0 holds x,
// y and an unreadable entry; subdirectory 1 holds x and z again. The
// first part walks subdirectory 1 before subdirectory 0, as a thread that
// took them in that order would.
void WalkFirstPart(Tallies* part) {
  part->StartTask();
  part->Meet(Id("x"), {1}, 0).bytes += 1;
  part->Meet(Id("z"), {1}, 1).bytes += 2;
  part->StartTask();
  part->Meet(Id("x"), {0}, 0).bytes += 4;
  part->Meet(Id("y"), {0}, 1).bytes += 8;
  part->Meet(OwnerId(), {0}, 2).bytes += 16;
}

void WalkSecondPart(Tallies* part) {
  part->StartTask();
  part->Meet(Id("z"), {}, 0).bytes += 32;
}

TEST(TalliesTest, PartsMergeInTheOrderOfOneWalkWhicheverComesFirst) {
  const std::vector<std::string> expected = {"z:34", "x:5", "y:8", "?:16"};
  for (bool first_part_first : {true, false}) {
    Tallies one, two;
    WalkFirstPart(first_part_first ? &one : &two);
    WalkSecondPart(first_part_first ? &two : &one);
    Tallies merged;
    merged.Merge(std::move(one));
    merged.Merge(std::move(two));
    EXPECT_EQ(Listed(merged), expected) << first_part_first;
    EXPECT_TRUE(Listed(one).empty());
  }
}

}  // namespace
}  // namespace ovik
