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

std::string ProgressCaption(std::uint64_t files, std::uint64_t directories,
                            std::uint64_t bytes, bool cancelling) {
  return Fill(cancelling ? text::kCancellingCaption : text::kScanningCaption,
              {GroupThousands(files), GroupThousands(directories),
               GroupThousands(bytes >> 20)});
}

std::string ScanSummary(const ScanStats& stats) {
  return Counts(text::kScanned, stats.files, stats.directories, stats.bytes);
}

std::vector<std::string> MissingFacts(const ScanStats& stats) {
  const struct {
    std::uint64_t count;
    std::string_view text;
  } facts[] = {
      {stats.skipped_directories, text::kSkippedDirectories},
      {stats.skipped_for_handles, text::kSkippedForHandles},
      {stats.unreadable_entries, text::kUnreadableEntries},
      {stats.unread_table_parts, text::kUnreadTableParts},
      {stats.unnamed_owners, text::kUnnamedOwners},
      {stats.saturated_totals, text::kSaturatedTotals},
  };
  std::vector<std::string> lines;
  for (const auto& fact : facts) {
    if (fact.count != 0) {
      lines.push_back(Fill(fact.text, {GroupThousands(fact.count)}));
    }
  }
  return lines;
}

std::string SkipSummary(const ScanStats& stats) {
  std::string line;
  for (const std::string& fact : MissingFacts(stats)) {
    if (!line.empty()) line += text::kFactSeparator;
    line += fact;
  }
  return line;
}

}  // namespace ovik
