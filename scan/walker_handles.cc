// How a walker gets its directories back once it has closed them: up
// through the child it leaves, along the path from the nearest open
// ancestor, and by giving back every handle it can spare when the
// system has none left.
#include "scan/walker.h"

#include <algorithm>
#include <utility>

namespace ovik {

Status Walker::OpenRoot() {
  return context_.fs.OpenRoot(context_.root, &root_);
}

Status Walker::OpenRootFrom(Walker& first) {
  // The same directory as the first thread's, whatever happened to the
  // path since.
  Status opened = first.root_->OpenAgain(&root_);
  if (opened.code() == StatusCode::kUnsupported) return OpenRoot();
  return opened;
}

// Leaves the top frame. While the parent's directory is closed, the one
// left is kept (or reached from its own child) as the way back up.
void Walker::PopFrame() {
  std::unique_ptr<Directory> dir = std::move(frames_.back().dir);
  frames_.pop_back();
  if (frames_.empty()) {
    up_.reset();
    return;
  }
  ordinals_.pop_back();
  if (frames_.back().dir) {
    up_.reset();
    return;
  }
  if (!dir && up_) {
    std::unique_ptr<Directory> child = std::move(up_);
    if (!Retrying(child.get(), [&] { return child->OpenParent(&dir); }).ok()) {
      dir.reset();
    }
  }
  up_ = std::move(dir);
}

// Opens the top frame's directory again: through ".." from the child just
// left where the system has that step and the child still lies there,
// else along the path.
Status Walker::ReopenTop() {
  const std::size_t top = frames_.size() - 1;
  if (up_) {
    std::unique_ptr<Directory> child = std::move(up_);
    if (Retrying(child.get(), [&] {
          return child->OpenParent(&frames_[top].dir);
        }).ok()) {
      return Status::Ok();
    }
  }
  return Retrying(nullptr, [&] { return ReopenFrame(top); });
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
  if (!root_) {
    // Given to the root's own listing, or back to save descriptors.
    const Status opened = context_.fs.OpenRoot(context_.root, &root_);
    if (!opened.ok()) return opened;
  }
  if (task_names_->empty()) {
    // The task is the root itself; the handle is opened again when
    // needed.
    *directory = std::move(root_);
    return Status::Ok();
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

void Walker::GiveBack(const Directory* keep) {
  for (Frame& frame : frames_) {
    if (frame.dir.get() != keep) frame.dir.reset();
  }
  up_.reset();
  if (root_.get() != keep) root_.reset();
}

void Walker::LimitOpenDirectories() {
  const std::size_t limit = std::max(2u, context_.max_open_directories);
  if (frames_.size() > limit) frames_[frames_.size() - 1 - limit].dir.reset();
}

}  // namespace ovik
