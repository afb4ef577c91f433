// An in-memory tree behind the file-system interface, with owners, sizes,
// hard links and failures that can be switched on per entry.
#ifndef OVIK_TESTS_FAKE_FILESYSTEM_H_
#define OVIK_TESTS_FAKE_FILESYSTEM_H_

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <set>
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
  std::string group;  // group key
  std::uint64_t inode = 0;
  std::uint32_t links = 1;
  // Failures.
  bool owner_unreadable = false;  // status read fails; size stays known
  bool vanishes = false;          // gone between listing and status
  bool cannot_enter = false;      // directory: access denied
  bool other_volume = false;      // directory: a mount point
  int listing_fails_after = -1;   // directory: listing errors after n entries
  bool parent_moved = false;      // directory: ".." no longer leads back
  // Directory: opening it opens this one instead, as when a directory
  // moved here while the walk ran.
  FakeNode* moved_from = nullptr;
  std::vector<std::unique_ptr<FakeNode>> children;

  FakeNode* Child(std::string_view child_name);
};

class FakeFileSystem : public FileSystem {
 public:
  FakeFileSystem();

  // Paths are relative to the root (or to the directory |under|),
  // '/'-separated; missing directories on the way are created. Each
  // returns the new node for further settings.
  FakeNode* AddDirectory(std::string_view path, FakeNode* under = nullptr);
  FakeNode* AddFile(std::string_view path, std::string_view owner,
                    std::uint64_t size, FakeNode* under = nullptr);
  FakeNode* AddLink(std::string_view path, std::string_view owner,
                    std::uint64_t size);
  // A directory entry that is a link (a junction, say), with the owner
  // and size the link itself has.
  FakeNode* AddDirectoryLink(std::string_view path, std::string_view owner,
                             std::uint64_t size);
  // A further name for the file at |existing| (same inode, owner, size).
  FakeNode* AddHardLink(std::string_view existing, std::string_view path);
  FakeNode* Find(std::string_view path);

  // Owner keys that resolve to an account name; others are unmapped and
  // shown as their key.
  void SetAccount(std::string_view key, std::string_view name) {
    accounts_[std::string(key)] = std::string(name);
  }
  // Group keys that resolve to a group name; others are shown as their
  // key.
  void SetGroup(std::string_view key, std::string_view name) {
    groups_[std::string(key)] = std::string(name);
  }
  // Looking |key| up fails (and finding the account or group of that
  // name or id, with EIO); with |no_text| its text fails too, as for
  // bytes that are no identifier at all.
  void SetLookupFails(std::string_view key, bool no_text = false) {
    failing_lookups_.insert(std::string(key));
    if (no_text) malformed_keys_.insert(std::string(key));
  }
  void SetAdministratorsName(std::string_view name) {
    administrators_ = std::string(name);
  }
  void SetIgnoreCase(bool ignore) { ignore_case_ = ignore; }
  // Gives the tree a table of its files (FileSystem::OpenTable), in
  // |parts| parts of inode ranges; |failing_part| cannot be read.
  void SetTable(unsigned parts, int failing_part = -1) {
    table_parts_ = parts;
    failing_table_part_ = failing_part;
  }
  void SetRootEnterable(bool enterable) { root_enterable_ = enterable; }

  // Set up the tree and the accounts before a scan; the calls below may
  // then come from several threads at once.
  Status OpenRoot(std::string_view path,
                  std::unique_ptr<Directory>* root) override;
  Status LookupOwnerName(std::string_view owner_key,
                         std::string* name) override;
  Status OwnerKeyText(std::string_view owner_key, std::string* text) override;
  Status LookupGroupName(std::string_view group_key,
                         std::string* name) override;
  Status GroupKeyText(std::string_view group_key, std::string* text) override;
  // By name, then by key: keys are their own text here.
  Status FindAccount(std::string_view name_or_id, std::string* name) override;
  Status FindGroup(std::string_view name_or_id, std::string* name) override;
  // The key of the account named as the administrators, else that name,
  // as every key here is its own text.
  std::string AdministratorsKey() override {
    for (const auto& [key, name] : accounts_) {
      if (name == administrators_) return key;
    }
    return administrators_;
  }
  std::string AdministratorsName() override { return administrators_; }
  NameFolder name_folder() const override;
  TableOpenResult OpenTable(std::string_view root_path) override;

  // Directories open right now, the most open at any time, and how many
  // times one was opened.
  std::atomic<int> open_directories{0};
  std::atomic<int> max_open_directories{0};
  std::atomic<int> opens{0};
  std::atomic<int> lookups{0};
  std::string last_root;  // written under a lock; read it once calls end

 private:
  FakeNode root_;
  std::map<std::string, std::string> accounts_;
  std::map<std::string, std::string> groups_;
  std::set<std::string> failing_lookups_;
  std::set<std::string> malformed_keys_;
  std::mutex mutex_;
  std::string administrators_ = "root";
  bool ignore_case_ = false;
  bool root_enterable_ = true;
  unsigned table_parts_ = 0;  // no table
  int failing_table_part_ = -1;
  std::uint64_t next_inode_ = 1;
};

}  // namespace ovik

#endif  // OVIK_TESTS_FAKE_FILESYSTEM_H_
