#include "scan/walk_crew.h"

#include <new>
#include <system_error>
#include <utility>

namespace ovik {

WalkCrew::WalkCrew(WalkContext& context, unsigned walkers)
    : context_(context) {
  for (unsigned w = 0; w < walkers; ++w) {
    walkers_.push_back(std::make_unique<Walker>(context, w));
  }
}

WalkCrew::~WalkCrew() { Join(); }

Status WalkCrew::OpenRoots(unsigned* ready) {
  *ready = 0;
  ready_.clear();
  Walker& first = *walkers_.front();
  if (Status opened = first.OpenRoot(); !opened.ok()) return opened;
  ready_.push_back(&first);
  for (std::size_t w = 1; w < walkers_.size(); ++w) {
    if (walkers_[w]->OpenRootFrom(first).ok()) ready_.push_back(walkers_[w].get());
  }
  *ready = static_cast<unsigned>(ready_.size());
  return Status::Ok();
}

void WalkCrew::Start(bool first_on_caller) {
  pool_.reserve(ready_.size());
  for (std::size_t w = first_on_caller ? 1 : 0; w < ready_.size(); ++w) {
    Walker* walker = ready_[w];
    if (!context_.out_of_memory.load()) {
      // Starting a thread is where a process or thread limit shows; the
      // walk goes on with those that started.
      try {
        pool_.emplace_back([this, walker] {
          Task task;
          if (context_.queue.Take(&task)) walker->Run(std::move(task));
        });
        continue;
      } catch (const std::system_error&) {
        ++not_started_;
      } catch (const std::bad_alloc&) {
        context_.out_of_memory.store(true);
      }
    }
    walker->CloseRoot();
    context_.queue.Withdraw();
  }
}

void WalkCrew::Join() {
  for (std::thread& t : pool_) {
    if (t.joinable()) t.join();
  }
}

std::vector<CountedPart> WalkCrew::TakeParts() {
  std::vector<CountedPart> parts;
  parts.reserve(walkers_.size());
  for (auto& walker : walkers_) parts.push_back(walker->TakePart());
  return parts;
}

LinkLedger WalkCrew::TakeLinks() {
  LinkLedger links;
  for (auto& walker : walkers_) links.Merge(walker->TakeLinks());
  return links;
}

DirectoryCensus WalkCrew::Census() const {
  DirectoryCensus census;
  for (const auto& walker : walkers_) census.Add(walker->census());
  return census;
}

Status WalkOutcome(const WalkContext& context) {
  if (context.out_of_memory.load()) return Status(StatusCode::kNoMemory);
  if (context.cancelled()) return Status(StatusCode::kCancelled);
  return Status::Ok();
}

}  // namespace ovik
