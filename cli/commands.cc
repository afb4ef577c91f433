#include "cli/commands.h"

#include <string>
#include <utility>

#include "platform/file_writer.h"
#include "scan/scan.h"
#include "cli/find_run.h"
#include "cli/history_commands.h"
#include "cli/report_formats.h"
#include "cli/texts.h"
#include "cli/where_command.h"
#include "dialog/report_out.h"
#include "dialog/texts.h"
#include "dialog/volume_panel.h"
#include "present/display_name.h"
#include "present/fill.h"
#include "volume/volume_facts.h"

namespace ovik {
namespace {

// A volume's free text as one field of a tab-separated line.
std::string Field(std::string_view text) {
  return text.empty() ? std::string(cli_text::kNoField) : EscapeName(text);
}

int Drives(CommandContext& c) {
  EligibleVolumes eligible;
  if (!ListVolumes(c, &eligible)) return kExitFailure;
  for (const std::string& root : eligible.roots) {
    const VolumeFacts facts = ReadVolumeFacts(c.volumes, root);
    // Roots, labels and file systems escaped as `where` writes paths,
    // so a tab or a line break in one cannot break the line.
    c.out << EscapeName(root) << '\t' << DriveTypeText(facts.kind) << '\t';
    if (facts.info) {
      c.out << Field(facts.info->label) << '\t'
            << EscapeName(facts.info->file_system);
    } else {
      c.out << cli_text::kNoField << '\t' << text::kNoVolumeInfo;
    }
    if (facts.totals) {
      c.out << '\t' << MegabyteText(facts.totals->free_kb) << '\t'
            << MegabyteText(facts.totals->total_kb);
    } else {
      c.out << '\t' << text::kNoVolumeInfo << '\t' << text::kNoVolumeInfo;
    }
    // How a scan of it would count, for this user.
    const bool tables = c.fs.OpenTable(root).table != nullptr;
    c.out << '\t' << (tables ? cli_text::kDrivesTables : cli_text::kDrivesWalk)
          << '\n';
  }
  return kExitOk;
}

// Says why |output| cannot be written where the reason is a symbolic
// link that was not followed.
bool TellRefusedLink(std::ostream& err, const std::string& link) {
  if (link.empty()) return false;
  err << Fill(cli_text::kRefusedLink, {EscapeName(link)});
  return true;
}

// The ranking of |found| as |line| asks, to its output; the status of
// the command so far.
int WriteReport(const CommandLine& line, const FoundScan& found,
                CommandContext& c) {
  TellWhatIsMissing(c.err, found.result.stats);
  const int written =
      IsComplete(found.result.stats) ? kExitOk : kExitIncomplete;
  if (found.totals().total_kb == 0) {
    c.err << Fill(cli_text::kVolumeSizeUnknown, {EscapeName(found.root)});
  }

  const std::string report = BuildReportIn(line, found);
  if (line.output.empty()) {
    c.out << report << std::flush;
    if (!c.out) {
      c.err << cli_text::kReportNotWritten;
      return kExitFailure;
    }
    return written;
  }
  std::string refused;
  switch (WriteReportFile(line.output, report, {}, &refused)) {
    case ReportFileResult::kWritten:
      return written;
    case ReportFileResult::kNotCreated:
      // The target changed since it was checked.
      if (!TellRefusedLink(c.err, refused)) {
        c.err << Fill(cli_text::kCannotCreateNoReason,
                      {EscapeName(line.output)});
      }
      return kExitFailure;
    case ReportFileResult::kNotWritten:
    case ReportFileResult::kCancelled:  // not asked for here
      break;
  }
  c.err << Fill(cli_text::kFileNotWritten, {EscapeName(line.output)});
  return kExitFailure;
}

int Report(const CommandLine& line, CommandContext& c) {
  // A file that can never be written is refused now, not after the walk.
  if (!line.output.empty()) {
    std::string refused;
    if (const Status writable = AtomicFileWriter::Check(line.output, &refused);
        !writable.ok()) {
      if (!TellRefusedLink(c.err, refused)) {
        c.err << Fill(cli_text::kCannotCreate,
                      {EscapeName(line.output), writable.ToString()});
      }
      return kExitFailure;
    }
  }
  ScanOptions options;
  options.threads = line.threads;
  options.method = line.method;
  // A saved scan keeps both rankings.
  options.groups = line.by == RankedBy::kGroup || line.save;
  options.age_by = line.age_by;
  options.older_than = line.older_than;
  FoundScan found;
  if (const int found_status =
          RunFind(line, options, c, &found,
                  line.save ? KeepDirectories::kWhereWalked
                            : KeepDirectories::kAsAsked);
      found_status != kExitOk) {
    return found_status;
  }
  // The report is written first: a history that cannot take the scan
  // never costs the report.
  const int reported = WriteReport(line, found, c);
  if (!line.save) return reported;
  const int saved = SaveFoundScan(line, found, c);
  return saved == kExitOk ? reported : saved;
}

int RunAction(const CommandLine& line, CommandContext& context) {
  switch (line.action) {
    case CommandLine::Action::kHelp:
      context.out << line.help;
      return kExitOk;
    case CommandLine::Action::kVersion:
      context.out << Fill(cli_text::kVersion, {OVIK_VERSION});
      return kExitOk;
    case CommandLine::Action::kDrives:
      return Drives(context);
    case CommandLine::Action::kReport:
      return Report(line, context);
    case CommandLine::Action::kWhere:
      return Where(line, context);
    case CommandLine::Action::kGrowth:
      return GrowthCommand(line, context);
    case CommandLine::Action::kHistory:
      return HistoryCommand(line, context);
    case CommandLine::Action::kError:
      // The error quotes what was typed: escaped, as names are.
      context.err << Fill(cli_text::kUsageError, {EscapeName(line.error)})
                  << line.help;
      return kExitUsage;
    case CommandLine::Action::kDialog:
      break;
  }
  return kExitUsage;
}

}  // namespace

int FinishOutput(std::ostream& out, std::ostream& err, int status) {
  out.flush();
  if (out) return status;
  // A command that failed has said so already.
  if (status != kExitFailure) {
    err << cli_text::kStandardOutputNotWritten;
  }
  return kExitFailure;
}

int RunCommand(const CommandLine& line, CommandContext& context) {
  return FinishOutput(context.out, context.err, RunAction(line, context));
}

}  // namespace ovik
