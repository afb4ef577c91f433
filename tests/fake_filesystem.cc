#include "tests/fake_filesystem.h"

#include <algorithm>
#include <cctype>
#include <cerrno>

namespace ovik {

FakeNode* FakeNode::Child(std::string_view child_name) {
  for (auto& c : children) {
    if (c->name == child_name) return c.get();
  }
  return nullptr;
}

namespace {

// The directories a directory was opened through, nearest first.
struct FakeLineage {
  const FakeNode* node;
  std::shared_ptr<const FakeLineage> parent;
};

class FakeDirectory : public Directory {
 public:
  FakeDirectory(FakeFileSystem& fs, const FakeNode& node,
                std::shared_ptr<const FakeLineage> parent)
      : fs_(fs),
        node_(node),
        lineage_(std::make_shared<FakeLineage>(FakeLineage{&node, std::move(parent)})) {
    ++fs_.opens;
    int now = ++fs_.open_directories;
    int seen = fs_.max_open_directories.load();
    while (now > seen && !fs_.max_open_directories.compare_exchange_weak(seen, now)) {
    }
  }
  ~FakeDirectory() override { --fs_.open_directories; }

  Status Next(Entry* entry) override {
    if (failed_) return Status(StatusCode::kEnd);
    if (node_.listing_fails_after >= 0 &&
        next_ >= static_cast<std::size_t>(node_.listing_fails_after)) {
      failed_ = true;
      return Status(StatusCode::kOther);
    }
    if (next_ >= node_.children.size()) return Status(StatusCode::kEnd);
    const FakeNode& c = *node_.children[next_++];
    if (c.vanishes) return Status(StatusCode::kNotFound);
    entry->name = c.name;
    entry->kind = c.kind;
    if (c.kind == EntryKind::kDirectory ||
        c.kind == EntryKind::kDirectoryLink) {
      return Status::Ok();
    }
    entry->size = c.size;
    entry->device = 1;
    entry->inode = c.inode;
    entry->links = c.links;
    entry->owner_status =
        c.owner_unreadable ? OwnerStatus::kUnreadable : OwnerStatus::kKnown;
    entry->owner_key = c.owner_unreadable ? std::string() : c.owner;
    entry->group_key = c.owner_unreadable ? std::string() : c.group;
    return Status::Ok();
  }

  Status OpenSubdirectory(std::string_view name,
                          std::unique_ptr<Directory>* subdirectory) override {
    for (const auto& c : node_.children) {
      if (c->name != name) continue;
      if (c->kind != EntryKind::kDirectory) {
        return Status(StatusCode::kNotDirectory);
      }
      if (c->cannot_enter) return Status(StatusCode::kAccessDenied);
      if (c->other_volume) return Status(StatusCode::kOtherVolume);
      *subdirectory = std::make_unique<FakeDirectory>(
          fs_, c->moved_from != nullptr ? *c->moved_from : *c, lineage_);
      return Status::Ok();
    }
    return Status(StatusCode::kNotFound);
  }

  Status OpenAgain(std::unique_ptr<Directory>* again) override {
    *again = std::make_unique<FakeDirectory>(fs_, node_, lineage_->parent);
    return Status::Ok();
  }

  Status OpenParent(std::unique_ptr<Directory>* parent) override {
    if (!lineage_->parent) return Status(StatusCode::kUnsupported);
    if (node_.parent_moved) return Status(StatusCode::kNotFound);
    const FakeLineage& above = *lineage_->parent;
    *parent = std::make_unique<FakeDirectory>(fs_, *above.node, above.parent);
    return Status::Ok();
  }

  Status Identity(std::uint64_t* device, std::uint64_t* inode) const override {
    if (node_.inode == 0) return Status(StatusCode::kUnsupported);
    *device = 1;
    *inode = node_.inode;
    return Status::Ok();
  }

