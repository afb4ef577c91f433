#include "volume/volume_facts.h"

#include <gtest/gtest.h>

#include <limits>

#include "tests/fake_volume_source.h"

namespace ovik {
namespace {

TEST(ComputeVolumeTotalsTest, DropsClustersBelowAThousandTwentyFour) {
  // 512-byte sectors, 8 per cluster, 2,000,000 free clusters.
  VolumeTotals totals = ComputeVolumeTotals(FakeSpace(4096, 2'000'000, 2'047));
  EXPECT_EQ(totals.free_kb, 7'999'488u);  // 1953 * 4096
  EXPECT_EQ(totals.total_kb, 4096u);      // 2047 >> 10 == 1
}

TEST(ComputeVolumeTotalsTest, SmallVolumesHaveTheirRealSize) {
  // Fewer than 1024 blocks, which the rounding above would make nothing:
  // tmpfs of 64 KiB and of 1 MiB, 1000 sectors of 512 bytes, a volume of
  // 1023 clusters; from 1024 on the rounding holds.
  struct Case {
    std::uint64_t unit, free_units, total_units, free_kb, total_kb;
  };
  const Case cases[] = {{4096, 16, 16, 64, 64},
                        {4096, 200, 256, 800, 1024},
                        {512, 1000, 1000, 500, 500},
                        {4096, 1023, 1023, 4092, 4092},
                        {4096, 0, 1024, 0, 4096}};
  for (const Case& c : cases) {
    const VolumeTotals totals =
        ComputeVolumeTotals(FakeSpace(c.unit, c.free_units, c.total_units));
    EXPECT_EQ(totals.free_kb, c.free_kb) << c.total_units;
    EXPECT_EQ(totals.total_kb, c.total_kb) << c.total_units;
  }
}

TEST(ComputeVolumeTotalsTest, HoldsSixtyFourBitFigures) {
  // 64 TiB of 4 KiB clusters: beyond 32 bits in KB.
  std::uint64_t clusters = std::uint64_t{1} << 34;
  VolumeTotals totals = ComputeVolumeTotals(FakeSpace(4096, clusters, clusters));
  EXPECT_EQ(totals.total_kb, std::uint64_t{1} << 36);
  // Nonsense from the system does not wrap round to a small figure.
  VolumeTotals huge = ComputeVolumeTotals(FakeSpace(
      std::numeric_limits<std::uint64_t>::max(), 1 << 20, 1 << 20));
  EXPECT_GE(huge.total_kb, std::numeric_limits<std::uint64_t>::max() >> 10);
}

TEST(ReadVolumeFactsTest, SaysWhatCouldNotBeReadAndNothingElse) {
  FakeVolumeSource volumes;
  volumes.Add({.root = "C:\\", .label = "SYS",
               .space = FakeSpace(4096, 1 << 20, 1 << 21)});
  FakeVolume& broken = volumes.Add({.root = "D:\\",
                                    .kind = VolumeKind::kRemote,
                                    .space = FakeSpace(4096, 1, 1),
                                    .space_fails = true});

  const VolumeFacts whole = ReadVolumeFacts(volumes, "C:\\dir");
  EXPECT_EQ(whole.kind, VolumeKind::kFixed);
  ASSERT_TRUE(whole.info);
  EXPECT_EQ(whole.info->label, "SYS");
  EXPECT_EQ(whole.info->file_system, "NTFS");
  ASSERT_TRUE(whole.totals);
  EXPECT_EQ(whole.totals->total_kb, 2048u * 4096u);

  const VolumeFacts no_space = ReadVolumeFacts(volumes, "D:\\");
  EXPECT_EQ(no_space.kind, VolumeKind::kRemote);
  EXPECT_TRUE(no_space.info);
  EXPECT_FALSE(no_space.totals);  // never another volume's figures
  broken.info_fails = true;
  EXPECT_FALSE(ReadVolumeFacts(volumes, "D:\\").info);

  const VolumeFacts nowhere = ReadVolumeFacts(volumes, "Z:\\");
  EXPECT_EQ(nowhere.kind, VolumeKind::kMissing);
  EXPECT_FALSE(nowhere.info);
  EXPECT_FALSE(nowhere.totals);
}

}  // namespace
}  // namespace ovik
