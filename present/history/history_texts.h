// Every text the growth page shows, in one place.
#ifndef OVIK_PRESENT_HISTORY_HISTORY_TEXTS_H_
#define OVIK_PRESENT_HISTORY_HISTORY_TEXTS_H_

#include <string_view>

namespace ovik::history_text {

inline constexpr std::string_view kGrowthByOwner = "Growth by owner";
inline constexpr std::string_view kGrowthByGroup = "Growth by group";
inline constexpr std::string_view kGrowthOf = "Growth of ";
inline constexpr std::string_view kIncomplete =
    "Incomplete: a scan compared here left things out, so its figures are "
    "too low and the changes are not whole.";

inline constexpr std::string_view kFrom = "From";
inline constexpr std::string_view kTo = "To";
inline constexpr std::string_view kTotal = "Total change";
inline constexpr std::string_view kChanged = "Changed";
inline constexpr std::string_view kUnchanged = "Unchanged";
inline constexpr std::string_view kShownBefore = "The first ";
inline constexpr std::string_view kShownAfter = " are listed.";

inline constexpr std::string_view kChartHeading = "Over the saved scans";
inline constexpr std::string_view kChartScans = " saved scans from ";
inline constexpr std::string_view kChartTo = " to ";
inline constexpr std::string_view kChartIncomplete =
    " Red marks below the axis: scans that were not complete.";
inline constexpr std::string_view kNoChart = "Nothing to chart.";

inline constexpr std::string_view kTableHeading = "Changes";
inline constexpr std::string_view kChange = "Change";
inline constexpr std::string_view kBytes = "Bytes";
inline constexpr std::string_view kFiles = "Files";
inline constexpr std::string_view kNow = "Now";
inline constexpr std::string_view kId = "ID";
inline constexpr std::string_view kOwner = "Owner";
inline constexpr std::string_view kGroup = "Group";
inline constexpr std::string_view kPath = "Directory";
inline constexpr std::string_view kNote = "Note";

}  // namespace ovik::history_text

#endif  // OVIK_PRESENT_HISTORY_HISTORY_TEXTS_H_
