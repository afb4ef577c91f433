#include "tests/fake_volume_source.h"

#include <limits>
#include <utility>

#include "platform/lexical_path.h"
#include "volume/volume_facts.h"

namespace ovik {
namespace {

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

VolumeSpace FakeSpace(std::uint64_t bytes_per_cluster,
                      std::uint64_t free_clusters,
                      std::uint64_t total_clusters) {
  // Held at the largest value, as the systems' sources hold them.
  auto bytes = [bytes_per_cluster](std::uint64_t clusters) {
    const std::uint64_t largest = std::numeric_limits<std::uint64_t>::max();
    if (bytes_per_cluster != 0 && clusters > largest / bytes_per_cluster) {
      return std::numeric_limits<std::uint64_t>::max();
    }
    return clusters * bytes_per_cluster;
  };
  VolumeSpace space;
  space.unit_bytes = bytes_per_cluster;
  space.free_bytes = bytes(free_clusters);
  space.total_bytes = bytes(total_clusters);
  return space;
}

FakeVolume& FakeVolumeSource::Add(FakeVolume volume) {
  volumes_.push_back(std::move(volume));
  return volumes_.back();
}

FakeVolume* FakeVolumeSource::Find(std::string_view root) {
  for (FakeVolume& volume : volumes_) {
    if (volume.root == root) return &volume;
  }
  return nullptr;
}

void FakeVolumeSource::SetOwnerFileSystems(std::vector<std::string> names) {
  owner_file_systems_ = std::move(names);
}

const FakeVolume* FakeVolumeSource::Holding(std::string_view path) const {
  const FakeVolume* best = nullptr;
  for (const FakeVolume& volume : volumes_) {
    if (PathWithin(volume.root, path, "/\\") &&
        (!best || volume.root.size() > best->root.size())) {
      best = &volume;
    }
  }
  return best;
}

Status FakeVolumeSource::ListRoots(std::vector<std::string>* roots) {
  if (list_fails) return Status(StatusCode::kAccessDenied);
  roots->clear();
  for (const FakeVolume& volume : volumes_) roots->push_back(volume.root);
  return Status::Ok();
}

VolumeKind FakeVolumeSource::KindOf(std::string_view root) {
  const FakeVolume* volume = Holding(root);
  return volume ? volume->kind : VolumeKind::kMissing;
}

Status FakeVolumeSource::ReadNames(std::string_view root, VolumeNames* names) {
  const FakeVolume* volume = Holding(root);
  if (!volume) return Status(StatusCode::kNotFound);
  if (volume->info_fails) return Status(StatusCode::kAccessDenied);
  *names = VolumeNames{volume->label, volume->file_system};
  return Status::Ok();
}

Status FakeVolumeSource::ReadSpace(std::string_view root,
                                   VolumeSpace* space) {
  const FakeVolume* volume = Holding(root);
  if (!volume) return Status(StatusCode::kNotFound);
  if (volume->space_fails) return Status(StatusCode::kAccessDenied);
  *space = volume->space;
  return Status::Ok();
}

Status FakeVolumeSource::GetMountPoint(std::string_view path,
                                       std::string* mount_point) {
  const FakeVolume* volume = Holding(path);
  if (!volume) return Status(StatusCode::kNotFound);
  *mount_point = volume->root;
  return Status::Ok();
}

bool FakeVolumeSource::RecordsOwners(std::string_view file_system) const {
  for (const std::string& name : owner_file_systems_) {
    if (EqualIgnoringAsciiCase(name, file_system)) return true;
  }
  return false;
}

bool IsEligibleVolume(VolumeSource& volumes, std::string_view root) {
  return MayBeScanned(volumes, volumes.KindOf(root), InfoOf(volumes, root));
}

std::optional<std::vector<std::string>> RootsOf(VolumeSource& volumes) {
  std::vector<std::string> roots;
  if (!volumes.ListRoots(&roots).ok()) return std::nullopt;
  return roots;
}

std::optional<VolumeNames> InfoOf(VolumeSource& volumes,
                                  std::string_view root) {
  VolumeNames names;
  if (!volumes.ReadNames(root, &names).ok()) return std::nullopt;
  return names;
}

std::optional<VolumeSpace> SpaceOf(VolumeSource& volumes,
                                   std::string_view root) {
  VolumeSpace space;
  if (!volumes.ReadSpace(root, &space).ok()) return std::nullopt;
  return space;
}

}  // namespace ovik
