#include "cluster/messages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <random>
#include <string>
#include <vector>

#include "cluster/termination.h"

namespace ovik {
namespace {

// "key:bytes/files@position" for each owner in walk order; "?" is the
// unreadable owner.
std::vector<std::string> Listed(const WalkPart& part) {
  std::vector<std::string> listed;
  part.tallies.ForEach([&](const OwnerId& owner, const OwnerTally& tally) {
    std::string position;
    for (std::uint32_t o : tally.first.directory) position += std::to_string(o) + "/";
    const char kind = "?ag"[static_cast<int>(owner.kind())];
    listed.push_back(kind + owner.key() + ":" +
                     std::to_string(tally.bytes) + "/" +
                     std::to_string(tally.files) + "@" + position +
                     std::to_string(tally.first.entry));
  });
  std::sort(listed.begin(), listed.end());
  return listed;
}

WalkPart SamplePart() {
  WalkPart part;
  part.status = Status(StatusCode::kAccessDenied, EACCES);
  part.tallies.StartTask();
  part.tallies.Meet(OwnerId::Account("1000"), {3, 70000}, 5).bytes = 1ull << 40;
  part.tallies.Meet(OwnerId::Account("1000"), {3, 70000}, 5).files = 3;
  part.tallies.Meet(OwnerId::Account(std::string("\0\xff", 2)), {}, 0).bytes = 7;
  part.tallies.Meet(OwnerId::Group("1000"), {1}, 0).bytes = 9;
  part.tallies.Meet(OwnerId(), {2}, 300).bytes = ~0ull;
  part.links.Add({LinkLedger::kRootVolume, 99, 4096, OwnerId::Account("1000")});
  part.links.Add({12, 1ull << 62, 0, OwnerId()});
  std::uint64_t n = 1;
  for (std::uint64_t* field :
       {&part.stats.files, &part.stats.bytes, &part.stats.directories,
        &part.stats.skipped_directories, &part.stats.skipped_for_handles,
        &part.stats.unreadable_entries, &part.stats.vanished_entries,
        &part.stats.other_volumes, &part.stats.hard_link_duplicates,
        &part.stats.unread_table_parts, &part.stats.unnamed_owners,
        &part.stats.saturated_totals}) {
    *field = n *= 131;
  }
  part.stats.threads = 17;
  part.stats.threads_not_started = 3;
  return part;
}

TEST(ClusterMessagesTest, PartArrivesWhole) {
  const WalkPart sent = SamplePart();
  WalkPart got;
  ASSERT_TRUE(DecodePart(EncodePart(sent), &got));
  EXPECT_EQ(got.status, sent.status);
  EXPECT_EQ(Listed(got), Listed(sent));
  ASSERT_EQ(got.links.links().size(), 2u);
  EXPECT_EQ(got.links.links()[0].device, LinkLedger::kRootVolume);
  EXPECT_EQ(got.links.links()[1].inode, 1ull << 62);
  EXPECT_TRUE(got.links.links()[1].owner.unreadable());
  EXPECT_EQ(got.links.links()[0].owner, OwnerId::Account("1000"));
  EXPECT_EQ(got.stats.saturated_totals, sent.stats.saturated_totals);
  EXPECT_EQ(got.stats.files, sent.stats.files);
  EXPECT_EQ(got.stats.threads, 17u);
  EXPECT_EQ(got.stats.threads_not_started, 3u);
}

TEST(ClusterMessagesTest, TaskArrivesWithoutItsHandle) {
  Task sent;
  sent.names = {"home", "", "caf\xc3\xa9"};
  sent.ordinals = {0, 4, 4000000000u};
  sent.subdirectories = {"a", "b\nc"};
  sent.first_ordinal = 12;
  Task got;
  ASSERT_TRUE(DecodeTask(EncodeTask(sent), &got));
  EXPECT_EQ(got.names, sent.names);
  EXPECT_EQ(got.ordinals, sent.ordinals);
  EXPECT_EQ(got.subdirectories, sent.subdirectories);
  EXPECT_EQ(got.first_ordinal, 12u);
  EXPECT_EQ(got.directory, nullptr);
}

// A message cut short anywhere, or with a byte too many, is refused; so
// are counts beyond the bytes there are, and numbers too long.
TEST(ClusterMessagesTest, GarbledBytesAreRefused) {
  const Bytes part = EncodePart(SamplePart());
  for (std::size_t size = 0; size < part.size(); ++size) {
    WalkPart got;
    EXPECT_FALSE(DecodePart(Bytes(part.begin(), part.begin() + size), &got))
        << size;
  }
  Bytes longer = part;
  longer.push_back(0);
  WalkPart got;
  EXPECT_FALSE(DecodePart(longer, &got));

  Task task;
  EXPECT_FALSE(DecodeTask({0xff, 0xff, 0xff, 0x7f}, &task));  // 268 M names
  Token token;
  EXPECT_FALSE(DecodeToken(Bytes(11, 0x80), &token));  // never-ending number
  EXPECT_FALSE(DecodeToken({0x00, 0x02}, &token));      // a flag of 2
  std::uint64_t n = 0;
  EXPECT_FALSE(DecodeNumber({0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
                             0xff, 0x02},
                            &n));  // 2^64
  EXPECT_TRUE(DecodeNumber({0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff,
                            0xff, 0x01},
                           &n));
  EXPECT_EQ(n, ~0ull);
  for (std::int64_t count : {std::int64_t{0}, std::int64_t{-1},
                             std::int64_t{1} << 62, INT64_MIN, INT64_MAX}) {
    ASSERT_TRUE(DecodeToken(EncodeToken({count, true}), &token));
    EXPECT_EQ(token.count, count);
  }
}

// Ranks that do work, hand some to each other in messages delivered in
// any order, and pass the token when dry: the end is seen only when no
// rank has work and none is on its way, and it is always seen.
TEST(ClusterTerminationTest, EndIsSeenExactlyWhenNoWorkIsLeftAnywhere) {
  struct InFlight {
    int to;
    bool is_token;
    Token token;
  };
  for (int ranks = 1; ranks <= 5; ++ranks) {
    for (unsigned seed = 0; seed < 2000; ++seed) {
      std::mt19937 random(seed);
      std::vector<Termination> detectors;
      for (int r = 0; r < ranks; ++r) detectors.emplace_back(r, ranks);
      std::vector<int> work(static_cast<std::size_t>(ranks), 0);
      work[0] = 1;
      std::vector<InFlight> flight;
      int budget = 100;  // pieces of work still to be made
      int steps = 0;
      while (!detectors[0].over()) {
        ASSERT_LT(++steps, 100000) << "the end was never seen; seed " << seed;
        const auto r = static_cast<std::size_t>(random() % ranks);
        if (work[r] > 0) {
          // A piece of work done, which may make more here or elsewhere.
          --work[r];
          if (budget > 0 && random() % 4 == 0) {
            --budget;
            ++work[r];
          }
          if (budget > 0 && ranks > 1 && random() % 2 == 0) {
            --budget;
            const int to = static_cast<int>((r + 1 + random() % (ranks - 1)) % ranks);
            detectors[r].WorkSent();
            flight.push_back({to, false, {}});
          }
        } else if (const auto token = detectors[r].Dry()) {
          flight.push_back({detectors[r].next(), true, *token});
        }
        if (!flight.empty() && random() % 2 == 0) {
          // A message arrives, whichever.
          const std::size_t i = random() % flight.size();
          const InFlight m = flight[i];
          flight.erase(flight.begin() + static_cast<std::ptrdiff_t>(i));
          auto& to = detectors[static_cast<std::size_t>(m.to)];
          if (m.is_token) {
            to.TokenArrived(m.token);
          } else {
            to.WorkReceived();
            work[static_cast<std::size_t>(m.to)] += 1 + static_cast<int>(random() % 3);
          }
        }
      }
      for (int w : work) ASSERT_EQ(w, 0) << "seed " << seed;
      for (const InFlight& m : flight) {
        ASSERT_TRUE(m.is_token) << "work left in flight; seed " << seed;
      }
    }
  }
}

}  // namespace
}  // namespace ovik
