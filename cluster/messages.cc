#include "cluster/messages.h"

#include <cstdint>

#include <utility>

#include "cluster/wire.h"

namespace ovik {
namespace {

// Every field of these is sent; a field added to them needs its place
// in the bytes below.
static_assert(sizeof(ScanStats) == 13 * sizeof(std::uint64_t) + 2 * sizeof(unsigned),
              "ScanStats changed: send the new fields in a part");
// (A tally's part_index is not: it belongs to the walker that counted.)
static_assert(sizeof(OwnerTally) == 2 * sizeof(std::uint64_t) +
                                        sizeof(Ages) + sizeof(WalkPosition) +
                                        alignof(OwnerTally),
              "OwnerTally changed: send the new fields in a part");

void PutNames(WireWriter& w, const std::vector<std::string>& names) {
  w.Number(names.size());
  for (const std::string& name : names) w.Text(name);
}

bool GetNames(WireReader& r, std::vector<std::string>* names) {
  std::size_t count = 0;
  if (!r.Count(&count)) return false;
  names->resize(count);
  for (std::string& name : *names) {
    if (!r.Text(&name)) return false;
  }
  return true;
}

void PutOrdinals(WireWriter& w, const std::vector<std::uint32_t>& ordinals) {
  w.Number(ordinals.size());
  for (std::uint32_t o : ordinals) w.Number(o);
}

bool GetOrdinals(WireReader& r, std::vector<std::uint32_t>* ordinals) {
  std::size_t count = 0;
  if (!r.Count(&count)) return false;
  ordinals->resize(count);
  for (std::uint32_t& o : *ordinals) {
    if (!r.Number(&o)) return false;
  }
  return true;
}

void PutStats(WireWriter& w, const ScanStats& s) {
  for (std::uint64_t n :
       {s.files, s.bytes, s.directories, s.skipped_directories,
        s.skipped_for_handles, s.unreadable_entries, s.vanished_entries,
        s.other_volumes, s.hard_link_duplicates, s.younger_entries,
        s.unread_table_parts,
        s.unnamed_owners, s.saturated_totals}) {
    w.Number(n);
  }
  w.Number(s.threads);
  w.Number(s.threads_not_started);
}

bool GetStats(WireReader& r, ScanStats* s) {
  for (std::uint64_t* n :
       {&s->files, &s->bytes, &s->directories, &s->skipped_directories,
        &s->skipped_for_handles, &s->unreadable_entries, &s->vanished_entries,
        &s->other_volumes, &s->hard_link_duplicates, &s->younger_entries,
        &s->unread_table_parts,
        &s->unnamed_owners, &s->saturated_totals}) {
    if (!r.Number(n)) return false;
  }
  std::uint32_t threads = 0, not_started = 0;
  if (!r.Number(&threads) || !r.Number(&not_started)) return false;
  s->threads = threads;
  s->threads_not_started = not_started;
  return true;
}

static_assert(sizeof(Ages) == 6 * sizeof(std::uint64_t),
              "Ages changed: send the new fields in a part");

void PutAges(WireWriter& w, const Ages& ages) {
  for (const AgeBytes* a : {&ages.modified, &ages.accessed}) {
    w.Number(a->under_30_days);
    w.Number(a->under_1_year);
    w.Number(a->older);
  }
}

bool GetAges(WireReader& r, Ages* ages) {
  for (AgeBytes* a : {&ages->modified, &ages->accessed}) {
    if (!r.Number(&a->under_30_days) || !r.Number(&a->under_1_year) ||
        !r.Number(&a->older)) {
      return false;
    }
  }
  return true;
}

// An owner: its kind, then its identifier's bytes.
void PutOwner(WireWriter& w, const OwnerId& owner) {
  w.Number(static_cast<std::uint64_t>(owner.kind()));
  w.Text(owner.key());
}

bool GetOwner(WireReader& r, std::string* key, OwnerId* owner) {
  std::uint64_t kind = 0;
  if (!r.Number(&kind) ||
      kind > static_cast<std::uint64_t>(OwnerId::Kind::kGroup) ||
      !r.Text(key)) {
    return false;
  }
  *owner = OwnerId(static_cast<OwnerId::Kind>(kind), *key);
  return true;
}

void PutTallies(WireWriter& w, const Tallies& tallies) {
  std::size_t count = 0;
  tallies.ForEach([&](const OwnerId&, const OwnerTally&) { ++count; });
  w.Number(count);
  tallies.ForEach([&](const OwnerId& owner, const OwnerTally& tally) {
    PutOwner(w, owner);
    w.Number(tally.bytes);
    w.Number(tally.files);
    PutAges(w, tally.ages);
    PutOrdinals(w, tally.first.directory);
    w.Number(tally.first.entry);
  });
}

bool GetTallies(WireReader& r, Tallies* tallies) {
  std::size_t count = 0;
  if (!r.Count(&count)) return false;
  std::string key;
  OwnerId owner;
  for (std::size_t i = 0; i < count; ++i) {
    OwnerTally tally;
    if (!GetOwner(r, &key, &owner) || !r.Number(&tally.bytes) ||
        !r.Number(&tally.files) || !GetAges(r, &tally.ages) ||
        !GetOrdinals(r, &tally.first.directory) ||
        !r.Number(&tally.first.entry)) {
      return false;
    }
    tallies->Add(owner, std::move(tally));
  }
  return true;
}

void PutLinks(WireWriter& w, const LinkLedger& ledger) {
  w.Number(ledger.links().size());
  for (const LedgerLink& link : ledger.links()) {
    w.Number(link.device);
    w.Number(link.inode);
    w.Number(link.size);
    PutOwner(w, link.owner);
    w.Signed(link.modified);
    w.Signed(link.accessed);
  }
}

bool GetLinks(WireReader& r, LinkLedger* ledger) {
  std::size_t count = 0;
  if (!r.Count(&count)) return false;
  std::string key;
  for (std::size_t i = 0; i < count; ++i) {
    LedgerLink link;
    if (!r.Number(&link.device) || !r.Number(&link.inode) ||
        !r.Number(&link.size) || !GetOwner(r, &key, &link.owner) ||
        !r.Signed(&link.modified) || !r.Signed(&link.accessed)) {
      return false;
    }
    ledger->Add(std::move(link));
  }
  return true;
}

}  // namespace

Bytes EncodeStart(const StartMessage& start) {
  WireWriter w;
  w.Text(start.root);
  w.Number(start.threads);
  return w.Take();
}

bool DecodeStart(const Bytes& bytes, StartMessage* start) {
  WireReader r(bytes);
  std::uint32_t threads = 0;
  if (!r.Text(&start->root) || !r.Number(&threads)) return false;
  start->threads = threads;
  return r.AtEnd();
}

Bytes EncodeReady(const ReadyMessage& ready) {
  WireWriter w;
  w.Number(ready.opened ? 1 : 0);
  w.Text(ready.host);
  w.Text(ready.error);
  return w.Take();
}

bool DecodeReady(const Bytes& bytes, ReadyMessage* ready) {
  WireReader r(bytes);
  return r.Flag(&ready->opened) && r.Text(&ready->host) &&
         r.Text(&ready->error) && r.AtEnd();
}

Bytes EncodeFlag(bool flag) { return EncodeNumber(flag ? 1 : 0); }

bool DecodeFlag(const Bytes& bytes, bool* flag) {
  WireReader r(bytes);
  return r.Flag(flag) && r.AtEnd();
}

Bytes EncodeNumber(std::uint64_t n) {
  WireWriter w;
  w.Number(n);
  return w.Take();
}

bool DecodeNumber(const Bytes& bytes, std::uint64_t* n) {
  WireReader r(bytes);
  return r.Number(n) && r.AtEnd();
}

Bytes EncodeTask(const Task& task) {
  WireWriter w;
  PutNames(w, task.names);
  PutOrdinals(w, task.ordinals);
  PutNames(w, task.subdirectories);
  w.Number(task.first_ordinal);
  return w.Take();
}

bool DecodeTask(const Bytes& bytes, Task* task) {
  WireReader r(bytes);
  return GetNames(r, &task->names) && GetOrdinals(r, &task->ordinals) &&
         GetNames(r, &task->subdirectories) &&
         r.Number(&task->first_ordinal) && r.AtEnd();
}

Bytes EncodeToken(const Token& token) {
  WireWriter w;
  w.Signed(token.count);
  w.Number(token.black ? 1 : 0);
  return w.Take();
}

bool DecodeToken(const Bytes& bytes, Token* token) {
  WireReader r(bytes);
  return r.Signed(&token->count) && r.Flag(&token->black) && r.AtEnd();
}

Bytes EncodeProgress(const ProgressMessage& progress) {
  WireWriter w;
  w.Number(progress.files);
  w.Number(progress.directories);
  w.Number(progress.bytes);
  return w.Take();
}

bool DecodeProgress(const Bytes& bytes, ProgressMessage* progress) {
  WireReader r(bytes);
  return r.Number(&progress->files) && r.Number(&progress->directories) &&
         r.Number(&progress->bytes) && r.AtEnd();
}

Bytes EncodePart(const WalkPart& part) {
  WireWriter w;
  w.Number(static_cast<std::uint64_t>(part.status.code()));
  w.Signed(part.status.system_error());
  PutStats(w, part.stats);
  PutTallies(w, part.tallies);
  PutLinks(w, part.links);
  return w.Take();
}

bool DecodePart(const Bytes& bytes, WalkPart* part) {
  WireReader r(bytes);
  std::uint64_t code = 0;
  std::int64_t system_error = 0;
  if (!r.Number(&code) ||
      code > static_cast<std::uint64_t>(StatusCode::kOther) ||
      !r.Signed(&system_error) || system_error < INT32_MIN ||
      system_error > INT32_MAX) {
    return false;
  }
  part->status = Status(static_cast<StatusCode>(code),
                        static_cast<int>(system_error));
  return GetStats(r, &part->stats) && GetTallies(r, &part->tallies) &&
         GetLinks(r, &part->links) && r.AtEnd();
}

}  // namespace ovik
