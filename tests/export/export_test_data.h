// A small scan to export, shared by the exports' tests.
#ifndef OVIK_TESTS_EXPORT_EXPORT_TEST_DATA_H_
#define OVIK_TESTS_EXPORT_EXPORT_TEST_DATA_H_

#include "present/export/export.h"

namespace ovik {

// /srv/data on /srv, a volume of 25,600 clusters of 4 KiB (102,400 KB),
// 10,240 of them free; 2024-03-05 01:02:03 to 01:03:18 UTC; one skipped
// directory and three unreadable entries, so not complete. Owners:
//   1 alice     uid 1000  31,457,280 bytes  12 files  (30MB, 30.0000%)
//   2 smith, j  uid 1001       5,220 bytes   2 files  (5KB, 0.0049%)
//   3 <unreadable>:  no id         0 bytes   3 files  (0KB, 0.0000%)
ExportData SmallExport();

// |data| with one owner only, named |name|.
ExportData WithOneOwner(ExportData data, std::string name);

}  // namespace ovik

#endif  // OVIK_TESTS_EXPORT_EXPORT_TEST_DATA_H_
