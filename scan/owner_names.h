// The name each owner of a scan is counted under, and the owner table
// built from the merged tallies under those names.
#ifndef OVIK_SCAN_OWNER_NAMES_H_
#define OVIK_SCAN_OWNER_NAMES_H_

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/filesystem.h"
#include "scan/owner_table.h"
#include "scan/ranked_by.h"
#include "scan/stats.h"
#include "scan/tallies.h"

namespace ovik {

// Name under which entries whose owner cannot be read are counted. It
// holds a colon, which no account name on any supported system can.
inline constexpr std::string_view kUnreadableOwnerName = "<unreadable>:";

// The owner's account name; where it has none, or it cannot be had, the
// identifier's own text; where the key is no identifier at all, the
// unreadable pseudo-owner. Never the name of another owner. nullopt when
// the name could not be had for want of memory.
std::optional<std::string> OwnerName(FileSystem& fs,
                                     std::string_view owner_key);
// The same for an owner key (kOwner) or a group key (kGroup).
std::optional<std::string> KeyName(FileSystem& fs, RankedBy by,
                                   std::string_view key);

// Where each key of the tallies went in the table.
struct OwnerIndexes {
  std::unordered_map<std::string, OwnerIndex> by_key;
  std::optional<OwnerIndex> unreadable;

  // nullopt for an owner that could not be recorded.
  std::optional<OwnerIndex> Of(const PartOwner& owner) const;
};

// Records the owners (or groups) of |tallies| in |table| in the order one
// walk would have met them, each under its name and with its identifier's
// text; owners whose names compare equal share a record. False when
// memory ran out: owners that could not be recorded are counted in
// |stats|. With |indexes|, says where each key went.
bool RecordOwners(FileSystem& fs, const Tallies& tallies, OwnerTable* table,
                  ScanStats* stats, RankedBy by = RankedBy::kOwner,
                  OwnerIndexes* indexes = nullptr);

}  // namespace ovik

#endif  // OVIK_SCAN_OWNER_NAMES_H_
