// The Linux program's command line: what it asks for, its help, and the
// exit statuses it lists.
#ifndef OVIK_CLI_COMMAND_LINE_H_
#define OVIK_CLI_COMMAND_LINE_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "scan/ranked_by.h"
#include "scan/scan.h"

namespace ovik {

// The forms `ovik report` writes the ranking in.
enum class ReportFormat { kText, kCsv, kJson, kHtml };

// What the command line asks for.
struct CommandLine {
  enum class Action {
    kDialog, kReport, kWhere, kDrives, kHelp, kVersion, kError
  };
  Action action = Action::kDialog;
  // kDialog: roots to add; kReport, kWhere: at most 1
  std::vector<std::string> paths;
  std::string output;              // kReport: -o FILE; empty for stdout
  unsigned threads = 0;  // kReport, kWhere: -j N; 0 lets the scan choose
  ReportFormat format = ReportFormat::kText;  // kReport: --format
  bool csv_raw = false;  // kReport: --csv-raw, with --format csv
  RankedBy by = RankedBy::kOwner;             // kReport, kWhere: --by
  CountMethod method = CountMethod::kAuto;    // kReport, kWhere: --method
  std::string owner;     // kWhere: OWNER, a name or a numeric id
  std::size_t top = 20;  // kWhere: --top N; 0 for every directory
  std::string error;               // kError: what was wrong
  // kHelp: the help to show; kError: the usage of the command at fault
  // and where its help is.
  std::string help;
  // kHelp: the command whose help was asked for; empty for the program's.
  std::string help_topic;
};

CommandLine ParseCommandLine(const std::vector<std::string>& args);

// The help of the program ("") or of one of its commands.
std::string HelpText(const std::string& command);

// The exit statuses the help lists, with their meaning.
struct ExitStatusText {
  int status;
  std::string_view meaning;
};
std::vector<ExitStatusText> ExitStatusTexts();

}  // namespace ovik

#endif  // OVIK_CLI_COMMAND_LINE_H_
