// The volume's own table of its files, read part by part: each thread
// takes the next part not yet read and counts its entries in a part of
// its own. An entry's place in the table is where its owner is first met,
// so owners whose totals tie rank in table order whatever the threads.
#include <algorithm>
#include <atomic>
#include <memory>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "scan/counter.h"
#include "scan/owner_id.h"
#include "scan/saturating.h"

namespace ovik {
namespace {

// How many entries a thread counts between updates of the progress.
constexpr std::uint64_t kProgressEvery = 4096;

// What the threads of one table read share.
struct TableRead {
  VolumeTable& table;
  const CountRequest& request;
  std::atomic<unsigned> next_part{0};
  std::atomic<bool> out_of_memory{false};

  bool stopped() const {
    return out_of_memory.load(std::memory_order_relaxed) ||
           (request.progress != nullptr &&
            request.progress->cancel.load(std::memory_order_relaxed));
  }
};

// One thread's count: the entries of the parts it reads.
class PartSink : public TableSink {
 public:
  explicit PartSink(TableRead& read) : read_(read) {}

  void Add(const Entry& entry) override {
    if (entry.kind == EntryKind::kDirectory ||
        entry.kind == EntryKind::kDirectoryLink ||
        entry.kind == EntryKind::kMountPoint) {
      return;
    }
    const AgeRule& ages = read_.request.ages;
    if (!ages.Counts(entry.modified, entry.accessed)) {
      ++part_.stats.younger_entries;
      return;
    }
    if (entry.owner_status == OwnerStatus::kUnreadable) {
      ++part_.stats.unreadable_entries;
      owner_.Assign(OwnerId::Kind::kUnreadable, {});
      group_.Assign(OwnerId::Kind::kUnreadable, {});
    } else {
      owner_.Assign(OwnerId::Kind::kAccount, entry.owner_key);
      group_.Assign(OwnerId::Kind::kGroup, entry.group_key);
    }
    part_.owners.Meet(owner_, kNoDirectories, entry.inode)
        .Count(entry.size, entry.modified, entry.accessed, ages.now);
    if (read_.request.groups) {
      part_.groups.Meet(group_, kNoDirectories, entry.inode)
          .Count(entry.size, entry.modified, entry.accessed, ages.now);
    }
    ++part_.stats.files;
    part_.stats.bytes = SaturatingAdd(part_.stats.bytes, entry.size);
    if (++unreported_ == kProgressEvery) Report();
  }

  bool Cancelled() const override { return read_.stopped(); }

  // Reads parts until none is left; running out of memory stops every
  // thread of the read.
  void Run() {
    try {
      for (;;) {
        if (read_.stopped()) break;
        const unsigned p = read_.next_part.fetch_add(1);
        if (p >= read_.table.PartCount()) break;
        part_.owners.StartTask();
        part_.groups.StartTask();
        const Status read = read_.table.ReadPart(p, *this);
        if (read.code() == StatusCode::kNoMemory) throw std::bad_alloc();
        if (!read.ok()) ++part_.stats.unread_table_parts;
      }
    } catch (const std::bad_alloc&) {
      read_.out_of_memory.store(true, std::memory_order_relaxed);
    }
    Report();
  }

  CountedPart TakePart() { return std::move(part_); }

 private:
  void Report() {
    if (ScanProgress* p = read_.request.progress) {
      p->files.fetch_add(part_.stats.files - reported_files_,
                         std::memory_order_relaxed);
      SaturatingAdd(p->bytes, part_.stats.bytes - reported_bytes_);
    }
    reported_files_ = part_.stats.files;
    reported_bytes_ = part_.stats.bytes;
    unreported_ = 0;
  }

  static inline const std::vector<std::uint32_t> kNoDirectories{};

  TableRead& read_;
  CountedPart part_;
  OwnerId owner_;
  OwnerId group_;
  std::uint64_t unreported_ = 0;
  std::uint64_t reported_files_ = 0;
  std::uint64_t reported_bytes_ = 0;
};

class TableCounter : public Counter {
 public:
  explicit TableCounter(std::shared_ptr<VolumeTable> table)
      : table_(std::move(table)) {}

  Counted Count(const CountRequest& request) override {
    TableRead read{*table_, request};
    if (request.progress != nullptr) {
      request.progress->SetMethod(table_->Description());
    }
    const unsigned threads =
        std::max(1u, std::min(request.threads, table_->PartCount()));
    std::vector<std::unique_ptr<PartSink>> sinks;
    for (unsigned t = 0; t < threads; ++t) {
      sinks.push_back(std::make_unique<PartSink>(read));
    }
    Counted counted;
    std::vector<std::thread> pool;
    pool.reserve(threads);
    for (unsigned t = 1; t < threads; ++t) {
      PartSink* sink = sinks[t].get();
      try {
        pool.emplace_back([sink] { sink->Run(); });
      } catch (const std::system_error&) {
        ++counted.threads_not_started;
      } catch (const std::bad_alloc&) {
        read.out_of_memory.store(true);
      }
    }
    sinks.front()->Run();
    for (std::thread& t : pool) t.join();
    counted.threads = static_cast<unsigned>(pool.size()) + 1;
    if (read.out_of_memory.load()) {
      counted.status = Status(StatusCode::kNoMemory);
    } else if (request.progress != nullptr &&
               request.progress->cancel.load()) {
      counted.status = Status(StatusCode::kCancelled);
    }
    if (!counted.status.ok()) return counted;
    for (auto& sink : sinks) counted.parts.push_back(sink->TakePart());
    return counted;
  }

 private:
  std::shared_ptr<VolumeTable> table_;
};

}  // namespace

std::unique_ptr<Counter> MakeTableCounter(std::shared_ptr<VolumeTable> table) {
  return std::make_unique<TableCounter>(std::move(table));
}

}  // namespace ovik
