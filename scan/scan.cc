#include "scan/scan.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <new>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "scan/walk.h"

namespace ovik {

void ScanProgress::SetCurrentDirectory(const std::string& path) {
  std::lock_guard<std::mutex> lock(mutex_);
  current_ = path;
}

std::string ScanProgress::CurrentDirectory() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return current_;
}

bool IsDescendable(const Entry& entry) {
  return entry.kind == EntryKind::kDirectory;
}

namespace {

// Bytes of one owner as one thread saw them, and where it first met them.
struct OwnerTally {
  std::uint64_t bytes = 0;
  WalkPosition first;
  // The last task the owner was met in. Within a task positions only
  // grow, but a later task may lie earlier in the walk's order.
  std::uint64_t task = 0;
};

// A subtree waiting for a thread: the names leading to it from the root,
// and its ordinals for the walk order.
struct Task {
  std::vector<std::string> names;
  std::vector<std::uint32_t> ordinals;
};

// Files with several links count once; the first thread to see one wins.
class HardLinkSet {
 public:
  // True when (device, inode) was not seen before.
  bool Insert(std::uint64_t device, std::uint64_t inode) {
    const std::size_t h = std::hash<std::uint64_t>()(inode * 31 + device);
    Shard& shard = shards_[h % shards_.size()];
    std::lock_guard<std::mutex> lock(shard.mutex);
    return shard.seen.insert({device, inode}).second;
  }

 private:
  struct KeyHash {
    std::size_t operator()(const std::pair<std::uint64_t, std::uint64_t>& k)
        const {
      return std::hash<std::uint64_t>()(k.second * 1000003u ^ k.first);
    }
  };
  struct Shard {
    std::mutex mutex;
    std::unordered_set<std::pair<std::uint64_t, std::uint64_t>, KeyHash> seen;
  };
  std::array<Shard, 16> shards_;
};

// What the threads of one scan share.
class SharedWalk {
 public:
  SharedWalk(FileSystem& fs, std::string_view root, const ScanOptions& options,
             unsigned threads)
      : fs_(fs), root_(root), options_(options), threads_(threads) {}

  FileSystem& fs() { return fs_; }
  const std::string& root() const { return root_; }
  const ScanOptions& options() const { return options_; }
  HardLinkSet& links() { return links_; }
  // Directories entered so far: a directory moved while the walk runs
  // may be met again at its new place, and is not walked twice.
  HardLinkSet& directories() { return directories_; }
  bool cancelled() const {
    return options_.progress != nullptr &&
           options_.progress->cancel.load(std::memory_order_relaxed);
  }

  void Push(Task task) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      tasks_.push_back(std::move(task));
    }
    ready_.notify_one();
  }
  // Waits for a task; false when the walk is over.
  bool Take(Task* task) {
    std::unique_lock<std::mutex> lock(mutex_);
    --busy_;
    hungry_.store(true, std::memory_order_relaxed);
    ready_.wait(lock, [&] { return !tasks_.empty() || busy_ == 0; });
    if (tasks_.empty()) {
      ready_.notify_all();
      return false;
    }
    *task = std::move(tasks_.front());
    tasks_.pop_front();
    ++busy_;
    hungry_.store(busy_ < threads_ && tasks_.empty(),
                  std::memory_order_relaxed);
    return true;
  }
  // The threads that take part; before any of them starts.
  void SetThreadCount(unsigned threads) {
    threads_ = threads;
    busy_ = threads;
  }
  // Whether some thread waits for work that a busy thread could share.
  bool hungry() const { return hungry_.load(std::memory_order_relaxed); }
  void ShareTasks(std::vector<Task>* tasks) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      for (Task& t : *tasks) tasks_.push_back(std::move(t));
      hungry_.store(false, std::memory_order_relaxed);
    }
    tasks->clear();
    ready_.notify_all();
  }

 private:
  FileSystem& fs_;
  std::string root_;
  const ScanOptions& options_;
  unsigned threads_;
  HardLinkSet links_;
  HardLinkSet directories_;
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<Task> tasks_;
  unsigned busy_ = threads_;  // threads not waiting in Take
  std::atomic<bool> hungry_{false};
};

