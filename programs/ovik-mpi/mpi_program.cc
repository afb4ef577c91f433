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
#include "platform/filesystem.h"
#include "platform/volumes.h"
#include "cli/command_line.h"
#include "cli/commands.h"
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
  if (line.by == RankedBy::kGroup) return "--by group";
  return nullptr;
}

// The program's own help; a command's help is ovik's, whose options
// ovik-mpi takes as they are.
constexpr std::string_view kUsage =
    "ovik report with the walk spread over the ranks of an MPI job.\n"
    "Usage: mpirun -n N ovik-mpi report [OPTIONS] [PATH]\n"
    "\n"
    "The options, the output and the exit statuses are those of\n"
    "'ovik report' (see 'ovik-mpi report --help' and ovik(1)); rank 0\n"
    "writes the output. --by group and 'where' are not counted across\n"
    "ranks: run them with ovik. A rank that fails ends the job with a\n"
    "message and a status other than 0.\n";

int RunRankZero(MpiChannel& channel, FileSystem& fs,
                const std::vector<std::string>& args,
                const ClusterSettings& settings) {
  const CommandLine line = ParseCommandLine(args);
  int status = kExitUsage;
  if (line.action == CommandLine::Action::kHelp && line.help == HelpText("")) {
    std::cout << kUsage;
    status = kExitOk;
  } else if (line.action == CommandLine::Action::kDialog) {
    std::cerr << "ovik-mpi: give a command: ovik-mpi report [PATH] [-o FILE]\n"
              << "Run 'ovik-mpi --help' for more.\n";
  } else if (const char* alone = OnOneMachineOnly(line)) {
    std::cerr << "ovik-mpi: " << alone
              << " is not counted across ranks; run it with ovik\n";
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
  // As in ovik: a write beyond the file size limit fails like any other.
  signal(SIGXFSZ, SIG_IGN);
  int provided = 0;
  if (MPI_Init_thread(&argc, &argv, MPI_THREAD_SERIALIZED, &provided) !=
      MPI_SUCCESS) {
    std::cerr << "ovik-mpi: MPI could not be started\n";
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
