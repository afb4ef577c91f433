#include "scan/owner_names.h"

namespace ovik {

std::optional<std::string> KeyName(FileSystem& fs, RankedBy by,
                                   std::string_view key) {
  const bool group = by == RankedBy::kGroup;
  std::string name;
  const Status looked_up =
      group ? fs.LookupGroupName(key, &name) : fs.LookupOwnerName(key, &name);
  if (looked_up.ok()) return name;
  // A name service short of memory would give the number where the
  // account has a name.
  if (looked_up.code() == StatusCode::kNoMemory) return std::nullopt;
  const Status text =
      group ? fs.GroupKeyText(key, &name) : fs.OwnerKeyText(key, &name);
  if (text.ok()) return name;
  return std::string(kUnreadableOwnerName);
}

std::optional<std::string> OwnerName(FileSystem& fs,
                                     std::string_view owner_key) {
  return KeyName(fs, RankedBy::kOwner, owner_key);
}

std::optional<OwnerIndex> OwnerIndexes::Of(const PartOwner& owner) const {
  if (owner.unreadable) return unreadable;
  const auto it = by_key.find(std::string(owner.key));
  if (it == by_key.end()) return std::nullopt;
  return it->second;
}

bool RecordOwners(FileSystem& fs, const Tallies& tallies, OwnerTable* table,
                  ScanStats* stats, RankedBy by, OwnerIndexes* indexes) {
  bool whole = true;
  for (const MergedOwner& owner : tallies.InWalkOrder()) {
    const std::optional<std::string> name =
        owner.unreadable ? std::string(kUnreadableOwnerName)
                         : KeyName(fs, by, owner.key);
    const auto index = name ? table->FindOrAppend(*name) : std::nullopt;
    if (!index) {
      ++stats->unrecorded_owners;
      whole = false;
      continue;
    }
    table->AddToOwner(*index, owner.bytes, owner.files);
    if (!owner.unreadable) {
      std::string id;
      const Status text = by == RankedBy::kGroup
                              ? fs.GroupKeyText(owner.key, &id)
                              : fs.OwnerKeyText(owner.key, &id);
      if (text.ok()) table->NoteOwnerId(*index, id);
    }
    if (indexes == nullptr) continue;
    if (owner.unreadable) {
      indexes->unreadable = *index;
    } else {
      indexes->by_key.emplace(std::string(owner.key), *index);
    }
  }
  return whole;
}

}  // namespace ovik
