// The headless commands of the Linux program, for scripts and cron.
#ifndef OVIK_CLI_COMMANDS_H_
#define OVIK_CLI_COMMANDS_H_

#include <ostream>
#include <string>
#include <vector>

#include "platform/exit_status.h"
#include "platform/filesystem.h"
#include "platform/volumes.h"
#include "dialog/background_find.h"
#include "cli/command_line.h"
#include "history/history_path.h"

namespace ovik {

struct CommandContext {
  FileSystem& fs;
  VolumeSource& volumes;
  std::ostream& out;
  std::ostream& err;
  bool err_is_terminal = false;  // show progress on |err|
  // How report scans: RunScan, on this machine, when empty.
  ScanFunction scan = nullptr;
  // Where the default history is: whose it is and their environment.
  HistoryEnvironment history_environment{};
};

// Runs a parsed headless action (not kDialog); returns the exit code.
// Whatever it writes to |context.out| is flushed and checked: output
// that did not all arrive makes it fail.
int RunCommand(const CommandLine& line, CommandContext& context);

// Flushes |out|; when something written to it was lost (a full disk, a
// closed descriptor), says so on |err| (unless |status| is already a
// failure, which was told) and returns kExitFailure, else |status|.
int FinishOutput(std::ostream& out, std::ostream& err, int status);

}  // namespace ovik

#endif  // OVIK_CLI_COMMANDS_H_
