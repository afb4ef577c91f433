// The drive list and the volume panel of the main dialog: fills the list
// with the volumes that may be scanned, selects the default one, and
// writes the selected volume's facts into the panel. Also keeps the
// capacity that every percentage is computed against.
#ifndef OVIK_DIALOG_VOLUME_PANEL_H_
#define OVIK_DIALOG_VOLUME_PANEL_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/volumes.h"
#include "dialog/dialog_port.h"
#include "volume/volume_facts.h"

namespace ovik {

// Text of a volume's kind, as the panel's drive type ("Fixed", "Remote",
// ...; "Unknown" for a kind the system names that the program does not).
std::string_view DriveTypeText(VolumeKind kind);

// A size in KB shown in MB: "%luMB" of kb >> 10.
std::string MegabyteText(std::uint64_t kb);

// Fills the drive list with the eligible volumes, selects the default
// and shows its panel. With no eligible volume the panel says so and
// |totals| is zeroed.
void FillDriveList(DialogPort& dialog, VolumeSource& volumes,
                   VolumeTotals* totals);

// Fills the panel for |root| and replaces |totals| (zero when the space
// cannot be read).
void ShowVolumeInfo(DialogPort& dialog, VolumeSource& volumes,
                    std::string_view root, VolumeTotals* totals);

}  // namespace ovik

#endif  // OVIK_DIALOG_VOLUME_PANEL_H_
