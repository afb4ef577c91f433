// A file system that passes every call on to another one, for tests that
// change a little of what a real file system shows: they override the
// calls they change, and AdjustEntry to change the entries listed.
#ifndef OVIK_TESTS_FORWARDING_FILESYSTEM_H_
#define OVIK_TESTS_FORWARDING_FILESYSTEM_H_

#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "platform/filesystem.h"

namespace ovik {

class ForwardingFileSystem : public FileSystem {
 public:
  explicit ForwardingFileSystem(FileSystem& real) : real_(real) {}

  Status OpenRoot(std::string_view path,
                  std::unique_ptr<Directory>* root) override {
    std::unique_ptr<Directory> real_root;
    const Status opened = real_.OpenRoot(path, &real_root);
    if (opened.ok()) *root = std::make_unique<Dir>(*this, std::move(real_root));
    return opened;
  }
  Status LookupOwnerName(std::string_view key, std::string* name) override {
    return real_.LookupOwnerName(key, name);
  }
  Status OwnerKeyText(std::string_view key, std::string* text) override {
    return real_.OwnerKeyText(key, text);
  }
  Status LookupGroupName(std::string_view key, std::string* name) override {
    return real_.LookupGroupName(key, name);
  }
  Status GroupKeyText(std::string_view key, std::string* text) override {
    return real_.GroupKeyText(key, text);
  }
  Status FindAccount(std::string_view name_or_id, std::string* name) override {
    return real_.FindAccount(name_or_id, name);
  }
  Status FindGroup(std::string_view name_or_id, std::string* name) override {
    return real_.FindGroup(name_or_id, name);
  }
  std::string AdministratorsKey() override { return real_.AdministratorsKey(); }
  std::string AdministratorsName() override {
    return real_.AdministratorsName();
  }
  NameFolder name_folder() const override { return real_.name_folder(); }
  Status DirectoryBudget(std::uint64_t* directories) override {
    return real_.DirectoryBudget(directories);
  }

 protected:
  // Called for every entry read from a directory this file system opened.
  virtual void AdjustEntry(Entry* /*entry*/) const {}

 private:
  class Dir : public Directory {
   public:
    Dir(const ForwardingFileSystem& fs, std::unique_ptr<Directory> real)
        : fs_(fs), real_(std::move(real)) {}
    Status Next(Entry* entry) override {
      const Status read = real_->Next(entry);
      if (read.ok()) fs_.AdjustEntry(entry);
      return read;
    }
    Status OpenSubdirectory(std::string_view name,
                            std::unique_ptr<Directory>* sub) override {
      return Wrap(real_->OpenSubdirectory(name, &opened_), sub);
    }
    Status Identity(std::uint64_t* device,
                    std::uint64_t* inode) const override {
      return real_->Identity(device, inode);
    }
    Status OpenAgain(std::unique_ptr<Directory>* again) override {
      return Wrap(real_->OpenAgain(&opened_), again);
    }
    Status OpenParent(std::unique_ptr<Directory>* parent) override {
      return Wrap(real_->OpenParent(&opened_), parent);
    }

   private:
    // Hands on, wrapped, what the real directory just opened (it is put in
    // opened_, which is empty between calls).
    Status Wrap(const Status& opened, std::unique_ptr<Directory>* out) {
      if (opened.ok()) *out = std::make_unique<Dir>(fs_, std::move(opened_));
      return opened;
    }

    const ForwardingFileSystem& fs_;
    std::unique_ptr<Directory> real_;
    std::unique_ptr<Directory> opened_;
  };

  FileSystem& real_;
};

}  // namespace ovik

#endif  // OVIK_TESTS_FORWARDING_FILESYSTEM_H_
