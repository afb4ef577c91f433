#include "dialog/report_out.h"

#include <new>

#include "platform/file_writer.h"
#include "platform/termination_signals.h"
#include "present/report.h"
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

  switch (WriteReportFile(path, report)) {
    case ReportFileResult::kWritten:
      return true;
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
                                 std::string_view bytes) {
  // A request to end the program that comes while the temporary file
  // exists waits until it is in place or gone (the writer is destroyed
  // first), so it never leaves a temporary behind.
  HeldTerminationSignals held;
  // A file that cannot take its place counts as one that could not be
  // created; the target is as it was either way.
  AtomicFileWriter writer;
  if (!writer.Create(path).ok()) return ReportFileResult::kNotCreated;
  if (!writer.Write(bytes).ok()) return ReportFileResult::kNotWritten;
  if (!writer.Commit().ok()) return ReportFileResult::kNotCreated;
  return ReportFileResult::kWritten;
}

}  // namespace ovik
