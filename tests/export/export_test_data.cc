#include "tests/export/export_test_data.h"

#include <utility>

namespace ovik {

ExportData SmallExport() {
  using namespace std::chrono;
  ExportData data;
  data.facts.ranked_by = RankedBy::kOwner;
  data.facts.root = "/srv/data";
  data.facts.volume = "/srv";
  data.facts.space = ExportSpaceOf(VolumeSpace{.free_bytes = 10240 * 4096,
                                          .total_bytes = 25600 * 4096,
                                          .unit_bytes = 4096});
  data.facts.started =
      sys_days{year{2024} / 3 / 5} + hours{1} + minutes{2} + seconds{3};
  data.facts.finished = data.facts.started + seconds{75};
  data.facts.skipped_directories = 1;
  data.facts.unreadable_entries = 3;
  data.facts.complete = false;
  data.owners = {{1, "alice", "1000", 31457280, 12, 30720,
                  {20971520, 10485760, 0}},
                 {2, "smith, j", "1001", 5220, 2, 5, {0, 0, 5220}},
                 {3, "<unreadable>:", std::nullopt, 0, 3, 0}};
  return data;
}

ExportData WithOneOwner(ExportData data, std::string name) {
  data.owners.resize(1);
  data.owners[0].name = std::move(name);
  return data;
}

}  // namespace ovik
