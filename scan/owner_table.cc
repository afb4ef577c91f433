#include "scan/owner_table.h"

#include <algorithm>
#include <utility>

#include "scan/saturating.h"

namespace ovik {
namespace {

bool AllDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return c >= '0' && c <= '9';
  });
}

}  // namespace

std::string OwnerTable::Key(std::string_view name) const {
  return folder_ != nullptr ? folder_(name) : std::string(name);
}

bool OwnerTable::SeedOwnerTable(const OwnerId& administrators,
                                std::string_view name, std::string_view id) {
  if (!records_.empty()) return false;
  FindOrAppend(administrators, name, id);
  return true;
}

std::optional<OwnerIndex> OwnerTable::FindOwner(const OwnerId& owner) const {
  auto it = index_.find(owner);
  if (it == index_.end()) return std::nullopt;
  return it->second;
}

OwnerIndex OwnerTable::FindOrAppend(const OwnerId& owner,
                                    std::string_view name,
                                    std::string_view id) {
  if (auto found = FindOwner(owner)) return *found;
  // Appending is the one place a scan allocates per owner: what can throw
  // comes first, so running out of memory leaves the table as it was.
  OwnerRecord record{std::string(name), 0, 0, std::string(id), owner, {}};
  if (records_.size() == records_.capacity()) {
    records_.reserve(records_.size() * 2 + 8);
  }
  index_.emplace(owner, records_.size());
  records_.push_back(std::move(record));  // cannot throw after reserve
  return records_.size() - 1;
}

void OwnerTable::AddToOwner(OwnerIndex index, std::uint64_t bytes,
                            std::uint64_t files, const Ages& ages) {
  records_[index].ages += ages;
  records_[index].total = SaturatingAdd(records_[index].total, bytes);
  records_[index].files = SaturatingAdd(records_[index].files, files);
}

std::vector<OwnerIndex> OwnerTable::FindShown(std::string_view shown) const {
  std::vector<OwnerIndex> found;
  for (OwnerIndex i = 0; i < records_.size(); ++i) {
    if (records_[i].name == shown) return {i};
  }
  const std::string key = Key(shown);
  for (OwnerIndex i = 0; i < records_.size(); ++i) {
    if (Key(records_[i].name) == key) found.push_back(i);
  }
  if (!found.empty()) return found;
  for (OwnerIndex i = 0; i < records_.size(); ++i) {
    if (!records_[i].id.empty() && records_[i].id == shown) found.push_back(i);
  }
  return found;
}

void OwnerTable::TellApart() {
  std::unordered_map<std::string, std::size_t> named;
  for (const OwnerRecord& r : records_) ++named[Key(r.name)];
  for (OwnerIndex i = 1; i < records_.size(); ++i) {
    OwnerRecord& r = records_[i];
    if (r.id.empty() || r.name == r.id) {
      // Shown by its own identifier: nothing else can be shown so, save
      // an account whose name this is, which gets the mark instead.
      continue;
    }
    if ((AllDigits(r.name) && r.name != r.id) || named[Key(r.name)] > 1) {
      r.name += " [" + r.id + "]";
    }
  }
}

}  // namespace ovik
