#include "cluster/exchange.h"

#include <algorithm>
#include <iterator>
#include <new>
#include <thread>
#include <utility>
#include <vector>

#include "cluster/texts.h"
#include "present/fill.h"
#include "scan/saturating.h"

namespace ovik {
namespace {

// How long a question for work is held while this rank's busy threads
// are asked to share some, before the answer is "none".
constexpr std::chrono::milliseconds kShareWait{20};
// The wait before asking again after "none", doubled for each "none" in
// a row up to the last: ranks that have run dry near the end of a walk
// do not flood the few still busy.
constexpr std::chrono::microseconds kFirstRetry{200};
constexpr unsigned kRetryDoublings = 6;
// How often a rank sends rank 0 its figures for the progress line.
constexpr std::chrono::milliseconds kProgressInterval{500};
// The pause between steps when nothing happened, doubled up to the last.
constexpr std::chrono::microseconds kFirstPause{50};
constexpr std::chrono::microseconds kLongestPause{1000};

}  // namespace

Exchange::Exchange(Channel& channel, ScanProgress* progress,
                   std::uint64_t root_device,
                   std::chrono::milliseconds timeout,
                   std::vector<Message> early)
    : channel_(channel),
      inbox_(std::make_move_iterator(early.begin()),
             std::make_move_iterator(early.end())),
      progress_(progress),
      root_device_(root_device),
      timeout_(timeout),
      termination_(channel.rank(), channel.ranks()),
      random_(static_cast<unsigned>(channel.rank()) + 1) {}

void Exchange::Serve(WorkQueue& queue, bool walking) {
  queue_ = &queue;
  walking_ = walking;
  try {
    ServeUntilOver();
  } catch (const std::bad_alloc&) {
    channel_.Abandon(Fill(cluster_text::kOutOfMemory, {channel_.rank()}));
  }
  queue.Close();
}

void Exchange::ServeUntilOver() {
  while (!over_) {
    const bool active = Step();
    if (termination_.over()) {
      for (int r = 1; r < channel_.ranks(); ++r) channel_.Send(r, Tag::kDone, {});
      over_ = true;
    }
    Pause(active);
  }
  queue_->Close();
  while (asked_ >= 0) Pause(Step());
  channel_.EnterBarrier();
  const Clock::time_point entered = Clock::now();
  while (!channel_.BarrierPassed()) {
    if (Clock::now() - entered > timeout_) {
      channel_.Abandon(Fill(cluster_text::kWalkNotEnded, {Seconds()}));
    }
    Pause(Step());
  }
}

// One round: the messages that came, the questions to answer, a question
// to ask, the token to pass on. True when anything happened.
bool Exchange::Step() {
  bool active = false;
  Message message;
  while (NextMessage(&message)) {
    Handle(std::move(message));
    active = true;
  }
  if (AnswerAskers()) active = true;
  if (!over_ && queue_->Idle()) {
    if (walking_ && asked_ < 0 && channel_.ranks() > 1 &&
        Clock::now() >= next_ask_) {
      AskForWork();
      active = true;
    }
    if (const std::optional<Token> token = termination_.Dry()) {
      channel_.Send(termination_.next(), Tag::kToken, EncodeToken(*token));
      active = true;
    }
  }
  if (asked_ >= 0 && Clock::now() - asked_at_ > timeout_) {
    channel_.Abandon(Fill(cluster_text::kNoAnswer, {asked_, Seconds()}));
  }
  SendProgress();
  return active;
}

bool Exchange::NextMessage(Message* message) {
  if (inbox_.empty()) return channel_.Receive(message);
  *message = std::move(inbox_.front());
  inbox_.pop_front();
  return true;
}

void Exchange::Handle(Message&& message) {
  switch (message.tag) {
    case Tag::kRequest:
      askers_.push_back({message.from, Clock::now()});
      return;
    case Tag::kWork:
      TakeWork(message);
      return;
    case Tag::kNoWork:
      if (message.from != asked_) Unexpected(message);
      asked_ = -1;
      if (message.from == last_giver_) last_giver_ = -1;
      next_ask_ = Clock::now() +
                  kFirstRetry * (1u << std::min(refusals_, kRetryDoublings));
      ++refusals_;
      return;
    case Tag::kToken: {
      Token token;
      if (!DecodeToken(message.bytes, &token)) Unexpected(message);
      termination_.TokenArrived(token);
      return;
    }
    case Tag::kDone:
      if (message.from != 0 || over_) Unexpected(message);
      over_ = true;
      return;
    case Tag::kProgress: {
      ProgressMessage figures;
      if (channel_.rank() != 0 || !DecodeProgress(message.bytes, &figures)) {
        Unexpected(message);
      }
      if (progress_ != nullptr) {
        progress_->files.fetch_add(figures.files, std::memory_order_relaxed);
        progress_->directories.fetch_add(figures.directories,
                                         std::memory_order_relaxed);
        SaturatingAdd(progress_->bytes, figures.bytes);
      }
      return;
    }
    case Tag::kPart:
      // From a rank that passed the barrier before this one did.
      if (channel_.rank() != 0 || !over_) Unexpected(message);
      early_parts_.push_back(std::move(message));
      return;
    default:
      Unexpected(message);
  }
}

void Exchange::TakeWork(const Message& message) {
  // Work comes only as the answer to a question, and never once the walk
  // is over: then none is left anywhere.
  Task task;
  if (message.from != asked_ || over_ || !DecodeTask(message.bytes, &task)) {
    Unexpected(message);
  }
  termination_.WorkReceived();
  queue_->Share(std::move(task));
  asked_ = -1;
  refusals_ = 0;
  last_giver_ = message.from;
  next_ask_ = Clock::now();
}

// Answers the questions for work in the order they came: with work
// queued here, else, once this rank has run dry or its busy threads have
// had their time to share some, with none.
bool Exchange::AnswerAskers() {
  bool answered = false;
  while (!askers_.empty()) {
    const int asker = askers_.front().rank;
    Task task;
    const bool taken = queue_->TakeForPeer(&task);
    asking_queue_ = true;
    if (taken) {
      channel_.Send(asker, Tag::kWork, EncodeTask(task));
      termination_.WorkSent();
    } else if (over_ || queue_->Idle() ||
               Clock::now() - askers_.front().since >= kShareWait) {
      channel_.Send(asker, Tag::kNoWork, {});
    } else {
      break;
    }
    askers_.pop_front();
    answered = true;
  }
  if (askers_.empty() && asking_queue_) {
    queue_->StopAskingForPeer();
    asking_queue_ = false;
  }
  return answered;
}

// Asks the rank that gave work last, else one chosen at random: work
// spreads from the busy ranks whatever their number.
void Exchange::AskForWork() {
  int victim = last_giver_;
  if (victim < 0) {
    std::uniform_int_distribution<int> pick(0, channel_.ranks() - 2);
    victim = pick(random_);
    if (victim >= channel_.rank()) ++victim;
  }
  channel_.Send(victim, Tag::kRequest, {});
  asked_ = victim;
  asked_at_ = Clock::now();
}

void Exchange::SendProgress() {
  if (channel_.rank() == 0 || progress_ == nullptr) return;
  const Clock::time_point now = Clock::now();
  if (now < next_progress_) return;
  next_progress_ = now + kProgressInterval;
  const ProgressMessage total{
      progress_->files.load(std::memory_order_relaxed),
      progress_->directories.load(std::memory_order_relaxed),
      progress_->bytes.load(std::memory_order_relaxed)};
  if (total.files == reported_.files &&
      total.directories == reported_.directories) {
    return;
  }
  channel_.Send(0, Tag::kProgress,
                EncodeProgress({total.files - reported_.files,
                                total.directories - reported_.directories,
                                total.bytes - reported_.bytes}));
  reported_ = total;
}

void Exchange::Pause(bool active) {
  if (active) {
    pause_ = std::chrono::microseconds(0);
    return;
  }
  pause_ = std::clamp(pause_ * 2, kFirstPause, kLongestPause);
  std::this_thread::sleep_for(pause_);
}

void Exchange::Unexpected(const Message& message) {
  channel_.Abandon(Fill(cluster_text::kUnusableMessage,
                        {channel_.rank(), static_cast<int>(message.tag),
                         message.bytes.size(), message.from}));
}

std::string Exchange::Seconds() const {
  return Fill(
      cluster_text::kSeconds,
      {std::chrono::duration_cast<std::chrono::seconds>(timeout_).count()});
}

bool Exchange::Gather(WalkPart* part) {
  part->links.NameRootVolume(root_device_);
  if (channel_.rank() != 0) {
    channel_.Send(0, Tag::kPart, EncodePart(*part));
    gathered_ = true;
    return false;
  }
  std::vector<bool> received(static_cast<std::size_t>(channel_.ranks()), false);
  received[0] = true;
  for (const Message& early : early_parts_) AddPart(early, &received, part);
  early_parts_.clear();
  int missing = static_cast<int>(std::count(received.begin(), received.end(), false));
  Clock::time_point last = Clock::now();
  while (missing > 0) {
    Message message;
    if (!NextMessage(&message)) {
      if (Clock::now() - last > timeout_) {
        channel_.Abandon(Fill(cluster_text::kNoResults, {missing, Seconds()}));
      }
      Pause(false);
      continue;
    }
    last = Clock::now();
    // Figures sent before the part are of no use now.
    if (message.tag == Tag::kProgress) continue;
    AddPart(message, &received, part);
    --missing;
  }
  gathered_ = true;
  return true;
}

void Exchange::AddPart(const Message& message, std::vector<bool>* received,
                       WalkPart* part) {
  const auto from = static_cast<std::size_t>(message.from);
  WalkPart other;
  if (message.tag != Tag::kPart || (*received)[from] ||
      !DecodePart(message.bytes, &other)) {
    Unexpected(message);
  }
  (*received)[from] = true;
  if (part->status.ok()) part->status = other.status;
  part->stats += other.stats;
  part->stats.threads += other.stats.threads;
  part->stats.threads_not_started += other.stats.threads_not_started;
  part->tallies.Merge(std::move(other.tallies));
  part->links.Merge(std::move(other.links));
}

}  // namespace ovik
