#include "dialog/report_out.h"

#include <new>

#include "platform/file_writer.h"
#include "present/display_name.h"
#include "present/fill.h"
#include "present/report.h"
#include "platform/text_encoding.h"
#include "dialog/scan_status_text.h"
#include "dialog/texts.h"

namespace ovik {

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

std::string BuildReportFile(const Ranking& ranking, const VolumeTotals& totals,
                            const ScanStats& stats) {
  std::string report = BuildReport(ranking, totals);
  if (!IsComplete(stats)) {
    report += ToReportEncoding(
        SanitizeName(Fill(text::kReportIncomplete, {SkipSummary(stats)})));
    report += "\r\n";
  }
  return report;
}

bool WriteReport(DialogPort& dialog, const Ranking& ranking,
                 const VolumeTotals& totals, const ScanStats& stats) {
  std::string path;
  if (!AskReportFileName(dialog, &path)) return false;

  std::string report;
  try {
    report = BuildReportFile(ranking, totals, stats);
  } catch (const std::bad_alloc&) {
    dialog.ShowError(text::kReportOutOfMemory);
    return false;
  }

  const auto cancelled = [&dialog] { return !dialog.WaitForOutput(); };
  switch (WriteReportFile(path, report, cancelled)) {
    case ReportFileResult::kWritten:
      return true;
    case ReportFileResult::kCancelled:
      return false;  // as asked: nothing to tell
    case ReportFileResult::kNotCreated:
      dialog.ShowError(text::kFileCreateFailed);
      return false;
    case ReportFileResult::kNotWritten:
      break;
  }
  dialog.ShowError(text::kFileWriteFailed);
  return false;
}

ReportFileResult WriteReportFile(const std::string& path,
                                 std::string_view bytes,
                                 std::function<bool()> cancelled,
                                 std::string* refused_link) {
  // The writer holds requests to end the program while its temporary
  // exists, and only then.
  AtomicFileWriter writer;
  bool gave_up = false;
  if (cancelled) {
    writer.set_cancel([&gave_up, &cancelled] {
      gave_up = gave_up || cancelled();
      return gave_up;
    });
  }
  // A file that cannot take its place counts as one that could not be
  // created; the target is as it was either way.
  const Status created = writer.Create(path);
  if (refused_link != nullptr) *refused_link = writer.refused_link();
  if (!created.ok()) {
    return gave_up ? ReportFileResult::kCancelled
                   : ReportFileResult::kNotCreated;
  }
  if (!writer.Write(bytes).ok()) {
    return gave_up ? ReportFileResult::kCancelled
                   : ReportFileResult::kNotWritten;
  }
  if (!writer.Commit().ok()) return ReportFileResult::kNotCreated;
  return ReportFileResult::kWritten;
}

}  // namespace ovik
