#include "run.h"

#include <algorithm>
#include <memory>

#include "devicelinks.h"
#include "help.h"
#include "linefile.h"
#include "scan.h"
#include "job.h"
#include "trace.h"

namespace tessaro::cli {

namespace {

class Runner {
 public:
  Runner(const Options& o, Console& c) : o_(o), c_(c), job_{o, c}, links_(c.pump, c.clock) {
    links_.setGapMs(o.gapMs);
    c_.onInterrupt = [this] { job_.say(job_.interruptions() > 1 ? job_.secondStop : job_.firstStop); };
  }
  ~Runner() { c_.onInterrupt = nullptr; }
  int run();

 private:
  bool prepare();  // checks every input before any reader is touched
  Link* openLink();
  std::vector<ReaderRow> scanned();
  std::vector<ReaderRow> listed();
  std::optional<ReaderRow> ask(OnReader routine, int id) {
    ExchangeEnv env = links_.env(*link_);
    return routine(job_, env, id);
  }
  // The command on one listed reader, once its model is known where the command needs it.
  std::optional<ReaderRow> askListed(int id);

  const Options& o_;
  const Command& command_ = *o_.command;
  Console& c_;
  Job job_;
  DeviceLinks links_;
  std::unique_ptr<TraceFile> trace_;
  std::unique_ptr<TracingLink> traced_;
  Link* link_ = nullptr;
};

bool Runner::prepare() {
  auto usage = [this](const QString& why) {
    c_.err << "tessaro-cli: " << why << Qt::endl;
    return false;
  };
  // What a given model cannot do is refused first, before a log or a trace file is made.
  for (const DeviceModel model : o_.models.named())
    if (const QString refusal = Refusal(command_, model); !refusal.isEmpty()) return usage(refusal);
  // Where no model that can is told by its reply alone, every reader's model must be given.
  if (command_.needs && ModelsToldByReplyThatCan(*command_.needs).empty()) {
    const bool everyGiven = o_.models.rest || (o_.ids && std::all_of(o_.ids->begin(), o_.ids->end(), [this](int id) {
                                                 return o_.models.byAddress.count(id) > 0;
                                               }));
    if (!everyGiven)
      return usage(QStringLiteral("%1 needs the readers' model (--model): %2, and a settings reply does not tell them "
                                  "from other models")
                       .arg(QLatin1String(command_.name), ModelNames(ModelsThatCan(*command_.needs))));
  }
  // The store before the command's own input: a store refused leaves no log file made.
  if (QString why; command_.store && !OpenStore(job_, &why)) return usage(why);
  if (QString why; command_.prepare && !command_.prepare(job_, &why)) return usage(why);
  if (!o_.trace.isEmpty()) {
    trace_ = std::make_unique<TraceFile>();
    if (QString why; !trace_->open(o_.trace, &why))
      return usage(QStringLiteral("cannot write the trace %1: %2").arg(o_.trace, why));
  }
  return true;
}

Link* Runner::openLink() {
  ConnectionSettings s;
  s.tcp = !o_.tcpHost.isEmpty();
  s.host = o_.tcpHost;
  s.tcpPort = o_.tcpPort;
  s.serialPort = o_.serialDevice.isEmpty() ? o_.portNumber : 1;
  s.serialLine = {o_.baud, o_.parity};
  if (!o_.serialDevice.isEmpty()) links_.serial().setPortResolver([d = o_.serialDevice](int) { return d; });
  else if (c_.portResolver) links_.serial().setPortResolver(c_.portResolver);
  // The store keeps a pull's records under the line's name, as the window does.
  job_.line = qEnvironmentVariable("TESSARO_LINE");
  if (job_.line.isEmpty())
    job_.line = s.tcp ? QStringLiteral("%1:%2").arg(s.host).arg(s.tcpPort) : links_.serial().deviceName(s.serialPort);
  job_.linkText = LinkText(s.tcp, s.host, s.tcpPort, links_.serial().deviceName(s.serialPort));
  Link* link = links_.open(s);
  if (!link || !trace_) return link;
  traced_ = std::make_unique<TracingLink>(*link, trace_.get(), c_.clock, c_.clock.nowMs());
  return traced_.get();
}

// A scanned command: a row for each address that answers, until Ctrl-C.
std::vector<ReaderRow> Runner::scanned() {
  ExchangeEnv env = links_.env(*link_);
  const LineScan scan = ScanLine(env, job_.addresses, job_.scanOptions(static_cast<qint64>(job_.addresses.size())));
  std::vector<ReaderRow> rows;
  for (const ScannedReader& r : scan.readers) rows.push_back(ScanRow(job_, r.address, r.probe));
  // A scan cut short must not read as a line without those readers.
  if (scan.stoppedAt)
    rows.push_back(Failed(*scan.stoppedAt, QStringLiteral("stopped"), QStringLiteral("not scanned from here on: stopped by the user")));
  return rows;
}

// A listed command: the readers of --id, or those a scan of the line finds
// (with a row for each collision); after Ctrl-C the rest are marked stopped.
std::vector<ReaderRow> Runner::listed() {
  std::vector<ReaderRow> rows;
  job_.addresses = o_.ids.value_or(std::vector<int>{});
  if (!o_.ids) {
    ExchangeEnv env = links_.env(*link_);
    for (const ScannedReader& found : ScanLine(env, EveryAddress(), job_.scanOptions(255)).readers) {
      const ReaderRow r = ScanRow(job_, found.address, found.probe);
      if (r.failed()) rows.push_back(r);
      else job_.addresses.push_back(found.address);
    }
  }
  const std::vector<int>& ids = job_.addresses;
  for (size_t i = 0; i < ids.size(); ++i) {
    if (job_.interrupted()) {
      rows.push_back(Failed(ids[i], QStringLiteral("stopped"), QStringLiteral("not done: stopped by the user")));
      continue;
    }
    job_.progress.within(QStringLiteral("reader %1 of %2 (address %3)").arg(i + 1).arg(ids.size()).arg(ids[i]));
    if (std::optional<ReaderRow> r = askListed(ids[i])) rows.push_back(*r);
  }
  return rows;
}

std::optional<ReaderRow> Runner::askListed(int id) {
  if (command_.needs) {
    ExchangeEnv env = links_.env(*link_);
    if (std::optional<ReaderRow> unknown = KnowModel(job_, env, id)) return unknown;
    const DeviceModel model = job_.model(id).model();
    if (const QString refusal = Refusal(command_, model); !refusal.isEmpty())
      return Failed(id, QStringLiteral("not on model"), refusal);
  }
  return ask(command_.onReader, id);
}

int Runner::run() {
  if (!prepare()) return kUsage;
  if (command_.offline) return command_.offline(job_);
  link_ = openLink();
  // The device a port number stands for, named: the user may not know it.
  const QString device = o_.portNumber ? links_.serial().deviceName(o_.portNumber) : QString();
  if (!link_) {
    c_.err << "tessaro-cli: cannot open the link (" << o_.linkName() << (device.isEmpty() ? "" : ", ") << device
           << "): " << LinkFaultText(links_.lastFault(), links_.lastFaultDetail()) << Qt::endl;
    return kNoLink;
  }
  if (!device.isEmpty() && c_.progress) job_.say(QStringLiteral("%1 is %2").arg(o_.linkName(), device));
  ExchangeEnv env = links_.env(*link_);
  const std::vector<ReaderRow> rows = command_.addresses == Addresses::Line      ? command_.onLine(job_, env)
                                      : command_.addresses == Addresses::Scanned ? scanned()
                                                                                 : listed();
  job_.progress.clear();
  bool anyFailed = false, noneStarted = !rows.empty();
  for (const ReaderRow& r : rows) {
    if (!r.error.isEmpty()) c_.err << "tessaro-cli: " << r.error << Qt::endl;
    anyFailed = anyFailed || r.failed();
    noneStarted = noneStarted && r.status == Status(Why::ModelUnknown);
  }
  WriteRows(c_.out, o_.format, QLatin1String(command_.name), rows);
  c_.out.flush();
  if (!o_.ids && rows.empty()) {
    c_.err << "tessaro-cli: no reader answered on the line" << Qt::endl;
    return kSomeFailed;
  }
  // Not one reader could start without its model: as a usage error, nothing was written.
  return noneStarted ? kUsage : anyFailed ? kSomeFailed : kDone;
}

}  // namespace

int RunCli(const QStringList& args, Console& console) {
  if (args == QStringList{QStringLiteral("--version")}) {
    console.out << "tessaro-cli " TESSARO_VERSION << Qt::endl;
    return kDone;
  }
  QString error;
  const std::optional<Options> options = ParseOptions(args, &error);
  if (!options) {
    console.err << "tessaro-cli: " << error << "\nTry 'tessaro-cli --help'." << Qt::endl;
    return kUsage;
  }
  if (options->help) {
    console.out << HelpText(options->command ? QLatin1String(options->command->name) : QString());
    console.out.flush();
    return kDone;
  }
  return Runner(*options, console).run();
}

}  // namespace tessaro::cli
