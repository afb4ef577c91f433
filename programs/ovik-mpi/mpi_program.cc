// ovik-mpi: `ovik report` with the walk spread over the processes of an
// MPI job (mpirun -n N ovik-mpi report PATH). Rank 0 runs the command as
// ovik does, with the same options, messages and exit statuses; the
// other ranks walk their share of the tree and exit with rank 0's status.
#include "programs/ovik-mpi/mpi_program.h"

#include <mpi.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "cluster/cluster_scan.h"
#include "platform/descriptors_posix.h"
#include "platform/filesystem.h"
#include "platform/volumes.h"
#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/texts.h"
#include "present/fill.h"
#include "cluster/mpi_channel.h"

namespace ovik {
namespace {

// How long the last messages may take to leave before MPI is finalised.
constexpr std::chrono::seconds kFlushTimeout{60};

// What of |line| the ranks cannot answer together (they gather each
// owner's total, not groups or each directory's bytes); null when they
// can.
const char* OnOneMachineOnly(const CommandLine& line) {
  if (line.action == CommandLine::Action::kWhere) return "where";
  if (line.action == CommandLine::Action::kGrowth) return "growth";
  if (line.action == CommandLine::Action::kHistory) return "history";
  if (line.by == RankedBy::kGroup) return "--by group";
  // The other ranks are not told which files to leave out, and a saved
  // scan keeps groups and directories.
  if (line.older_than) return "--older-than";
  if (line.save) return "--save";
  return nullptr;
}

int RunRankZero(MpiChannel& channel, FileSystem& fs,
                const std::vector<std::string>& args,
                const ClusterSettings& settings) {
  const CommandLine line = ParseCommandLine(args);
  int status = kExitUsage;
  if (line.action == CommandLine::Action::kHelp &&
      line.help_topic.empty()) {
    // The program's own help; a command's help is ovik's, whose options
    // ovik-mpi takes as they are.
    std::cout << cli_text::kMpiUsage;
    status = FinishOutput(std::cout, std::cerr, kExitOk);
  } else if (line.action == CommandLine::Action::kDialog) {
    std::cerr << cli_text::kMpiNoCommand;
  } else if (const char* alone = OnOneMachineOnly(line)) {
    std::cerr << Fill(cli_text::kMpiOneMachineOnly, {alone});
  } else {
    auto volumes = MakeSystemVolumeSource();
    CommandContext context{fs, *volumes, std::cout, std::cerr,
                           isatty(STDERR_FILENO) != 0};
    context.scan = [&](FileSystem& scanned, std::string_view root,
                       const ScanOptions& options) {
      return RunClusterScan(channel, scanned, root, options, std::cerr,
                            settings);
    };
    status = RunCommand(line, context);
  }
  EndClusterJob(channel, status);
  return status;
}

}  // namespace

int RunMpiProgram(int argc, char** argv, FileSystem& fs,
                  const ClusterSettings& settings) {
  // As in ovik: a closed standard descriptor stays taken, and a write
  // beyond the file size limit fails like any other.
  KeepStandardDescriptorsTaken();
  signal(SIGXFSZ, SIG_IGN);
  int provided = 0;
  if (MPI_Init_thread(&argc, &argv, MPI_THREAD_SERIALIZED, &provided) !=
      MPI_SUCCESS) {
    std::cerr << cli_text::kMpiNotStarted;
    return kExitFailure;
  }
  int status = kExitFailure;
  {
    MpiChannel channel;
    if (provided < MPI_THREAD_SERIALIZED) {
      channel.Abandon("this MPI cannot serve calls from more than one thread");
    }
    if (channel.rank() == 0) {
      status = RunRankZero(channel, fs,
                           std::vector<std::string>(argv + 1, argv + argc),
                           settings);
    } else {
      status = ServeClusterScans(channel, fs, settings);
    }
    channel.Flush(kFlushTimeout);
  }
  MPI_Finalize();
  return status;
}

}  // namespace ovik