// One directory on a thread's stack.
struct Frame {
  std::unique_ptr<Directory> dir;  // closed once not needed or to save handles
  std::string name;                // within its parent
  std::vector<std::string> subdirectories;  // in listing order
  std::size_t next = 0;                     // next subdirectory to enter
};

// One thread of the walk. It walks a subtree depth first with its own
// stack (no recursion, so depth costs no machine stack) and keeps a
// bounded number of directories open.
class Walker {
 public:
  explicit Walker(SharedWalk& shared) : shared_(shared) {}

  bool OpenRoot() {
    OpenError error = OpenError::kNone;
    root_ = shared_.fs().OpenRoot(shared_.root(), &error);
    return root_ != nullptr;
  }

  void Run(Task first) {
    Task task = std::move(first);
    do {
      if (!shared_.cancelled()) WalkTask(task);
    } while (shared_.Take(&task));
  }

  std::unordered_map<std::string, OwnerTally>& tallies() { return tallies_; }
  bool has_unreadable() const { return has_unreadable_; }
  const OwnerTally& unreadable() const { return unreadable_; }
  const ScanStats& stats() const { return stats_; }

 private:
  void WalkTask(const Task& task) {
    ++task_id_;
    last_tally_ = nullptr;
    position_.directory = task.ordinals;
    task_names_ = &task.names;
    frames_.clear();
    frames_.emplace_back();
    frames_.back().name = task.names.empty() ? std::string() : task.names.back();
    if (!ReopenFrame(0)) {
      CountUnenterable(last_error_);
      return;
    }
    if (!FirstVisit(*frames_.back().dir)) return;
    WalkDirectory(frames_.back());
    while (!frames_.empty()) {
      if (shared_.cancelled()) return;
      if (shared_.hungry()) ShareWork();
      std::unique_ptr<Directory> child;
      std::uint32_t ordinal = 0;
      const bool found = frames_.back().next == 0
                             ? FindFirstSubdirectory(&child, &ordinal)
                             : FindNextSubdirectory(&child, &ordinal);
      if (!found) {
        frames_.pop_back();
        if (!frames_.empty()) position_.directory.pop_back();
        continue;
      }
      if (!FirstVisit(*child)) continue;
      Frame& parent = frames_.back();
      Frame frame;
      frame.dir = std::move(child);
      frame.name = parent.subdirectories[ordinal];
      frames_.push_back(std::move(frame));
      position_.directory.push_back(ordinal);
      LimitOpenDirectories();
      WalkDirectory(frames_.back());
    }
  }

  // False when the directory was entered before in this scan (it moved
  // while the walk ran); it is then counted as gone from where it was.
  bool FirstVisit(const Directory& dir) {
    std::uint64_t device = 0, inode = 0;
    if (!dir.Identity(&device, &inode) ||
        shared_.directories().Insert(device, inode)) {
      return true;
    }
    ++stats_.vanished_entries;
    return false;
  }

  // Counts the entries of the directory on top of the stack and keeps its
  // subdirectories for later; a directory's own entries are attributed
  // before anything below it.
  void WalkDirectory(Frame& frame) {
    ++stats_.directories;
    std::uint64_t files = 0, bytes = 0;
    position_.entry = 0;
    for (;;) {
      const ReadResult r = frame.dir->Next(&entry_);
      if (r == ReadResult::kEnd) break;
      if (r == ReadResult::kError) {
        ++stats_.skipped_directories;
        break;
      }
      const std::uint64_t place = position_.entry++;
      if (r == ReadResult::kVanished) {
        ++stats_.vanished_entries;
        continue;
      }
      if (IsDescendable(entry_)) {
        frame.subdirectories.push_back(entry_.name);
        continue;
      }
      OwnerTally* tally = TallyFor(entry_, place);
      if (entry_.links > 1 && entry_.inode != 0 &&
          !shared_.links().Insert(entry_.device, entry_.inode)) {
        ++stats_.hard_link_duplicates;
        continue;
      }
      tally->bytes += entry_.size;
      ++files;
      bytes += entry_.size;
    }
    stats_.files += files;
    stats_.bytes += bytes;
    if (frame.subdirectories.empty()) frame.dir.reset();
    if (ScanProgress* p = shared_.options().progress) {
      p->files.fetch_add(files, std::memory_order_relaxed);
      p->bytes.fetch_add(bytes, std::memory_order_relaxed);
      p->directories.fetch_add(1, std::memory_order_relaxed);
      if ((stats_.directories & 63) == 1) p->SetCurrentDirectory(CurrentPath());
    }
  }

