#include "volume/volume_facts.h"

#include <limits>
#include <utility>

namespace ovik {
namespace {

std::uint64_t SaturatingProduct(std::uint64_t a, std::uint64_t b) {
  if (a != 0 && b > std::numeric_limits<std::uint64_t>::max() / a) {
    return std::numeric_limits<std::uint64_t>::max();
  }
  return a * b;
}

}  // namespace

VolumeTotals ComputeVolumeTotals(const DiskSpace& space) {
  VolumeTotals totals;
  totals.free_kb =
      SaturatingProduct(space.free_clusters >> 10, space.bytes_per_cluster);
  totals.total_kb =
      SaturatingProduct(space.total_clusters >> 10, space.bytes_per_cluster);
  return totals;
}

VolumeFacts ReadVolumeFacts(VolumeSource& volumes, std::string_view root) {
  VolumeFacts facts;
  facts.type = volumes.GetDriveType(root);
  VolumeInformation info;
  if (volumes.GetVolumeInformation(root, &info).ok()) {
    facts.info = std::move(info);
  }
  DiskSpace space;
  if (volumes.GetDiskFreeSpace(root, &space).ok()) {
    facts.totals = ComputeVolumeTotals(space);
  }
  return facts;
}

bool MayBeScanned(const VolumeSource& volumes, DriveType type,
                  const std::optional<VolumeInformation>& info) {
  if (type != DriveType::kFixed && type != DriveType::kRemote) return false;
  return info && volumes.RecordsOwners(info->file_system);
}

Status ListEligibleVolumes(VolumeSource& volumes, EligibleVolumes* eligible) {
  std::vector<std::string> roots;
  if (Status listed = volumes.ListRoots(&roots); !listed.ok()) return listed;
  EligibleVolumes found;
  int first_fixed = -1;
  for (std::string& root : roots) {
    const DriveType type = volumes.GetDriveType(root);
    // Drives of other types are not asked for their file system at all.
    if (type != DriveType::kFixed && type != DriveType::kRemote) continue;
    // A volume whose file system cannot be read is not offered.
    VolumeInformation info;
    if (!volumes.GetVolumeInformation(root, &info).ok() ||
        !MayBeScanned(volumes, type, info)) {
      continue;
    }
    if (type == DriveType::kFixed && first_fixed < 0) {
      first_fixed = static_cast<int>(found.roots.size());
    }
    found.roots.push_back(std::move(root));
  }
  if (!found.roots.empty()) {
    found.default_index = first_fixed >= 0 ? first_fixed : 0;
  }
  *eligible = std::move(found);
  return Status::Ok();
}

}  // namespace ovik
