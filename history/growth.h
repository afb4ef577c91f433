// Who grew between two saved scans of one root, and where an owner grew:
// plain computations on loaded scans (history/history.h loads them).
//
// Owners are matched by who they are, not by name. An owner in the newer
// scan only has appeared, one in the older only has vanished; both are
// listed with the change they make. Lists hold what changed, the largest
// growth first and the largest shrinking last, ties in a fixed order.
// A comparison where either scan is not complete says so (incomplete()):
// its figures may be short, and the caller must not present them as
// whole.
#ifndef OVIK_HISTORY_GROWTH_H_
#define OVIK_HISTORY_GROWTH_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "history/saved_scan.h"
#include "scan/ranked_by.h"

namespace ovik {

// The difference of two unsigned figures, kept exactly: a sign and an
// amount.
struct Change {
  bool down = false;
  std::uint64_t amount = 0;

  friend bool operator==(const Change&, const Change&) = default;
};

Change ChangeBetween(std::uint64_t before, std::uint64_t after);
// Whether |a| is more growth than |b| (a larger signed number).
bool MoreGrowth(const Change& a, const Change& b);

enum class Presence : std::uint8_t {
  kBoth,      // in both scans
  kAppeared,  // in the newer one only
  kVanished,  // in the older one only
};

struct GrowthRow {
  Who who;
  std::string name;  // as the newer scan (or the older) names it
  Presence presence = Presence::kBoth;
  std::uint64_t bytes_before = 0;
  std::uint64_t bytes_after = 0;
  std::uint64_t files_before = 0;
  std::uint64_t files_after = 0;

  Change bytes() const { return ChangeBetween(bytes_before, bytes_after); }
  Change files() const { return ChangeBetween(files_before, files_after); }
};

struct Growth {
  RankedBy by = RankedBy::kOwner;
  ScanFacts older;
  ScanFacts newer;
  std::vector<GrowthRow> rows;  // what changed, the largest growth first
  std::uint64_t unchanged = 0;  // listed in both with the same figures

  bool incomplete() const { return !older.complete || !newer.complete; }
};

Growth ComputeGrowth(const SavedScan& older, const SavedScan& newer,
                     RankedBy by);

struct DirectoryGrowthRow {
  std::string path;  // below the root, as saved
  // Whether the scan saved the directory: one that was not held less
  // than the share saved (history/saved_scan.h), or nothing; its bytes
  // count as 0 there.
  bool saved_before = false;
  bool saved_after = false;
  std::uint64_t bytes_before = 0;
  std::uint64_t bytes_after = 0;
  std::optional<std::uint64_t> files_before;
  std::optional<std::uint64_t> files_after;

  Change bytes() const { return ChangeBetween(bytes_before, bytes_after); }
};

struct DirectoryGrowth {
  ScanFacts older;
  ScanFacts newer;
  GrowthRow owner;  // the owner's own totals
  // The saved directories whose bytes changed: the largest growth first;
  // of equal changes the deeper directory first, since it says more
  // precisely where the bytes went.
  std::vector<DirectoryGrowthRow> rows;
  std::uint64_t unchanged = 0;

  bool incomplete() const { return !older.complete || !newer.complete; }
};

// Where |who| grew; its directories are those the scans saved.
DirectoryGrowth ComputeDirectoryGrowth(const SavedScan& older,
                                       const SavedScan& newer, const Who& who);

// The owner (or group) |text| names in |newer| or else |older|: its name
// as shown, else its id ("1000", a SID).
std::optional<Who> FindWho(const SavedScan& older, const SavedScan& newer,
                           RankedBy by, std::string_view text);

// The |count| largest owners (or groups) of |scan|, largest first: the
// lines a chart of a range of scans follows.
std::vector<const SavedOwner*> LargestOf(const SavedScan& scan, RankedBy by,
                                         std::size_t count);

}  // namespace ovik

#endif  // OVIK_HISTORY_GROWTH_H_
