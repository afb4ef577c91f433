#include "platform/ntfs/boot_sector.h"

#include <cstring>
#include <initializer_list>

#include "platform/ntfs/layout.h"
#include "platform/ntfs/little_endian.h"

namespace ovik::ntfs {
namespace {

bool PowerOfTwo(std::uint64_t n) { return n != 0 && (n & (n - 1)) == 0; }

// Clusters per record or per index block: a positive count of clusters,
// or, when negative, the size as a power of two.
std::uint64_t UnitSize(std::uint8_t raw, std::uint32_t cluster_size) {
  const auto value = static_cast<std::int8_t>(raw);
  if (value > 0)
    return std::uint64_t{static_cast<std::uint8_t>(value)} * cluster_size;
  if (value < -31 || value == 0) return 0;
  return std::uint64_t{1} << -value;
}

}  // namespace

bool ParseBootSector(const std::uint8_t* sector, Geometry* geometry) {
  if (std::memcmp(sector + 3, "NTFS    ", 8) != 0) return false;
  if (sector[510] != 0x55 || sector[511] != 0xAA) return false;
  Geometry g;
  g.sector_size = Le16(sector + 0x0B);
  if (!PowerOfTwo(g.sector_size) || g.sector_size < 256 ||
      g.sector_size > 4096) {
    return false;
  }
  // Up to 128 sectors a cluster directly; larger clusters as a power of
  // two (0xF4 is 2^12 sectors).
  const std::uint8_t per_cluster = sector[0x0D];
  std::uint64_t sectors_per_cluster = per_cluster;
  if (per_cluster > 0x80) {
    const unsigned shift = 256u - per_cluster;
    if (shift > 16) return false;
    sectors_per_cluster = std::uint64_t{1} << shift;
  }
  if (!PowerOfTwo(sectors_per_cluster)) return false;
  const std::uint64_t cluster_size = sectors_per_cluster * g.sector_size;
  if (cluster_size > (std::uint64_t{2} << 20)) return false;
  g.cluster_size = static_cast<std::uint32_t>(cluster_size);

  const std::uint64_t sectors = Le64(sector + 0x28);
  if (sectors == 0 || sectors > UINT64_MAX / g.sector_size) return false;
  g.cluster_count = sectors / sectors_per_cluster;
  if (g.cluster_count == 0) return false;
  g.volume_size = g.cluster_count * g.cluster_size;

  g.mft_cluster = Le64(sector + 0x30);
  g.mirror_cluster = Le64(sector + 0x38);
  // The mirror is only read when the table's own record is damaged, and
  // its bounds checked then.
  if (g.mft_cluster >= g.cluster_count) return false;
  // Records and index blocks are whole update-sequence strides, at most
  // 64 KiB.
  const std::uint64_t record = UnitSize(sector[0x40], g.cluster_size);
  const std::uint64_t index = UnitSize(sector[0x44], g.cluster_size);
  for (const std::uint64_t size : {record, index}) {
    if (!PowerOfTwo(size) || size < kFixupStride || size > 65536) return false;
  }
  g.record_size = static_cast<std::uint32_t>(record);
  g.index_block_size = static_cast<std::uint32_t>(index);
  g.serial_number = Le64(sector + 0x48);
  *geometry = g;
  return true;
}

}  // namespace ovik::ntfs
