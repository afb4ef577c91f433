// The NTFS reader's run lists and update sequences, byte by byte.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/ntfs/record.h"
#include "platform/ntfs/run_list.h"

namespace ovik::ntfs {
namespace {

TEST(NtfsRunListTest, DecodesRunsAndRefusesMalformedLists) {
  const std::int64_t h = kHole;
  const struct {
    std::vector<std::uint8_t> bytes;
    std::uint64_t first_vcn;
    std::vector<ntfs::Run> runs;  // empty: refused
  } cases[] = {
      {{0x11, 0x04, 0x10, 0x00}, 0, {{0, 4, 16}}},
      {{0x12, 0x00, 0x01, 0x20, 0x11, 0x02, 0xF0, 0x00},
       0,
       {{0, 256, 32}, {256, 2, 16}}},
      {{0x01, 0x08, 0x11, 0x01, 0x05, 0x00}, 0, {{0, 8, h}, {8, 1, 5}}},
      {{0x11, 0x01, 0x01, 0x00}, 10, {{10, 1, 1}}},
      {{0x11, 0x04, 0x10}, 0, {}},                       // no end mark
      {{0x10, 0x05, 0x00}, 0, {}},                       // no length
      {{0x11, 0xFF, 0x01, 0x00}, 0, {}},                 // a negative length
      {{0x11, 0x01, 0x80, 0x00}, 0, {}},                 // before the volume
      {{0x19, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0}, 0, {}},  // 9-byte start
  };
  for (const auto& c : cases) {
    std::vector<ntfs::Run> runs;
    EXPECT_EQ(DecodeRunList(c.bytes.data(), c.bytes.size(), c.first_vcn, &runs),
              !c.runs.empty());
    ASSERT_EQ(runs.size(), c.runs.size());
    for (std::size_t i = 0; i < runs.size(); ++i) {
      EXPECT_EQ(runs[i].vcn, c.runs[i].vcn);
      EXPECT_EQ(runs[i].length, c.runs[i].length);
      EXPECT_EQ(runs[i].lcn, c.runs[i].lcn);
    }
  }
  Extents extents;
  ASSERT_TRUE(extents.Append({{0, 8, h}, {8, 4, 100}}, 0));
  EXPECT_FALSE(extents.Append({{20, 1, 1}}, 20));  // a gap
  std::int64_t lcn = 0;
  std::uint64_t count = 0;
  ASSERT_TRUE(extents.Map(9, &lcn, &count));
  EXPECT_EQ(lcn, 101);
  EXPECT_EQ(count, 3u);
  EXPECT_FALSE(extents.Map(12, &lcn, &count));
  EXPECT_FALSE(extents.InsideVolume(103));
  EXPECT_TRUE(extents.InsideVolume(104));
}

TEST(NtfsRunListTest, UpdateSequencesPutStrideEndsBackAndCatchTornWrites) {
  std::vector<std::uint8_t> block(1024, 0xAB);
  const std::uint8_t header[] = {'F', 'I', 'L', 'E', 0x30, 0, 3, 0};
  std::memcpy(block.data(), header, sizeof header);
  const std::uint8_t array[] = {0x07, 0x00, 0x11, 0x22, 0x33, 0x44};
  std::memcpy(&block[0x30], array, sizeof array);
  for (std::size_t end : {510u, 1022u}) {
    block[end] = 0x07;
    block[end + 1] = 0;
  }
  std::vector<std::uint8_t> torn = block;
  torn[1023] = 1;
  ASSERT_TRUE(ApplyFixups(block.data(), block.size()));
  EXPECT_EQ(block[510], 0x11);
  EXPECT_EQ(block[1023], 0x44);
  EXPECT_FALSE(ApplyFixups(torn.data(), torn.size()));
  EXPECT_FALSE(ApplyFixups(torn.data(), 512));  // two strides counted
}

}  // namespace
}  // namespace ovik::ntfs
