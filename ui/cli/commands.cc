#include "ui/cli/commands.h"

#include <chrono>
#include <string>
#include <utility>

#include "platform/file_writer.h"
#include "platform/mountinfo.h"
#include "present/display_name.h"
#include "present/report.h"
#include "scan/scan.h"
#include "ui/background_find.h"
#include "ui/report_out.h"
#include "ui/scan_status_text.h"
#include "ui/texts.h"
#include "ui/tui/text_cells.h"
#include "ui/volume_panel.h"
#include "volume/volume_facts.h"

namespace ovik {
namespace {

// How often a running scan's progress is shown on a terminal.
constexpr std::chrono::milliseconds kProgressInterval{200};

// Room the progress line leaves for the directory being read.
constexpr int kProgressDirectoryWidth = 40;

// The progress line, drawn over itself: the counts, then the directory
// being read (its end, which says most).
void ShowProgress(std::ostream& err, const ScanProgress& progress) {
  // File names may hold escape sequences meant for the terminal.
  const std::string dir = tui::ElideLeft(
      SanitizeName(progress.CurrentDirectory()), kProgressDirectoryWidth);
  err << "\r\033[K"
      << ProgressLine(progress.files.load(std::memory_order_relaxed),
                      progress.directories.load(std::memory_order_relaxed),
                      progress.bytes.load(std::memory_order_relaxed),
                      progress.cancel.load(std::memory_order_relaxed))
      << "  " << dir << std::flush;
}

// A volume's free text as one field of a tab-separated line.
std::string Field(std::string_view text) {
  return text.empty() ? std::string("-") : EscapeMountField(text);
}

// Lists the volumes that may be scanned; says why when there is no list.
bool ListVolumes(CommandContext& c, EligibleVolumes* eligible) {
  const Status listed = ListEligibleVolumes(c.volumes, eligible);
  if (!listed.ok()) {
    c.err << "ovik: the volumes cannot be listed: " << listed.ToString()
          << "\n";
  }
  return listed.ok();
}

int Drives(CommandContext& c) {
  EligibleVolumes eligible;
  if (!ListVolumes(c, &eligible)) return kExitFailure;
  for (const std::string& root : eligible.roots) {
    const VolumeFacts facts = ReadVolumeFacts(c.volumes, root);
    // Roots, labels and file systems escaped as the mount table has
    // them, so a tab or a line break in one cannot break the line.
    c.out << EscapeMountField(root) << '\t' << DriveTypeText(facts.type)
          << '\t';
    if (facts.info) {
      c.out << Field(facts.info->label) << '\t'
            << EscapeMountField(facts.info->file_system);
    } else {
      c.out << "-\t" << text::kNoVolumeInfo;
    }
    if (facts.totals) {
      c.out << '\t' << MegabyteText(facts.totals->free_kb) << '\t'
            << MegabyteText(facts.totals->total_kb) << '\n';
    } else {
      c.out << '\t' << text::kNoVolumeInfo << '\t' << text::kNoVolumeInfo
            << '\n';
    }
  }
  return kExitOk;
}

// Says on |err| what a finished scan could not count, and whatever else
// makes its figures less than they seem.
void TellWhatIsMissing(std::ostream& err, const ScanStats& s) {
  if (s.threads_not_started != 0) {
    err << "ovik: " << s.threads_not_started
        << " threads could not be started; the scan went on with "
        << s.threads << "\n";
  }
  if (s.skipped_directories != 0 || s.unreadable_entries != 0) {
    err << "ovik: " << s.skipped_directories
        << " directories could not be read and " << s.unreadable_entries
        << " entries had no readable owner; the ranking is incomplete\n";
  }
  if (s.skipped_for_handles != 0) {
    err << "ovik: " << s.skipped_for_handles
        << " of those directories could not be opened for want of file "
           "descriptors; raise the limit (ulimit -n) and scan again\n";
  }
  if (s.saturated_totals != 0) {
    err << "ovik: " << s.saturated_totals
        << " totals reached the largest figure that can be counted and are "
           "shown at it; the true totals are larger\n";
  }
}

int Report(const CommandLine& line, CommandContext& c) {
  // A file that can never be written is refused now, not after the walk.
  if (!line.output.empty()) {
    if (const Status writable = AtomicFileWriter::Check(line.output);
        !writable.ok()) {
      c.err << "ovik: cannot create " << line.output << ": "
            << writable.ToString() << "\n";
      return kExitFailure;
    }
  }
  std::string root;
  if (line.paths.empty()) {
    EligibleVolumes eligible;
    if (!ListVolumes(c, &eligible)) return kExitFailure;
    if (eligible.default_index < 0) {
      c.err << "ovik: no volume that records file owners was found; "
               "give a directory to scan\n";
      return kExitFailure;
    }
    root = std::move(
        eligible.roots[static_cast<std::size_t>(eligible.default_index)]);
  } else {
    root = line.paths.front();
  }
  const VolumeTotals totals =
      ReadVolumeFacts(c.volumes, root).totals.value_or(VolumeTotals{});

  ScanOptions options;
  options.threads = line.threads;
  BackgroundFind find;
  find.Start(c.fs, root, options);
  while (!find.WaitFor(kProgressInterval)) {
    if (c.err_is_terminal) ShowProgress(c.err, find.progress());
  }
  if (c.err_is_terminal) c.err << "\r\033[K" << std::flush;
  const ScanResult result = find.Finish();
  if (result.status == ScanStatus::kRootNotEnterable) {
    c.err << "ovik: cannot read directory " << root << "\n";
    return kExitFailure;
  }
  if (result.status == ScanStatus::kOutOfMemory) {
    c.err << "ovik: out of memory; the scan of " << root
          << " was stopped and no ranking is given\n";
    return kExitFailure;
  }
  if (!result.ok()) {
    c.err << "ovik: the scan of " << root << " did not finish\n";
    return kExitFailure;
  }
  TellWhatIsMissing(c.err, result.stats);
  const int written =
      IsComplete(result.stats) ? kExitOk : kExitIncomplete;
  if (totals.total_kb == 0) {
    c.err << "ovik: the size of the volume holding " << root
          << " is unknown; percentages are not shown\n";
  }

  const std::string report = BuildReport(result.ranking, totals);
  if (line.output.empty()) {
    c.out << report << std::flush;
    if (!c.out) {
      c.err << "ovik: writing the report failed\n";
      return kExitFailure;
    }
    return written;
  }
  switch (WriteReportFile(line.output, report)) {
    case ReportFileResult::kWritten:
      return written;
    case ReportFileResult::kNotCreated:
      c.err << "ovik: cannot create " << line.output << "\n";
      return kExitFailure;
    case ReportFileResult::kNotWritten:
      break;
  }
  c.err << "ovik: writing " << line.output
        << " failed; any existing file is unchanged\n";
  return kExitFailure;
}

}  // namespace

int RunCommand(const CommandLine& line, CommandContext& context) {
  switch (line.action) {
    case CommandLine::Action::kHelp:
      context.out << line.help;
      return kExitOk;
    case CommandLine::Action::kVersion:
      context.out << "ovik " << OVIK_VERSION << "\n";
      return kExitOk;
    case CommandLine::Action::kDrives:
      return Drives(context);
    case CommandLine::Action::kReport:
      return Report(line, context);
    case CommandLine::Action::kError:
      context.err << "ovik: " << line.error << "\n" << line.help;
      return kExitUsage;
    case CommandLine::Action::kDialog:
      break;
  }
  return kExitUsage;
}

}  // namespace ovik
