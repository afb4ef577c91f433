// One thread of the walk. It walks a subtree depth first with its own
// stack (no recursion, so depth costs no machine stack), keeps a bounded
// number of directories open, counts what it meets in tallies of its own,
// and hands part of its pending work to the queue when another thread
// waits for some.
//
// Every step costs time in proportion to the directories it touches, not
// to their depth: the walk goes back up to a directory it closed through
// the child it leaves (OpenParent), and work handed over carries a handle
// on its directory (or is shallow enough to open along its path).
#ifndef OVIK_SCAN_WALKER_H_
#define OVIK_SCAN_WALKER_H_

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/filesystem.h"
#include "scan/counter.h"
#include "scan/directory_recorder.h"
#include "scan/identity_set.h"
#include "scan/link_ledger.h"
#include "scan/owner_id.h"
#include "scan/progress.h"
#include "scan/stats.h"
#include "scan/tallies.h"
#include "scan/work_queue.h"

namespace ovik {

// Whether the walk goes into this entry: real directories only, never a
// link, reparse point or mount point. "." and ".." never reach here; every
// other name, those beginning with a dot included, is walked.
bool IsDescendable(const Entry& entry);
// Whether the entry's size counts for its owner: every entry that is not a
// directory entry (a directory, or a link that is one) or a mount point.
bool IsCounted(const Entry& entry);

// What the threads of one walk share. Everything it refers to outlives
// the walkers.
struct WalkContext {
  FileSystem& fs;
  std::string root;
  WorkQueue& queue;
  IdentitySet& links;        // files with several links, counted once
  IdentitySet& directories;  // directories entered, walked once
  ScanProgress* progress = nullptr;
  // Directories each thread keeps open at once; deeper levels are opened
  // again from their children when the walk comes back to them.
  unsigned max_open_directories = 16;
  // Other processes walk parts of the same tree: a file with several
  // links goes in the walker's ledger, to be counted once with theirs.
  bool defer_links = false;
  // Whether groups are counted beside owners.
  bool groups = false;
  // The clock ages are counted by, and the files left out for their age.
  AgeRule ages{};
  // Where directories' records take their memory from; null when the
  // walk keeps no directories. Directories below |deepest_recorded| count
  // in their ancestor at that level.
  DirectoryBudget* directory_budget = nullptr;
  std::uint32_t deepest_recorded = DirectoryRecorder::kAllLevels;
  // Set by the thread that ran out of memory; every thread then stops.
  std::atomic<bool> out_of_memory{false};

  bool cancelled() const {
    return progress != nullptr &&
           progress->cancel.load(std::memory_order_relaxed);
  }
  bool stopped() const {
    return cancelled() || out_of_memory.load(std::memory_order_relaxed);
  }
};

class Walker {
 public:
  // |number|: this walker's place among the scan's walkers, which its
  // directory records carry.
  explicit Walker(WalkContext& context, std::uint32_t number = 0);

  // Opens this walker's own handle on the root, from which it reaches
  // work handed over without a handle.
  Status OpenRoot();
  // The same, as a second handle on |first|'s root.
  Status OpenRootFrom(Walker& first);
  void CloseRoot() { root_.reset(); }
  // Walks |first|, then whatever the queue hands over, until the walk is
  // over, cancelled or out of memory. Running out of memory sets the
  // context's flag; it never ends the thread by an exception.
  void Run(Task first);

  // What the walker counted, given up once the walk is over: its part,
  // and the files with several links it put in its ledger.
  CountedPart TakePart();
  LinkLedger TakeLinks() { return std::move(links_); }
  // What every level of the tree would cost in directory records; empty
  // unless the walk keeps directories.
  DirectoryCensus census() const {
    return recorder_ ? recorder_->census() : DirectoryCensus();
  }

 private:
  // One directory on the walker's stack.
  struct Frame {
    std::unique_ptr<Directory> dir;  // closed once not needed, or to save handles
    std::string name;                // within its parent
    std::vector<std::string> subdirectories;  // in listing order
    std::size_t next = 0;                     // next subdirectory to enter
    std::uint32_t first_ordinal = 0;  // ordinal of subdirectories[0]
    // Where the directory's own bytes go when directories are kept.
    DirectoryRef record = kNoDirectory;
  };

  void WalkTask(Task& task);
  bool FirstVisit(const Directory& dir);
  void WalkDirectory(Frame& frame);
  bool CountEntry(std::uint64_t place);
  void RecordDirectory(Frame& frame);
  void NoteLinked(const OwnerTally& owner, const OwnerTally* group);
  bool FindNextSubdirectory(std::unique_ptr<Directory>* child,
                            std::size_t* index);
  void PushFrame(std::unique_ptr<Directory> dir, std::size_t index);
  void PopFrame();
  void CountUnenterable(const Status& status, std::uint64_t count = 1);
  Status ReopenTop();
  Status ReopenFrame(std::size_t i);
  Status OpenAlongTask(std::unique_ptr<Directory>* directory);
  // Runs |open| again when it failed for want of descriptors or handles:
  // first after giving back every handle this thread can spare but
  // |keep|, then after short waits for those held elsewhere (by other
  // threads, or the rest of the program).
  template <typename Open>
  Status Retrying(const Directory* keep, Open open) {
    constexpr int kRetries = 5;
    Status status = open();
    for (int attempt = 0;
         status.code() == StatusCode::kTooManyOpen && attempt < kRetries;
         ++attempt) {
      if (attempt == 0) {
        GiveBack(keep);
      } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(1 << attempt));
      }
      status = open();
    }
    return status;
  }
  void GiveBack(const Directory* keep);
  void LimitOpenDirectories();
  void ShareWork();
  bool HandOver(std::size_t f, std::size_t first,
                std::unique_ptr<Directory>* handle);
  std::string CurrentPath() const;

  WalkContext& context_;
  std::unique_ptr<Directory> root_;
  const std::vector<std::string>* task_names_ = nullptr;
  std::vector<Frame> frames_;
  std::vector<std::uint32_t> ordinals_;  // WalkPosition of the top frame
  // The directory of the frame left last, kept while its parent's is
  // closed: the way back up to the parent.
  std::unique_ptr<Directory> up_;
  // Path levels this thread may still copy into work it hands over.
  std::uint64_t credit_ = 0;
  Entry entry_;
  OwnerId owner_;  // of entry_, its storage kept from entry to entry
  OwnerId group_;
  Tallies tallies_;
  LinkLedger links_;
  std::unique_ptr<Tallies> groups_;
  std::unique_ptr<DirectoryRecorder> recorder_;
  ScanStats stats_;
};

}  // namespace ovik

#endif  // OVIK_SCAN_WALKER_H_