  // The owner's running total, creating it at |place| when first met.
  OwnerTally* TallyFor(const Entry& entry, std::uint64_t place) {
    if (entry.owner_status == OwnerStatus::kUnreadable) {
      ++stats_.unreadable_entries;
      if (!has_unreadable_) {
        has_unreadable_ = true;
        unreadable_.first = position_;
        unreadable_.first.entry = place;
        unreadable_.task = task_id_;
      } else {
        NoteMet(&unreadable_, place);
      }
      return &unreadable_;
    }
    if (last_tally_ != nullptr && entry.owner_key == last_key_) return last_tally_;
    auto [it, inserted] = tallies_.try_emplace(entry.owner_key);
    if (inserted) {
      it->second.first = position_;
      it->second.first.entry = place;
      it->second.task = task_id_;
    } else {
      NoteMet(&it->second, place);
    }
    last_key_ = entry.owner_key;
    last_tally_ = &it->second;  // node-based map: stays valid
    return last_tally_;
  }

  // Keeps the earliest position an owner was met at, checked once per
  // task.
  void NoteMet(OwnerTally* tally, std::uint64_t place) {
    if (tally->task == task_id_) return;
    tally->task = task_id_;
    WalkPosition here = position_;
    here.entry = place;
    if (here < tally->first) tally->first = std::move(here);
  }

  // Opens the first subdirectory of the top frame that can be entered,
  // once its own entries have been counted.
  bool FindFirstSubdirectory(std::unique_ptr<Directory>* child,
                             std::uint32_t* ordinal) {
    return FindNextSubdirectory(child, ordinal);
  }

  // Opens the next subdirectory of the top frame that can be entered.
  // Those that cannot are counted and passed over, so the walk neither
  // repeats the parent nor leaves it.
  bool FindNextSubdirectory(std::unique_ptr<Directory>* child,
                            std::uint32_t* ordinal) {
    const std::size_t top = frames_.size() - 1;
    while (frames_[top].next < frames_[top].subdirectories.size()) {
      const std::size_t i = frames_[top].next++;
      if (!frames_[top].dir && !ReopenFrame(top)) {
        // The directory itself went away or became unreachable.
        stats_.skipped_directories += frames_[top].subdirectories.size() - i;
        frames_[top].next = frames_[top].subdirectories.size();
        return false;
      }
      OpenError error = OpenError::kNone;
      *child = frames_[top].dir->OpenSubdirectory(
          frames_[top].subdirectories[i], &error);
      if (!*child && error == OpenError::kTooManyOpen) {
        CloseAllBut(top);
        *child = frames_[top].dir->OpenSubdirectory(
            frames_[top].subdirectories[i], &error);
      }
      if (*child) {
        *ordinal = static_cast<std::uint32_t>(i);
        if (frames_[top].next == frames_[top].subdirectories.size()) {
          frames_[top].dir.reset();  // no further child to open from it
        }
        return true;
      }
      CountUnenterable(error);
    }
    return false;
  }

  void CountUnenterable(OpenError error) {
    switch (error) {
      case OpenError::kOtherVolume:
        ++stats_.other_volumes;
        break;
      case OpenError::kNotFound:
      case OpenError::kNotDirectory:
        ++stats_.vanished_entries;
        break;
      default:
        ++stats_.skipped_directories;
        break;
    }
  }

