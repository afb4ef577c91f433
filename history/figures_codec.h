// One scan's figures for all its owners (or all its groups), packed into
// one value of the history file: a thousand owners take some 30 KB, where
// a table row each would take half as much again and years of nightly
// scans would outgrow what a history should weigh.
//
// Column by column: the count, then every record's who, then every
// record's bytes, and so on, so that a reader that wants only who holds
// how much (a chart over years of scans) reads two columns and stops.
#ifndef OVIK_HISTORY_FIGURES_CODEC_H_
#define OVIK_HISTORY_FIGURES_CODEC_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "history/saved_scan.h"

namespace ovik {

struct FigureRecord {
  std::int64_t who = 0;  // a row of the history's table of owners and groups
  std::uint64_t bytes = 0;
  std::uint64_t files = 0;
  AgeBuckets by_modification;
  AgeBuckets by_access;
  std::int64_t directories = 0;  // the owner's directory set; 0 for none
};

struct FigureTable {
  bool by_modification = false;  // whether the records carry these
  bool by_access = false;
  std::vector<FigureRecord> records;
};

std::string EncodeFigures(const FigureTable& table);

// False when |packed| is not a table this program wrote (damaged).
bool DecodeFigures(std::string_view packed, FigureTable* table);

// The bytes of the records a chart follows, read without keeping the
// rest: |lines| holds (who, line) ordered by who; (*bytes)[line] is set
// for each record found. False when |packed| is damaged.
bool DecodeBytesOf(
    std::string_view packed,
    const std::vector<std::pair<std::int64_t, std::size_t>>& lines,
    std::vector<std::uint64_t>* bytes);

}  // namespace ovik

#endif  // OVIK_HISTORY_FIGURES_CODEC_H_
