#include "scan/directory_merge.h"

#include <algorithm>
#include <cstddef>
#include <tuple>
#include <utility>

#include "scan/saturating.h"

namespace ovik {
namespace {

// One directory's own bytes for one owner, while they are gathered.
struct OwnerBytes {
  DirectoryIndex directory;
  std::uint32_t owner;
  std::uint64_t bytes;
};

// Records numbered across the stores: store s's come after those of the
// stores before it.
struct Numbering {
  std::vector<std::size_t> offset;  // per store
  std::size_t total = 0;

  std::size_t Global(DirectoryRef ref) const {
    return offset[StoreOf(ref)] + IndexOf(ref);
  }
};

// The records' walk order: the root, then each directory's subdirectories
// by their place in its listing, each followed by what lies below it.
// Fills the parents and subtree ends in that order and returns each
// record's place in it (by global number).
std::vector<DirectoryIndex> PutInWalkOrder(
    const std::vector<DirectoryIndex>& parent,
    std::vector<std::uint32_t>& ordinal, DirectoryUsage::Data* data) {
  const std::size_t n = parent.size();
  std::vector<std::uint32_t> first_child(n + 1, 0);
  DirectoryIndex root = kNoDirectoryIndex;
  for (std::size_t g = 0; g < n; ++g) {
    if (parent[g] == kNoDirectoryIndex) {
      root = static_cast<DirectoryIndex>(g);
    } else {
      ++first_child[parent[g] + 1];
    }
  }
  for (std::size_t g = 0; g < n; ++g) first_child[g + 1] += first_child[g];
  std::vector<DirectoryIndex> children(first_child[n]);
  {
    std::vector<std::uint32_t> fill(first_child.begin(), first_child.end() - 1);
    for (std::size_t g = 0; g < n; ++g) {
      if (parent[g] != kNoDirectoryIndex) {
        children[fill[parent[g]]++] = static_cast<DirectoryIndex>(g);
      }
    }
  }
  for (std::size_t g = 0; g < n; ++g) {
    std::sort(children.begin() + first_child[g],
              children.begin() + first_child[g + 1],
              [&](DirectoryIndex a, DirectoryIndex b) {
                return ordinal[a] < ordinal[b];
              });
  }
  std::vector<std::uint32_t>().swap(ordinal);

  std::vector<DirectoryIndex> place(n, kNoDirectoryIndex);
  std::vector<DirectoryIndex> order;
  order.reserve(n);
  std::vector<DirectoryIndex> stack;
  if (root != kNoDirectoryIndex) stack.push_back(root);
  while (!stack.empty()) {
    const DirectoryIndex g = stack.back();
    stack.pop_back();
    place[g] = static_cast<DirectoryIndex>(order.size());
    order.push_back(g);
    for (std::uint32_t c = first_child[g + 1]; c-- > first_child[g];) {
      stack.push_back(children[c]);
    }
  }
  // Every record hangs below the root; one that did not would have its
  // bytes counted in the root rather than lost.
  for (DirectoryIndex& p : place) {
    if (p == kNoDirectoryIndex) p = kRootDirectory;
  }

  data->parent.resize(order.size());
  data->subtree_end.resize(order.size());
  for (std::size_t d = 0; d < order.size(); ++d) {
    const DirectoryIndex p = parent[order[d]];
    data->parent[d] = p == kNoDirectoryIndex ? kNoDirectoryIndex : place[p];
    data->subtree_end[d] = static_cast<DirectoryIndex>(d + 1);
  }
  for (std::size_t d = order.size(); d-- > 1;) {
    DirectoryIndex& end = data->subtree_end[data->parent[d]];
    end = std::max(end, data->subtree_end[d]);
  }
  return place;
}

// The names in walk order, in one arena.
void GatherNames(std::vector<DirectoryPart>& parts, const Numbering& numbering,
                 const std::vector<DirectoryIndex>& place,
                 DirectoryUsage::Data* data) {
  std::vector<std::pair<std::size_t, std::uint32_t>> at(data->parent.size());
  for (std::size_t s = 0; s < parts.size(); ++s) {
    const std::size_t count = parts[s].recorded.records.size();
    for (std::size_t i = 0; i < count; ++i) {
      at[place[numbering.offset[s] + i]] = {s, static_cast<std::uint32_t>(i)};
    }
  }
  data->name_end.resize(at.size());
  for (std::size_t d = 0; d < at.size(); ++d) {
    const RecordedPart& recorded = parts[at[d].first].recorded;
    const std::uint32_t i = at[d].second;
    const std::uint32_t begin = i == 0 ? 0 : recorded.records[i - 1].name_end;
    const std::uint32_t end = recorded.records[i].name_end;
    data->names.append(recorded.names.begin() + begin,
                       recorded.names.begin() + end);
    data->name_end[d] = static_cast<std::uint32_t>(data->names.size());
  }
  for (DirectoryPart& part : parts) {
    std::deque<DirectoryRecord>().swap(part.recorded.records);
    std::deque<char>().swap(part.recorded.names);
  }
}

// Each file with several links, once, in the first of its directories in
// walk order: its bytes for its owner and its group.
void PlaceLinkedFiles(std::vector<DirectoryPart>& parts,
                      const Numbering& numbering,
                      const std::vector<DirectoryIndex>& place,
                      std::vector<OwnerBytes>* owners,
                      std::vector<OwnerBytes>* groups) {
  struct Name {
    std::uint64_t device, inode, bytes;
    DirectoryIndex directory;
    std::optional<OwnerIndex> owner, group;
  };
  std::vector<Name> names;
  for (DirectoryPart& part : parts) {
    for (const LinkedName& l : part.recorded.linked) {
      Name name{l.device, l.inode, l.bytes,
                place[numbering.Global(l.directory)], std::nullopt,
                std::nullopt};
      if (l.owner < part.owners.size()) name.owner = part.owners[l.owner];
      if (l.group < part.groups.size()) name.group = part.groups[l.group];
      names.push_back(name);
    }
    std::deque<LinkedName>().swap(part.recorded.linked);
  }
  std::sort(names.begin(), names.end(), [](const Name& a, const Name& b) {
    return std::tie(a.device, a.inode, a.directory) <
           std::tie(b.device, b.inode, b.directory);
  });
  for (std::size_t i = 0; i < names.size(); ++i) {
    const Name& n = names[i];
    if (i > 0 && names[i - 1].device == n.device &&
        names[i - 1].inode == n.inode) {
      continue;
    }
    if (n.bytes == 0) continue;
    if (n.owner) {
      owners->push_back({n.directory, static_cast<std::uint32_t>(*n.owner), n.bytes});
    }
    if (n.group) {
      groups->push_back({n.directory, static_cast<std::uint32_t>(*n.group), n.bytes});
    }
  }
}

// Adds one kind of the recorders' bytes to |gathered|; |kind|'s records
// are used up.
void GatherBytes(std::vector<DirectoryPart>& parts, const Numbering& numbering,
                 const std::vector<DirectoryIndex>& place, BytesKind kind,
                 bool by_group, std::vector<OwnerBytes>* gathered) {
  for (std::size_t s = 0; s < parts.size(); ++s) {
    DirectoryPart& part = parts[s];
    const auto& owners = by_group ? part.groups : part.owners;
    auto owner_of = [&](std::uint32_t part_index) -> std::optional<OwnerIndex> {
      return part_index < owners.size() ? owners[part_index] : std::nullopt;
    };
    const std::size_t offset = numbering.offset[s];
    for (const DirectoryBytes& b : part.recorded.of(kind)) {
      if (const auto owner = owner_of(b.part_index)) {
        gathered->push_back({place[offset + b.directory],
                             static_cast<std::uint32_t>(*owner), b.bytes});
      }
    }
    std::deque<DirectoryBytes>().swap(part.recorded.of(kind));
    for (const auto& [key, bytes] : part.recorded.held) {
      if (key.kind != kind) continue;
      if (const auto owner = owner_of(key.part_index)) {
        gathered->push_back({place[numbering.Global(key.directory)],
                             static_cast<std::uint32_t>(*owner), bytes});
      }
    }
  }
}

// The gathered bytes by directory and owner, added up.
DirectoryUsage::OwnBytes Tabulate(std::vector<OwnerBytes> gathered,
                                  std::size_t directories) {
  std::sort(gathered.begin(), gathered.end(),
            [](const OwnerBytes& a, const OwnerBytes& b) {
              return std::tie(a.directory, a.owner) <
                     std::tie(b.directory, b.owner);
            });
  DirectoryUsage::OwnBytes own;
  own.begin.assign(directories + 1, 0);
  for (std::size_t i = 0; i < gathered.size();) {
    const OwnerBytes& first = gathered[i];
    std::uint64_t total = 0;
    for (; i < gathered.size() && gathered[i].directory == first.directory &&
           gathered[i].owner == first.owner;
         ++i) {
      total = SaturatingAdd(total, gathered[i].bytes);
    }
    ++own.begin[first.directory + 1];
    own.owner.push_back(first.owner);
    own.bytes.push_back(total);
  }
  for (std::size_t d = 0; d < directories; ++d) {
    own.begin[d + 1] += own.begin[d];
  }
  return own;
}

}  // namespace

DirectoryUsage MergeDirectories(std::vector<DirectoryPart> parts,
                                bool groups) {
  Numbering numbering;
  bool linked_complete = true;
  for (const DirectoryPart& part : parts) {
    numbering.offset.push_back(numbering.total);
    numbering.total += part.recorded.records.size();
    linked_complete = linked_complete && part.recorded.linked_complete;
  }
  if (numbering.total == 0) return DirectoryUsage();

  DirectoryUsage::Data data;
  data.groups = groups;
  data.links_in_walk_order = linked_complete;
  std::vector<DirectoryIndex> place;
  {
    std::vector<DirectoryIndex> parent(numbering.total);
    std::vector<std::uint32_t> ordinal(numbering.total);
    for (std::size_t s = 0; s < parts.size(); ++s) {
      std::size_t g = numbering.offset[s];
      for (const DirectoryRecord& r : parts[s].recorded.records) {
        parent[g] = r.parent == kNoDirectory
                        ? kNoDirectoryIndex
                        : static_cast<DirectoryIndex>(numbering.Global(r.parent));
        ordinal[g++] = r.ordinal;
      }
    }
    place = PutInWalkOrder(parent, ordinal, &data);
  }
  GatherNames(parts, numbering, place, &data);

  std::vector<OwnerBytes> by_owner, by_group;
  if (linked_complete) {
    PlaceLinkedFiles(parts, numbering, place, &by_owner, &by_group);
  }
  // Where a name of a linked file could not be noted, every such file
  // counts where the walk counted it.
  GatherBytes(parts, numbering, place, BytesKind::kOwner, false, &by_owner);
  if (!linked_complete) {
    GatherBytes(parts, numbering, place, BytesKind::kOwnerLinked, false,
                &by_owner);
  }
  data.by_owner = Tabulate(std::move(by_owner), data.parent.size());
  if (groups) {
    GatherBytes(parts, numbering, place, BytesKind::kGroup, true, &by_group);
    if (!linked_complete) {
      GatherBytes(parts, numbering, place, BytesKind::kGroupLinked, true,
                  &by_group);
    }
    data.by_group = Tabulate(std::move(by_group), data.parent.size());
  }

  for (DirectoryPart& part : parts) {
    data.folded += part.recorded.folded;
    for (const DirectoryRef target : part.recorded.fold_targets) {
      data.holding_folded.push_back(place[numbering.Global(target)]);
    }
    part.recorded.held.clear();
    part.recorded.fold_targets.clear();
  }
  std::sort(data.holding_folded.begin(), data.holding_folded.end());
  data.holding_folded.erase(
      std::unique(data.holding_folded.begin(), data.holding_folded.end()),
      data.holding_folded.end());
  return DirectoryUsage(std::move(data));
}

}  // namespace ovik
