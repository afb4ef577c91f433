// The one record a test means by a name the ranking shows.
#ifndef OVIK_TESTS_OWNER_LOOKUP_H_
#define OVIK_TESTS_OWNER_LOOKUP_H_

#include <optional>
#include <string_view>
#include <vector>

#include "scan/owner_table.h"

namespace ovik {

inline std::optional<OwnerIndex> FindByName(const OwnerTable& table,
                                            std::string_view name) {
  const std::vector<OwnerIndex> found = table.FindShown(name);
  if (found.size() != 1) return std::nullopt;
  return found.front();
}

}  // namespace ovik

#endif  // OVIK_TESTS_OWNER_LOOKUP_H_
