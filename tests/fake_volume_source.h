// An in-memory volume source for tests. Describe a few volumes with
// designated initialisers and turn their queries into failures:
//
//   FakeVolumeSource volumes;
//   volumes.Add({.root = "/net/share", .kind = VolumeKind::kRemote});
//   volumes.Add({.root = "/", .label = "System",
//                .space = FakeSpace(4096, 1'000'000, 5'000'000)});
//   volumes.Add({.root = "/mnt/usb", .file_system = "vfat"});
//   volumes.Find("/")->space_fails = true;
#ifndef OVIK_TESTS_FAKE_VOLUME_SOURCE_H_
#define OVIK_TESTS_FAKE_VOLUME_SOURCE_H_

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/volumes.h"

namespace ovik {

struct FakeVolume {
  std::string root;
  VolumeKind kind = VolumeKind::kFixed;
  std::string file_system = "NTFS";
  std::string label{};
  VolumeSpace space{};
  bool info_fails = false;   // ReadNames fails
  bool space_fails = false;  // ReadSpace fails
};

// The space of a volume of |total_clusters| clusters of
// |bytes_per_cluster| bytes, |free_clusters| of them free.
VolumeSpace FakeSpace(std::uint64_t bytes_per_cluster,
                      std::uint64_t free_clusters,
                      std::uint64_t total_clusters);

class FakeVolumeSource : public VolumeSource {
 public:
  FakeVolumeSource() = default;

  // Adds a volume after those already there (the system's order).
  // The reference stays valid while the source lives.
  FakeVolume& Add(FakeVolume volume);
  // The volume of exactly this root; nullptr when there is none.
  FakeVolume* Find(std::string_view root);

  // File-system names that record owners, compared without regard to
  // ASCII case; {"NTFS"} unless set.
  void SetOwnerFileSystems(std::vector<std::string> names);

  // A path is answered for by the volume of the longest root that holds
  // it ("/mnt/a" holds "/mnt/a/b", "C:\" holds "C:\dir"); a path that no
  // root holds does not exist.
  Status ListRoots(std::vector<std::string>* roots) override;
  VolumeKind KindOf(std::string_view root) override;
  Status ReadNames(std::string_view root, VolumeNames* names) override;
  Status ReadSpace(std::string_view root, VolumeSpace* space) override;
  bool RecordsOwners(std::string_view file_system) const override;
  Status GetMountPoint(std::string_view path,
                       std::string* mount_point) override;

  // ListRoots fails (access denied).
  bool list_fails = false;

 private:
  const FakeVolume* Holding(std::string_view path) const;

  std::deque<FakeVolume> volumes_;
  std::vector<std::string> owner_file_systems_ = {"NTFS"};
};

// Whether the volume that holds |root| may be scanned, whether or not
// the volume list names it.
bool IsEligibleVolume(VolumeSource& volumes, std::string_view root);

// The answers of a volume source, nothing when it fails.
std::optional<std::vector<std::string>> RootsOf(VolumeSource& volumes);
std::optional<VolumeNames> InfoOf(VolumeSource& volumes,
                                  std::string_view root);
std::optional<VolumeSpace> SpaceOf(VolumeSource& volumes,
                                   std::string_view root);

}  // namespace ovik

#endif  // OVIK_TESTS_FAKE_VOLUME_SOURCE_H_
