#include "scan/owner_names.h"

namespace ovik {

std::string OwnerName(FileSystem& fs, std::string_view owner_key) {
  std::string name;
  if (fs.LookupOwnerName(owner_key, &name).ok()) return name;
  if (fs.OwnerKeyText(owner_key, &name).ok()) return name;
  return std::string(kUnreadableOwnerName);
}

void RecordOwners(FileSystem& fs, const Tallies& tallies, OwnerTable* table,
                  ScanStats* stats) {
  for (const MergedOwner& owner : tallies.InWalkOrder()) {
    const std::string name = owner.unreadable
                                 ? std::string(kUnreadableOwnerName)
                                 : OwnerName(fs, owner.key);
    const auto index = table->FindOrAppend(name);
    if (!index) {
      ++stats->unrecorded_owners;
      continue;
    }
    table->AddToOwner(*index, owner.bytes);
  }
}

}  // namespace ovik
