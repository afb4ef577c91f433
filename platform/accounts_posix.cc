#include "platform/accounts_posix.h"

#include <errno.h>
#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <charconv>
#include <limits>
#include <memory>
#include <new>

namespace ovik {
namespace {

// Runs one of the getpw*_r / getgr*_r lookups with a buffer that grows
// until the record fits, however large (the group of a large directory
// service lists a hundred thousand members and more), and gives the
// record's name. A record larger than the memory the process can have is
// kNoMemory.
template <typename Record, typename Lookup, typename NameOf>
Status LookUp(long size_hint, Lookup lookup, NameOf name_of,
              std::string* name) {
  std::size_t size =
      size_hint > 0 ? static_cast<std::size_t>(size_hint) : std::size_t{1024};
  Record record;
  Record* found = nullptr;
  int rc = ERANGE;
  while (rc == ERANGE) {
    // The contents need not be kept: each call starts afresh.
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[size]);
    if (!buffer) return Status(StatusCode::kNoMemory, ENOMEM);
    rc = lookup(&record, buffer.get(), size, &found);
    if (rc == 0 && found != nullptr) {
      *name = name_of(*found);
      return Status::Ok();
    }
    if (rc != ERANGE) break;
    if (size > std::numeric_limits<std::size_t>::max() / 2) {
      return Status(StatusCode::kNoMemory, ENOMEM);
    }
    size *= 2;
  }
  // No entry: these are the answers the lookups give for a name or id
  // that the database does not have.
  if (rc == 0 || rc == ENOENT || rc == ESRCH || rc == EBADF || rc == EPERM) {
    return Status(StatusCode::kNotFound, rc);
  }
  return Status::FromSystemError(rc);
}

Status ByUid(uid_t uid, std::string* name) {
  return LookUp<passwd>(
      sysconf(_SC_GETPW_R_SIZE_MAX),
      [uid](passwd* r, char* b, std::size_t n, passwd** f) {
        return getpwuid_r(uid, r, b, n, f);
      },
      [](const passwd& r) { return std::string(r.pw_name); }, name);
}

Status ByGid(gid_t gid, std::string* name) {
  return LookUp<group>(
      sysconf(_SC_GETGR_R_SIZE_MAX),
      [gid](group* r, char* b, std::size_t n, group** f) {
        return getgrgid_r(gid, r, b, n, f);
      },
      [](const group& r) { return std::string(r.gr_name); }, name);
}

Status ByAccountName(const std::string& wanted, std::string* name) {
  return LookUp<passwd>(
      sysconf(_SC_GETPW_R_SIZE_MAX),
      [&wanted](passwd* r, char* b, std::size_t n, passwd** f) {
        return getpwnam_r(wanted.c_str(), r, b, n, f);
      },
      [](const passwd& r) { return std::string(r.pw_name); }, name);
}

Status ByGroupName(const std::string& wanted, std::string* name) {
  return LookUp<group>(
      sysconf(_SC_GETGR_R_SIZE_MAX),
      [&wanted](group* r, char* b, std::size_t n, group** f) {
        return getgrnam_r(wanted.c_str(), r, b, n, f);
      },
      [](const group& r) { return std::string(r.gr_name); }, name);
}

// |text| as an id: decimal digits only, within the type's range.
template <typename Id>
bool ParseId(std::string_view text, Id* id) {
  unsigned long long value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, ec] = std::from_chars(text.data(), end, value);
  if (text.empty() || ec != std::errc() || stop != end ||
      value > std::numeric_limits<Id>::max()) {
    return false;
  }
  *id = static_cast<Id>(value);
  return true;
}

template <typename Id, typename ByName, typename ById>
Status Find(std::string_view name_or_id, ByName by_name, ById by_id,
            std::string* name) {
  // A name holds no NUL; one that does names nothing.
  if (name_or_id.find('\0') != std::string_view::npos) {
    return Status(StatusCode::kNotFound);
  }
  const Status named = by_name(std::string(name_or_id), name);
  if (named.code() != StatusCode::kNotFound) return named;
  Id id = 0;
  if (!ParseId(name_or_id, &id)) return named;
  return by_id(id, name);
}

}  // namespace

Status NameOfUid(uid_t uid, std::string* name) { return ByUid(uid, name); }

Status NameOfGid(gid_t gid, std::string* name) { return ByGid(gid, name); }

Status FindAccountName(std::string_view name_or_id, std::string* name) {
  return Find<uid_t>(name_or_id, ByAccountName, ByUid, name);
}

Status FindGroupName(std::string_view name_or_id, std::string* name) {
  return Find<gid_t>(name_or_id, ByGroupName, ByGid, name);
}

}  // namespace ovik
