#include "bench/slow_filesystem.h"

#include <string>
#include <thread>
#include <utility>

namespace ovik {
namespace {

class SlowDirectory : public Directory {
 public:
  SlowDirectory(std::unique_ptr<Directory> inner,
                std::chrono::microseconds delay)
      : inner_(std::move(inner)), delay_(delay) {}

  Status Next(Entry* entry) override {
    Wait();
    return inner_->Next(entry);
  }
  Status OpenSubdirectory(std::string_view name,
                          std::unique_ptr<Directory>* sub) override {
    Wait();
    return Wrap(inner_->OpenSubdirectory(name, &opened_), sub);
  }
  Status Identity(std::uint64_t* device, std::uint64_t* inode) const override {
    return inner_->Identity(device, inode);
  }
  Status OpenAgain(std::unique_ptr<Directory>* again) override {
    Wait();
    return Wrap(inner_->OpenAgain(&opened_), again);
  }
  Status OpenParent(std::unique_ptr<Directory>* parent) override {
    Wait();
    return Wrap(inner_->OpenParent(&opened_), parent);
  }

 private:
  void Wait() const { std::this_thread::sleep_for(delay_); }
  // The directory just opened, wrapped so its calls wait too.
  Status Wrap(Status status, std::unique_ptr<Directory>* out) {
    if (status.ok()) {
      *out = std::make_unique<SlowDirectory>(std::move(opened_), delay_);
    }
    opened_.reset();
    return status;
  }

  std::unique_ptr<Directory> inner_;
  std::unique_ptr<Directory> opened_;
  std::chrono::microseconds delay_;
};

class SlowFileSystem : public FileSystem {
 public:
  SlowFileSystem(std::unique_ptr<FileSystem> inner,
                 std::chrono::microseconds delay)
      : inner_(std::move(inner)), delay_(delay) {}

  Status OpenRoot(std::string_view path,
                  std::unique_ptr<Directory>* root) override {
    std::this_thread::sleep_for(delay_);
    std::unique_ptr<Directory> opened;
    const Status status = inner_->OpenRoot(path, &opened);
    if (status.ok()) {
      *root = std::make_unique<SlowDirectory>(std::move(opened), delay_);
    }
    return status;
  }
  Status LookupOwnerName(std::string_view owner_key,
                         std::string* name) override {
    return inner_->LookupOwnerName(owner_key, name);
  }
  Status OwnerKeyText(std::string_view owner_key, std::string* text) override {
    return inner_->OwnerKeyText(owner_key, text);
  }
  std::string AdministratorsKey() override {
    return inner_->AdministratorsKey();
  }
  std::string AdministratorsName() override {
    return inner_->AdministratorsName();
  }
  NameFolder name_folder() const override { return inner_->name_folder(); }
  Status DirectoryBudget(std::uint64_t* directories) override {
    return inner_->DirectoryBudget(directories);
  }

 private:
  std::unique_ptr<FileSystem> inner_;
  std::chrono::microseconds delay_;
};

}  // namespace

std::unique_ptr<FileSystem> MakeSlowFileSystem(
    std::unique_ptr<FileSystem> inner, std::chrono::microseconds delay) {
  return std::make_unique<SlowFileSystem>(std::move(inner), delay);
}

}  // namespace ovik
