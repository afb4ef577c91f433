#include "history/directory_sets.h"

#include <algorithm>
#include <utility>

#include "history/varint.h"

namespace ovik {
namespace {

constexpr char kWholeSet = 'W';
constexpr char kChanges = 'C';

// Paths stored against the one written before them.
class PathWriter {
 public:
  explicit PathWriter(std::string* out) : out_(out) {}
  void Put(std::string_view path) {
    const auto [mine, theirs] = std::mismatch(
        path.begin(), path.end(), previous_.begin(), previous_.end());
    const auto shared = static_cast<std::size_t>(mine - path.begin());
    PutVarint(shared, out_);
    PutVarint(path.size() - shared, out_);
    out_->append(path.substr(shared));
    previous_.assign(path);
  }

 private:
  std::string* out_;
  std::string previous_;
};

class PathReader {
 public:
  explicit PathReader(std::string_view in, std::size_t* at)
      : in_(in), at_(at) {}
  bool Get(std::string* path) {
    std::uint64_t shared = 0;
    std::string_view rest;
    if (!GetVarint(in_, at_, &shared) || shared > previous_.size() ||
        !GetLengthPrefixed(in_, at_, &rest)) {
      return false;
    }
    previous_.resize(static_cast<std::size_t>(shared));
    previous_.append(rest);
    *path = previous_;
    return true;
  }

 private:
  std::string_view in_;
  std::size_t* at_;
  std::string previous_;
};

// The files count one more than it is, 0 meaning not counted.
void PutEntries(const std::vector<const SavedDirectory*>& entries,
                std::string* out) {
  PutVarint(entries.size(), out);
  PathWriter paths(out);
  for (const SavedDirectory* entry : entries) {
    paths.Put(entry->path);
    PutVarint(entry->bytes, out);
    PutVarint(entry->files ? *entry->files + 1 : 0, out);
  }
}

bool GetEntries(std::string_view in, std::size_t* at,
                std::vector<SavedDirectory>* entries) {
  std::uint64_t count = 0;
  if (!GetVarint(in, at, &count) || count > in.size() - *at) return false;
  PathReader paths(in, at);
  entries->resize(static_cast<std::size_t>(count));
  for (SavedDirectory& entry : *entries) {
    std::uint64_t files = 0;
    if (!paths.Get(&entry.path) || !GetVarint(in, at, &entry.bytes) ||
        !GetVarint(in, at, &files)) {
      return false;
    }
    entry.files.reset();
    if (files != 0) entry.files = files - 1;
  }
  return std::is_sorted(entries->begin(), entries->end(),
                        [](const SavedDirectory& a, const SavedDirectory& b) {
                          return a.path < b.path;
                        });
}

}  // namespace

PathOrder InPathOrder(const std::vector<SavedDirectory>& directories) {
  PathOrder order;
  order.reserve(directories.size());
  for (const SavedDirectory& d : directories) order.push_back(&d);
  std::sort(order.begin(), order.end(),
            [](const SavedDirectory* a, const SavedDirectory* b) {
              return a->path < b->path;
            });
  return order;
}

std::string EncodeWholeSet(const PathOrder& by_path) {
  std::string out(1, kWholeSet);
  PutEntries(by_path, &out);
  return out;
}

std::string EncodeChanges(const std::vector<SavedDirectory>& base,
                          const PathOrder& by_path) {
  // One merge of the two sorted lists: paths gone, and entries new or
  // changed.
  std::string removed_paths;
  std::uint64_t removed = 0;
  PathWriter removed_writer(&removed_paths);
  std::vector<const SavedDirectory*> changed;
  auto old = base.begin();
  auto now = by_path.begin();
  while (old != base.end() || now != by_path.end()) {
    if (now == by_path.end() ||
        (old != base.end() && old->path < (*now)->path)) {
      removed_writer.Put(old->path);
      ++removed;
      ++old;
    } else if (old == base.end() || (*now)->path < old->path) {
      changed.push_back(*now++);
    } else {
      if (!(*old == **now)) changed.push_back(*now);
      ++old;
      ++now;
    }
  }
  std::string out(1, kChanges);
  PutVarint(removed, &out);
  out += removed_paths;
  PutEntries(changed, &out);
  return out;
}

bool HoldsChanges(std::string_view stored) {
  return !stored.empty() && stored[0] == kChanges;
}

bool DecodeSet(std::string_view stored,
               const std::vector<SavedDirectory>* base,
               std::vector<SavedDirectory>* by_path) {
  if (stored.empty()) return false;
  std::size_t at = 1;
  std::vector<SavedDirectory> read;
  if (stored[0] == kWholeSet) {
    if (!GetEntries(stored, &at, &read) || at != stored.size()) return false;
    *by_path = std::move(read);
    return true;
  }
  if (stored[0] != kChanges || base == nullptr) return false;
  std::uint64_t removed = 0;
  if (!GetVarint(stored, &at, &removed) || removed > stored.size()) {
    return false;
  }
  std::vector<std::string> gone(static_cast<std::size_t>(removed));
  PathReader paths(stored, &at);
  for (std::string& path : gone) {
    if (!paths.Get(&path)) return false;
  }
  std::vector<SavedDirectory> changed;
  if (!GetEntries(stored, &at, &changed) || at != stored.size()) return false;
  // The base less what went and what changed, then what changed: both
  // lists are in path order, so one more merge keeps the result in it.
  auto next_gone = gone.begin();
  auto next_changed = changed.begin();
  for (const SavedDirectory& entry : *base) {
    while (next_gone != gone.end() && *next_gone < entry.path) ++next_gone;
    while (next_changed != changed.end() && next_changed->path < entry.path) {
      read.push_back(*next_changed++);
    }
    const bool is_gone = next_gone != gone.end() && *next_gone == entry.path;
    const bool is_changed =
        next_changed != changed.end() && next_changed->path == entry.path;
    if (!is_gone && !is_changed) read.push_back(entry);
  }
  read.insert(read.end(), next_changed, changed.end());
  *by_path = std::move(read);
  return true;
}

}  // namespace ovik