 private:
  FakeFileSystem& fs_;
  const FakeNode& node_;
  std::shared_ptr<const FakeLineage> lineage_;
  std::size_t next_ = 0;
  bool failed_ = false;
};

// The tree's files by inode, each once, as a volume's table holds them:
// also those below directories the walk cannot enter.
class FakeTable : public VolumeTable {
 public:
  FakeTable(const FakeNode& root, unsigned parts, int failing_part)
      : parts_(parts), failing_part_(failing_part) {
    Collect(root);
    std::sort(entries_.begin(), entries_.end(),
              [](const Entry& a, const Entry& b) { return a.inode < b.inode; });
  }
  std::string Description() const override { return "fake table"; }
  unsigned PartCount() const override { return parts_; }
  Status ReadPart(unsigned part, TableSink& sink) override {
    if (static_cast<int>(part) == failing_part_) {
      return Status(StatusCode::kOther, 5);
    }
    const std::size_t begin = entries_.size() * part / parts_;
    const std::size_t end = entries_.size() * (part + 1) / parts_;
    for (std::size_t i = begin; i < end && !sink.Cancelled(); ++i) {
      sink.Add(entries_[i]);
    }
    return Status::Ok();
  }

 private:
  void Collect(const FakeNode& node) {
    for (const auto& c : node.children) {
      if (c->kind == EntryKind::kDirectory) {
        Collect(*c);
        continue;
      }
      if (c->kind == EntryKind::kDirectoryLink || !seen_.insert(c->inode).second) {
        continue;
      }
      Entry e;
      e.kind = c->kind;
      e.size = c->owner_unreadable ? 0 : c->size;
      e.inode = c->inode;
      e.links = c->links;
      e.owner_status =
          c->owner_unreadable ? OwnerStatus::kUnreadable : OwnerStatus::kKnown;
      e.owner_key = c->owner_unreadable ? std::string() : c->owner;
      e.group_key = c->owner_unreadable ? std::string() : c->group;
      entries_.push_back(std::move(e));
    }
  }

  unsigned parts_;
  int failing_part_;
  std::vector<Entry> entries_;
  std::set<std::uint64_t> seen_;
};

std::string UpperAscii(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) {
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return folded;
}

std::vector<std::string_view> Split(std::string_view path) {
  std::vector<std::string_view> parts;
  while (!path.empty()) {
    auto slash = path.find('/');
    auto part = path.substr(0, slash);
    if (!part.empty()) parts.push_back(part);
    if (slash == std::string_view::npos) break;
    path.remove_prefix(slash + 1);
  }
  return parts;
}

}  // namespace

FakeFileSystem::FakeFileSystem() { root_.kind = EntryKind::kDirectory; }

FakeNode* FakeFileSystem::AddDirectory(std::string_view path, FakeNode* under) {
  FakeNode* node = under != nullptr ? under : &root_;
  for (auto part : Split(path)) {
    FakeNode* child = node->Child(part);
    if (child == nullptr) {
      node->children.push_back(std::make_unique<FakeNode>());
      child = node->children.back().get();
      child->name = std::string(part);
      child->kind = EntryKind::kDirectory;
      child->inode = next_inode_++;
    }
    node = child;
  }
  return node;
}

FakeNode* FakeFileSystem::AddFile(std::string_view path, std::string_view owner,
                                  std::uint64_t size, FakeNode* under) {
  auto slash = path.rfind('/');
  FakeNode* parent = slash == std::string_view::npos
                         ? (under != nullptr ? under : &root_)
                         : AddDirectory(path.substr(0, slash), under);
  parent->children.push_back(std::make_unique<FakeNode>());
  FakeNode* node = parent->children.back().get();
  node->name = std::string(
      slash == std::string_view::npos ? path : path.substr(slash + 1));
  node->owner = std::string(owner);
  node->size = size;
  node->inode = next_inode_++;
  return node;
}

FakeNode* FakeFileSystem::AddLink(std::string_view path, std::string_view owner,
                                  std::uint64_t size) {
  FakeNode* node = AddFile(path, owner, size);
  node->kind = EntryKind::kLink;
  return node;
}

FakeNode* FakeFileSystem::AddDirectoryLink(std::string_view path,
                                           std::string_view owner,
                                           std::uint64_t size) {
  FakeNode* node = AddFile(path, owner, size);
  node->kind = EntryKind::kDirectoryLink;
  return node;
}

FakeNode* FakeFileSystem::AddHardLink(std::string_view existing,
                                      std::string_view path) {
  FakeNode* original = Find(existing);
  FakeNode* node = AddFile(path, original->owner, original->size);
  node->group = original->group;
  node->inode = original->inode;
  node->links = ++original->links;
  return node;
}

FakeNode* FakeFileSystem::Find(std::string_view path) {
  FakeNode* node = &root_;
  for (auto part : Split(path)) {
    node = node->Child(part);
    if (node == nullptr) return nullptr;
  }
  return node;
}

TableOpenResult FakeFileSystem::OpenTable(std::string_view root_path) {
  TableOpenResult result;
  if (table_parts_ == 0) {
    result.refusal = TableRefusal::kNoTable;
    // Named as the real refusals name it: the path as given.
    result.reason =
        "the fake file system of " + std::string(root_path) + " has no table";
  } else {
    result.table =
        std::make_unique<FakeTable>(root_, table_parts_, failing_table_part_);
  }
  return result;
}

Status FakeFileSystem::OpenRoot(std::string_view path,
                                std::unique_ptr<Directory>* root) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    last_root = std::string(path);
  }
  if (!root_enterable_) return Status(StatusCode::kAccessDenied);
  *root = std::make_unique<FakeDirectory>(*this, root_, nullptr);
  return Status::Ok();
}

