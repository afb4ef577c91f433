#include "present/history/history_shown.h"

#include <algorithm>
#include <vector>

#include "present/usage_text.h"

namespace ovik {
namespace {

std::string Counted(std::uint64_t n, std::string_view one,
                    std::string_view many) {
  return std::to_string(n) + " " + std::string(n == 1 ? one : many);
}

}  // namespace

std::string ShownSizeChange(const Change& change) {
  return (change.down ? "-" : "+") + FormatSize(change.amount >> 10);
}

std::string ShownChange(const Change& change) {
  return (change.down ? "-" : "+") + std::to_string(change.amount);
}

std::string_view PresenceName(Presence presence) {
  switch (presence) {
    case Presence::kAppeared:
      return "appeared";
    case Presence::kVanished:
      return "vanished";
    case Presence::kBoth:
      break;
  }
  return {};
}

std::string ShownWho(const Who& who) {
  std::string shown(WhoKindName(who.kind));
  if (!who.id.empty()) shown += " " + who.id;
  return shown;
}

std::string ShownMissing(const MissingCounts& missing) {
  std::vector<std::string> parts;
  if (missing.skipped_directories != 0) {
    parts.push_back(Counted(missing.skipped_directories, "directory skipped",
                            "directories skipped"));
  }
  if (missing.unreadable_entries != 0) {
    parts.push_back(Counted(missing.unreadable_entries, "unreadable entry",
                            "unreadable entries"));
  }
  if (missing.unrecorded_owners != 0) {
    parts.push_back(Counted(missing.unrecorded_owners, "owner not recorded",
                            "owners not recorded"));
  }
  if (missing.saturated_totals != 0) {
    parts.push_back(Counted(missing.saturated_totals,
                            "total past the largest figure",
                            "totals past the largest figure"));
  }
  std::string text;
  for (const std::string& part : parts) {
    if (!text.empty()) text += ", ";
    text += part;
  }
  return text;
}

std::string ShownCompleteness(const ScanFacts& facts) {
  if (facts.complete) return "complete";
  const std::string missing = ShownMissing(facts.missing);
  return missing.empty() ? "incomplete" : "incomplete (" + missing + ")";
}

std::size_t Shown(std::size_t size, std::size_t top) {
  return top == 0 ? size : std::min(size, top);
}

}  // namespace ovik
