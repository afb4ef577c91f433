// The scan behind a headless command: which root, the walk with its
// progress on a terminal, and what the user is told when the scan
// failed or could not count everything.
#ifndef OVIK_CLI_FIND_RUN_H_
#define OVIK_CLI_FIND_RUN_H_

#include <chrono>
#include <optional>
#include <ostream>
#include <string>

#include "platform/volumes.h"
#include "scan/scan.h"
#include "cli/command_line.h"
#include "cli/commands.h"
#include "volume/volume_facts.h"

namespace ovik {

// A finished scan and the facts around it.
struct FoundScan {
  std::string root;
  ScanResult result;
  std::chrono::sys_seconds started{};
  std::chrono::sys_seconds finished{};
  // Where the volume holding the root is mounted; empty when unknown.
  std::string mount_point;
  // The volume's capacity, read before the walk; nothing when unknown.
  std::optional<VolumeSpace> space;
  // The capacity the ranking's shares are computed against (0 when
  // unknown).
  VolumeTotals totals() const {
    return space ? ComputeVolumeTotals(*space) : VolumeTotals{};
  }
};

// Lists the volumes that may be scanned; says why when there is no list.
bool ListVolumes(CommandContext& c, EligibleVolumes* eligible);

// The root a command works on: the PATH of |line|, else the default
// volume. False, the user told why, when there is none.
bool ChooseRoot(const CommandLine& line, CommandContext& c, std::string* root);

// How a scan that is to be saved keeps directories: wherever it walks
// (where it reads the volume's tables, it has none to keep).
enum class KeepDirectories : bool { kAsAsked, kWhereWalked };

// Scans the PATH of |line| (the default volume without one). kExitOk
// when the scan finished; otherwise the exit status, the user told why:
// kExitUsage when the volume's tables were asked for and cannot serve,
// kExitFailure when there was nothing to scan or the scan did not finish.
int RunFind(const CommandLine& line, const ScanOptions& options,
            CommandContext& c, FoundScan* found,
            KeepDirectories keep = KeepDirectories::kAsAsked);

// Says on |err| what a finished scan could not count, and whatever else
// makes its figures less than they seem.
void TellWhatIsMissing(std::ostream& err, const ScanStats& s);

}  // namespace ovik

#endif  // OVIK_CLI_FIND_RUN_H_
