// btrfs's table: the inode items of every subvolume tree, read with the
// tree search ioctl (version 2). The walk of the top-level subvolume
// enters every subvolume and snapshot below it, so the table reads them
// all: the top level, and every subvolume the root tree still refers to
// (a deleted one waiting to be cleaned up is left out).
//
// Each subvolume numbers its inodes from 256 on its own, so an entry's
// number in this table is the subvolume's place in the list (by its id)
// times 2^40 plus its inode number; parts are ranges of inode numbers of
// one subvolume, large trees split in several.
//
// A tree search returns every item between two keys, not only inode
// items: the others (directory entries, extents, ...) are skipped here.
#include <endian.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <linux/btrfs.h>
#include <linux/btrfs_tree.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/entry_status_posix.h"
#include "platform/volume_table_posix.h"

namespace ovik {
namespace {

// Bytes of items asked for at once.
constexpr std::size_t kSearchBytes = 64 * 1024;
// Tree bytes per part, about, when a subvolume's tree is split: some
// hundred inodes.
constexpr std::uint64_t kTreeBytesPerPart = 64 << 10;
constexpr unsigned kMaxPartsPerTree = 64;
// Inode numbers of one subvolume stay below this; the subvolume's place
// goes above it.
constexpr int kInodeBits = 40;
constexpr std::uint64_t kInodeLimit = 1ULL << kInodeBits;
constexpr std::uint64_t kMaxTrees = 1ULL << (64 - kInodeBits);

struct Key {
  std::uint64_t objectid;
  std::uint32_t type;
  std::uint64_t offset;
};

// The key just after |key|; false past the last.
bool After(Key* key) {
  if (key->offset != ~0ULL) {
    ++key->offset;
  } else if (key->type != 255) {
    ++key->type;
    key->offset = 0;
  } else if (key->objectid != ~0ULL) {
    ++key->objectid;
    key->type = 0;
    key->offset = 0;
  } else {
    return false;
  }
  return true;
}

template <typename T>
T Load(const unsigned char* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

std::uint64_t Le64(const unsigned char* at) {
  return le64toh(Load<std::uint64_t>(at));
}
std::uint32_t Le32(const unsigned char* at) {
  return le32toh(Load<std::uint32_t>(at));
}

// One tree search: the items of tree |tree| between |from| and |to|.
class Search {
 public:
  explicit Search(std::size_t bytes)
      : memory_((sizeof(btrfs_ioctl_search_args_v2) + bytes +
                 sizeof(std::uint64_t) - 1) /
                sizeof(std::uint64_t)),
        bytes_(bytes) {}

  // Asks for up to |count| items from |from| on. False, with errno set,
  // when the kernel refuses.
  bool Ask(int fd, std::uint64_t tree, const Key& from, const Key& to,
           std::uint32_t count) {
    btrfs_ioctl_search_args_v2& args = *this->args();
    std::memset(&args.key, 0, sizeof args.key);
    args.key.tree_id = tree;
    args.key.min_objectid = from.objectid;
    args.key.min_type = from.type;
    args.key.min_offset = from.offset;
    args.key.max_objectid = to.objectid;
    args.key.max_type = to.type;
    args.key.max_offset = to.offset;
    args.key.min_transid = 0;
    args.key.max_transid = ~0ULL;
    args.key.nr_items = count;
    args.buf_size = bytes_;
    int result;
    do {
      result = ioctl(fd, BTRFS_IOC_TREE_SEARCH_V2, &args);
    } while (result != 0 && errno == EINTR);
    next_ = 0;
    left_ = result == 0 ? args.key.nr_items : 0;
    return result == 0;
  }

  // The next item of the answer: its key, its bytes and their number.
  bool Next(Key* key, const unsigned char** item, std::uint32_t* length) {
    if (left_ == 0) return false;
    const unsigned char* at = args()->buf + next_;
    btrfs_ioctl_search_header header;
    if (next_ + sizeof header > bytes_) return false;
    std::memcpy(&header, at, sizeof header);
    if (next_ + sizeof header + header.len > bytes_) return false;
    *key = {header.objectid, header.type, header.offset};
    *item = at + sizeof header;
    *length = header.len;
    next_ += sizeof header + header.len;
    --left_;
    return true;
  }

 private:
  btrfs_ioctl_search_args_v2* args() {
    return reinterpret_cast<btrfs_ioctl_search_args_v2*>(memory_.data());
  }

  std::vector<std::uint64_t> memory_;
  std::size_t bytes_;
  std::size_t next_ = 0;
  std::uint32_t left_ = 0;
};

struct Subvolume {
  std::uint64_t tree = 0;
  std::uint64_t tree_bytes = 0;
  bool referred = false;  // the root tree holds a reference to it
  bool alive = false;     // its root item counts references to it
};

struct Part {
  std::uint64_t tree;
  std::uint64_t place;  // the subvolume's place in the list
  std::uint64_t first;  // inode numbers, both included
  std::uint64_t last;
};

const Key kAllInodesEnd = {BTRFS_LAST_FREE_OBJECTID, 255, ~0ULL};

// Whether tree |tree| holds any item from |objectid| to the last inode.
bool HasItemsFrom(int fd, std::uint64_t tree, std::uint64_t objectid,
                  Search& search, bool* any) {
  if (!search.Ask(fd, tree, {objectid, 0, 0}, kAllInodesEnd, 1)) return false;
  Key key;
  const unsigned char* item;
  std::uint32_t length;
  *any = search.Next(&key, &item, &length);
  return true;
}

class BtrfsTable final : public VolumeTable {
 public:
  BtrfsTable(int fd, dev_t device, std::vector<Part> parts)
      : fd_(fd), device_(device), parts_(std::move(parts)) {}
  ~BtrfsTable() override { close(fd_); }
  BtrfsTable(const BtrfsTable&) = delete;
  BtrfsTable& operator=(const BtrfsTable&) = delete;

  std::string Description() const override { return "btrfs inode items"; }
  unsigned PartCount() const override {
    return static_cast<unsigned>(parts_.size());
  }

  Status ReadPart(unsigned index, TableSink& sink) override {
    if (index >= parts_.size()) return Status(StatusCode::kNotFound);
    const Part& part = parts_[index];
    Search search(kSearchBytes);
    Entry entry;
    Key from = {part.first, BTRFS_INODE_ITEM_KEY, 0};
    const Key to = {part.last, BTRFS_INODE_ITEM_KEY, ~0ULL};
    while (!sink.Cancelled()) {
      if (!search.Ask(fd_, part.tree, from, to, ~0U)) {
        // A subvolume deleted since the list was read has nothing left.
        if (errno == ENOENT) return Status::Ok();
        return Status::FromSystemError(errno);
      }
      Key key;
      const unsigned char* item;
      std::uint32_t length;
      bool any = false;
      while (search.Next(&key, &item, &length)) {
        if (sink.Cancelled()) return Status::Ok();
        any = true;
        from = key;
        if (key.type != BTRFS_INODE_ITEM_KEY) continue;
        Give(part.place << kInodeBits | key.objectid, item, length, sink,
             &entry);
      }
      if (!any || !After(&from)) break;
      if (from.objectid > part.last) break;
    }
    return Status::Ok();
  }

 private:
  void Give(std::uint64_t number, const unsigned char* item,
            std::uint32_t length, TableSink& sink, Entry* entry) const {
    if (length < sizeof(btrfs_inode_item)) {
      FillUnreadableEntry(EntryKind::kOther, entry);
      entry->device = device_;
      entry->inode = number;
      sink.Add(*entry);
      return;
    }
    const std::uint32_t links =
        Le32(item + offsetof(btrfs_inode_item, nlink));
    const mode_t mode = Le32(item + offsetof(btrfs_inode_item, mode));
    if (links == 0 || S_ISDIR(mode)) return;  // orphan, or a directory
    EntryStatus s;
    s.mode = mode;
    s.size = Le64(item + offsetof(btrfs_inode_item, size));
    s.device = device_;
    s.inode = number;
    s.links = links;
    s.uid = Le32(item + offsetof(btrfs_inode_item, uid));
    s.gid = Le32(item + offsetof(btrfs_inode_item, gid));
    s.modified = static_cast<std::int64_t>(
        Le64(item + offsetof(btrfs_inode_item, mtime)));
    s.accessed = static_cast<std::int64_t>(
        Le64(item + offsetof(btrfs_inode_item, atime)));
    FillEntry(s, entry);
    sink.Add(*entry);
  }

  int fd_;
  dev_t device_;
  std::vector<Part> parts_;
};

// The subvolumes the root tree lists, by id: the top level and those
// still referred to.
bool ListSubvolumes(int fd, std::vector<Subvolume>* list) {
  std::map<std::uint64_t, Subvolume> found;
  Search search(kSearchBytes);
  Key from = {BTRFS_FS_TREE_OBJECTID, BTRFS_ROOT_ITEM_KEY, 0};
  const Key to = {BTRFS_LAST_FREE_OBJECTID, BTRFS_ROOT_BACKREF_KEY, ~0ULL};
  for (;;) {
    if (!search.Ask(fd, BTRFS_ROOT_TREE_OBJECTID, from, to, ~0U)) return false;
    Key key;
    const unsigned char* item;
    std::uint32_t length;
    bool any = false;
    while (search.Next(&key, &item, &length)) {
      any = true;
      from = key;
      // Between the top level and the first subvolume lie the trees of
      // the file system's own.
      if (key.objectid != BTRFS_FS_TREE_OBJECTID &&
          key.objectid < BTRFS_FIRST_FREE_OBJECTID) {
        continue;
      }
      if (key.type == BTRFS_ROOT_ITEM_KEY &&
          length >= offsetof(btrfs_root_item, refs) + 4) {
        Subvolume& subvolume = found[key.objectid];
        subvolume.tree = key.objectid;
        subvolume.tree_bytes =
            Le64(item + offsetof(btrfs_root_item, bytes_used));
        subvolume.alive = Le32(item + offsetof(btrfs_root_item, refs)) != 0;
      } else if (key.type == BTRFS_ROOT_BACKREF_KEY) {
        found[key.objectid].referred = true;
      }
    }
    if (!any || !After(&from)) break;
  }
  for (const auto& [id, subvolume] : found) {
    if (subvolume.tree == id && subvolume.alive &&
        (id == BTRFS_FS_TREE_OBJECTID || subvolume.referred)) {
      list->push_back(subvolume);
    }
  }
  return true;
}

// The highest inode number of tree |tree| below kInodeLimit, or 0 when
// it cannot be told.
std::uint64_t HighestInode(int fd, std::uint64_t tree, Search& search) {
  std::uint64_t low = BTRFS_FIRST_FREE_OBJECTID, high = kInodeLimit - 1;
  bool any = false;
  if (!HasItemsFrom(fd, tree, low, search, &any) || !any) return 0;
  while (low < high) {  // items from |low| on, none past |high|
    const std::uint64_t middle = low + (high - low + 1) / 2;
    if (!HasItemsFrom(fd, tree, middle, search, &any)) return 0;
    if (any) {
      low = middle;
    } else {
      high = middle - 1;
    }
  }
  return low;
}

}  // namespace

TableOpenResult OpenBtrfsTable(const MountedVolume& volume) {
  TableOpenResult refusal;
  UniqueFd owned = DuplicateVolumeFd(volume, &refusal);
  const int fd = owned.get();
  if (fd < 0) return refusal;
  Search probe(4096);
  if (!probe.Ask(fd, BTRFS_ROOT_TREE_OBJECTID,
                 {BTRFS_FS_TREE_OBJECTID, BTRFS_ROOT_ITEM_KEY, 0},
                 {BTRFS_FS_TREE_OBJECTID, BTRFS_ROOT_ITEM_KEY, ~0ULL}, 1)) {
    const int error = errno;
    if (error == EPERM || error == EACCES) {
      return RefuseTable(TableRefusal::kNoPrivilege,
                         "reading the inode items of btrfs needs "
                         "CAP_SYS_ADMIN");
    }
    return RefuseTable(TableRefusal::kUnreadable,
                       "the trees of the btrfs file system of " + volume.path +
                           " cannot be searched: " +
                           Status::FromSystemError(error).ToString());
  }
  TableOpenResult flushed;
  if (!FlushVolume(volume, &flushed)) return flushed;
  std::vector<Subvolume> subvolumes;
  if (!ListSubvolumes(fd, &subvolumes)) {
    return RefuseTable(TableRefusal::kUnreadable,
                       "the subvolumes of " + volume.path +
                           " cannot be listed: " +
                           Status::FromSystemError(errno).ToString());
  }
  if (subvolumes.size() >= kMaxTrees) {
    return RefuseTable(TableRefusal::kUnreadable,
                       volume.path + " has too many subvolumes to number");
  }
  std::vector<Part> parts;
  Search search(4096);
  for (std::size_t place = 0; place < subvolumes.size(); ++place) {
    const Subvolume& subvolume = subvolumes[place];
    bool beyond = false;
    if (HasItemsFrom(fd, subvolume.tree, kInodeLimit, search, &beyond) &&
        beyond) {
      return RefuseTable(TableRefusal::kUnreadable,
                         "subvolume " + std::to_string(subvolume.tree) +
                             " of " + volume.path +
                             " has inode numbers too large to number");
    }
    const unsigned pieces = static_cast<unsigned>(std::clamp<std::uint64_t>(
        subvolume.tree_bytes / kTreeBytesPerPart, 1, kMaxPartsPerTree));
    const std::uint64_t highest =
        pieces > 1 ? HighestInode(fd, subvolume.tree, search) : 0;
    std::uint64_t first = BTRFS_FIRST_FREE_OBJECTID;
    if (highest > first) {
      const std::uint64_t step = (highest - first) / pieces + 1;
      for (; first + step <= highest; first += step) {
        parts.push_back({subvolume.tree, place, first, first + step - 1});
      }
    }
    parts.push_back({subvolume.tree, place, first, kInodeLimit - 1});
  }
  TableOpenResult result;
  result.table =
      std::make_unique<BtrfsTable>(fd, volume.device, std::move(parts));
  owned.Release();
  return result;
}

}  // namespace ovik
