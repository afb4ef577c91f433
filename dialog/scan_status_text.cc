#include "dialog/scan_status_text.h"

#include "dialog/texts.h"
#include "present/fill.h"

namespace ovik {
namespace {

std::string Counts(std::string_view text, std::uint64_t files,
                   std::uint64_t directories, std::uint64_t bytes) {
  return Fill(text, {GroupThousands(files), GroupThousands(directories),
                     GroupThousands(bytes / 1024)});
}

}  // namespace

std::string GroupThousands(std::uint64_t value) {
  std::string digits = std::to_string(value);
  std::string out;
  const std::size_t n = digits.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out.push_back(',');
    out.push_back(digits[i]);
  }
  return out;
}

std::string ProgressLine(std::uint64_t files, std::uint64_t directories,
                         std::uint64_t bytes, bool cancelling) {
  return Counts(cancelling ? text::kCancelling : text::kScanning, files,
                directories, bytes);
}

std::string ScanSummary(const ScanStats& stats) {
  return Counts(text::kScanned, stats.files, stats.directories, stats.bytes);
}

std::string SkipSummary(const ScanStats& stats) {
  const std::string skipped = GroupThousands(stats.skipped_directories);
  const std::string unreadable = GroupThousands(stats.unreadable_entries);
  if (stats.skipped_directories > 0 && stats.unreadable_entries > 0) {
    return Fill(text::kSkippedAndUnreadable, {skipped, unreadable});
  }
  if (stats.skipped_directories > 0) {
    return Fill(text::kSkippedDirectories, {skipped});
  }
  if (stats.unreadable_entries > 0) {
    return Fill(text::kUnreadableEntries, {unreadable});
  }
  return {};
}

}  // namespace ovik