Status FakeFileSystem::LookupOwnerName(std::string_view owner_key,
                                       std::string* name) {
  ++lookups;
  const std::string key(owner_key);
  if (failing_lookups_.count(key) != 0) return Status(StatusCode::kOther);
  auto it = accounts_.find(key);
  if (it == accounts_.end()) return Status(StatusCode::kNotFound);
  *name = it->second;
  return Status::Ok();
}

Status FakeFileSystem::OwnerKeyText(std::string_view owner_key,
                                    std::string* text) {
  if (malformed_keys_.count(std::string(owner_key)) != 0) {
    return Status(StatusCode::kOther);
  }
  *text = std::string(owner_key);
  return Status::Ok();
}

Status FakeFileSystem::LookupGroupName(std::string_view group_key,
                                       std::string* name) {
  auto it = groups_.find(std::string(group_key));
  if (it == groups_.end()) return Status(StatusCode::kNotFound);
  *name = it->second;
  return Status::Ok();
}

Status FakeFileSystem::GroupKeyText(std::string_view group_key,
                                    std::string* text) {
  *text = std::string(group_key);
  return Status::Ok();
}

namespace {

Status FindIn(const std::map<std::string, std::string>& names,
              std::string_view name_or_id, std::string* name) {
  for (const auto& [key, known] : names) {
    if (known == name_or_id) {
      *name = known;
      return Status::Ok();
    }
  }
  auto it = names.find(std::string(name_or_id));
  if (it == names.end()) return Status(StatusCode::kNotFound);
  *name = it->second;
  return Status::Ok();
}

}  // namespace

Status FakeFileSystem::FindAccount(std::string_view name_or_id,
                                   std::string* name) {
  if (failing_lookups_.count(std::string(name_or_id)) != 0) {
    return Status::FromSystemError(EIO);
  }
  return FindIn(accounts_, name_or_id, name);
}

Status FakeFileSystem::FindGroup(std::string_view name_or_id,
                                 std::string* name) {
  if (failing_lookups_.count(std::string(name_or_id)) != 0) {
    return Status::FromSystemError(EIO);
  }
  return FindIn(groups_, name_or_id, name);
}

NameFolder FakeFileSystem::name_folder() const {
  return ignore_case_ ? &UpperAscii : nullptr;
}

}  // namespace ovik
