// The mount table parser and the volume source over any text: no crash,
// and only entries that keep the parser's promises.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "platform/mountinfo.h"
#include "present/display_name.h"

namespace {

void Require(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "%s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::vector<ovik::MountInfoEntry> entries = ovik::ParseMountInfo(text);

  // The table is the well-formed lines, in order.
  std::size_t next = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    const std::string_view line(text.data() + pos, end - pos);
    if (auto entry = ovik::ParseMountInfoLine(line)) {
      Require(next < entries.size(), "a line's entry is missing");
      Require(entries[next].mount_point == entry->mount_point &&
                  entries[next].mount_id == entry->mount_id,
              "entries out of order");
      ++next;
      Require(!entry->root.empty() && entry->root.front() == '/',
              "root is not absolute");
      Require(!entry->mount_point.empty() && entry->mount_point.front() == '/',
              "mount point is not absolute");
      Require(!entry->fs_type.empty(), "no file system type");
      // Unescaping only ever shortens.
      Require(entry->mount_point.size() <= line.size(), "mount point grew");
    }
    pos = end + 1;
  }
  Require(next == entries.size(), "entries without a line");

  // The volume source over the same text, with no machine behind it.
  ovik::MountProbes probes;
  probes.read_mountinfo = [&text](std::string* table) {
    *table = text;
    return ovik::Status::Ok();
  };
  ovik::MountInfoVolumeSource source(std::move(probes));
  std::vector<std::string> roots;
  Require(source.ListRoots(&roots).ok(), "a readable table is not listed");
  std::set<std::string> seen;
  for (const std::string& root : roots) {
    Require(seen.insert(root).second, "a root listed twice");
    bool known = false;
    for (const auto& e : entries) known = known || e.mount_point == root;
    Require(known, "a root that is no mount point");
    ovik::VolumeNames info;
    ovik::VolumeSpace space;
    source.KindOf(root);
    Require(source.ReadNames(root, &info).ok(),
            "a listed root has no volume");
    Require(!source.ReadSpace(root, &space).ok(),
            "space without a probe");
  }
  // Any path, the table's text included, is answered without a crash.
  source.KindOf(text);
  ovik::VolumeNames info;
  source.ReadNames("/" + text, &info).ok();
  source.RecordsOwners(text);
  Require(ovik::UnescapeMountField(text).size() <= text.size(), "unescape grew");
  // A field escaped for a tab-separated line (as `ovik drives` writes
  // roots) keeps to one field and comes back as it was.
  const std::string escaped = ovik::EscapeName(text);
  Require(escaped.find_first_of("\t\n") == std::string::npos,
          "escaped field breaks its line");
  Require(ovik::UnescapeMountField(escaped) == text, "escape does not undo");
  Require(ovik::UnescapeUdevName(text).size() <= text.size(), "udev unescape grew");
  return 0;
}
