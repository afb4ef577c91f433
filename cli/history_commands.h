// The commands of the saved scans: `--save` on report and where, `ovik
// growth` (who grew, where an owner grew) and `ovik history` (the saved
// scans, pruned). The history is an SQLite file (history/history.h);
// every failure to read or write it is told with the file named, and
// ends the command with kExitFailure, the file left as it was.
#ifndef OVIK_CLI_HISTORY_COMMANDS_H_
#define OVIK_CLI_HISTORY_COMMANDS_H_

#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/find_run.h"

namespace ovik {

// Keeps the finished scan |found| in the history |line| names. kExitOk,
// or kExitFailure with the user told why.
int SaveFoundScan(const CommandLine& line, const FoundScan& found,
                  CommandContext& c);

int GrowthCommand(const CommandLine& line, CommandContext& c);
int HistoryCommand(const CommandLine& line, CommandContext& c);

}  // namespace ovik

#endif  // OVIK_CLI_HISTORY_COMMANDS_H_
