#include "scan/owner_names.h"

namespace ovik {

std::string OwnerName(FileSystem& fs, std::string_view owner_key) {
  std::string name;
  if (fs.LookupOwnerName(owner_key, &name).ok()) return name;
  if (fs.OwnerKeyText(owner_key, &name).ok()) return name;
  return std::string(kUnreadableOwnerName);
}

}  // namespace ovik
