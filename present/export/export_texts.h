// Every text the html page shows, in one place; sentences whole, with
// numbered places that values fill in (present/fill.h).
#ifndef OVIK_PRESENT_EXPORT_EXPORT_TEXTS_H_
#define OVIK_PRESENT_EXPORT_EXPORT_TEXTS_H_

#include <string_view>

namespace ovik::export_text {

inline constexpr std::string_view kTitleByOwner = "Space by owner";
inline constexpr std::string_view kTitleByGroup = "Space by group";
inline constexpr std::string_view kIncomplete =
    "Incomplete: not everything under the root could be counted, so these "
    "totals are too low.";

// The scan's facts.
inline constexpr std::string_view kRoot = "Root";
inline constexpr std::string_view kVolume = "Volume";
inline constexpr std::string_view kVolumeTotal = "Volume total";
inline constexpr std::string_view kVolumeFree = "Volume free";
inline constexpr std::string_view kStarted = "Started";
inline constexpr std::string_view kFinished = "Finished";
inline constexpr std::string_view kSkippedDirectories = "Skipped directories";
inline constexpr std::string_view kUnreadableEntries = "Unreadable entries";
inline constexpr std::string_view kRanking = "Ranking";
inline constexpr std::string_view kComplete = "complete";
inline constexpr std::string_view kNotComplete = "incomplete";
inline constexpr std::string_view kUnknown = "unknown";
inline constexpr std::string_view kBytes = "{1} bytes";
inline constexpr std::string_view kAgesBy = "Ages by";
inline constexpr std::string_view kLastModification = "last modification";
inline constexpr std::string_view kLastAccess = "last access";
inline constexpr std::string_view kOlderThan = "Only files older than";
inline constexpr std::string_view kDays = "{1} days";
inline constexpr std::string_view kSeconds = "{1} seconds";

// The chart.
inline constexpr std::string_view kChartHeading = "Shares of the volume";
// How many are charted, of how many.
inline constexpr std::string_view kChartTopOwners =
    "The {1} largest of {2} owners; the rest as one bar.";
inline constexpr std::string_view kChartTopGroups =
    "The {1} largest of {2} groups; the rest as one bar.";
inline constexpr std::string_view kOthers = "Others";
inline constexpr std::string_view kNothingCounted = "Nothing was counted.";

// The table.
inline constexpr std::string_view kTableHeading = "Ranking";
inline constexpr std::string_view kRank = "Rank";
inline constexpr std::string_view kOwner = "Owner";
inline constexpr std::string_view kGroup = "Group";
inline constexpr std::string_view kId = "ID";
inline constexpr std::string_view kSize = "Size";
inline constexpr std::string_view kShare = "Share";
inline constexpr std::string_view kFiles = "Files";
inline constexpr std::string_view kBytesColumn = "Bytes";
// The owner's bytes by age, after its other columns.
inline constexpr std::string_view kUnder30Days = "Under 30 days";
inline constexpr std::string_view kUnder1Year = "30 days to 1 year";
inline constexpr std::string_view kOlder = "1 year or more";

}  // namespace ovik::export_text

#endif  // OVIK_PRESENT_EXPORT_EXPORT_TEXTS_H_
