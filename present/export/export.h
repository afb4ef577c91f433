// A finished ranking and the facts of its scan, as the exports (csv,
// json, html) take them. Plain data: the command that ran the scan fills
// it; the formatters beside this file only turn it into text.
#ifndef OVIK_PRESENT_EXPORT_EXPORT_H_
#define OVIK_PRESENT_EXPORT_EXPORT_H_

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/volumes.h"
#include "scan/ages.h"
#include "scan/ranked_by.h"
#include "volume/volume_facts.h"

namespace ovik {

// One row of the ranking.
struct ExportOwner {
  std::size_t rank = 0;  // position in the ranking, from 1
  // As the account or group database gives it: any bytes, not
  // necessarily UTF-8. Each format makes it safe in its own way.
  std::string name;
  // The numeric id as text: uid or gid in decimal, or a SID string;
  // nothing for a pseudo-owner that has none.
  std::optional<std::string> id;
  std::uint64_t bytes = 0;  // exact total
  std::uint64_t files = 0;  // entries counted for this owner
  std::uint64_t kb = 0;     // bytes / 1024, truncated, as in the ranking
  // |bytes| by the age of the files' times (ExportFacts::age_by); the
  // three add up to |bytes|.
  AgeBytes age{};
};

// The capacity of the scanned volume: exact bytes, and the KB figures
// the ranking's shares are computed against.
struct ExportSpace {
  std::uint64_t total_bytes = 0;
  std::uint64_t free_bytes = 0;  // available to an unprivileged user
  VolumeTotals totals;
};

// Both from one reading of the volume's space.
ExportSpace ExportSpaceOf(const VolumeSpace& space);

struct ExportFacts {
  RankedBy ranked_by = RankedBy::kOwner;
  std::string root;    // the directory scanned (any bytes)
  std::string volume;  // the mount point of the volume that holds it
  // Nothing when the volume's capacity could not be read; shares are
  // then unknown.
  std::optional<ExportSpace> space;
  std::chrono::sys_seconds started{};
  std::chrono::sys_seconds finished{};
  // How the scan counted: "walk", or the volume's table it read ("ext4
  // inode tables", ...).
  std::string method = "walk";
  std::uint64_t skipped_directories = 0;
  std::uint64_t unreadable_entries = 0;
  // False when anything was left out of the totals: a ranking that is
  // not complete must never be shown as if it were.
  bool complete = false;
  // Which of the files' times the owners' ages are taken from.
  AgeBasis age_by = AgeBasis::kModified;
  // Only files at least this many seconds old (by |age_by|) were
  // counted; nothing when every file was.
  std::optional<std::int64_t> older_than{};
};

struct ExportData {
  ExportFacts facts;
  std::vector<ExportOwner> owners;  // in ranking order
};

// "owner" or "group".
std::string_view RankedByName(RankedBy ranked_by);

// "modified" or "access", as --age-by names them.
std::string_view AgeBasisName(AgeBasis basis);

// "YYYY-MM-DDTHH:MM:SSZ".
std::string FormatUtcTime(std::chrono::sys_seconds time);

// An owner's size and share exactly as the ranking's usage text shows
// them: the size with its unit ("300MB") and the share's digits without
// the per cent sign ("30.7200"), nothing while the capacity is unknown.
struct ShownUsage {
  std::string size;
  std::optional<std::string> share;
};
ShownUsage ShowUsage(const ExportOwner& owner, const ExportFacts& facts);

}  // namespace ovik

#endif  // OVIK_PRESENT_EXPORT_EXPORT_H_
