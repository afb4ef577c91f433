// The Linux program's command line: what it asks for, its help, and the
// exit statuses it lists.
#ifndef OVIK_CLI_COMMAND_LINE_H_
#define OVIK_CLI_COMMAND_LINE_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "scan/ages.h"
#include "scan/ranked_by.h"
#include "scan/scan.h"

namespace ovik {

// The forms `ovik report` writes the ranking in.
enum class ReportFormat { kText, kCsv, kJson, kHtml };

// What the command line asks for.
struct CommandLine {
  enum class Action {
    kDialog, kReport, kWhere, kGrowth, kHistory, kDrives, kHelp, kVersion,
    kError
  };
  Action action = Action::kDialog;
  // kDialog: roots to add; kReport, kWhere, kGrowth, kHistory: at most 1
  std::vector<std::string> paths;
  std::string output;              // kReport: -o FILE; empty for stdout
  unsigned threads = 0;  // kReport, kWhere: -j N; 0 lets the scan choose
  // kReport, kGrowth, kHistory (not html): --format
  ReportFormat format = ReportFormat::kText;
  bool csv_raw = false;  // kReport: --csv-raw, with --format csv
  RankedBy by = RankedBy::kOwner;  // kReport, kWhere, kGrowth: --by
  CountMethod method = CountMethod::kAuto;    // kReport, kWhere: --method
  // kWhere, kGrowth: OWNER, a name or a numeric id (kGrowth: may be
  // empty, for who grew)
  std::string owner;
  // kWhere: --top N; 0 for every directory. kGrowth: the first N
  // changes, 0 (the default there) for all.
  std::size_t top = 20;
  // kReport, kWhere: the files' ages by their last modification or last
  // access (--age-by); with --older-than, only files at least that many
  // seconds old are counted.
  AgeBasis age_by = AgeBasis::kModified;
  std::optional<std::int64_t> older_than;
  std::string older_than_text;  // as given, for the exports' facts
  // kReport, kWhere: --save, the scan kept in the history.
  bool save = false;
  // kReport, kWhere, kGrowth, kHistory: --history FILE; empty for the
  // default file.
  std::string history;
  // kGrowth: --since WHEN, as given (read against the clock when run).
  std::string since;
  // kHistory: --prune DURATION (seconds), --keep N.
  std::optional<std::int64_t> prune;
  std::optional<std::uint64_t> keep;
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
