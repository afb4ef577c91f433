#include "present/report.h"

#include <cstddef>
#include <new>
#include <string>

#include "platform/file_writer.h"
#include "platform/text_encoding.h"
#include "present/display_name.h"
#include "present/usage_text.h"
#include "ui/texts.h"

namespace ovik {
namespace {

// The name column's width in bytes of the report's encoding. Longer
// names are written whole.
constexpr std::size_t kNameWidth = 20;

}  // namespace

std::string BuildReportLine(std::size_t position, const std::string& name,
                            const std::string& usage) {
  std::string line = "No.";
  line += std::to_string(position);
  line += ':';
  // A control byte in a name (a line break above all) would break the
  // one-line-per-owner layout; the replacement keeps the byte count.
  line += ReplaceAsciiControls(name);
  if (name.size() < kNameWidth) line.append(kNameWidth - name.size(), ' ');
  line += ' ';
  line += usage;
  line += "\r\n";
  return line;
}

std::string BuildReport(const Ranking& ranking, const VolumeTotals& totals) {
  std::string report;
  // Most lines fit in 80 bytes; longer ones simply grow the text.
  report.reserve(ranking.size() * 80);
  for (std::size_t i = 0; i < ranking.size(); ++i) {
    const RankedOwner& owner = ranking[i];
    // The name is padded by the bytes it takes in the file, so convert
    // before building the line.
    report += BuildReportLine(
        i + 1, ToReportEncoding(SanitizeName(owner.name)),
        ToReportEncoding(FormatUsage(owner.kb, totals.total_kb)));
  }
  return report;
}

bool AskReportFileName(DialogPort& dialog, std::string* path) {
  path->clear();
  const SaveAsRequest request{text::kSaveAsTitle, text::kDefaultExtension};
  switch (dialog.AskSaveFileName(request, path)) {
    case SaveAsResult::kChosen:
      if (!path->empty()) return true;
      // A dialog that reports a choice but names no file has failed.
      break;
    case SaveAsResult::kCancelled:
      path->clear();
      return false;
    case SaveAsResult::kFailed:
      break;
  }
  path->clear();
  dialog.ShowError(text::kCommonDialogFailed);
  return false;
}

bool WriteReport(DialogPort& dialog, const Ranking& ranking,
                 const VolumeTotals& totals) {
  std::string path;
  if (!AskReportFileName(dialog, &path)) return false;

  std::string report;
  try {
    report = BuildReport(ranking, totals);
  } catch (const std::bad_alloc&) {
    dialog.ShowError(text::kReportOutOfMemory);
    return false;
  }

  switch (WriteFileAtomically(path, report)) {
    case WriteStatus::kOk:
      return true;
    case WriteStatus::kCreateFailed:
      dialog.ShowError(text::kFileCreateFailed);
      return false;
    case WriteStatus::kWriteFailed:
      dialog.ShowError(text::kFileWriteFailed);
      return false;
  }
  dialog.ShowError(text::kFileWriteFailed);
  return false;
}

}  // namespace ovik
