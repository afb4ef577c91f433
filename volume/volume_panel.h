// Which volumes may be scanned, the one selected at start, and the panel
// that describes the selected one: type, label, file system, free and
// total space. Also keeps the capacity that every percentage is
// computed against.
#ifndef OVIK_VOLUME_VOLUME_PANEL_H_
#define OVIK_VOLUME_VOLUME_PANEL_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/volumes.h"
#include "ui/dialog_port.h"

namespace ovik {

// Capacity of the selected volume in KB; 0 while unknown.
struct VolumeTotals {
  std::uint64_t free_kb = 0;
  std::uint64_t total_kb = 0;
};

// (clusters >> 10) * bytes per cluster, so whole multiples of the cluster
// size; fewer than 1024 clusters make 0.
VolumeTotals ComputeVolumeTotals(const DiskSpace& space);

// Text of a drive type for the panel ("Fixed", "Remote", ...).
std::string_view DriveTypeText(DriveType type);

// Fills the drive list with the eligible volumes, selects the default
// (the first fixed one, else the first) and shows its panel. With no
// eligible volume the panel says so and |totals| is zeroed.
void FillDriveList(DialogPort& dialog, VolumeSource& volumes,
                   VolumeTotals* totals);

// Fills the panel for |root| and replaces |totals|.
void ShowVolumeInfo(DialogPort& dialog, VolumeSource& volumes,
                    std::string_view root, VolumeTotals* totals);

// Whether |root| is offered in the drive list.
bool IsEligibleVolume(VolumeSource& volumes, std::string_view root);

}  // namespace ovik

#endif  // OVIK_VOLUME_VOLUME_PANEL_H_
