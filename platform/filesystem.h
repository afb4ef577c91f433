// The directory walk's view of the operating system: open a directory,
// read its entries with their size, identity and owner, open a
// subdirectory of it, and turn an owner identifier into an account name.
// POSIX and Win32 implementations sit beside this file; tests use an
// in-memory fake.
//
// Errors follow platform/status.h: every call that can fail returns a
// Status, and what it produces comes back through out-parameters that are
// left untouched when it fails. Listing a directory is the one place a
// non-ok Status is part of the normal course: Next returns kEnd when the
// listing is complete and kNotFound for an entry that went away.
//
// Threads: every call on a FileSystem may come from several threads at
// once. A Directory belongs to one thread at a time: its calls must not
// overlap, though it may be handed to another thread through something
// that synchronises (a locked queue). Directories are independent of each
// other, whichever directory they were opened from, and none may outlive
// the FileSystem that opened it.
#ifndef OVIK_PLATFORM_FILESYSTEM_H_
#define OVIK_PLATFORM_FILESYSTEM_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/entry.h"
#include "platform/status.h"
#include "platform/volume_table.h"

namespace ovik {

// Maps an account name to the key under which names compare equal. A
// plain function, so that whatever keeps it needs nothing else alive.
using NameFolder = std::string (*)(std::string_view name);

// An open directory. Destroying it releases the handle.
class Directory {
 public:
  virtual ~Directory() = default;
  // Reads the next entry other than "." and "..". For entries that are
  // not directories it also fills size, identity and owner.
  //   ok         *entry holds the entry.
  //   kEnd       the listing is complete.
  //   kNotFound  the entry went away between listing and status; the
  //              listing goes on with the next call.
  //   otherwise  the listing failed; it has no more entries, and further
  //              calls return kEnd.
  virtual Status Next(Entry* entry) = 0;
  // Opens the subdirectory |name| of this directory without following
  // links and without leaving the volume of the scan's root. Among the
  // failures: kNotFound (gone), kNotDirectory (not a directory, or
  // replaced by a link since it was listed), kOtherVolume (a mount point
  // of another volume), kAccessDenied, kTooManyOpen (worth a retry once
  // other directories are closed).
  virtual Status OpenSubdirectory(std::string_view name,
                                  std::unique_ptr<Directory>* subdirectory) = 0;
  // The directory's own identity (device and inode), so a walk can tell a
  // directory it has met before. kUnsupported where the system gives none
  // that names one directory only.
  virtual Status Identity(std::uint64_t* /*device*/,
                          std::uint64_t* /*inode*/) const {
    return Status(StatusCode::kUnsupported);
  }
  // A second handle on this same directory, listing from its first entry,
  // so part of its work can go to another thread. Fails as
  // OpenSubdirectory does; kUnsupported where the system has no way.
  virtual Status OpenAgain(std::unique_ptr<Directory>* /*again*/) {
    return Status(StatusCode::kUnsupported);
  }
  // The directory this one was opened from with OpenSubdirectory, reached
  // in one step (through "..", or by path where there is none), so a walk
  // goes back up without opening the whole path again. kNotFound when
  // that directory no longer holds this one (the tree changed);
  // kUnsupported for a root, or where the system has no way.
  virtual Status OpenParent(std::unique_ptr<Directory>* /*parent*/) {
    return Status(StatusCode::kUnsupported);
  }
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Opens the root of a scan. Subdirectories opened from it stay on the
  // root's volume. Fails as OpenSubdirectory does, kOtherVolume aside.
  virtual Status OpenRoot(std::string_view path,
                          std::unique_ptr<Directory>* root) = 0;
  // The account name of an owner identifier taken from Entry::owner_key.
  // kNotFound when no account has this identifier; another code when the
  // name could not be determined. It may be slow; callers cache it.
  virtual Status LookupOwnerName(std::string_view owner_key,
                                 std::string* name) = 0;
  // The identifier's own text, as the system shows an owner that has no
  // name (a uid's number, "S-1-5-21-..."). Fails only for bytes that are
  // no identifier of this system.
  virtual Status OwnerKeyText(std::string_view owner_key,
                              std::string* text) = 0;
  // The same two for a group identifier taken from Entry::group_key:
  // kUnsupported where files have no group.
  virtual Status LookupGroupName(std::string_view /*group_key*/,
                                 std::string* /*name*/) {
    return Status(StatusCode::kUnsupported);
  }
  virtual Status GroupKeyText(std::string_view /*group_key*/,
                              std::string* /*text*/) {
    return Status(StatusCode::kUnsupported);
  }
  // Whether the account (or group) database knows |name_or_id|: a name,
  // or an identifier's text as OwnerKeyText (GroupKeyText) writes it. Its
  // name when it does; kNotFound when it does not; kUnsupported where
  // the database cannot be asked.
  virtual Status FindAccount(std::string_view /*name_or_id*/,
                             std::string* /*name*/) {
    return Status(StatusCode::kUnsupported);
  }
  virtual Status FindGroup(std::string_view /*name_or_id*/,
                           std::string* /*name*/) {
    return Status(StatusCode::kUnsupported);
  }
  // The administrators' record that heads every ranking: the owner key of
  // the account (uid 0 on POSIX systems, the Administrators group's SID on
  // Windows), and the name it is shown under ("root", the local name of
  // the Administrators group). The name never fails: it falls back to the
  // usual English one.
  virtual std::string AdministratorsKey() = 0;
  virtual std::string AdministratorsName() = 0;
  // How account names compare: nullptr where they are case-sensitive and
  // compare byte for byte, a case-folding function where they are not.
  virtual NameFolder name_folder() const { return nullptr; }
  // The volume's own table of its files, where |root_path| is the root
  // of a mounted file system whose table this process may read; else the
  // reason it cannot serve. The default: no table.
  virtual TableOpenResult OpenTable(std::string_view /*root_path*/) {
    TableOpenResult none;
    none.refusal = TableRefusal::kNoTable;
    none.reason = "this system's file systems have no table Ovik reads";
    return none;
  }
  // How many directories the process may still hold open at once (the
  // descriptor limit less those in use and a few kept for the rest of the
  // program), read when asked. kUnsupported where handles are not so
  // limited.
  virtual Status DirectoryBudget(std::uint64_t* /*directories*/) {
    return Status(StatusCode::kUnsupported);
  }
};

// The system's own file system.
std::unique_ptr<FileSystem> MakeSystemFileSystem();

}  // namespace ovik

#endif  // OVIK_PLATFORM_FILESYSTEM_H_
