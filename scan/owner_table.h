// The owners met during one scan, in the order they were first met, each
// with the bytes attributed to it. The head is always the administrators'
// record, which stays in every ranking even with nothing attributed.
#ifndef OVIK_SCAN_OWNER_TABLE_H_
#define OVIK_SCAN_OWNER_TABLE_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ovik {

struct OwnerRecord {
  std::string name;         // the spelling first recorded
  std::uint64_t total = 0;  // bytes; stops at the largest figure
  std::uint64_t files = 0;  // entries counted; stops at the largest figure
  // The identifier's text (a uid or gid in decimal, a SID string) of the
  // first identifier recorded under this name; empty for the
  // administrators' head until one is, and for the unreadable
  // pseudo-owner.
  std::string id{};
};

// Position of a record in the table, 0 being the head.
using OwnerIndex = std::size_t;

class OwnerTable {
 public:
  // Maps a name to the key under which names compare equal; nullptr
  // compares names byte for byte. A plain function, so that a table needs
  // nothing else alive.
  using NameFolder = std::string (*)(std::string_view name);

  explicit OwnerTable(NameFolder folder = nullptr) : folder_(folder) {}

  // Records |administrators_name| as the head. Only valid on an empty
  // table; returns false when there is no memory for it.
  bool SeedOwnerTable(std::string_view administrators_name);
  // Position of the record whose name compares equal to |name|.
  std::optional<OwnerIndex> FindOwner(std::string_view name) const;
  // Appends a record for |name| at position size() - 1. Returns false and
  // leaves the table unchanged when there is no memory for it.
  bool AppendOwner(std::string_view name);
  void AddToOwner(OwnerIndex index, std::uint64_t bytes,
                  std::uint64_t files = 0);
  // Gives the record its identifier's text unless it has one already.
  void NoteOwnerId(OwnerIndex index, std::string_view id);

  // Finds |name| or appends it; nullopt only when appending failed.
  std::optional<OwnerIndex> FindOrAppend(std::string_view name);

  std::size_t size() const { return records_.size(); }
  bool empty() const { return records_.empty(); }
  const OwnerRecord& operator[](OwnerIndex i) const { return records_[i]; }
  const std::vector<OwnerRecord>& records() const { return records_; }

 private:
  std::string Key(std::string_view name) const;

  NameFolder folder_ = nullptr;
  std::vector<OwnerRecord> records_;
  std::unordered_map<std::string, OwnerIndex> index_;
};

}  // namespace ovik

#endif  // OVIK_SCAN_OWNER_TABLE_H_
