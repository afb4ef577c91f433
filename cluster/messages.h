// The messages between the processes of one walk, and their bytes.
//
// Rank 0 reports. It starts each scan (kStart) on every other rank, which
// says whether it can open the root (kReady) and is told to go (kGo).
// While the walk runs, a rank that has run dry asks another for work
// (kRequest) and gets a task (kWork) or none (kNoWork); the token that
// detects the walk's end goes round the ranks (kToken), and rank 0 tells
// them when it is over (kDone). Ranks send rank 0 what they have counted
// so far for its progress line (kProgress), and at the end what they
// counted (kPart). kEnd ends the job with rank 0's exit status.
#ifndef OVIK_CLUSTER_MESSAGES_H_
#define OVIK_CLUSTER_MESSAGES_H_

#include <cstdint>
#include <string>
#include <vector>

#include "cluster/termination.h"
#include "scan/walk_peers.h"
#include "scan/work_queue.h"

namespace ovik {

enum class Tag : int {
  kStart = 1,
  kReady,
  kGo,
  kRequest,
  kWork,
  kNoWork,
  kToken,
  kDone,
  kProgress,
  kPart,
  kEnd,
};

using Bytes = std::vector<std::uint8_t>;

struct StartMessage {
  std::string root;
  unsigned threads = 0;  // per rank; 0 lets each choose
};

struct ReadyMessage {
  bool opened = false;  // the root could be opened
  std::string host;
  std::string error;  // why it could not
};

// What a rank counted since its last progress message.
struct ProgressMessage {
  std::uint64_t files = 0;
  std::uint64_t directories = 0;
  std::uint64_t bytes = 0;
};

// Each Decode returns false for bytes that are not such a message, and
// then leaves its output unspecified.
Bytes EncodeStart(const StartMessage& start);
bool DecodeStart(const Bytes& bytes, StartMessage* start);
Bytes EncodeReady(const ReadyMessage& ready);
bool DecodeReady(const Bytes& bytes, ReadyMessage* ready);
Bytes EncodeFlag(bool flag);  // kGo
bool DecodeFlag(const Bytes& bytes, bool* flag);
Bytes EncodeNumber(std::uint64_t n);  // kEnd
bool DecodeNumber(const Bytes& bytes, std::uint64_t* n);

// A task goes without its directory handle: the rank that takes it opens
// the directory along the task's names.
Bytes EncodeTask(const Task& task);
bool DecodeTask(const Bytes& bytes, Task* task);
Bytes EncodeToken(const Token& token);
bool DecodeToken(const Bytes& bytes, Token* token);
Bytes EncodeProgress(const ProgressMessage& progress);
bool DecodeProgress(const Bytes& bytes, ProgressMessage* progress);
Bytes EncodePart(const WalkPart& part);
bool DecodePart(const Bytes& bytes, WalkPart* part);

}  // namespace ovik

#endif  // OVIK_CLUSTER_MESSAGES_H_
