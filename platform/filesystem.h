// The directory walk's view of the operating system: open a directory,
// read its entries with their size, identity and owner, open a
// subdirectory of it, and turn an owner identifier into an account name.
// POSIX and Win32 implementations sit beside this file; tests use an
// in-memory fake.
#ifndef OVIK_PLATFORM_FILESYSTEM_H_
#define OVIK_PLATFORM_FILESYSTEM_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace ovik {

enum class EntryKind : std::uint8_t {
  kFile,       // regular file
  kDirectory,  // a real directory (never a link to one)
  kLink,       // symbolic link, junction or other reparse point
  kOther,      // fifo, socket, device
};

enum class OwnerStatus : std::uint8_t {
  kKnown,       // owner_key holds the owner's identifier
  kUnreadable,  // the entry's security or status could not be read
};

// One directory entry. Strings are reused from one entry to the next so
// reading a listing allocates nothing per entry once warmed up.
struct Entry {
  std::string name;  // as the listing gave it; never "." or ".."
  EntryKind kind = EntryKind::kFile;
  // The fields below are filled for every entry that is not a directory.
  std::uint64_t size = 0;    // bytes, as lstat or the listing reports them
  std::uint64_t device = 0;  // identity for hard links
  std::uint64_t inode = 0;   // 0 when the system gives none
  std::uint32_t links = 1;   // hard link count
  OwnerStatus owner_status = OwnerStatus::kKnown;
  std::string owner_key;     // opaque bytes: a uid, a SID, ...
};

enum class ReadResult : std::uint8_t {
  kEntry,    // *entry is filled
  kVanished, // the entry went away between listing and status; skip it
  kEnd,      // no more entries
  kError,    // the listing failed; no more entries
};

enum class OpenError : std::uint8_t {
  kNone,
  kNotFound,
  kAccessDenied,
  kNotDirectory,  // also: replaced by a link since it was listed
  kOtherVolume,   // lies on another volume or mount; never entered
  kTooManyOpen,
  kOther,
};

// An open directory. Destroying it releases the handle.
class Directory {
 public:
  virtual ~Directory() = default;
  // Reads the next entry other than "." and "..". For entries that are
  // not directories it also fills size, identity and owner.
  virtual ReadResult Next(Entry* entry) = 0;
  // Opens the subdirectory |name| of this directory without following
  // links and without leaving the volume of the scan's root.
  virtual std::unique_ptr<Directory> OpenSubdirectory(std::string_view name,
                                                      OpenError* error) = 0;
  // The directory's own identity (device and inode) where the system
  // gives one, so a walk can tell a directory it has met before.
  virtual bool Identity(std::uint64_t* /*device*/,
                        std::uint64_t* /*inode*/) const {
    return false;
  }
};

enum class OwnerNameStatus : std::uint8_t {
  kName,      // *name is the account name
  kUnmapped,  // no account has this identifier; *name is its text form
  kError,     // the name could not be determined; *name is the
              // identifier's text form
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Opens the root of a scan. Subdirectories opened from it stay on the
  // root's volume.
  virtual std::unique_ptr<Directory> OpenRoot(std::string_view path,
                                              OpenError* error) = 0;
  // Resolves an owner identifier taken from Entry::owner_key. Callers
  // cache the answer; it may be slow.
  virtual OwnerNameStatus LookupOwnerName(std::string_view owner_key,
                                          std::string* name) = 0;
  // The name under which the administrators' record heads every ranking
  // ("root" on POSIX systems, the local name of the Administrators group
  // on Windows).
  virtual std::string AdministratorsName() = 0;
  // The key under which account names compare equal: the name itself
  // where accounts are case-sensitive, a case-folded form where they are
  // not.
  virtual std::string FoldName(std::string_view name) const {
    return std::string(name);
  }
};

// The system's own file system.
std::unique_ptr<FileSystem> MakeSystemFileSystem();

}  // namespace ovik

#endif  // OVIK_PLATFORM_FILESYSTEM_H_
