#include "history/directory_sets.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string_view>
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

// An entry as it is stored: its path (where it lies), and its figures
// less those of the saved directories nearest below it (see ToOwn); the
// files one more than they are, 0 meaning not counted.
struct Stored {
  const std::string* path = nullptr;
  std::uint64_t bytes = 0;
  std::uint64_t files = 0;

  friend bool operator==(const Stored& a, const Stored& b) {
    return *a.path == *b.path && a.bytes == b.bytes && a.files == b.files;
  }
};

void PutEntries(const std::vector<const Stored*>& entries, std::string* out) {
  PutVarint(entries.size(), out);
  PathWriter paths(out);
  for (const Stored* entry : entries) {
    paths.Put(*entry->path);
    PutVarint(entry->bytes, out);
    PutVarint(entry->files, out);
  }
}

// Entries as stored: the files one more than they are, as in Stored.
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
    if (files != 0) entry.files = files;
  }
  return std::is_sorted(entries->begin(), entries->end(),
                        [](const SavedDirectory& a, const SavedDirectory& b) {
                          return a.path < b.path;
                        });
}

// Each entry's nearest saved directory above it (-1 for none): "" lies
// above every other path, "a" above "a/b" and "a/b/c". Paths are in
// order, so a directory lies before everything below it.
template <typename PathOf>
std::vector<std::ptrdiff_t> Parents(std::size_t count, PathOf path_of) {
  std::vector<std::ptrdiff_t> parents(count, -1);
  for (std::size_t i = 0; i < count; ++i) {
    std::string_view path = path_of(i);
    while (!path.empty() && parents[i] < 0) {
      const std::size_t slash = path.rfind('/');
      path = slash == std::string_view::npos ? std::string_view()
                                             : path.substr(0, slash);
      std::size_t low = 0;
      std::size_t high = i;
      while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (std::string_view(path_of(middle)) < path) {
          low = middle + 1;
        } else {
          high = middle;
        }
      }
      if (low < i && path_of(low) == path) {
        parents[i] = static_cast<std::ptrdiff_t>(low);
      }
    }
  }
  return parents;
}

std::uint64_t ZigZag(std::uint64_t n) {
  return (n << 1) ^
         static_cast<std::uint64_t>(static_cast<std::int64_t>(n) >> 63);
}

std::uint64_t UnZigZag(std::uint64_t n) { return (n >> 1) ^ (~(n & 1) + 1); }

// Stored, each directory keeps its bytes (and files) less those of the
// saved directories nearest below it: a file written deep down then
// changes one entry, not every saved directory above it as well. The
// differences wrap, so they are exact whatever the figures, and small
// ones, either way, stay small.
std::vector<Stored> ToOwn(const PathOrder& by_path) {
  std::vector<Stored> own(by_path.size());
  std::vector<std::optional<std::uint64_t>> files(by_path.size());
  for (std::size_t i = 0; i < by_path.size(); ++i) {
    own[i].path = &by_path[i]->path;
    own[i].bytes = by_path[i]->bytes;
    files[i] = by_path[i]->files;
  }
  const std::vector<std::ptrdiff_t> parents = Parents(
      by_path.size(),
      [&](std::size_t i) -> const std::string& { return by_path[i]->path; });
  for (std::size_t i = 0; i < own.size(); ++i) {
    if (parents[i] < 0) continue;
    const auto parent = static_cast<std::size_t>(parents[i]);
    own[parent].bytes -= by_path[i]->bytes;
    if (files[parent] && by_path[i]->files) {
      *files[parent] -= *by_path[i]->files;
    }
  }
  for (std::size_t i = 0; i < own.size(); ++i) {
    own[i].bytes = ZigZag(own[i].bytes);
    own[i].files = files[i] ? ZigZag(*files[i]) + 1 : 0;
  }
  return own;
}

// The figures back from entries as stored (GetEntries): each, from the
// last (the deepest of its line), added to the one above it.
void FromOwn(std::vector<SavedDirectory>* set) {
  for (SavedDirectory& d : *set) {
    d.bytes = UnZigZag(d.bytes);
    if (d.files) d.files = UnZigZag(*d.files - 1);
  }
  const std::vector<std::ptrdiff_t> parents = Parents(
      set->size(),
      [&](std::size_t i) -> const std::string& { return (*set)[i].path; });
  for (std::size_t i = set->size(); i-- > 0;) {
    if (parents[i] < 0) continue;
    SavedDirectory& parent = (*set)[static_cast<std::size_t>(parents[i])];
    parent.bytes += (*set)[i].bytes;
    if (parent.files && (*set)[i].files) *parent.files += *(*set)[i].files;
  }
}

PathOrder Pointers(const std::vector<SavedDirectory>& set) {
  PathOrder pointers;
  pointers.reserve(set.size());
  for (const SavedDirectory& d : set) pointers.push_back(&d);
  return pointers;
}

std::vector<const Stored*> Pointers(const std::vector<Stored>& set) {
  std::vector<const Stored*> pointers;
  pointers.reserve(set.size());
  for (const Stored& d : set) pointers.push_back(&d);
  return pointers;
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
  const std::vector<Stored> own = ToOwn(by_path);
  std::string out(1, kWholeSet);
  PutEntries(Pointers(own), &out);
  return out;
}

std::string EncodeChanges(const std::vector<SavedDirectory>& base,
                          const PathOrder& by_path) {
  // One merge of the two sorted lists: paths gone, and entries new or
  // changed.
  const std::vector<Stored> was = ToOwn(Pointers(base));
  const std::vector<Stored> now = ToOwn(by_path);
  std::string removed_paths;
  std::uint64_t removed = 0;
  PathWriter removed_writer(&removed_paths);
  std::vector<const Stored*> changed;
  auto old = was.begin();
  auto next = now.begin();
  while (old != was.end() || next != now.end()) {
    if (next == now.end() || (old != was.end() && *old->path < *next->path)) {
      removed_writer.Put(*old->path);
      ++removed;
      ++old;
    } else if (old == was.end() || *next->path < *old->path) {
      changed.push_back(&*next++);
    } else {
      if (!(*old == *next)) changed.push_back(&*next);
      ++old;
      ++next;
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

bool DecodeSet(std::string_view stored, const std::vector<SavedDirectory>* base,
               std::vector<SavedDirectory>* by_path) {
  if (stored.empty()) return false;
  std::size_t at = 1;
  std::vector<SavedDirectory> read;
  if (stored[0] == kWholeSet) {
    if (!GetEntries(stored, &at, &read) || at != stored.size()) return false;
    FromOwn(&read);
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
  const std::vector<Stored> was = ToOwn(Pointers(*base));
  auto next_gone = gone.begin();
  auto next_changed = changed.begin();
  for (const Stored& entry : was) {
    const std::string& path = *entry.path;
    while (next_gone != gone.end() && *next_gone < path) ++next_gone;
    while (next_changed != changed.end() && next_changed->path < path) {
      read.push_back(*next_changed++);
    }
    const bool is_gone = next_gone != gone.end() && *next_gone == path;
    const bool is_changed =
        next_changed != changed.end() && next_changed->path == path;
    if (is_gone || is_changed) continue;
    read.push_back({path, entry.bytes, std::nullopt});
    if (entry.files != 0) read.back().files = entry.files;
  }
  read.insert(read.end(), next_changed, changed.end());
  FromOwn(&read);
  *by_path = std::move(read);
  return true;
}

}  // namespace ovik
