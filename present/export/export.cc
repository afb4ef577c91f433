#include "present/export/export.h"

#include <cstdio>
#include <limits>

#include "present/usage_text.h"

namespace ovik {

ExportSpace ExportSpaceOf(const VolumeSpace& space) {
  ExportSpace out;
  out.total_bytes = space.total_bytes;
  out.free_bytes = space.free_bytes;
  out.totals = ComputeVolumeTotals(space);
  return out;
}

std::string_view RankedByName(RankedBy ranked_by) {
  return ranked_by == RankedBy::kGroup ? "group" : "owner";
}

std::string_view AgeBasisName(AgeBasis basis) {
  return basis == AgeBasis::kAccessed ? "access" : "modified";
}

std::string FormatUtcTime(std::chrono::sys_seconds time) {
  const auto day = std::chrono::floor<std::chrono::days>(time);
  const std::chrono::year_month_day date{day};
  const std::chrono::hh_mm_ss clock{time - day};
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02lld:%02lld:%02lldZ",
                static_cast<int>(date.year()),
                static_cast<unsigned>(date.month()),
                static_cast<unsigned>(date.day()),
                static_cast<long long>(clock.hours().count()),
                static_cast<long long>(clock.minutes().count()),
                static_cast<long long>(clock.seconds().count()));
  return text;
}

ShownUsage ShowUsage(const ExportOwner& owner, const ExportFacts& facts) {
  const std::uint64_t volume_kb =
      facts.space ? facts.space->totals.total_kb : 0;
  // The usage text is "<padding><size><unit>  <share>%": taking it apart
  // keeps both exactly as the ranking shows them.
  const std::string usage = FormatUsage(owner.kb, volume_kb);
  const std::size_t begin = usage.find_first_not_of(' ');
  const std::size_t gap = usage.find("  ", begin);
  ShownUsage shown;
  if (begin == std::string::npos || gap == std::string::npos) {
    shown.size = usage;
    return shown;
  }
  shown.size = usage.substr(begin, gap - begin);
  // Without a capacity the text holds a placeholder, not a share.
  if (volume_kb != 0 && usage.back() == '%') {
    shown.share = usage.substr(gap + 2, usage.size() - gap - 3);
  }
  return shown;
}

}  // namespace ovik
