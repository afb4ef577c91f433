#include "scan/walker.h"

#include <algorithm>
#include <iterator>
#include <new>
#include <utility>

#include "scan/saturating.h"

namespace ovik {
namespace {

// Work handed over without a handle on its directory is opened along its
// path from the root; only directories this close to it are handed over
// that way, so a handover never costs more than a few opens.
constexpr std::size_t kShallowDepth = 8;

// What listing a directory earns towards handing work over, in levels of
// path: a listing costs more than copying a few names.
constexpr std::uint64_t kShareCreditPerDirectory = 16;
// Entries of one directory between two looks at the progress and at a
// request to stop.
constexpr std::uint64_t kEntriesBetweenChecks = 4096;

}  // namespace

bool IsDescendable(const Entry& entry) {
  return entry.kind == EntryKind::kDirectory;
}

bool IsCounted(const Entry& entry) {
  return entry.kind != EntryKind::kDirectory &&
         entry.kind != EntryKind::kDirectoryLink &&
         entry.kind != EntryKind::kMountPoint;
}

Walker::Walker(WalkContext& context, std::uint32_t number)
    : context_(context) {
  if (context.groups) groups_ = std::make_unique<Tallies>();
  if (context.directory_budget != nullptr) {
    recorder_ = std::make_unique<DirectoryRecorder>(
        number, *context.directory_budget, context.groups,
        context.deepest_recorded);
  }
}

CountedPart Walker::TakePart() {
  CountedPart part;
  part.owners = std::move(tallies_);
  if (groups_) part.groups = std::move(*groups_);
  if (recorder_) part.directories = recorder_->TakePart();
  part.stats = stats_;
  return part;
}

void Walker::Run(Task first) {
  Task task = std::move(first);
  for (;;) {
    if (!context_.stopped()) {
      try {
        WalkTask(task);
      } catch (const std::bad_alloc&) {
        context_.out_of_memory.store(true, std::memory_order_relaxed);
      }
    }
    frames_.clear();
    up_.reset();
    task.directory.reset();
    if (!context_.queue.Take(&task)) return;
  }
}

void Walker::WalkTask(Task& task) {
  tallies_.StartTask();
  if (groups_) groups_->StartTask();
  ordinals_ = task.ordinals;
  task_names_ = &task.names;
  frames_.clear();
  frames_.emplace_back();
  Frame& start = frames_.back();
  start.name = task.names.empty() ? std::string() : task.names.back();
  start.dir = std::move(task.directory);
  start.record = task.record;
  if (!task.subdirectories.empty()) {
    // Listed by the thread that handed it over.
    start.subdirectories = std::move(task.subdirectories);
    start.first_ordinal = task.first_ordinal;
  } else {
    // The root: this walker's own handle lists it, so that a scan whose
    // root opens can go on with a single further descriptor.
    start.dir = std::move(root_);
    if (!start.dir) {
      const Status opened = Retrying(nullptr, [&] { return ReopenFrame(0); });
      if (!opened.ok()) {
        CountUnenterable(opened);
        return;
      }
    }
    if (!FirstVisit(*start.dir)) return;
    WalkDirectory(start);
  }
  while (!frames_.empty()) {
    if (context_.stopped()) return;
    if (context_.queue.hungry()) ShareWork();
    std::unique_ptr<Directory> child;
    std::size_t index = 0;
    if (!FindNextSubdirectory(&child, &index)) {
      PopFrame();
    } else if (FirstVisit(*child)) {
      PushFrame(std::move(child), index);
      WalkDirectory(frames_.back());
    }
  }
}

// False when the directory was entered before in this scan (it moved
// while the walk ran); it is then counted as gone from where it was.
bool Walker::FirstVisit(const Directory& dir) {
  std::uint64_t device = 0, inode = 0;
  if (!dir.Identity(&device, &inode).ok() ||
      context_.directories.Insert(device, inode)) {
    return true;
  }
  ++stats_.vanished_entries;
  return false;
}

// Counts the entries of the directory on top of the stack and keeps its
// subdirectories for later; a directory's own entries are attributed
// before anything below it.
void Walker::WalkDirectory(Frame& frame) {
  if (recorder_) RecordDirectory(frame);
  ++stats_.directories;
  credit_ += kShareCreditPerDirectory;
  std::uint64_t files_shown = stats_.files;
  std::uint64_t bytes_shown = stats_.bytes;
  // What the progress has not been told yet of this directory.
  const auto show_progress = [&] {
    if (ScanProgress* p = context_.progress) {
      p->files.fetch_add(stats_.files - files_shown,
                         std::memory_order_relaxed);
      SaturatingAdd(p->bytes, stats_.bytes - bytes_shown);
    }
    files_shown = stats_.files;
    bytes_shown = stats_.bytes;
  };
  for (std::uint64_t place = 0;; ++place) {
    // A directory of very many entries shows its progress, and is left
    // when the scan is to stop, as it is listed.
    if (place % kEntriesBetweenChecks == kEntriesBetweenChecks - 1) {
      show_progress();
      if (context_.stopped()) break;
    }
    const Status read = frame.dir->Next(&entry_);
    if (read.ok()) {
      if (IsDescendable(entry_)) {
        frame.subdirectories.push_back(entry_.name);
      } else if (entry_.kind == EntryKind::kMountPoint) {
        ++stats_.other_volumes;
      } else if (!IsCounted(entry_)) {
      } else if (!context_.ages.Counts(entry_.modified, entry_.accessed)) {
        ++stats_.younger_entries;
      } else if (CountEntry(place)) {
        ++stats_.files;
        stats_.bytes = SaturatingAdd(stats_.bytes, entry_.size);
      }
    } else if (read.code() == StatusCode::kNotFound) {
      ++stats_.vanished_entries;
    } else {
      if (read.code() != StatusCode::kEnd) CountUnenterable(read);
      break;
    }
  }
  show_progress();
  if (ScanProgress* p = context_.progress) {
    p->directories.fetch_add(1, std::memory_order_relaxed);
    if ((stats_.directories & 63) == 1) p->SetCurrentDirectory(CurrentPath());
  }
}

// The record of the directory about to be listed (the top frame), below
// its parent's.
void Walker::RecordDirectory(Frame& frame) {
  const bool root = frames_.size() == 1;
  frame.record = recorder_->Enter(
      root ? kNoDirectory : frames_[frames_.size() - 2].record,
      root ? 0 : ordinals_.back(), frame.name,
      static_cast<std::uint32_t>(ordinals_.size()));
}

// Attributes the entry at |place| to its owner (and group). False when
// it is a further link of a file already counted, or one put in the
// ledger: its owner is met, its bytes are not (yet).
bool Walker::CountEntry(std::uint64_t place) {
  if (entry_.owner_status == OwnerStatus::kUnreadable) {
    ++stats_.unreadable_entries;
    owner_.Assign(OwnerId::Kind::kUnreadable, {});
    group_.Assign(OwnerId::Kind::kUnreadable, {});
  } else {
    // Runs of entries of one owner are the rule: the key is copied only
    // when it changes.
    if (owner_.unreadable() || owner_.key() != entry_.owner_key) {
      owner_.Assign(OwnerId::Kind::kAccount, entry_.owner_key);
    }
    if (groups_ && (group_.unreadable() || group_.key() != entry_.group_key)) {
      group_.Assign(OwnerId::Kind::kGroup, entry_.group_key);
    }
  }
  OwnerTally* tally = &tallies_.Meet(owner_, ordinals_, place);
  OwnerTally* group =
      groups_ ? &groups_->Meet(group_, ordinals_, place) : nullptr;
  const bool linked = entry_.links > 1 && entry_.inode != 0;
  if (linked && !context_.links.Insert(entry_.device, entry_.inode)) {
    ++stats_.hard_link_duplicates;
    if (recorder_) NoteLinked(*tally, group);
    return false;
  }
  if (linked && context_.defer_links) {
    links_.Add({entry_.device, entry_.inode, entry_.size, owner_,
                entry_.modified, entry_.accessed});
    return false;
  }
  const std::int64_t now = context_.ages.now;
  tally->Count(entry_.size, entry_.modified, entry_.accessed, now);
  if (group != nullptr) {
    group->Count(entry_.size, entry_.modified, entry_.accessed, now);
  }
  if (recorder_) {
    if (linked) NoteLinked(*tally, group);
    recorder_->Add(frames_.back().record, tally->part_index,
                   group != nullptr ? group->part_index : 0, entry_.size,
                   linked);
  }
  return true;
}

void Walker::NoteLinked(const OwnerTally& owner, const OwnerTally* group) {
  recorder_->AddLinked({entry_.device, entry_.inode, entry_.size,
                        frames_.back().record, owner.part_index,
                        group != nullptr ? group->part_index : 0});
}

// Opens the next subdirectory of the top frame that can be entered. Those
// that cannot are counted and passed over, so the walk neither repeats the
// parent nor leaves it.
bool Walker::FindNextSubdirectory(std::unique_ptr<Directory>* child,
                                  std::size_t* index) {
  Frame& frame = frames_.back();
  while (frame.next < frame.subdirectories.size()) {
    const std::size_t i = frame.next++;
    if (!frame.dir) {
      const Status reopened = ReopenTop();
      if (!reopened.ok()) {
        // The directory itself went away or became unreachable.
        CountUnenterable(reopened, frame.subdirectories.size() - i);
        frame.next = frame.subdirectories.size();
        return false;
      }
    }
    Directory* dir = frame.dir.get();
    const Status opened = Retrying(dir, [&] {
      return dir->OpenSubdirectory(frame.subdirectories[i], child);
    });
    if (opened.ok()) {
      *index = i;
      return true;
    }
    CountUnenterable(opened);
  }
  return false;
}

void Walker::PushFrame(std::unique_ptr<Directory> dir, std::size_t index) {
  Frame& parent = frames_.back();
  Frame frame;
  frame.dir = std::move(dir);
  frame.name = parent.subdirectories[index];
  ordinals_.push_back(parent.first_ordinal +
                      static_cast<std::uint32_t>(index));
  frames_.push_back(std::move(frame));
  up_.reset();
  LimitOpenDirectories();
}

void Walker::CountUnenterable(const Status& status, std::uint64_t count) {
  switch (status.code()) {
    case StatusCode::kOtherVolume:
      stats_.other_volumes += count;
      break;
    case StatusCode::kNotFound:
    case StatusCode::kNotDirectory:
      stats_.vanished_entries += count;
      break;
    case StatusCode::kNoMemory:
      context_.out_of_memory.store(true, std::memory_order_relaxed);
      stats_.skipped_directories += count;
      break;
    case StatusCode::kTooManyOpen:
      stats_.skipped_for_handles += count;
      stats_.skipped_directories += count;
      break;
    default:
      stats_.skipped_directories += count;
      break;
  }
}

// Hands the later half of the pending subdirectories of the shallowest
// frame that has any, and a way to reach them cheaply, to the threads
// waiting for work. Halves, so that a directory of many subdirectories
// handed on from thread to thread costs time in proportion to its size.
//
// Work handed over carries its path, which costs time in proportion to
// its depth; a thread hands work over only as far as what it has walked
// since pays for it, so deep work handed over in small pieces (a side
// branch at every level of a deep chain) cannot cost more than the walk.
// Only levels still open, or shallow, are looked at: those between are
// closed and reached again by this thread on its way back up.
void Walker::ShareWork() {
  const std::size_t top = frames_.size() - 1;
  const std::size_t depth = task_names_->size();
  const std::size_t shallow_end =
      depth <= kShallowDepth ? kShallowDepth - depth + 1 : 0;
  const std::size_t limit = std::max(2u, context_.max_open_directories);
  const std::size_t open_begin = top >= limit ? top - limit + 1 : 0;
  for (std::size_t f = 0; f <= top; ++f) {
    if (f >= shallow_end && f < open_begin) f = open_begin;
    const std::uint64_t cost = depth + f;
    if (cost > credit_) return;  // deeper frames cost more still
    Frame& frame = frames_[f];
    const std::size_t count = frame.subdirectories.size();
    // The top frame keeps its next subdirectory for this thread, so a lone
    // chain of directories is not handed back and forth.
    const std::size_t first = std::max(frame.next + (f == top ? 1 : 0),
                                       frame.next + (count - frame.next) / 2);
    if (first >= count) continue;
    Task task;
    if (!HandOver(f, first, &task.directory)) continue;
    task.names = *task_names_;
    for (std::size_t k = 1; k <= f; ++k) task.names.push_back(frames_[k].name);
    const auto ordinals = static_cast<std::ptrdiff_t>(ordinals_.size() - (top - f));
    task.ordinals.assign(ordinals_.begin(), ordinals_.begin() + ordinals);
    task.subdirectories.assign(
        std::make_move_iterator(frame.subdirectories.begin() +
                                static_cast<std::ptrdiff_t>(first)),
        std::make_move_iterator(frame.subdirectories.end()));
    task.first_ordinal = frame.first_ordinal + static_cast<std::uint32_t>(first);
    task.record = frame.record;
    frame.subdirectories.resize(first);
    credit_ -= cost;
    context_.queue.Share(std::move(task));
    return;
  }
}

// A handle on frame |f|'s directory for work handed over from its
// subdirectory |first| on: the frame's own when this thread needs it no
// more, else a second one. Without one, only shallow work goes (by path).
bool Walker::HandOver(std::size_t f, std::size_t first,
                      std::unique_ptr<Directory>* handle) {
  Frame& frame = frames_[f];
  if (frame.dir) {
    if (frame.next >= first) {
      *handle = std::move(frame.dir);
      return true;
    }
    if (frame.dir->OpenAgain(handle).ok()) return true;
  }
  return task_names_->size() + f <= kShallowDepth;
}

std::string Walker::CurrentPath() const {
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

}  // namespace ovik
