// The headless commands of the Linux program, for scripts and cron.
#ifndef OVIK_CLI_COMMANDS_H_
#define OVIK_CLI_COMMANDS_H_

#include <ostream>
#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "platform/volumes.h"
#include "dialog/background_find.h"
#include "cli/command_line.h"

namespace ovik {

// Exit codes.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
// The report was written, but something below the root could not be
// counted (directories skipped, owners unreadable, totals past the
// largest figure): the ranking is short.
inline constexpr int kExitIncomplete = 3;

struct CommandContext {
  FileSystem& fs;
  VolumeSource& volumes;
  std::ostream& out;
  std::ostream& err;
  bool err_is_terminal = false;  // show progress on |err|
  // How report scans: RunScan, on this machine, when empty.
  ScanFunction scan = nullptr;
};

// Runs a parsed headless action (not kDialog); returns the exit code.
int RunCommand(const CommandLine& line, CommandContext& context);

}  // namespace ovik

#endif  // OVIK_CLI_COMMANDS_H_
