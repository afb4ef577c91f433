// An in-memory tree behind the file-system interface, with owners, sizes,
// hard links and failures that can be switched on per entry.
#ifndef OVIK_TESTS_FAKE_FILESYSTEM_H_
#define OVIK_TESTS_FAKE_FILESYSTEM_H_

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/filesystem.h"

namespace ovik {

struct FakeNode {
  std::string name;
  EntryKind kind = EntryKind::kFile;
  std::uint64_t size = 0;
  std::string owner;  // owner key
  std::uint64_t inode = 0;
  std::uint32_t links = 1;
  // Failures.
  bool owner_unreadable = false;  // status read fails; size stays known
  bool vanishes = false;          // gone between listing and status
  bool cannot_enter = false;      // directory: access denied
  bool other_volume = false;      // directory: a mount point
  int listing_fails_after = -1;   // directory: listing errors after n entries
  // Directory: opening it opens this one instead, as when a directory
  // moved here while the walk ran.
  FakeNode* moved_from = nullptr;
  std::vector<std::unique_ptr<FakeNode>> children;

  FakeNode* Child(std::string_view child_name);
};

class FakeFileSystem : public FileSystem {
 public:
  FakeFileSystem();

  // Paths are relative to the root, '/'-separated; missing directories on
  // the way are created. Each returns the new node for further settings.
  FakeNode* AddDirectory(std::string_view path);
  FakeNode* AddFile(std::string_view path, std::string_view owner,
                    std::uint64_t size);
  FakeNode* AddLink(std::string_view path, std::string_view owner,
                    std::uint64_t size);
  // A further name for the file at |existing| (same inode, owner, size).
  FakeNode* AddHardLink(std::string_view existing, std::string_view path);
  FakeNode* Find(std::string_view path);

  // Owner keys that resolve to an account name; others are unmapped and
  // shown as their key.
  void SetAccount(std::string_view key, std::string_view name) {
    accounts_[std::string(key)] = std::string(name);
  }
  void SetAdministratorsName(std::string_view name) {
    administrators_ = std::string(name);
  }
  void SetIgnoreCase(bool ignore) { ignore_case_ = ignore; }
  void SetRootEnterable(bool enterable) { root_enterable_ = enterable; }

  std::unique_ptr<Directory> OpenRoot(std::string_view path,
                                      OpenError* error) override;
  OwnerNameStatus LookupOwnerName(std::string_view owner_key,
                                  std::string* name) override;
  std::string AdministratorsName() override { return administrators_; }
  std::string FoldName(std::string_view name) const override;

  // Directories open right now and the most open at any time.
  std::atomic<int> open_directories{0};
  std::atomic<int> max_open_directories{0};
  std::atomic<int> lookups{0};
  std::string last_root;

 private:
  FakeNode root_;
  std::map<std::string, std::string> accounts_;
  std::string administrators_ = "root";
  bool ignore_case_ = false;
  bool root_enterable_ = true;
  std::uint64_t next_inode_ = 1;
};

}  // namespace ovik

#endif  // OVIK_TESTS_FAKE_FILESYSTEM_H_
