#include "tests/fake_filesystem.h"

#include <algorithm>
#include <cctype>

namespace ovik {

FakeNode* FakeNode::Child(std::string_view child_name) {
  for (auto& c : children) {
    if (c->name == child_name) return c.get();
  }
  return nullptr;
}

namespace {

class FakeDirectory : public Directory {
 public:
  FakeDirectory(FakeFileSystem& fs, const FakeNode& node) : fs_(fs), node_(node) {
    int now = ++fs_.open_directories;
    int seen = fs_.max_open_directories.load();
    while (now > seen && !fs_.max_open_directories.compare_exchange_weak(seen, now)) {
    }
  }
  ~FakeDirectory() override { --fs_.open_directories; }

  ReadResult Next(Entry* entry) override {
    if (node_.listing_fails_after >= 0 &&
        next_ >= static_cast<std::size_t>(node_.listing_fails_after)) {
      return ReadResult::kError;
    }
    if (next_ >= node_.children.size()) return ReadResult::kEnd;
    const FakeNode& c = *node_.children[next_++];
    entry->name = c.name;
    if (c.vanishes) return ReadResult::kVanished;
    entry->kind = c.kind;
    if (c.kind == EntryKind::kDirectory) return ReadResult::kEntry;
    entry->size = c.size;
    entry->device = 1;
    entry->inode = c.inode;
    entry->links = c.links;
    entry->owner_status =
        c.owner_unreadable ? OwnerStatus::kUnreadable : OwnerStatus::kKnown;
    entry->owner_key = c.owner_unreadable ? std::string() : c.owner;
    return ReadResult::kEntry;
  }

  std::unique_ptr<Directory> OpenSubdirectory(std::string_view name,
                                              OpenError* error) override {
    for (const auto& c : node_.children) {
      if (c->name != name) continue;
      if (c->kind != EntryKind::kDirectory) {
        *error = OpenError::kNotDirectory;
        return nullptr;
      }
      if (c->cannot_enter) {
        *error = OpenError::kAccessDenied;
        return nullptr;
      }
      if (c->other_volume) {
        *error = OpenError::kOtherVolume;
        return nullptr;
      }
      *error = OpenError::kNone;
      return std::make_unique<FakeDirectory>(
          fs_, c->moved_from != nullptr ? *c->moved_from : *c);
    }
    *error = OpenError::kNotFound;
    return nullptr;
  }

  bool Identity(std::uint64_t* device, std::uint64_t* inode) const override {
    *device = 1;
    *inode = node_.inode;
    return node_.inode != 0;
  }

 private:
  FakeFileSystem& fs_;
  const FakeNode& node_;
  std::size_t next_ = 0;
};

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

FakeNode* FakeFileSystem::AddDirectory(std::string_view path) {
  FakeNode* node = &root_;
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
                                  std::uint64_t size) {
  auto slash = path.rfind('/');
  FakeNode* parent =
      slash == std::string_view::npos ? &root_ : AddDirectory(path.substr(0, slash));
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

FakeNode* FakeFileSystem::AddHardLink(std::string_view existing,
                                      std::string_view path) {
  FakeNode* original = Find(existing);
  FakeNode* node = AddFile(path, original->owner, original->size);
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

std::unique_ptr<Directory> FakeFileSystem::OpenRoot(std::string_view path,
                                                    OpenError* error) {
  last_root = std::string(path);
  if (!root_enterable_) {
    *error = OpenError::kAccessDenied;
    return nullptr;
  }
  *error = OpenError::kNone;
  return std::make_unique<FakeDirectory>(*this, root_);
}

OwnerNameStatus FakeFileSystem::LookupOwnerName(std::string_view owner_key,
                                                std::string* name) {
  ++lookups;
  auto it = accounts_.find(std::string(owner_key));
  if (it == accounts_.end()) {
    *name = std::string(owner_key);
    return OwnerNameStatus::kUnmapped;
  }
  *name = it->second;
  return OwnerNameStatus::kName;
}

std::string FakeFileSystem::FoldName(std::string_view name) const {
  std::string folded(name);
  if (ignore_case_) {
    for (char& c : folded) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return folded;
}

}  // namespace ovik
