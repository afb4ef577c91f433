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

std::uint64_t Kilobytes(std::uint64_t bytes, std::uint64_t unit) {
  if (unit != 0) {
    const std::uint64_t units = bytes / unit;
    if (units >= 1024) return SaturatingProduct(units >> 10, unit);
  }
  return bytes >> 10;
}

bool MayHoldScan(VolumeKind kind) {
  return kind == VolumeKind::kFixed || kind == VolumeKind::kRemote;
}

}  // namespace

VolumeTotals ComputeVolumeTotals(const VolumeSpace& space) {
  VolumeTotals totals;
  totals.free_kb = Kilobytes(space.free_bytes, space.unit_bytes);
  totals.total_kb = Kilobytes(space.total_bytes, space.unit_bytes);
  return totals;
}

VolumeFacts ReadVolumeFacts(VolumeSource& volumes, std::string_view root) {
  VolumeFacts facts;
  facts.kind = volumes.KindOf(root);
  VolumeNames info;
  if (volumes.ReadNames(root, &info).ok()) facts.info = std::move(info);
  VolumeSpace space;
  if (volumes.ReadSpace(root, &space).ok()) {
    facts.totals = ComputeVolumeTotals(space);
  }
  return facts;
}

bool MayBeScanned(const VolumeSource& volumes, VolumeKind kind,
                  const std::optional<VolumeNames>& info) {
  if (!MayHoldScan(kind)) return false;
  return info && volumes.RecordsOwners(info->file_system);
}

Status ListEligibleVolumes(VolumeSource& volumes, EligibleVolumes* eligible) {
  std::vector<std::string> roots;
  if (Status listed = volumes.ListRoots(&roots); !listed.ok()) return listed;
  EligibleVolumes found;
  int first_fixed = -1;
  for (std::string& root : roots) {
    const VolumeKind kind = volumes.KindOf(root);
    // Volumes of other kinds are not asked for their file system at all.
    if (!MayHoldScan(kind)) continue;
    // A volume whose file system cannot be read is not offered.
    VolumeNames info;
    if (!volumes.ReadNames(root, &info).ok() ||
        !MayBeScanned(volumes, kind, info)) {
      continue;
    }
    if (kind == VolumeKind::kFixed && first_fixed < 0) {
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
