// The owners met during one scan, in the order they were first met, each
// with the bytes attributed to it. Owners are records of who they are
// (scan/owner_id.h); the name beside each is what the user is shown. The
// head is always the administrators' record, which stays in every ranking
// even with nothing attributed.
#ifndef OVIK_SCAN_OWNER_TABLE_H_
#define OVIK_SCAN_OWNER_TABLE_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "scan/ages.h"
#include "scan/owner_id.h"

namespace ovik {

struct OwnerRecord {
  // The name shown: the account's name, else the identifier's text, with
  // the identifier after it where the name alone would pass for another
  // owner (see TellApart).
  std::string name;
  std::uint64_t total = 0;  // bytes; stops at the largest figure
  std::uint64_t files = 0;  // entries counted; stops at the largest figure
  // The identifier's text (a uid or gid in decimal, a SID string); empty
  // for the unreadable pseudo-owner.
  std::string id{};
  OwnerId owner{};  // who it is
  Ages ages{};  // |total| by the age of the files' times
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

  // Records |administrators| as the head. Only valid on an empty table.
  // Memory running out throws std::bad_alloc and leaves the table empty.
  bool SeedOwnerTable(const OwnerId& administrators, std::string_view name,
                      std::string_view id = {});
  // Position of the record of |owner|.
  std::optional<OwnerIndex> FindOwner(const OwnerId& owner) const;
  // Appends a record for |owner| at position size() - 1; an owner
  // recorded already is not recorded again. Memory running out throws
  // std::bad_alloc and leaves the table unchanged.
  OwnerIndex FindOrAppend(const OwnerId& owner, std::string_view name,
                          std::string_view id);
  void AddToOwner(OwnerIndex index, std::uint64_t bytes,
                  std::uint64_t files = 0, const Ages& ages = {});

  // The records a user means by |shown|: the one shown under exactly that
  // name; else those whose name compares equal to it; else those whose
  // identifier's text it is. Empty when none.
  std::vector<OwnerIndex> FindShown(std::string_view shown) const;

  // Makes owners that would look alike distinguishable: a name made of
  // digits that is not the owner's own number (an account named "1001"
  // beside the owner without an account whose number is 1001), and names
  // that compare equal for different owners (one name in two domains),
  // get the identifier after them, "1001 [1002]". The head keeps its name.
  void TellApart();

  std::size_t size() const { return records_.size(); }
  bool empty() const { return records_.empty(); }
  const OwnerRecord& operator[](OwnerIndex i) const { return records_[i]; }
  const std::vector<OwnerRecord>& records() const { return records_; }

 private:
  std::string Key(std::string_view name) const;

  NameFolder folder_ = nullptr;
  std::vector<OwnerRecord> records_;
  std::unordered_map<OwnerId, OwnerIndex, OwnerId::Hash> index_;
};

}  // namespace ovik

#endif  // OVIK_SCAN_OWNER_TABLE_H_
