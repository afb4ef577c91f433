// The geometry of an NTFS volume, as its boot sector gives it.
#ifndef OVIK_PLATFORM_NTFS_BOOT_SECTOR_H_
#define OVIK_PLATFORM_NTFS_BOOT_SECTOR_H_

#include <cstddef>
#include <cstdint>

namespace ovik::ntfs {

inline constexpr std::size_t kBootSectorSize = 512;

struct Geometry {
  std::uint32_t sector_size = 0;   // bytes
  std::uint32_t cluster_size = 0;  // bytes
  std::uint64_t cluster_count = 0;
  std::uint64_t volume_size = 0;  // bytes: cluster_count whole clusters
  std::uint64_t mft_cluster = 0;
  std::uint64_t mirror_cluster = 0;
  std::uint32_t record_size = 0;       // bytes of a file record
  std::uint32_t index_block_size = 0;  // bytes of a directory index block
  std::uint64_t serial_number = 0;
};

// Whether the 512 bytes at |sector| are an NTFS boot sector with sizes
// the reader can trust: powers of two within the format's limits, the
// table inside the volume.
bool ParseBootSector(const std::uint8_t* sector, Geometry* geometry);

}  // namespace ovik::ntfs

#endif  // OVIK_PLATFORM_NTFS_BOOT_SECTOR_H_
