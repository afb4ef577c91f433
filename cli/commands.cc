#include "cli/commands.h"

#include <string>
#include <utility>

#include "platform/file_writer.h"
#include "platform/mountinfo.h"
#include "scan/scan.h"
#include "cli/find_run.h"
#include "cli/report_formats.h"
#include "cli/where_command.h"
#include "dialog/report_out.h"
#include "dialog/texts.h"
#include "dialog/volume_panel.h"
#include "volume/volume_facts.h"

namespace ovik {
namespace {

// A volume's free text as one field of a tab-separated line.
std::string Field(std::string_view text) {
  return text.empty() ? std::string("-") : EscapeMountField(text);
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
  ScanOptions options;
  options.threads = line.threads;
  options.groups = line.by == RankedBy::kGroup;
  FoundScan found;
  if (!RunFind(line, options, c, &found)) return kExitFailure;
  TellWhatIsMissing(c.err, found.result.stats);
  const int written =
      IsComplete(found.result.stats) ? kExitOk : kExitIncomplete;
  if (found.totals().total_kb == 0) {
    c.err << "ovik: the size of the volume holding " << found.root
          << " is unknown; percentages are not shown\n";
  }

  const std::string report = BuildReportIn(line.format, found, line.by);
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
    case CommandLine::Action::kWhere:
      return Where(line, context);
    case CommandLine::Action::kError:
      context.err << "ovik: " << line.error << "\n" << line.help;
      return kExitUsage;
    case CommandLine::Action::kDialog:
      break;
  }
  return kExitUsage;
}

}  // namespace ovik
