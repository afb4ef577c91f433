// What the system says about its volumes, as plain data: which volumes
// may be scanned and which is chosen at start, and for one volume its
// kind, label, file system and capacity. The dialog's volume panel
// and the headless commands read the same facts.
#ifndef OVIK_VOLUME_VOLUME_FACTS_H_
#define OVIK_VOLUME_VOLUME_FACTS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"
#include "platform/volumes.h"

namespace ovik {

// Capacity of a volume in KB, against which every percentage is
// computed; 0 while unknown.
struct VolumeTotals {
  std::uint64_t free_kb = 0;
  std::uint64_t total_kb = 0;
};

// Each figure as the ranking has always computed it: (units >> 10) * the
// unit's bytes, so whole multiples of the unit (block or cluster). A
// volume of fewer than 1024 units, which that would make 0, is given its
// KB as they are. Held at the largest value rather than wrapping.
VolumeTotals ComputeVolumeTotals(const VolumeSpace& space);

struct VolumeFacts {
  VolumeKind kind = VolumeKind::kUnknown;
  // Label and file system; nothing when they cannot be read.
  std::optional<VolumeNames> info;
  // Free and total space; nothing when they cannot be read (figures of
  // another volume are never given instead).
  std::optional<VolumeTotals> totals;
};

// The facts of the volume that holds |root|.
VolumeFacts ReadVolumeFacts(VolumeSource& volumes, std::string_view root);

// Whether a volume of |kind| with |info| (nothing: unreadable) may be
// scanned: a fixed or network volume whose file system records owners. A
// volume whose file system cannot be read is not offered.
bool MayBeScanned(const VolumeSource& volumes, VolumeKind kind,
                  const std::optional<VolumeNames>& info);

// The volumes that may be scanned, in the system's order. The default is
// the first fixed one, else the first; -1 when there is none.
struct EligibleVolumes {
  std::vector<std::string> roots;
  int default_index = -1;
};

// Fails (leaving *eligible as it was) when the system cannot list its
// volumes at all.
Status ListEligibleVolumes(VolumeSource& volumes, EligibleVolumes* eligible);

}  // namespace ovik

#endif  // OVIK_VOLUME_VOLUME_FACTS_H_
