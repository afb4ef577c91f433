#include "volume/volume_panel.h"

#include <limits>
#include <optional>
#include <string>

#include "ui/control_ids.h"
#include "ui/texts.h"

namespace ovik {
namespace {

// a * b, held at the largest value instead of wrapping, so a broken
// cluster size never shows as a tiny capacity.
std::uint64_t SaturatingProduct(std::uint64_t a, std::uint64_t b) {
  if (a != 0 && b > std::numeric_limits<std::uint64_t>::max() / a) {
    return std::numeric_limits<std::uint64_t>::max();
  }
  return a * b;
}

// "%luMB\n" of a size in KB.
std::string MegabyteText(std::uint64_t kb) {
  return std::to_string(kb >> 10) + "MB\n";
}

// The drive type of |root| when it is offered in the list.
std::optional<DriveType> EligibleType(VolumeSource& volumes,
                                      std::string_view root) {
  DriveType type = volumes.GetDriveType(root);
  if (type != DriveType::kFixed && type != DriveType::kRemote) {
    return std::nullopt;
  }
  // A volume whose facts cannot be read is not offered: its file system
  // is unknown.
  std::optional<VolumeInformation> info = volumes.GetVolumeInformation(root);
  if (!info || !volumes.RecordsOwners(info->file_system)) return std::nullopt;
  return type;
}

// The panel when no volume is selected: nothing to describe, no capacity.
void ShowNoVolume(DialogPort& dialog, VolumeTotals* totals) {
  dialog.SetControlText(IDC_DRIVE_TYPE, "");
  dialog.SetControlText(IDC_VOLUME_LABEL, text::kNoVolumeInfo);
  dialog.SetControlText(IDC_TOTAL_SPACE, text::kNoVolumeInfo);
  dialog.SetControlText(IDC_FREE_SPACE, text::kNoVolumeInfo);
  *totals = VolumeTotals{};
}

}  // namespace

VolumeTotals ComputeVolumeTotals(const DiskSpace& space) {
  VolumeTotals totals;
  totals.free_kb = SaturatingProduct(space.free_clusters >> 10,
                                     space.bytes_per_cluster);
  totals.total_kb = SaturatingProduct(space.total_clusters >> 10,
                                      space.bytes_per_cluster);
  return totals;
}

std::string_view DriveTypeText(DriveType type) {
  switch (type) {
    case DriveType::kUnknown:
      return "Cannot be determined.";
    case DriveType::kNoRootDir:
      return "Path does not exist.";
    case DriveType::kRemovable:
      return "Removable";
    case DriveType::kFixed:
      return "Fixed";
    case DriveType::kRemote:
      return "Remote";
    case DriveType::kCdRom:
      return "CD-ROM";
    case DriveType::kRamDisk:
      return "RAM disk";
  }
  return "Unknown";
}

bool IsEligibleVolume(VolumeSource& volumes, std::string_view root) {
  return EligibleType(volumes, root).has_value();
}

void FillDriveList(DialogPort& dialog, VolumeSource& volumes,
                   VolumeTotals* totals) {
  dialog.ClearDriveList();
  int count = 0;
  int first_fixed = -1;
  for (const std::string& root : volumes.ListRoots()) {
    std::optional<DriveType> type = EligibleType(volumes, root);
    if (!type) continue;
    dialog.AddDrive(root);
    if (*type == DriveType::kFixed && first_fixed < 0) first_fixed = count;
    ++count;
  }
  if (count == 0) {
    ShowNoVolume(dialog, totals);
    return;
  }
  int selected = first_fixed >= 0 ? first_fixed : 0;
  dialog.SelectDrive(selected);
  ShowVolumeInfo(dialog, volumes, dialog.DriveText(selected), totals);
}

void ShowVolumeInfo(DialogPort& dialog, VolumeSource& volumes,
                    std::string_view root, VolumeTotals* totals) {
  dialog.SetControlText(IDC_DRIVE_TYPE,
                        DriveTypeText(volumes.GetDriveType(root)));

  if (std::optional<VolumeInformation> info =
          volumes.GetVolumeInformation(root)) {
    dialog.SetControlText(IDC_VOLUME_LABEL,
                          info->label + "\n" + info->file_system);
  } else {
    dialog.SetControlText(IDC_VOLUME_LABEL, text::kNoVolumeInfo);
  }

  // Without an answer the figures would belong to another volume: say
  // so, and leave nothing to compute percentages against.
  if (std::optional<DiskSpace> space = volumes.GetDiskFreeSpace(root)) {
    *totals = ComputeVolumeTotals(*space);
    dialog.SetControlText(IDC_TOTAL_SPACE, MegabyteText(totals->total_kb));
    dialog.SetControlText(IDC_FREE_SPACE, MegabyteText(totals->free_kb));
  } else {
    *totals = VolumeTotals{};
    dialog.SetControlText(IDC_TOTAL_SPACE, text::kNoVolumeInfo);
    dialog.SetControlText(IDC_FREE_SPACE, text::kNoVolumeInfo);
  }
}

}  // namespace ovik
