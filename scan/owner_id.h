// Who an owner is: the identifier the system gives a file's owner or
// group (a uid, a gid, a SID: opaque bytes), or the pseudo-owner of the
// entries whose owner could not be read. Owners are told apart by this
// alone; their names are for display.
#ifndef OVIK_SCAN_OWNER_ID_H_
#define OVIK_SCAN_OWNER_ID_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace ovik {

class OwnerId {
 public:
  // Whose identifier: the account that owns a file, or the file's group.
  enum class Kind : std::uint8_t { kUnreadable, kAccount, kGroup };

  // The unreadable pseudo-owner.
  OwnerId() = default;
  OwnerId(Kind kind, std::string_view key)
      : kind_(key.empty() && kind != Kind::kUnreadable ? Kind::kUnreadable
                                                       : kind),
        key_(kind_ == Kind::kUnreadable ? std::string_view() : key) {}
  static OwnerId Account(std::string_view key) {
    return OwnerId(Kind::kAccount, key);
  }
  static OwnerId Group(std::string_view key) {
    return OwnerId(Kind::kGroup, key);
  }

  // The same as *this = OwnerId(kind, key), keeping the key's storage:
  // the walk does it for every entry.
  void Assign(Kind kind, std::string_view key) {
    kind_ = key.empty() ? Kind::kUnreadable : kind;
    if (kind_ == Kind::kUnreadable) {
      key_.clear();
    } else {
      key_.assign(key.data(), key.size());
    }
  }

  Kind kind() const { return kind_; }
  bool unreadable() const { return kind_ == Kind::kUnreadable; }
  // The identifier's bytes as the OS layer gives them; empty for the
  // unreadable pseudo-owner.
  const std::string& key() const { return key_; }

  friend bool operator==(const OwnerId&, const OwnerId&) = default;
  friend bool operator<(const OwnerId& a, const OwnerId& b) {
    if (a.kind_ != b.kind_) return a.kind_ < b.kind_;
    return a.key_ < b.key_;
  }

  struct Hash {
    std::size_t operator()(const OwnerId& id) const {
      return std::hash<std::string>()(id.key_) ^
             static_cast<std::size_t>(id.kind_);
    }
  };

 private:
  Kind kind_ = Kind::kUnreadable;
  std::string key_;
};

}  // namespace ovik

#endif  // OVIK_SCAN_OWNER_ID_H_
