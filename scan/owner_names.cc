#include "scan/owner_names.h"

#include <new>

namespace ovik {

OwnerLabel LabelOwner(FileSystem& fs, const OwnerId& owner,
                      ScanStats* stats) {
  OwnerLabel label;
  if (owner.unreadable()) {
    label.name = kUnreadableOwnerName;
    return label;
  }
  const bool group = owner.kind() == OwnerId::Kind::kGroup;
  const bool has_text = group ? fs.GroupKeyText(owner.key(), &label.id).ok()
                              : fs.OwnerKeyText(owner.key(), &label.id).ok();
  if (!has_text) label.id.clear();
  const Status named = group ? fs.LookupGroupName(owner.key(), &label.name)
                             : fs.LookupOwnerName(owner.key(), &label.name);
  if (named.ok()) return label;
  if (named.code() == StatusCode::kNoMemory) throw std::bad_alloc();
  if (!has_text) {
    // Bytes that are no identifier at all.
    label.name = kUnreadableOwnerName;
    return label;
  }
  // No name (the identifier has none), or none to be had: the number.
  if (named.code() != StatusCode::kNotFound &&
      named.code() != StatusCode::kUnsupported) {
    ++stats->unnamed_owners;
  }
  label.name = label.id;
  return label;
}

void RecordOwners(FileSystem& fs, const Tallies& tallies, OwnerTable* table,
                  ScanStats* stats, OwnerIndexes* indexes) {
  for (const MergedOwner& merged : tallies.InWalkOrder()) {
    const OwnerId& owner = *merged.owner;
    OwnerIndex index;
    if (auto found = table->FindOwner(owner)) {
      index = *found;
    } else {
      const OwnerLabel label = LabelOwner(fs, owner, stats);
      // Bytes that are no identifier count with the unreadable owners.
      const bool identifier =
          !label.id.empty() || label.name != kUnreadableOwnerName;
      index = table->FindOrAppend(identifier ? owner : OwnerId(), label.name,
                                  label.id);
    }
    table->AddToOwner(index, merged.bytes, merged.files, merged.ages);
    if (indexes != nullptr) indexes->emplace(owner, index);
  }
  table->TellApart();
}

}  // namespace ovik
