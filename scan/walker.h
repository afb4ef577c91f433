// One thread of the walk. It walks a subtree depth first with its own
// stack (no recursion, so depth costs no machine stack), keeps a bounded
// number of directories open, counts what it meets in tallies of its own,
// and hands part of its pending work to the queue when another thread
// waits for some.
#ifndef OVIK_SCAN_WALKER_H_
#define OVIK_SCAN_WALKER_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/filesystem.h"
#include "scan/identity_set.h"
#include "scan/progress.h"
#include "scan/stats.h"
#include "scan/tallies.h"
#include "scan/work_queue.h"

namespace ovik {

// Whether the walk goes into this entry: real directories only, never a
// link or reparse point. "." and ".." never reach here; every other name,
// those beginning with a dot included, is walked.
bool IsDescendable(const Entry& entry);
// Whether the entry's size counts for its owner: every entry that is not a
// directory entry (a directory, or a link that is one).
bool IsCounted(const Entry& entry);

// What the threads of one scan share. Everything it refers to outlives
// the walkers.
struct WalkContext {
  FileSystem& fs;
  std::string root;
  WorkQueue& queue;
  IdentitySet& links;        // files with several links, counted once
  IdentitySet& directories;  // directories entered, walked once
  ScanProgress* progress = nullptr;
  // Directories each thread keeps open at once; deeper levels are opened
  // again from their ancestors when the walk comes back to them.
  unsigned max_open_directories = 16;

  bool cancelled() const {
    return progress != nullptr &&
           progress->cancel.load(std::memory_order_relaxed);
  }
};

class Walker {
 public:
  explicit Walker(WalkContext& context) : context_(context) {}

  // Opens this walker's own handle on the root, from which it reaches
  // every task. False when the root cannot be opened.
  bool OpenRoot();
  // Walks |first|, then whatever the queue hands over, until the walk is
  // over or cancelled.
  void Run(Task first);

  Tallies& tallies() { return tallies_; }
  const ScanStats& stats() const { return stats_; }

 private:
  // One directory on the walker's stack.
  struct Frame {
    std::unique_ptr<Directory> dir;  // closed once not needed, or to save handles
    std::string name;                // within its parent
    std::vector<std::string> subdirectories;  // in listing order
    std::size_t next = 0;                     // next subdirectory to enter
  };

  void WalkTask(const Task& task);
  bool FirstVisit(const Directory& dir);
  void WalkDirectory(Frame& frame);
  bool CountEntry(std::uint64_t place);
  bool FindFirstSubdirectory(std::unique_ptr<Directory>* child,
                             std::uint32_t* ordinal);
  bool FindNextSubdirectory(std::unique_ptr<Directory>* child,
                            std::uint32_t* ordinal);
  void CountUnenterable(const Status& status);
  Status ReopenFrame(std::size_t i);
  Status OpenAlongTask(std::unique_ptr<Directory>* directory);
  void LimitOpenDirectories();
  void CloseAllBut(std::size_t keep);
  void ShareWork();
  std::string CurrentPath() const;

  WalkContext& context_;
  std::unique_ptr<Directory> root_;
  const std::vector<std::string>* task_names_ = nullptr;
  std::vector<Frame> frames_;
  std::vector<std::uint32_t> ordinals_;  // WalkPosition of the top frame
  Entry entry_;
  Tallies tallies_;
  ScanStats stats_;
};

}  // namespace ovik

#endif  // OVIK_SCAN_WALKER_H_