  // Opens frame |i| again from its nearest open ancestor, or from the
  // root along the task's names. Only one directory on the way is open at
  // a time.
  bool ReopenFrame(std::size_t i) {
    std::size_t j = i;
    while (j > 0 && !frames_[j - 1].dir) --j;
    std::unique_ptr<Directory> current;
    Directory* from = nullptr;
    if (j == 0) {
      if (!root_) {
        last_error_ = OpenError::kOther;
        return false;
      }
      if (task_names_->empty()) {
        // The task is the root itself: a listing of its own.
        current = shared_.fs().OpenRoot(shared_.root(), &last_error_);
        if (!current) return false;
      }
      from = root_.get();
      for (const std::string& name : *task_names_) {
        current = from->OpenSubdirectory(name, &last_error_);
        if (!current) return false;
        from = current.get();
      }
      if (i == 0) {
        frames_[0].dir = std::move(current);
        return true;
      }
      j = 1;
      from = current.get();
      if (frames_[0].next < frames_[0].subdirectories.size()) {
        frames_[0].dir = std::move(current);  // still needed later
      }
    } else {
      from = frames_[j - 1].dir.get();
    }
    std::unique_ptr<Directory> previous;
    for (std::size_t k = j; k <= i; ++k) {
      std::unique_ptr<Directory> next =
          from->OpenSubdirectory(frames_[k].name, &last_error_);
      if (!next) return false;
      from = next.get();
      previous = std::move(current);
      current = std::move(next);
      previous.reset();
    }
    frames_[i].dir = std::move(current);
    return true;
  }

  void LimitOpenDirectories() {
    const std::size_t limit = std::max(2u, shared_.options().max_open_directories);
    if (frames_.size() > limit) frames_[frames_.size() - 1 - limit].dir.reset();
  }

  void CloseAllBut(std::size_t keep) {
    for (std::size_t k = 0; k < frames_.size(); ++k) {
      if (k != keep) frames_[k].dir.reset();
    }
  }

  // Hands the pending subdirectories of the shallowest frame that has any
  // to the threads waiting for work.
  void ShareWork() {
    for (std::size_t f = 0; f < frames_.size(); ++f) {
      Frame& frame = frames_[f];
      // The top frame keeps its next subdirectory for this thread, so a
      // lone chain of directories is not handed back and forth.
      const std::size_t first = frame.next + (f + 1 == frames_.size() ? 1 : 0);
      if (first >= frame.subdirectories.size()) continue;
      std::vector<std::string> names = *task_names_;
      std::vector<std::uint32_t> ordinals(
          position_.directory.begin(),
          position_.directory.begin() +
              static_cast<std::ptrdiff_t>(position_.directory.size() -
                                          (frames_.size() - 1 - f)));
      for (std::size_t k = 1; k <= f; ++k) names.push_back(frames_[k].name);
      std::vector<Task> tasks;
      for (std::size_t s = first; s < frame.subdirectories.size(); ++s) {
        Task t;
        t.names = names;
        t.names.push_back(frame.subdirectories[s]);
        t.ordinals = ordinals;
        t.ordinals.push_back(static_cast<std::uint32_t>(s));
        tasks.push_back(std::move(t));
      }
      frame.subdirectories.resize(first);
      if (frame.next >= first) frame.dir.reset();
      shared_.ShareTasks(&tasks);
      return;
    }
  }

  std::string CurrentPath() const {
    std::string path;
    for (const std::string& n : *task_names_) {
      path += '/';
      path += n;
    }
    for (std::size_t k = 1; k < frames_.size(); ++k) {
      path += '/';
      path += frames_[k].name;
    }
    return path.empty() ? std::string("/") : path;
  }

  SharedWalk& shared_;
  std::unique_ptr<Directory> root_;
  const std::vector<std::string>* task_names_ = nullptr;
  std::vector<Frame> frames_;
  WalkPosition position_;
  Entry entry_;
  OpenError last_error_ = OpenError::kNone;
  std::unordered_map<std::string, OwnerTally> tallies_;
  std::string last_key_;
  OwnerTally* last_tally_ = nullptr;
  OwnerTally unreadable_;
  bool has_unreadable_ = false;
  std::uint64_t task_id_ = 0;
  ScanStats stats_;
};

