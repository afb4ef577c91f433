#include "scan/owner_table.h"

#include <new>
#include <utility>

#include "scan/saturating.h"

namespace ovik {

std::string OwnerTable::Key(std::string_view name) const {
  return folder_ != nullptr ? folder_(name) : std::string(name);
}

bool OwnerTable::SeedOwnerTable(std::string_view administrators_name) {
  if (!records_.empty()) return false;
  return AppendOwner(administrators_name);
}

std::optional<OwnerIndex> OwnerTable::FindOwner(std::string_view name) const {
  auto it = index_.find(Key(name));
  if (it == index_.end()) return std::nullopt;
  return it->second;
}

bool OwnerTable::AppendOwner(std::string_view name) {
  // Appending is the one place a scan allocates per owner; running out of
  // memory here must leave the table as it was.
  try {
    std::string key = Key(name);
    if (records_.size() == records_.capacity()) {
      records_.reserve(records_.size() * 2 + 8);
    }
    OwnerRecord record{std::string(name), 0, 0, {}};
    // A name already present keeps finding its first record.
    index_.emplace(std::move(key), records_.size());
    records_.push_back(std::move(record));  // cannot throw after reserve
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

void OwnerTable::AddToOwner(OwnerIndex index, std::uint64_t bytes,
                            std::uint64_t files) {
  records_[index].total = SaturatingAdd(records_[index].total, bytes);
  records_[index].files = SaturatingAdd(records_[index].files, files);
}

void OwnerTable::NoteOwnerId(OwnerIndex index, std::string_view id) {
  if (records_[index].id.empty()) records_[index].id = std::string(id);
}

std::optional<OwnerIndex> OwnerTable::FindOrAppend(std::string_view name) {
  if (auto found = FindOwner(name)) return found;
  if (!AppendOwner(name)) return std::nullopt;
  return records_.size() - 1;
}

}  // namespace ovik
