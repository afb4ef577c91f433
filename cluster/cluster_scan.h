// One scan spread over the processes of a job, perhaps on many machines.
// Rank 0 runs the command and reports; it starts each scan on the other
// ranks, which walk their share and hand what they counted to rank 0, and
// at the end tells them the exit status to end with.
#ifndef OVIK_CLUSTER_CLUSTER_SCAN_H_
#define OVIK_CLUSTER_CLUSTER_SCAN_H_

#include <chrono>
#include <ostream>
#include <string_view>

#include "cluster/channel.h"
#include "platform/filesystem.h"
#include "scan/scan.h"

namespace ovik {

struct ClusterSettings {
  // How long a rank may leave a question unanswered before it is taken
  // for lost (a machine that hangs, a network that parts) and the job is
  // abandoned. Ranks answer from a thread of their own, whatever their
  // walk waits on, so only a rank that is gone waits this long.
  std::chrono::milliseconds answer_timeout{60000};
};

// Rank 0: the scan of |root| by every rank; the result is the whole
// tree's, as one machine's scan would give it. A rank that cannot open
// the root is named on |err|.
ScanResult RunClusterScan(Channel& channel, FileSystem& fs,
                          std::string_view root, const ScanOptions& options,
                          std::ostream& err, const ClusterSettings& settings);

// The other ranks: walk their share of each scan rank 0 starts until it
// ends the job; returns the exit status rank 0 gives.
int ServeClusterScans(Channel& channel, FileSystem& fs,
                      const ClusterSettings& settings);

// Rank 0: ends the job; every rank exits with |status|.
void EndClusterJob(Channel& channel, int status);

}  // namespace ovik

#endif  // OVIK_CLUSTER_CLUSTER_SCAN_H_