void AddStats(const ScanStats& from, ScanStats* to) {
  to->files += from.files;
  to->bytes += from.bytes;
  to->directories += from.directories;
  to->skipped_directories += from.skipped_directories;
  to->unreadable_entries += from.unreadable_entries;
  to->vanished_entries += from.vanished_entries;
  to->other_volumes += from.other_volumes;
  to->hard_link_duplicates += from.hard_link_duplicates;
  to->unrecorded_owners += from.unrecorded_owners;
}

// One owner after merging the threads' tallies.
struct MergedOwner {
  const std::string* key = nullptr;  // nullptr: the unreadable pseudo-owner
  std::uint64_t bytes = 0;
  const WalkPosition* first = nullptr;
};

}  // namespace

ScanResult RunScan(FileSystem& fs, std::string_view root_path,
                   const ScanOptions& options) {
  ScanResult result;
  result.table = OwnerTable([&fs](std::string_view name) { return fs.FoldName(name); });
  if (!result.table.SeedOwnerTable(fs.AdministratorsName())) {
    result.status = ScanStatus::kOutOfMemory;
    return result;
  }

  unsigned threads = options.threads;
  // At least four: with a cold cache the walk waits on the disk, and more
  // requests in flight pay off even on two processors.
  if (threads == 0) threads = std::max(4u, std::thread::hardware_concurrency());

  SharedWalk shared(fs, root_path, options, threads);
  std::vector<std::unique_ptr<Walker>> walkers;
  for (unsigned t = 0; t < threads; ++t) {
    walkers.push_back(std::make_unique<Walker>(shared));
  }
  // The first thread's root decides whether the scan can start at all.
  if (!walkers[0]->OpenRoot()) {
    result.status = ScanStatus::kRootNotEnterable;
    return result;
  }
  // A thread that cannot open the root (out of descriptors, say) stays
  // out rather than lose the subtrees it would take.
  std::vector<Walker*> helpers;
  for (unsigned t = 1; t < threads; ++t) {
    if (walkers[t]->OpenRoot()) helpers.push_back(walkers[t].get());
  }
  shared.SetThreadCount(static_cast<unsigned>(helpers.size()) + 1);

  std::vector<std::thread> pool;
  for (Walker* w : helpers) {
    pool.emplace_back([&shared, w] {
      Task task;
      if (shared.Take(&task)) w->Run(std::move(task));
    });
  }
  walkers[0]->Run(Task{});
  for (std::thread& t : pool) t.join();

  if (shared.cancelled()) {
    result.status = ScanStatus::kCancelled;
    return result;
  }

  // Merge the threads' tallies and order the owners as one walk would
  // have met them.
  std::unordered_map<std::string, MergedOwner> merged;
  MergedOwner unreadable;
  bool has_unreadable = false;
  for (auto& w : walkers) {
    AddStats(w->stats(), &result.stats);
    for (auto& [key, tally] : w->tallies()) {
      MergedOwner& m = merged[key];
      if (m.key == nullptr || tally.first < *m.first) m.first = &tally.first;
      m.key = &key;
      m.bytes += tally.bytes;
    }
    if (w->has_unreadable()) {
      if (!has_unreadable || w->unreadable().first < *unreadable.first) {
        unreadable.first = &w->unreadable().first;
      }
      has_unreadable = true;
      unreadable.bytes += w->unreadable().bytes;
    }
  }
  std::vector<MergedOwner> owners;
  owners.reserve(merged.size() + 1);
  for (auto& [key, m] : merged) owners.push_back(m);
  if (has_unreadable) owners.push_back(unreadable);
  std::sort(owners.begin(), owners.end(),
            [](const MergedOwner& a, const MergedOwner& b) {
              return *a.first < *b.first;
            });

  std::string name;
  for (const MergedOwner& m : owners) {
    if (m.key == nullptr) {
      name = kUnreadableOwnerName;
    } else {
      fs.LookupOwnerName(*m.key, &name);
    }
    auto index = result.table.FindOrAppend(name);
    if (!index) {
      ++result.stats.unrecorded_owners;
      continue;
    }
    result.table.AddToOwner(*index, m.bytes);
  }
  result.ranking = BuildRanking(result.table);
  return result;
}

}  // namespace ovik
