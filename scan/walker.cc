#include "scan/walker.h"

#include <algorithm>
#include <utility>

namespace ovik {

bool IsDescendable(const Entry& entry) {
  return entry.kind == EntryKind::kDirectory;
}

bool IsCounted(const Entry& entry) {
  return entry.kind != EntryKind::kDirectory &&
         entry.kind != EntryKind::kDirectoryLink;
}

bool Walker::OpenRoot() {
  return context_.fs.OpenRoot(context_.root, &root_).ok();
}

void Walker::Run(Task first) {
  Task task = std::move(first);
  do {
    if (!context_.cancelled()) WalkTask(task);
  } while (context_.queue.Take(&task));
}

void Walker::WalkTask(const Task& task) {
  tallies_.StartTask();
  ordinals_ = task.ordinals;
  task_names_ = &task.names;
  frames_.clear();
  frames_.emplace_back();
  frames_.back().name = task.names.empty() ? std::string() : task.names.back();
  const Status opened = ReopenFrame(0);
  if (!opened.ok()) {
    CountUnenterable(opened);
    return;
  }
  if (!FirstVisit(*frames_.back().dir)) return;
  WalkDirectory(frames_.back());
  while (!frames_.empty()) {
    if (context_.cancelled()) return;
    if (context_.queue.hungry()) ShareWork();
    std::unique_ptr<Directory> child;
    std::uint32_t ordinal = 0;
    const bool found = frames_.back().next == 0
                           ? FindFirstSubdirectory(&child, &ordinal)
                           : FindNextSubdirectory(&child, &ordinal);
    if (!found) {
      frames_.pop_back();
      if (!frames_.empty()) ordinals_.pop_back();
      continue;
    }
    if (!FirstVisit(*child)) continue;
    Frame frame;
    frame.dir = std::move(child);
    frame.name = frames_.back().subdirectories[ordinal];
    frames_.push_back(std::move(frame));
    ordinals_.push_back(ordinal);
    LimitOpenDirectories();
    WalkDirectory(frames_.back());
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
  ++stats_.directories;
  const std::uint64_t files_before = stats_.files;
  const std::uint64_t bytes_before = stats_.bytes;
  for (std::uint64_t place = 0;; ++place) {
    const Status read = frame.dir->Next(&entry_);
    if (read.ok()) {
      if (IsDescendable(entry_)) {
        frame.subdirectories.push_back(entry_.name);
      } else if (IsCounted(entry_) && CountEntry(place)) {
        ++stats_.files;
        stats_.bytes += entry_.size;
      }
    } else if (read.code() == StatusCode::kNotFound) {
      ++stats_.vanished_entries;
    } else {
      if (read.code() != StatusCode::kEnd) ++stats_.skipped_directories;
      break;
    }
  }
  if (frame.subdirectories.empty()) frame.dir.reset();
  if (ScanProgress* p = context_.progress) {
    p->files.fetch_add(stats_.files - files_before, std::memory_order_relaxed);
    p->bytes.fetch_add(stats_.bytes - bytes_before, std::memory_order_relaxed);
    p->directories.fetch_add(1, std::memory_order_relaxed);
    if ((stats_.directories & 63) == 1) p->SetCurrentDirectory(CurrentPath());
  }
}

// Attributes the entry at |place| to its owner. False when it is a further
// link of a file already counted: its owner is met, its bytes are not.
bool Walker::CountEntry(std::uint64_t place) {
  OwnerTally* tally;
  if (entry_.owner_status == OwnerStatus::kUnreadable) {
    ++stats_.unreadable_entries;
    tally = &tallies_.MeetUnreadable(ordinals_, place);
  } else {
    tally = &tallies_.Meet(entry_.owner_key, ordinals_, place);
  }
  if (entry_.links > 1 && entry_.inode != 0 &&
      !context_.links.Insert(entry_.device, entry_.inode)) {
    ++stats_.hard_link_duplicates;
    return false;
  }
  tally->bytes += entry_.size;
  return true;
}

// Opens the first subdirectory of the top frame that can be entered,
// once its own entries have been counted.
bool Walker::FindFirstSubdirectory(std::unique_ptr<Directory>* child,
                                   std::uint32_t* ordinal) {
  return FindNextSubdirectory(child, ordinal);
}

// Opens the next subdirectory of the top frame that can be entered. Those
// that cannot are counted and passed over, so the walk neither repeats the
// parent nor leaves it.
bool Walker::FindNextSubdirectory(std::unique_ptr<Directory>* child,
                                  std::uint32_t* ordinal) {
  const std::size_t top = frames_.size() - 1;
  Frame& frame = frames_[top];
  while (frame.next < frame.subdirectories.size()) {
    const std::size_t i = frame.next++;
    if (!frame.dir && !ReopenFrame(top).ok()) {
      // The directory itself went away or became unreachable.
      stats_.skipped_directories += frame.subdirectories.size() - i;
      frame.next = frame.subdirectories.size();
      return false;
    }
    Status opened = frame.dir->OpenSubdirectory(frame.subdirectories[i], child);
    if (opened.code() == StatusCode::kTooManyOpen) {
      CloseAllBut(top);
      opened = frame.dir->OpenSubdirectory(frame.subdirectories[i], child);
    }
    if (opened.ok()) {
      *ordinal = static_cast<std::uint32_t>(i);
      if (frame.next == frame.subdirectories.size()) {
        frame.dir.reset();  // no further child to open from it
      }
      return true;
    }
    CountUnenterable(opened);
  }
  return false;
}

void Walker::CountUnenterable(const Status& status) {
  switch (status.code()) {
    case StatusCode::kOtherVolume:
      ++stats_.other_volumes;
      break;
    case StatusCode::kNotFound:
    case StatusCode::kNotDirectory:
      ++stats_.vanished_entries;
      break;
    default:
      ++stats_.skipped_directories;
      break;
  }
}

// Opens frame |i| again from its nearest open ancestor, or from the root
// along the task's names. Only one directory on the way is open at a time.
Status Walker::ReopenFrame(std::size_t i) {
  std::size_t j = i;
  while (j > 0 && !frames_[j - 1].dir) --j;
  std::unique_ptr<Directory> current;
  Directory* from = nullptr;
  if (j == 0) {
    const Status opened = OpenAlongTask(&current);
    if (!opened.ok()) return opened;
    if (i == 0) {
      frames_[0].dir = std::move(current);
      return Status::Ok();
    }
    j = 1;
    from = current.get();
    if (frames_[0].next < frames_[0].subdirectories.size()) {
      frames_[0].dir = std::move(current);  // still needed later
    }
  } else {
    from = frames_[j - 1].dir.get();
  }
  for (std::size_t k = j; k <= i; ++k) {
    std::unique_ptr<Directory> next;
    const Status opened = from->OpenSubdirectory(frames_[k].name, &next);
    if (!opened.ok()) return opened;
    from = next.get();
    current = std::move(next);  // closes the one before
  }
  frames_[i].dir = std::move(current);
  return Status::Ok();
}

// The directory a task starts in, from this walker's root along the
// task's names.
Status Walker::OpenAlongTask(std::unique_ptr<Directory>* directory) {
  if (!root_) return Status(StatusCode::kOther);
  if (task_names_->empty()) {
    // The task is the root itself: a listing of its own.
    return context_.fs.OpenRoot(context_.root, directory);
  }
  std::unique_ptr<Directory> current;
  Directory* from = root_.get();
  for (const std::string& name : *task_names_) {
    std::unique_ptr<Directory> next;
    const Status opened = from->OpenSubdirectory(name, &next);
    if (!opened.ok()) return opened;
    current = std::move(next);
    from = current.get();
  }
  *directory = std::move(current);
  return Status::Ok();
}

void Walker::LimitOpenDirectories() {
  const std::size_t limit = std::max(2u, context_.max_open_directories);
  if (frames_.size() > limit) frames_[frames_.size() - 1 - limit].dir.reset();
}

void Walker::CloseAllBut(std::size_t keep) {
  for (std::size_t k = 0; k < frames_.size(); ++k) {
    if (k != keep) frames_[k].dir.reset();
  }
}

// Hands the pending subdirectories of the shallowest frame that has any to
// the threads waiting for work.
void Walker::ShareWork() {
  for (std::size_t f = 0; f < frames_.size(); ++f) {
    Frame& frame = frames_[f];
    // The top frame keeps its next subdirectory for this thread, so a lone
    // chain of directories is not handed back and forth.
    const std::size_t first = frame.next + (f + 1 == frames_.size() ? 1 : 0);
    if (first >= frame.subdirectories.size()) continue;
    std::vector<std::string> names = *task_names_;
    for (std::size_t k = 1; k <= f; ++k) names.push_back(frames_[k].name);
    const auto depth = static_cast<std::ptrdiff_t>(ordinals_.size() -
                                                   (frames_.size() - 1 - f));
    const std::vector<std::uint32_t> ordinals(ordinals_.begin(),
                                              ordinals_.begin() + depth);
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
    context_.queue.Share(&tasks);
    return;
  }
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
