#include "cluster/cluster_scan.h"

#include <initializer_list>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "cluster/exchange.h"
#include "cluster/texts.h"
#include "present/display_name.h"
#include "present/fill.h"
#include "platform/host_name.h"

namespace ovik {
namespace {

using Clock = std::chrono::steady_clock;

// "?" where the system cannot name the machine.
std::string HostName() {
  std::string name;
  if (!ReadHostName(&name).ok()) return "?";
  return name;
}

// The next message that is one of |tags|. Others are kept in |early|
// where given, as messages of a walk that started elsewhere before here;
// without, they are a fault that ends the job. With a |timeout|, so is
// waiting longer than that.
Message Await(Channel& channel, std::initializer_list<Tag> tags,
              std::chrono::milliseconds timeout = {},
              std::vector<Message>* early = nullptr) {
  const Clock::time_point start = Clock::now();
  Message message;
  for (;;) {
    if (!channel.Receive(&message)) {
      if (timeout.count() > 0 && Clock::now() - start > timeout) {
        channel.Abandon(Fill(cluster_text::kWaitedInVain, {channel.rank()}));
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      continue;
    }
    for (Tag tag : tags) {
      if (message.tag == tag) return message;
    }
    if (early == nullptr) break;
    early->push_back(std::move(message));
  }
  channel.Abandon(Fill(cluster_text::kUnexpectedMessage,
                       {channel.rank(), static_cast<int>(message.tag),
                        message.from}));
}

// Whether every rank can open the root: each says so to rank 0, which
// names those that cannot on |err| and tells every rank whether to go.
// Messages of the walk that come before the go-ahead go in |early|.
bool AgreeToGo(Channel& channel, const ReadyMessage& here,
               std::string_view root, std::ostream* err,
               const ClusterSettings& settings, std::vector<Message>* early) {
  bool go = here.opened;
  if (channel.rank() != 0) {
    channel.Send(0, Tag::kReady, EncodeReady(here));
    const Message answer = Await(channel, {Tag::kGo}, {}, early);
    if (!DecodeFlag(answer.bytes, &go)) {
      channel.Abandon(std::string(cluster_text::kGarbledGoAhead));
    }
    return go;
  }
  for (int r = 1; r < channel.ranks(); ++r) {
    const Message m = Await(channel, {Tag::kReady}, settings.answer_timeout);
    ReadyMessage ready;
    if (!DecodeReady(m.bytes, &ready)) {
      channel.Abandon(std::string(cluster_text::kGarbledReadiness));
    }
    if (!ready.opened) {
      *err << Fill(cluster_text::kRankCannotRead,
                   {m.from, EscapeName(ready.host), EscapeName(root),
                    EscapeName(ready.error)});
      go = false;
    }
  }
  for (int r = 1; r < channel.ranks(); ++r) {
    channel.Send(r, Tag::kGo, EncodeFlag(go));
  }
  return go;
}

// This rank's share of the scan of |root|; on rank 0, the whole result.
ScanResult ScanShare(Channel& channel, FileSystem& fs, std::string_view root,
                     ScanOptions options, std::ostream* err,
                     const ClusterSettings& settings) {
  ReadyMessage here;
  here.host = HostName();
  std::uint64_t device = 0;
  // Every rank opens the root before any walks, so that one that cannot
  // is named before the job starts.
  Status opened;
  {
    std::unique_ptr<Directory> dir;
    opened = fs.OpenRoot(root, &dir);
    std::uint64_t inode = 0;
    here.opened = opened.ok();
    if (!opened.ok()) here.error = opened.ToString();
    if (opened.ok() && !dir->Identity(&device, &inode).ok()) device = 0;
  }
  std::vector<Message> early;
  if (!AgreeToGo(channel, here, root, err, settings, &early)) {
    // This rank's own reason, or that another could not open the root.
    ScanResult refused;
    refused.status = opened.ok() ? Status(StatusCode::kNotFound) : opened;
    return refused;
  }
  Exchange exchange(channel, options.progress, device,
                    settings.answer_timeout, std::move(early));
  options.peers = &exchange;
  ScanResult result = RunScan(fs, root, options);
  if (!exchange.gathered()) {
    // It failed before its walk (no memory for its first tables): the
    // others would wait for it in vain.
    channel.Abandon(Fill(cluster_text::kCouldNotTakePart, {channel.rank()}));
  }
  return result;
}

}  // namespace

ScanResult RunClusterScan(Channel& channel, FileSystem& fs,
                          std::string_view root, const ScanOptions& options,
                          std::ostream& err, const ClusterSettings& settings) {
  StartMessage start{std::string(root), options.threads};
  for (int r = 1; r < channel.ranks(); ++r) {
    channel.Send(r, Tag::kStart, EncodeStart(start));
  }
  return ScanShare(channel, fs, root, options, &err, settings);
}

int ServeClusterScans(Channel& channel, FileSystem& fs,
                      const ClusterSettings& settings) {
  for (;;) {
    const Message m = Await(channel, {Tag::kStart, Tag::kEnd});
    if (m.tag == Tag::kEnd) {
      std::uint64_t status = 0;
      if (!DecodeNumber(m.bytes, &status)) {
        channel.Abandon(std::string(cluster_text::kGarbledEnd));
      }
      return static_cast<int>(status);
    }
    StartMessage start;
    if (!DecodeStart(m.bytes, &start)) {
      channel.Abandon(std::string(cluster_text::kGarbledStart));
    }
    ScanProgress progress;
    ScanOptions options;
    options.threads = start.threads;
    options.progress = &progress;
    ScanShare(channel, fs, start.root, options, nullptr, settings);
  }
}

void EndClusterJob(Channel& channel, int status) {
  for (int r = 1; r < channel.ranks(); ++r) {
    channel.Send(r, Tag::kEnd, EncodeNumber(static_cast<std::uint64_t>(status)));
  }
}

}  // namespace ovik
