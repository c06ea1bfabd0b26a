#include "scan.h"

#include <algorithm>
#include <map>
#include <set>

#include "settings.h"

namespace tessaro {

namespace {

// A request is 9 characters; a reader turns round and an adapter hands
// characters on within this many milliseconds.
constexpr int kReaderAndAdapterMs = 40;
// A converter's network and serial time, when nothing is known of its line.
constexpr int kConverterMs = 50;

int FullWaitMs(LinkKind kind) { return Cmd::ReadSettings.on(kind).waitMs; }

// What the first pass heard of each address.
class FirstPass : public SweepSink {
 public:
  // `ownNoise`: garbled bytes heard while an address is awaited are that
  // address's (a second look, after the first pass found them).
  FirstPass(ExchangeEnv& env, const std::set<int>& asked, const ScanOptions& options, bool ownNoise = false)
      : env_(env), asked_(asked), options_(options), ownNoise_(ownNoise) {}

  int waitMs() override { return ScanWaitMs(env_.link.kind(), env_.link.baud(), slowestUs_); }
  void sent(DeviceId id, qint64 atUs) override {
    sentAt_[id.value()] = atUs;
    if (options_.asking) options_.asking(id.value(), static_cast<int>(answered_.size() + again_.size()));
  }
  bool line(QByteArrayView line, std::optional<DeviceId> awaiting, qint64 atUs) override {
    const std::optional<int> named = Named(line);
    if (!named) {
      noise(line, awaiting, atUs);
      return false;
    }
    // A reply to another address than the one awaited came late; a garbled
    // one that names its address may be two readers' at once: both are asked again.
    const bool well = WellFormedSettingsLine(line, *named);
    const bool awaited = awaiting && awaiting->value() == *named;
    if (awaited && well) answered_[*named] = line.toByteArray();
    else again_.insert(*named);
    if (awaited && well) slowestUs_ = std::max(slowestUs_, atUs - sentAt_[*named]);
    return awaited;
  }
  void noise(QByteArrayView, std::optional<DeviceId> awaiting, qint64 atUs) override {
    if (ownNoise_ && awaiting) {
      again_.insert(awaiting->value());
      return;
    }
    // Bytes that name no address may be the reply of any address still within its full wait.
    const qint64 windowUs = qint64(FullWaitMs(env_.link.kind())) * 1000;
    for (const auto& [address, at] : sentAt_)
      if (atUs - at <= windowUs) unnamed_.insert(address);
  }

  bool wasSent(int address) const { return sentAt_.count(address) > 0; }
  std::map<int, QByteArray> answered_;  // the reply line of each that answered at once
  std::set<int> again_;                  // heard late, or garbled under its own address: read in full
  std::set<int> unnamed_;                // may own bytes that named no address

 private:
  // The address after "$US" of a line that is a settings reply of the scan.
  std::optional<int> Named(QByteArrayView line) const {
    if (!line.startsWith("$US") || line.size() < 6) return std::nullopt;
    const QByteArrayView digits = line.sliced(3, 3);
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) return std::nullopt;
    const int address = digits.toInt();
    return asked_.count(address) ? std::optional<int>(address) : std::nullopt;
  }

  ExchangeEnv& env_;
  const std::set<int>& asked_;
  const ScanOptions& options_;
  bool ownNoise_;
  std::map<int, qint64> sentAt_;
  qint64 slowestUs_ = 0;
};

}  // namespace

int ScanWaitMs(LinkKind kind, int baud, qint64 slowestReplyUs) {
  const int base = kind == LinkKind::Serial && baud > 0 ? (9 * 11 * 1000 + baud - 1) / baud + kReaderAndAdapterMs
                                                        : kConverterMs;
  const qint64 seen = (2 * slowestReplyUs + 999) / 1000;
  return static_cast<int>(std::min<qint64>(std::max<qint64>(base, seen), FullWaitMs(kind)));
}

LineScan ScanLine(ExchangeEnv& env, const std::vector<int>& addresses, const ScanOptions& options) {
  LineScan scan;
  auto probe = [&](int address, const QByteArray& heard = {}) {
    const ProbedReader p = ProbeReader(env, address, heard);
    if (p.present) scan.readers.push_back({address, p});
  };
  if (options.fullWait) {
    for (const int address : addresses) {
      if (options.cancelled && options.cancelled()) return scan.stoppedAt = address, scan;
      if (options.asking) options.asking(address, static_cast<int>(scan.readers.size()));
      probe(address);
    }
    return scan;
  }
  const std::set<int> asked(addresses.begin(), addresses.end());
  FirstPass first(env, asked, options);
  const std::vector<DeviceId> ids(addresses.begin(), addresses.end());
  auto cancelled = [&] { return options.cancelled && options.cancelled(); };
  const StreamEnd end = SweepExchange(env, Cmd::ReadSettings, ids, FullWaitMs(env.link.kind()), first, cancelled);
  // Its clean first reply is the first of an answering reader's two reads.
  std::map<int, QByteArray> again = first.answered_;
  if (end == StreamEnd::Cancelled) {
    // Stopping is quick: of the addresses asked, only the readers that
    // answered at once are read in full; the rest are named as not asked.
    const auto notAsked = std::find_if(addresses.begin(), addresses.end(), [&](int a) { return !first.wasSent(a); });
    if (notAsked != addresses.end()) scan.stoppedAt = *notAsked;
  } else {
    for (const int address : first.again_) again[address] = {};
    // Bytes that named no address are looked into once more, quickly: each
    // address that may own them is asked again, and what it does then (a
    // reply, a late one, garbled bytes while it is awaited) sends it to the
    // full reads; garbled bytes outside any wait again send every one.
    std::set<int> looked;
    for (const int address : first.unnamed_)
      if (!again.count(address)) looked.insert(address);
    if (!looked.empty()) {
      const ScanOptions quiet;  // the second look says nothing of its progress
      FirstPass second(env, looked, quiet, true);
      SweepExchange(env, Cmd::ReadSettings, std::vector<DeviceId>(looked.begin(), looked.end()),
                    FullWaitMs(env.link.kind()), second, cancelled);
      for (const auto& [address, heard] : second.answered_) again[address] = heard;
      for (const int address : second.again_) again.try_emplace(address);
      for (const int address : second.unnamed_) again.try_emplace(address);
    }
  }
  for (const auto& [address, heard] : again) probe(address, heard);
  return scan;
}

}  // namespace tessaro
