// Writes an html export for the browser test or the README's picture.
//   export_html_page DIR           DIR/page.html from hostile names, and
//                                  DIR/expected.js: what the page must show
//   export_html_page DIR --sample  DIR/page.html from an ordinary server
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "present/export/html_export.h"

namespace {

using ovik::ExportData;
using ovik::ExportOwner;

constexpr std::uint64_t kMiB = 1048576;

struct Owner {
  std::string name;   // as the account database gives it
  std::string shown;  // as the page must show it
  std::uint64_t bytes;
};

// Decreasing totals, names that try to break the page.
const std::vector<Owner>& HostileOwners() {
  static const std::vector<Owner> owners = {
      {"alice", "alice", 40 * kMiB},
      {"<script>alert(1)</script>", "<script>alert(1)</script>", 20 * kMiB},
      {"\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e",
       "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e", 10 * kMiB},
      {"bad\xff"
       "byte",
       "bad?byte", 5 * kMiB},
      {"tab\there & \"quotes\" 'too'", "tab?here & \"quotes\" 'too'", 2 * kMiB},
      {"<unreadable>:", "<unreadable>:", kMiB},
      {"tiny", "tiny", 100},
      {"empty", "empty", 0},
  };
  return owners;
}

const std::vector<Owner>& SampleOwners() {
  static const std::vector<Owner> owners = {
      {"alice", "", 48'318'382'080},    {"postgres", "", 31'138'512'896},
      {"bob", "", 12'884'901'888},      {"www-data", "", 6'442'450'944},
      {"carol", "", 3'221'225'472},     {"backup", "", 1'610'612'736},
      {"dave", "", 805'306'368},        {"root", "", 214'748'364},
      {"<unreadable>:", "", 4'194'304},
  };
  return owners;
}

ExportData MakeExport(const std::vector<Owner>& owners, bool complete) {
  using namespace std::chrono;
  ExportData data;
  data.facts.root = "/home";
  data.facts.volume = "/home";
  // 160 GiB of 4 KiB clusters, 48 GiB free.
  data.facts.space =
      ovik::ExportSpaceOf(ovik::VolumeSpace{.free_bytes = 12'582'912ull * 4096,
                                            .total_bytes = 41'943'040ull * 4096,
                                            .unit_bytes = 4096});
  data.facts.started = sys_days{year{2024} / 3 / 5} + hours{2};
  data.facts.finished = data.facts.started + seconds{97};
  data.facts.unreadable_entries = complete ? 0 : 12;
  data.facts.skipped_directories = complete ? 0 : 2;
  data.facts.complete = complete;
  for (std::size_t i = 0; i < owners.size(); ++i) {
    ExportOwner owner;
    owner.rank = i + 1;
    owner.name = owners[i].name;
    if (owners[i].name != "<unreadable>:") owner.id = std::to_string(1000 + i);
    owner.bytes = owners[i].bytes;
    owner.kb = owners[i].bytes / 1024;
    owner.files = owners[i].bytes / 65536 + 1;
    data.owners.push_back(owner);
  }
  return data;
}

bool Write(const std::string& path, std::string_view text) {
  std::ofstream out(path, std::ios::binary);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  if (!out) std::fprintf(stderr, "cannot write %s\n", path.c_str());
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s DIR [--sample]\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  if (argc > 2 && std::string_view(argv[2]) == "--sample") {
    return Write(dir + "/page.html",
                 ovik::BuildHtmlExport(MakeExport(SampleOwners(), true)))
               ? 0
               : 1;
  }
  nlohmann::json expected = nlohmann::json::array();
  for (const Owner& owner : HostileOwners()) {
    expected.push_back({{"shown", owner.shown}, {"bytes", owner.bytes}});
  }
  const bool written =
      Write(dir + "/page.html",
            ovik::BuildHtmlExport(MakeExport(HostileOwners(), false))) &&
      Write(dir + "/expected.js",
            "window.expected = " + expected.dump() + ";\n");
  return written ? 0 : 1;
}
