#include "history/figures_codec.h"

#include <algorithm>
#include <utility>

#include "history/varint.h"

namespace ovik {
namespace {

constexpr std::uint64_t kFormat = 1;
constexpr std::uint64_t kHasModification = 1;
constexpr std::uint64_t kHasAccess = 2;

// Each column is one number per record, read by |field|.
template <typename Field>
void PutColumn(const std::vector<FigureRecord>& records, Field field,
               std::string* out) {
  for (const FigureRecord& record : records) PutVarint(field(record), out);
}

template <typename Field>
bool GetColumn(std::string_view in, std::size_t* at,
               std::vector<FigureRecord>* records, Field field) {
  for (FigureRecord& record : *records) {
    std::uint64_t n = 0;
    if (!GetVarint(in, at, &n)) return false;
    field(record, n);
  }
  return true;
}

// The third bucket is what the bytes leave after the other two, almost
// always: it is kept as its difference from that (wrapping, so exact
// whatever the figures), a single byte when they add up.
std::uint64_t Rest(const FigureRecord& r, const AgeBuckets& b) {
  return r.bytes - b.under_30_days - b.under_1_year;
}

std::uint64_t ZigZag(std::uint64_t difference) {
  const auto signed_difference = static_cast<std::int64_t>(difference);
  return (difference << 1) ^
         static_cast<std::uint64_t>(signed_difference >> 63);
}

std::uint64_t UnZigZag(std::uint64_t n) { return (n >> 1) ^ (~(n & 1) + 1); }

void PutBuckets(const std::vector<FigureRecord>& records,
                AgeBuckets FigureRecord::*buckets, std::string* out) {
  PutColumn(
      records,
      [&](const FigureRecord& r) { return (r.*buckets).under_30_days; }, out);
  PutColumn(
      records, [&](const FigureRecord& r) { return (r.*buckets).under_1_year; },
      out);
  PutColumn(
      records,
      [&](const FigureRecord& r) {
        return ZigZag((r.*buckets).older - Rest(r, r.*buckets));
      },
      out);
}

bool GetBuckets(std::string_view in, std::size_t* at,
                std::vector<FigureRecord>* records,
                AgeBuckets FigureRecord::*buckets) {
  return GetColumn(in, at, records,
                   [&](FigureRecord& r, std::uint64_t n) {
                     (r.*buckets).under_30_days = n;
                   }) &&
         GetColumn(in, at, records,
                   [&](FigureRecord& r, std::uint64_t n) {
                     (r.*buckets).under_1_year = n;
                   }) &&
         GetColumn(in, at, records, [&](FigureRecord& r, std::uint64_t n) {
           (r.*buckets).older = UnZigZag(n) + Rest(r, r.*buckets);
         });
}

// The head of a packed table: its format, which must be this one, its
// flags and its number of records, which cannot be more than its bytes
// (every record takes a byte at least).
bool GetHead(std::string_view packed, std::size_t* at, std::uint64_t* flags,
             std::uint64_t* count) {
  std::uint64_t format = 0;
  return GetVarint(packed, at, &format) && format == kFormat &&
         GetVarint(packed, at, flags) && GetVarint(packed, at, count) &&
         *count <= packed.size();
}

}  // namespace

std::string EncodeFigures(const FigureTable& table) {
  const std::vector<FigureRecord>& records = table.records;
  std::string out;
  out.reserve(16 + records.size() * 32);
  PutVarint(kFormat, &out);
  PutVarint((table.by_modification ? kHasModification : 0) |
                (table.by_access ? kHasAccess : 0),
            &out);
  PutVarint(records.size(), &out);
  PutColumn(
      records,
      [](const FigureRecord& r) { return static_cast<std::uint64_t>(r.who); },
      &out);
  PutColumn(
      records, [](const FigureRecord& r) { return r.bytes; }, &out);
  PutColumn(
      records, [](const FigureRecord& r) { return r.files; }, &out);
  if (table.by_modification) {
    PutBuckets(records, &FigureRecord::by_modification, &out);
  }
  if (table.by_access) PutBuckets(records, &FigureRecord::by_access, &out);
  PutColumn(
      records,
      [](const FigureRecord& r) {
        return static_cast<std::uint64_t>(r.directories);
      },
      &out);
  return out;
}

bool DecodeFigures(std::string_view packed, FigureTable* table) {
  std::size_t at = 0;
  std::uint64_t flags = 0;
  std::uint64_t count = 0;
  if (!GetHead(packed, &at, &flags, &count)) return false;
  FigureTable read;
  read.by_modification = (flags & kHasModification) != 0;
  read.by_access = (flags & kHasAccess) != 0;
  read.records.resize(static_cast<std::size_t>(count));
  std::vector<FigureRecord>* records = &read.records;
  auto as_id = [](std::uint64_t n) { return static_cast<std::int64_t>(n); };
  if (!GetColumn(packed, &at, records,
                 [&](FigureRecord& r, std::uint64_t n) { r.who = as_id(n); }) ||
      !GetColumn(packed, &at, records,
                 [](FigureRecord& r, std::uint64_t n) { r.bytes = n; })) {
    return false;
  }
  if (!GetColumn(packed, &at, records,
                 [](FigureRecord& r, std::uint64_t n) { r.files = n; }) ||
      (read.by_modification &&
       !GetBuckets(packed, &at, records, &FigureRecord::by_modification)) ||
      (read.by_access &&
       !GetBuckets(packed, &at, records, &FigureRecord::by_access)) ||
      !GetColumn(packed, &at, records,
                 [&](FigureRecord& r, std::uint64_t n) {
                   r.directories = as_id(n);
                 }) ||
      at != packed.size()) {
    return false;
  }
  *table = std::move(read);
  return true;
}

bool DecodeBytesOf(
    std::string_view packed,
    const std::vector<std::pair<std::int64_t, std::size_t>>& lines,
    std::vector<std::uint64_t>* bytes) {
  std::size_t at = 0;
  std::uint64_t flags = 0;
  std::uint64_t count = 0;
  if (!GetHead(packed, &at, &flags, &count)) return false;
  // Where each wanted record is: (record, its line).
  std::vector<std::pair<std::uint64_t, std::size_t>> wanted;
  for (std::uint64_t i = 0; i < count; ++i) {
    std::uint64_t who = 0;
    if (!GetVarint(packed, &at, &who)) return false;
    const auto line = std::lower_bound(
        lines.begin(), lines.end(), static_cast<std::int64_t>(who),
        [](const std::pair<std::int64_t, std::size_t>& l, std::int64_t w) {
          return l.first < w;
        });
    if (line != lines.end() && line->first == static_cast<std::int64_t>(who)) {
      wanted.emplace_back(i, line->second);
    }
  }
  auto next = wanted.begin();
  for (std::uint64_t i = 0; i < count && next != wanted.end(); ++i) {
    std::uint64_t n = 0;
    if (!GetVarint(packed, &at, &n)) return false;
    if (next->first == i) (*bytes)[next++->second] = n;
  }
  return true;
}

}  // namespace ovik
