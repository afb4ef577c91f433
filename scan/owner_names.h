// The name each owner of a scan is shown under, and the owner table built
// from the merged tallies.
#ifndef OVIK_SCAN_OWNER_NAMES_H_
#define OVIK_SCAN_OWNER_NAMES_H_

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/filesystem.h"
#include "scan/owner_id.h"
#include "scan/owner_table.h"
#include "scan/stats.h"
#include "scan/tallies.h"

namespace ovik {

// Name under which entries whose owner cannot be read are counted. It
// holds a colon, which no account name on any supported system can.
inline constexpr std::string_view kUnreadableOwnerName = "<unreadable>:";

// What an owner is shown as and its identifier's text.
struct OwnerLabel {
  std::string name;
  std::string id;  // empty for the unreadable pseudo-owner
};

// The owner's (or group's) account name; where it has none, the
// identifier's own text; the unreadable pseudo-owner's name for it and
// for bytes that are no identifier at all. Never the name of another
// owner. A name that could not be had for another reason than that the
// identifier has none (the account service failed) is given as the
// identifier's text and counted in |stats|, so the ranking does not
// pass for whole.
OwnerLabel LabelOwner(FileSystem& fs, const OwnerId& owner, ScanStats* stats);

// Where each owner of the tallies went in the table.
using OwnerIndexes = std::unordered_map<OwnerId, OwnerIndex, OwnerId::Hash>;

// Records the owners (or groups) of |tallies| in |table| in the order one
// walk would have met them, each under its name and with its identifier's
// text, then tells apart those that would look alike. With |indexes|,
// says where each owner went.
void RecordOwners(FileSystem& fs, const Tallies& tallies, OwnerTable* table,
                  ScanStats* stats, OwnerIndexes* indexes = nullptr);

}  // namespace ovik

#endif  // OVIK_SCAN_OWNER_NAMES_H_
