#include "scan/owner_names.h"

namespace ovik {

std::optional<std::string> OwnerName(FileSystem& fs,
                                     std::string_view owner_key) {
  std::string name;
  const Status looked_up = fs.LookupOwnerName(owner_key, &name);
  if (looked_up.ok()) return name;
  // A name service short of memory would give the number where the
  // account has a name.
  if (looked_up.code() == StatusCode::kNoMemory) return std::nullopt;
  if (fs.OwnerKeyText(owner_key, &name).ok()) return name;
  return std::string(kUnreadableOwnerName);
}

bool RecordOwners(FileSystem& fs, const Tallies& tallies, OwnerTable* table,
                  ScanStats* stats) {
  bool whole = true;
  for (const MergedOwner& owner : tallies.InWalkOrder()) {
    const std::optional<std::string> name =
        owner.unreadable ? std::string(kUnreadableOwnerName)
                         : OwnerName(fs, owner.key);
    const auto index = name ? table->FindOrAppend(*name) : std::nullopt;
    if (!index) {
      ++stats->unrecorded_owners;
      whole = false;
      continue;
    }
    table->AddToOwner(*index, owner.bytes);
  }
  return whole;
}

}  // namespace ovik
