#include "access.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QThread>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "devicelinks.h"
#include "eventpump.h"
#include "sitefile.h"

namespace tessaro {

namespace {

// How often a line's lock is refreshed while its line works, well within its lease.
constexpr int kLockBeatMs = 15000;
// A reader may still be answering a program stopped before this one: streaming
// its card list (half a minute for 5000 cards at 38400 baud) or erasing its
// memory (up to 25 s, then its reply). A line's first request waits until the
// line has been quiet a while; the first reader of a line that does not answer
// as asked is asked once more, after the time an erase may take.
constexpr int kQuietMs = 300, kQuietBoundMs = 60000, kEraseMs = 25000;

LineEntry EntryOf(const AccessDoor& door, const WantedList& wanted) {
  LineEntry e;
  e.address = door.address;
  e.model = door.model;
  e.cards = wanted.cards;
  return e;
}

// What the lines' threads and the calling one share.
struct Shared {
  std::mutex m;
  std::condition_variable cv;
  int planned = 0, finished = 0;
  int decision = 0;  // 1 write, -1 not
  QEventLoop loop;   // the calling thread waits in it
  void tell(int& counter) {
    {
      const std::lock_guard<std::mutex> lk(m);
      ++counter;
    }
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  }
  // Waits on the calling thread, its events served meanwhile (a reader simulated in-process, a window).
  void waitUntil(const int& counter, int value) {
    for (;;) {
      {
        const std::lock_guard<std::mutex> lk(m);
        if (counter >= value) return;
      }
      loop.exec();
    }
  }
};

QJsonObject PlanJson(const DoorPlan& p) {
  QJsonArray remove;
  for (const quint32 c : p.reader.remove) remove.append(static_cast<double>(c));
  const bool erase = p.reader.cards == CardsPlan::Replace || p.reader.cards == CardsPlan::SendWhole;
  return {{"erase", erase}, {"send", static_cast<int>(p.reader.add.size())}, {"remove", remove}};
}

// Reads and discards until `atLeastMs` have passed and the line has been quiet
// for kQuietMs, at most kQuietBoundMs.
void FallQuiet(ExchangeEnv& env, int atLeastMs, const std::function<bool()>& stopped) {
  const Deadline least(env.clock, atLeastMs), bound(env.clock, kQuietBoundMs);
  Deadline quiet(env.clock, kQuietMs);
  while (!(least.passed() && quiet.passed()) && !bound.passed() && !stopped()) {
    env.pump.waitForActivity(std::min(std::max(quiet.remainingUs(), least.remainingUs()), bound.remainingUs()));
    if (env.link.available() > 0) {
      env.link.readAll();
      quiet.renew();
      env.pace.lastBusyUs = env.clock.nowUs();
    }
  }
}

void RunLine(const LineWork& work, const SiteOptions& o, Shared& shared, LineOutcome& out) {
  bool planned = false;
  const auto plannedNow = [&] {
    if (!planned) shared.tell(shared.planned);
    planned = true;
  };
  out.line = work.line;
  for (const auto& [door, wanted] : work.doors) out.doors.push_back({DoorPlan{door, wanted, {}}});
  QtMessagePump pump;
  SteadyClock clock;
  StoreOpen opened = RecordStore::open(o.store);
  if (!opened.store) {
    out.end = LineEnd::StoreFailed;
    out.storeError = opened.detail;
    return plannedNow();
  }
  RecordStore& store = *opened.store;
  LineLock lock(store, work.line.name);
  const auto userStopped = [&] { return o.stopped && o.stopped(); };
  for (bool told = false;;) {
    LockHolder holder;
    const LineLock::Try t = lock.tryTake(&holder);
    if (t == LineLock::Try::Taken) break;
    if (t == LineLock::Try::Failed || userStopped()) {
      if (t == LineLock::Try::Failed) out.end = LineEnd::StoreFailed, out.storeError = store.lastError();
      return plannedNow();
    }
    if (!told && o.waiting) o.waiting(work.line.name, holder);
    told = true;
    Pause(pump, clock, 1000);
  }
  DeviceLinks links(pump, clock);
  links.setGapMs(o.gapMs);
  const std::optional<LineLink> link = ParseLinkText(work.line.link);
  if (link && !link->device.isEmpty()) links.serial().setPortResolver([d = link->device](int) { return d; });
  Link* linkOpened = link ? links.open(link->settings) : nullptr;
  if (!linkOpened) {
    out.end = LineEnd::NoLink;
    return plannedNow();
  }
  ExchangeEnv env = links.env(*linkOpened);
  qint64 beat = clock.nowMs();
  bool lockLost = false;
  const auto lost = [&] {
    if (clock.nowMs() - beat >= kLockBeatMs) {
      beat = clock.nowMs();
      lockLost = lockLost || !lock.refresh();
    }
    return lockLost;
  };
  const auto stopped = [&] { return lost() || userStopped(); };
  FallQuiet(env, 0, stopped);
  bool askedAgain = false;
  for (DoorOutcome& d : out.doors) {
    if (stopped()) break;
    if (o.progress) o.progress(work.line.name, d.plan.door, false);
    d.plan = PlanDoor(env, d.plan.door, d.plan.wanted, o.sendUnreadable);
    const Why read = d.plan.reader.read;
    if (!askedAgain && (read == Why::TimedOut || read == Why::BadReply || read == Why::Collision)) {
      askedAgain = true;
      FallQuiet(env, kEraseMs, stopped);
      if (!stopped()) d.plan = PlanDoor(env, d.plan.door, d.plan.wanted, o.sendUnreadable);
    }
    d.planned = true;
  }
  if (lockLost) out.end = LineEnd::LockLost;
  plannedNow();
  if (!o.apply || lockLost) return;
  {
    std::unique_lock<std::mutex> lk(shared.m);
    while (shared.decision == 0) {
      if (shared.cv.wait_for(lk, std::chrono::milliseconds(kLockBeatMs)) == std::cv_status::timeout) {
        lk.unlock();
        beat = clock.nowMs() - kLockBeatMs;
        lost();
        lk.lock();
      }
    }
    out.end = lockLost ? LineEnd::LockLost : shared.decision < 0 ? LineEnd::Declined : LineEnd::Done;
  }
  if (out.end != LineEnd::Done) return;
  int written = 0, failed = 0;
  for (DoorOutcome& d : out.doors) {
    if (!d.plan.writes()) continue;
    if (stopped()) break;
    if (o.progress) o.progress(work.line.name, d.plan.door, true);
    d.applied = ApplyDoor(env, d.plan, stopped);
    if (lockLost) out.end = LineEnd::LockLost;
    (d.applied->ok() ? written : failed) += 1;
    WriteAudit(
        store, o.actor, QStringLiteral("apply"), d.plan.door.shown(), PlanJson(d.plan),
        {{"ok", d.applied->ok()}, {"cards_sent", d.applied->cardsSent}, {"cards_erased", d.applied->cardsErased}});
  }
  WriteAudit(store, o.actor, QStringLiteral("apply"), QStringLiteral("line ") + work.line.name,
             {{"doors", static_cast<int>(out.doors.size())}}, {{"written", written}, {"failed", failed}});
  links.closeSerial();
}

}  // namespace

DoorPlan PlanDoor(ExchangeEnv& env, const AccessDoor& door, const WantedList& wanted, bool sendUnreadable) {
  DoorPlan p{door, wanted, {}};
  p.reader.address = door.address;
  p.reader.at = door.address;
  if (!p.overLimit()) p.reader = PlanReader(env, EntryOf(door, wanted), door.address, sendUnreadable);
  return p;
}

ReaderApply ApplyDoor(ExchangeEnv& env, const DoorPlan& plan, const std::function<bool()>& stopped) {
  return ApplyReader(env, EntryOf(plan.door, plan.wanted), plan.reader, stopped);
}

std::vector<LineWork> SiteWork(const AccessData& data, QDate day, const QStringList& only) {
  const std::map<qint64, WantedList> lists = WantedLists(data, day);
  std::vector<LineWork> work;
  for (const AccessLine& line : data.lines) {
    if (!only.isEmpty() && !only.contains(line.name)) continue;
    LineWork w{line, {}};
    for (const AccessDoor& d : data.doors)
      if (d.line == line.name) w.doors.emplace_back(d, lists.at(d.id));
    if (!w.doors.empty()) work.push_back(std::move(w));
  }
  return work;
}

std::vector<LineOutcome> RunSite(const std::vector<LineWork>& work, const SiteOptions& options) {
  std::vector<LineOutcome> outcomes(work.size());
  Shared shared;
  std::vector<std::unique_ptr<QThread>> threads;
  for (size_t i = 0; i < work.size(); ++i) {
    threads.emplace_back(QThread::create([&, i] {
      RunLine(work[i], options, shared, outcomes[i]);
      shared.tell(shared.finished);
    }));
    threads.back()->start();
  }
  const int lines = static_cast<int>(work.size());
  if (options.apply) {
    shared.waitUntil(shared.planned, lines);
    bool go = true;
    const bool writes = std::any_of(outcomes.begin(), outcomes.end(), [](const LineOutcome& l) {
      return std::any_of(l.doors.begin(), l.doors.end(), [](const DoorOutcome& d) { return d.plan.writes(); });
    });
    if (writes && options.confirm) go = options.confirm(outcomes);
    {
      const std::lock_guard<std::mutex> lk(shared.m);
      shared.decision = go ? 1 : -1;
    }
    shared.cv.notify_all();
  }
  shared.waitUntil(shared.finished, lines);
  for (const auto& t : threads) t->wait();
  return outcomes;
}

}  // namespace tessaro
