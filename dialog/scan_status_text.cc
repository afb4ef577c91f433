#include "dialog/scan_status_text.h"

#include "dialog/texts.h"

namespace ovik {
namespace {

std::string Counts(std::uint64_t files, std::uint64_t directories,
                   std::uint64_t bytes) {
  std::string line = GroupThousands(files);
  line += text::kFiles;
  line += GroupThousands(directories);
  line += text::kDirectories;
  line += GroupThousands(bytes / 1024);
  line += text::kKilobytes;
  return line;
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
  return std::string(cancelling ? text::kCancelling : text::kScanning) +
         Counts(files, directories, bytes);
}

std::string ScanSummary(const ScanStats& stats) {
  return std::string(text::kScanned) +
         Counts(stats.files, stats.directories, stats.bytes);
}

std::string SkipSummary(const ScanStats& stats) {
  std::string line;
  if (stats.skipped_directories > 0) {
    line += GroupThousands(stats.skipped_directories);
    line += text::kSkippedDirectories;
  }
  if (stats.unreadable_entries > 0) {
    if (!line.empty()) line += text::kSeparator;
    line += GroupThousands(stats.unreadable_entries);
    line += text::kUnreadableEntries;
  }
  return line;
}

}  // namespace ovik
