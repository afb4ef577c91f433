// How old an owner's bytes are: its files' bytes by the age of their last
// modification and, beside it, of their last access, each in three
// buckets that add up to the bytes counted.
#ifndef OVIK_SCAN_AGES_H_
#define OVIK_SCAN_AGES_H_

#include <cstdint>
#include <optional>

#include "scan/saturating.h"

namespace ovik {

inline constexpr std::int64_t kSecondsPerDay = 24 * 60 * 60;
// The bounds of the buckets.
inline constexpr std::int64_t kRecentAge = 30 * kSecondsPerDay;
inline constexpr std::int64_t kYearAge = 365 * kSecondsPerDay;

// Which of a file's times its age is taken from.
enum class AgeBasis : std::uint8_t { kModified, kAccessed };

struct AgeBytes {
  std::uint64_t under_30_days = 0;
  std::uint64_t under_1_year = 0;  // 30 days or more, under a year
  std::uint64_t older = 0;         // a year or more

  // Adds |bytes| of a file whose time is |time|, at |now| (both seconds
  // since 1970). A time after |now| (a clock set wrong) is recent.
  void Add(std::int64_t time, std::int64_t now, std::uint64_t bytes) {
    const std::int64_t age = now - time;
    std::uint64_t& bucket = age < kRecentAge ? under_30_days
                            : age < kYearAge ? under_1_year
                                             : older;
    bucket = SaturatingAdd(bucket, bytes);
  }
  AgeBytes& operator+=(const AgeBytes& other) {
    under_30_days = SaturatingAdd(under_30_days, other.under_30_days);
    under_1_year = SaturatingAdd(under_1_year, other.under_1_year);
    older = SaturatingAdd(older, other.older);
    return *this;
  }
  friend bool operator==(const AgeBytes&, const AgeBytes&) = default;
};

struct Ages {
  AgeBytes modified;
  AgeBytes accessed;

  void Add(std::int64_t modified_time, std::int64_t accessed_time,
           std::int64_t now, std::uint64_t bytes) {
    modified.Add(modified_time, now, bytes);
    accessed.Add(accessed_time, now, bytes);
  }
  Ages& operator+=(const Ages& other) {
    modified += other.modified;
    accessed += other.accessed;
    return *this;
  }
  const AgeBytes& by(AgeBasis basis) const {
    return basis == AgeBasis::kAccessed ? accessed : modified;
  }
  friend bool operator==(const Ages&, const Ages&) = default;
};

// The clock a scan counts ages by, and which files it counts by their age:
// all, or only those whose time is at least |older_than| seconds before
// |now|.
struct AgeRule {
  std::int64_t now = 0;  // seconds since 1970
  AgeBasis basis = AgeBasis::kModified;
  std::optional<std::int64_t> older_than{};

  bool Counts(std::int64_t modified, std::int64_t accessed) const {
    if (!older_than) return true;
    const std::int64_t time =
        basis == AgeBasis::kAccessed ? accessed : modified;
    return now - time >= *older_than;
  }
};

}  // namespace ovik

#endif  // OVIK_SCAN_AGES_H_
