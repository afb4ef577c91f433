// One scan as the history keeps it: plain data. The command that ran the
// scan fills it; History (history/history.h) stores it and gives it back.
//
// Owners and groups are keyed by who they are (a uid, a gid, a SID),
// never by their names: an account renamed stays the same owner, and two
// accounts that share a name stay apart. Names are kept beside, for
// showing only. Paths and names are bytes, whatever they hold.
#ifndef OVIK_HISTORY_SAVED_SCAN_H_
#define OVIK_HISTORY_SAVED_SCAN_H_

#include <chrono>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ovik {

enum class WhoKind : std::uint8_t { kUid, kGid, kSid, kUnreadable };

// "uid", "gid", "sid", "unreadable": how the history file spells them.
std::string_view WhoKindName(WhoKind kind);
std::optional<WhoKind> ParseWhoKind(std::string_view name);

struct Who {
  WhoKind kind = WhoKind::kUid;
  // The uid or gid in decimal, the SID string; empty for the owner of
  // entries whose owner could not be read.
  std::string id;

  friend bool operator==(const Who&, const Who&) = default;
};

// A fixed order for ties: by kind, then by id, decimal ids by their value.
bool WhoBefore(const Who& a, const Who& b);

// An owner's bytes by the age of its files' last modification (or last
// access). The three add up to the owner's bytes.
struct AgeBuckets {
  std::uint64_t under_30_days = 0;
  std::uint64_t under_1_year = 0;  // 30 days or more, under a year
  std::uint64_t older = 0;         // a year or more

  friend bool operator==(const AgeBuckets&, const AgeBuckets&) = default;
};

// A directory that holds a real part of one owner's bytes.
struct SavedDirectory {
  // Below the scan's root, names joined by '/'; empty for the root.
  std::string path;
  std::uint64_t bytes = 0;  // the owner's bytes in it and below it
  // The owner's files there; nothing where the scan did not count them
  // per directory.
  std::optional<std::uint64_t> files;

  friend bool operator==(const SavedDirectory&,
                         const SavedDirectory&) = default;
};

struct SavedOwner {
  Who who;
  // As the account database gave it at the save. A loaded scan carries
  // the name of the newest save that saw this owner.
  std::string name;
  std::uint64_t bytes = 0;
  std::uint64_t files = 0;
  // Either every owner of a scan has them or none has.
  std::optional<AgeBuckets> by_modification;
  std::optional<AgeBuckets> by_access;
  // Largest first, as SelectNotableDirectories keeps them. Owners only:
  // groups have none.
  std::vector<SavedDirectory> directories;

  friend bool operator==(const SavedOwner&, const SavedOwner&) = default;
};

// Why a scan is not complete, as the scan counted it.
struct MissingCounts {
  std::uint64_t skipped_directories = 0;
  std::uint64_t unreadable_entries = 0;
  std::uint64_t unrecorded_owners = 0;
  std::uint64_t saturated_totals = 0;

  friend bool operator==(const MissingCounts&, const MissingCounts&) = default;
};

// Which saved scans compare with each other: those of one file system,
// told by its own identity rather than where it is mounted (so a renamed
// mount point still matches), with the same root within it.
struct SeriesKey {
  // Chosen by the caller: a file system UUID, say. Any bytes.
  std::string volume;
  // The root's path from the file system's own root (not from the mount
  // point): "" or "/" for the whole volume, "/home" below it.
  std::string root_in_volume;

  friend bool operator==(const SeriesKey&, const SeriesKey&) = default;
};

// A saved scan without its figures: what the history lists.
struct ScanFacts {
  std::int64_t id = 0;  // given by the history when saved
  SeriesKey series;
  std::chrono::sys_seconds started{};
  std::chrono::sys_seconds finished{};
  std::string root;          // the directory scanned, as it was named then
  std::string mount_point;   // where the volume was mounted, for showing
  std::string volume_label;  // empty when it has none
  std::string method;        // how it was counted: "walk", ...
  std::uint32_t threads = 0;
  // False when anything was left out of the totals.
  bool complete = false;
  MissingCounts missing;
  std::uint64_t total_bytes = 0;
  std::uint64_t total_files = 0;
  std::optional<std::uint64_t> capacity_bytes;  // the volume's size
  // Filled by the history from the scan's lists.
  std::uint64_t owner_count = 0;
  std::uint64_t group_count = 0;

  friend bool operator==(const ScanFacts&, const ScanFacts&) = default;
};

struct SavedScan {
  ScanFacts facts;
  std::vector<SavedOwner> owners;
  std::vector<SavedOwner> groups;

  friend bool operator==(const SavedScan&, const SavedScan&) = default;
};

// Which of an owner's directories are saved: those that hold at least
// 1/kNotableShare of its bytes, the largest kMostNotable of them. Enough
// to say where an owner grew (a directory that took a thousandth of its
// bytes is named), small enough that a scan of a thousand owners adds
// tens of kilobytes; directories that did not change are stored once for
// many scans (history/directory_sets.h).
inline constexpr std::uint64_t kNotableShare = 1000;
inline constexpr std::size_t kMostNotable = 200;

// The directories kept of |candidates| (the scan's list of where an
// owner's bytes are, a chain of directories holding the same bytes given
// once), largest first, equal bytes in the order of their paths.
std::vector<SavedDirectory> SelectNotableDirectories(
    std::vector<SavedDirectory> candidates, std::uint64_t owner_bytes);

// |owners| with those of one identity added up into the first of them
// (their directories merged by path and chosen again), in the order
// they came; an owner's directories named twice are added up too. A
// scan names each owner once; a table keyed by names may not.
std::vector<SavedOwner> CombineSameWho(std::vector<SavedOwner> owners);

}  // namespace ovik

#endif  // OVIK_HISTORY_SAVED_SCAN_H_
