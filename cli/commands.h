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

namespace ovik {

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
