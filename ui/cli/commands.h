// The headless commands of the Linux program, for scripts and cron.
#ifndef OVIK_UI_CLI_COMMANDS_H_
#define OVIK_UI_CLI_COMMANDS_H_

#include <ostream>
#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "platform/volumes.h"

namespace ovik {

// Exit codes.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

struct CommandContext {
  FileSystem& fs;
  VolumeSource& volumes;
  std::ostream& out;
  std::ostream& err;
  bool err_is_terminal = false;  // show progress on |err|
};

// What the command line asks for.
struct CommandLine {
  enum class Action { kDialog, kReport, kDrives, kHelp, kVersion, kError };
  Action action = Action::kDialog;
  std::vector<std::string> paths;  // kDialog: roots to add; kReport: at most 1
  std::string output;              // kReport: -o FILE; empty for stdout
  unsigned threads = 0;            // kReport: -j N; 0 lets the scan choose
  std::string error;               // kError: what was wrong
};

CommandLine ParseCommandLine(const std::vector<std::string>& args);

// Runs a parsed headless action (not kDialog); returns the exit code.
int RunCommand(const CommandLine& line, CommandContext& context);

std::string UsageText();

}  // namespace ovik

#endif  // OVIK_UI_CLI_COMMANDS_H_
