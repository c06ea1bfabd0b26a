#include "run.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QMap>
#include <QSet>
#include <algorithm>
#include <memory>

#include "accesslog.h"
#include "cardfile.h"
#include "cards.h"
#include "clock.h"
#include "devicelinks.h"
#include "help.h"
#include "options.h"
#include "output.h"
#include "readers.h"
#include "records.h"
#include "settings.h"
#include "trace.h"

namespace tessaro::cli {

namespace {

// The core's verdict as a status word of the output.
QString Status(Why why) {
  switch (why) {
    case Why::Done: return QStringLiteral("ok");
    case Why::TimedOut: return QStringLiteral("time-out");
    case Why::Collision: return QStringLiteral("collision");
    case Why::LogFailed: return QStringLiteral("log error");
    case Why::Stopped: return QStringLiteral("stopped");
    case Why::BadReply:
    case Why::NotTaken:
    case Why::Incomplete:
    case Why::EraseFailed: break;
  }
  return QStringLiteral("bad reply");
}

QString Reason(Outcome outcome) { return Status(WhyOf(outcome)); }

QString Iso(const QDateTime& t) { return t.toString(Qt::ISODate); }

const char* RecordTypeName(int recordType) { return recordType == 1 ? "entry" : "exit"; }

QString RunModeName(RunMode mode) {
  static const char* const names[] = {"stand-alone", "online", "read-only"};
  return QLatin1String(names[static_cast<int>(mode)]);
}

// The settings fields a user names, applied to the form the window would show.
bool ApplyField(SettingsForm& form, const QString& name, const QString& value) {
  const QString v = value.trimmed().toLower();
  auto choose = [&v](std::initializer_list<const char*> words, auto apply) {
    int i = 0;
    for (const char* w : words) {
      if (v == QLatin1String(w)) return apply(i), true;
      ++i;
    }
    return false;
  };
  if (name == "new_id") return form.newId = value, true;
  if (name == "relay_time") return form.relayTime = value, true;
  if (name == "master_card") return form.masterCard = value, true;
  if (name == "trigger_time") return form.triggerTime = value, true;
  if (name == "record_type") return choose({"entry", "exit"}, [&](int i) { form.entry = i == 0; });
  if (name == "run_mode")
    return choose({"stand-alone", "online", "read-only"}, [&](int i) { form.runMode = static_cast<RunMode>(i); });
  if (name == "epc_start_word") return choose({"4", "6"}, [&](int i) { form.epcStartWord = i; });
  if (name == "wiegand_type") return choose({"26", "34"}, [&](int i) { form.wiegandType = i; });
  if (name == "vehicle_detector") return choose({"off", "on"}, [&](int i) { form.vehicleDetector = i == 1; });
  return false;
}

// By SettingsField; the current address is the reader's own, never named.
const char* const kFieldNames[] = {"", "new_id", "relay_time", "master_card", "trigger_time"};

class Runner {
 public:
  Runner(const Options& o, Console& c) : o_(o), c_(c), links_(c.pump, c.clock) { links_.setGapMs(o.gapMs); }
  int run();

 private:
  bool prepare();  // checks every input before any reader is touched
  Link* openLink();
  std::vector<int> scanIds(std::vector<ReaderRow>* collisions);
  ReaderRow onReader(int id);
  ReaderRow scanRow(int id);
  ReaderRow settingsRow(int id, bool write);
  ReaderRow clockRow(int id);
  ReaderRow cardsRow(int id);
  ReaderRow recordsRow(int id);
  bool interrupted() const { return c_.interrupted && c_.interrupted->load(); }
  void progress(const QString& text) {
    if (c_.progress) c_.err << text << Qt::endl;
  }
  ReaderRow failed(int id, const QString& status, const QString& why) {
    ReaderRow r{id, status, QStringLiteral("reader %1: %2").arg(id).arg(why)};
    return r;
  }

  const Options& o_;
  Console& c_;
  DeviceLinks links_;
  std::unique_ptr<TraceFile> trace_;
  std::unique_ptr<TracingLink> traced_;
  Link* link_ = nullptr;
  std::vector<std::pair<QString, QString>> fields_;  // of "settings set", as named
  std::vector<qint32> fileCards_;
  std::unique_ptr<AccessLog> log_;
};

bool Runner::prepare() {
  auto usage = [this](const QString& why) {
    c_.err << "tessaro-cli: " << why << Qt::endl;
    return false;
  };
  if (o_.command == "settings set") {
    // The named values as the window checks them, beside valid ones for the rest.
    // Online, so that a named relay time is checked whatever the reader's run mode.
    SettingsForm probe{
        .oldId = "1", .newId = "1", .relayTime = "1", .masterCard = "0", .triggerTime = "5", .runMode = RunMode::Online};
    for (const QString& op : o_.operands) {
      const qsizetype eq = op.indexOf(u'=');
      const QString name = op.left(eq).trimmed();
      if (eq < 0 || !ApplyField(probe, name, op.mid(eq + 1)))
        return usage(QStringLiteral("'%1' is not FIELD=VALUE with a known field and value").arg(op));
      fields_.emplace_back(name, op.mid(eq + 1));
    }
    const bool newId = std::any_of(fields_.begin(), fields_.end(), [](const auto& f) { return f.first == "new_id"; });
    if (newId && (o_.allIds || o_.ids.size() != 1))
      return usage(QStringLiteral("new_id gives one reader a new address: give one --id"));
    if (probe.runMode == RunMode::ReadOnly && !Facts(o_.model).readOnlyMode)
      return usage(QStringLiteral("%1 has no read-only run mode").arg(QLatin1String(Facts(o_.model).name)));
    if (const SettingsCheck check = CheckSettingsForm(probe, o_.model); check.invalid)
      return usage(
          QStringLiteral("invalid value for %1").arg(QLatin1String(kFieldNames[static_cast<int>(*check.invalid)])));
  }
  if (o_.command == "cards push" || o_.command == "cards diff") {
    const std::optional<QStringList> entries = ReadCardFile(o_.operands[0]);
    if (!entries) return usage(QStringLiteral("cannot read the card file %1").arg(o_.operands[0]));
    for (qsizetype i = 0; i < entries->size(); ++i) {
      const std::optional<qint32> card = CardNumberFromText(entries->at(i));
      if (!card)
        return usage(
            QStringLiteral("%1 line %2: '%3' is not a card number").arg(o_.operands[0]).arg(i + 1).arg(entries->at(i)));
      fileCards_.push_back(*card);
    }
  }
  if (o_.command == "clock set" && o_.time != "now" && !QDateTime::fromString(o_.time, Qt::ISODate).isValid())
    return usage(QStringLiteral("--time: '%1' is not an ISO-8601 time such as 2026-12-05T14:03:09").arg(o_.time));
  if (o_.command == "records pull") {
    QFile f(o_.log);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
      return usage(QStringLiteral("cannot write the log %1").arg(o_.log));
    log_ = std::make_unique<AccessLog>(QFileInfo(f).absoluteFilePath());
  }
  if (!o_.trace.isEmpty()) {
    trace_ = std::make_unique<TraceFile>();
    QString why;
    if (!trace_->open(o_.trace, &why)) return usage(QStringLiteral("cannot write the trace %1: %2").arg(o_.trace, why));
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
  Link* link = links_.open(s);
  if (!link || !trace_) return link;
  traced_ = std::make_unique<TracingLink>(*link, trace_.get(), c_.clock, c_.clock.nowMs());
  return traced_.get();
}

int Runner::run() {
  if (!prepare()) return kUsage;
  link_ = openLink();
  if (!link_) {
    c_.err << "tessaro-cli: cannot open the link ("
           << (o_.tcpHost.isEmpty()
                   ? o_.serialDevice.isEmpty() ? QStringLiteral("port %1").arg(o_.portNumber) : o_.serialDevice
                   : QStringLiteral("%1:%2").arg(o_.tcpHost).arg(o_.tcpPort))
           << ")" << Qt::endl;
    return kNoLink;
  }
  std::vector<ReaderRow> rows;
  std::vector<int> ids = o_.ids;
  if (o_.command == "scan") {
    for (int id = o_.from; id <= o_.to && !interrupted(); ++id) {
      progress(QStringLiteral("scanning %1").arg(id));
      ReaderRow r = scanRow(id);
      if (r.address >= 0) rows.push_back(r);
    }
  } else {
    if (o_.allIds) ids = scanIds(&rows);
    for (size_t i = 0; i < ids.size(); ++i) {
      if (interrupted()) {
        rows.push_back(failed(ids[i], QStringLiteral("stopped"), QStringLiteral("not done: stopped by the user")));
        continue;
      }
      progress(QStringLiteral("reader %1 of %2 (address %3)").arg(i + 1).arg(ids.size()).arg(ids[i]));
      rows.push_back(onReader(ids[i]));
    }
  }
  bool anyFailed = false;
  for (const ReaderRow& r : rows) {
    if (!r.error.isEmpty()) c_.err << "tessaro-cli: " << r.error << Qt::endl;
    anyFailed = anyFailed || r.failed();
  }
  WriteRows(c_.out, o_.format, o_.command, rows);
  c_.out.flush();
  if (o_.allIds && rows.empty()) {
    c_.err << "tessaro-cli: no reader answered on the line" << Qt::endl;
    return kSomeFailed;
  }
  return anyFailed ? kSomeFailed : kDone;
}

std::vector<int> Runner::scanIds(std::vector<ReaderRow>* collisions) {
  std::vector<int> ids;
  for (int id = 1; id <= 255 && !interrupted(); ++id) {
    progress(QStringLiteral("scanning %1").arg(id));
    const ReaderRow r = scanRow(id);
    if (r.address < 0) continue;
    if (r.failed()) collisions->push_back(r);
    else ids.push_back(id);
  }
  return ids;
}

ReaderRow Runner::scanRow(int id) {
  ExchangeEnv env = links_.env(*link_);
  const ProbedReader p = ProbeReader(env, id, o_.model);
  if (!p.present) return ReaderRow{-1};
  QJsonArray names;
  for (DeviceModel m : p.models) names.append(QLatin1String(Facts(m).name));
  if (!p.ok())
    return failed(id, Status(p.why()), QStringLiteral("garbled or differing replies: two readers on one address?"))
        .set("models", names);
  const ReceivedSettings& s = *p.settings;
  ReaderRow r{id};
  r.set("models", names).set("relay_time", static_cast<double>(s.relayTime)).set("record_type", RecordTypeName(s.recordType));
  if (s.runMode) r.set("run_mode", RunModeName(*s.runMode));
  return r.set("master_card", s.masterCard ? QString::number(*s.masterCard) : QString());
}

ReaderRow Runner::onReader(int id) {
  const QString& c = o_.command;
  if (c.startsWith("settings")) return settingsRow(id, c == "settings set");
  if (c.startsWith("clock")) return clockRow(id);
  if (c.startsWith("cards")) return cardsRow(id);
  return recordsRow(id);
}

ReaderRow Runner::settingsRow(int id, bool write) {
  ExchangeEnv env = links_.env(*link_);
  const SettingsRead read = ReadSettings(env, id, o_.model);
  if (read.outcome != Outcome::Ok)
    return failed(id, Reason(read.outcome), QStringLiteral("no settings read (%1)").arg(Reason(read.outcome)));
  const ReceivedSettings s = InterpretSettings(read.reply, o_.model);
  SettingsForm form{.oldId = QString::number(id),
                    .newId = QString::number(s.address),
                    .relayTime = QString::number(s.relayTime),
                    .masterCard = s.masterCard ? QString::number(*s.masterCard) : QString(),
                    .triggerTime = QString::number(s.triggerTime.value_or(5)),
                    .entry = s.recordType == 1,
                    .runMode = s.runMode.value_or(RunMode::StandAlone),
                    .epcStartWord = s.epcStartWord.value_or(0),
                    .wiegandType = s.wiegandType.value_or(0),
                    .vehicleDetector = s.vehicleDetector.value_or(false)};
  int address = id;
  if (write) {
    for (const auto& [name, value] : fields_) ApplyField(form, name, value);
    const SettingsCheck check = CheckSettingsForm(form, o_.model);
    if (check.invalid)
      return failed(
          id, QStringLiteral("invalid value"),
          QStringLiteral("its %1 cannot be sent").arg(QLatin1String(kFieldNames[static_cast<int>(*check.invalid)])));
    const Outcome outcome = WriteSettings(env, check.record);
    if (outcome != Outcome::Ok)
      return failed(id, Reason(outcome), QStringLiteral("settings not written (%1)").arg(Reason(outcome)));
    address = check.record.newId.value();
    form.runMode = static_cast<RunMode>(check.record.runMode);
    form.relayTime = QString::number(check.record.relayTime);
  }
  ReaderRow r{id};
  r.set("new_id", write ? address : static_cast<int>(s.address)).set("relay_time", form.relayTime.toInt());
  r.set("record_type", form.entry ? "entry" : "exit").set("run_mode", RunModeName(form.runMode));
  r.set("master_card", form.masterCard);
  if (Facts(o_.model).layout != SettingsLayout::Basic)
    r.set("epc_start_word", form.epcStartWord ? 6 : 4).set("wiegand_type", form.wiegandType ? 34 : 26);
  if (Facts(o_.model).layout == SettingsLayout::WiegandAndDetector)
    r.set("vehicle_detector", form.vehicleDetector).set("trigger_time", form.triggerTime.toInt());
  return r;
}

ReaderRow Runner::clockRow(int id) {
  ExchangeEnv env = links_.env(*link_);
  const DeviceId address = id;
  if (o_.command == "clock set") {
    const QDateTime fixed = QDateTime::fromString(o_.time, Qt::ISODate);
    QDateTime sent;
    const Outcome outcome = SetClock(env, address, [&] { return sent = fixed.isValid() ? fixed : c_.now(); });
    if (outcome != Outcome::Ok)
      return failed(id, Reason(outcome), QStringLiteral("clock not set (%1)").arg(Reason(outcome)));
    return ReaderRow{id}.set("set_to", Iso(sent));
  }
  const ClockSync sync = o_.command == "clock get" ? ClockSync{ReadDrift(env, address, c_.now)}
                                                   : SyncClock(env, address, o_.maxDrift, c_.now);
  if (!sync.before.ok())
    return failed(id, Status(sync.before.why()), QStringLiteral("clock not read (%1)").arg(Status(sync.before.why())));
  ReaderRow r{id};
  r.set("reader_time", Iso(sync.before.readerTime)).set("drift_s", static_cast<double>(sync.before.seconds));
  if (o_.command == "clock get") return r;
  r.set("set", sync.set);
  if (sync.after) r.set("drift_after_s", static_cast<double>(sync.after->seconds));
  if (!sync.ok()) {
    r.status = Status(sync.why());
    r.error = QStringLiteral("reader %1: its clock did not take the time").arg(id);
  }
  return r;
}

ReaderRow Runner::cardsRow(int id) {
  ExchangeEnv env = links_.env(*link_);
  const DeviceId address = id;
  if (o_.command == "cards erase") {
    const Outcome outcome = EraseCards(env, address);
    if (outcome != Outcome::Ok)
      return failed(id, Reason(outcome), QStringLiteral("cards not erased (%1)").arg(Reason(outcome)));
    return ReaderRow{id}.set("erased", true);
  }
  if (o_.command == "cards push") {
    const CardPush p = PushCards(env, address, fileCards_, o_.eraseFirst, [this] { return interrupted(); });
    if (p.why() == Why::Stopped)
      return failed(id, Status(p.why()), QStringLiteral("stopped by the user after %1 cards").arg(p.sent))
          .set("sent", p.sent);
    if (!p.ok()) {
      const QString what = p.eraseFailed
                               ? QStringLiteral("cards not erased")
                               : QStringLiteral("card %1 not accepted").arg(fileCards_[static_cast<size_t>(p.sent)]);
      return failed(id, Status(p.why()), QStringLiteral("%1 (%2)").arg(what, Status(p.why()))).set("sent", p.sent);
    }
    return ReaderRow{id}.set("sent", p.sent);
  }
  std::vector<qint32> cards;
  const CardsRead read = ReadCards(env, address, [&](const std::vector<qint32>& got) {
    cards.insert(cards.end(), got.begin(), got.end());
    progress(QStringLiteral("address %1: %2 cards").arg(id).arg(cards.size()));
  });
  if (read.end == StreamEnd::Silence)
    return failed(id, QStringLiteral("time-out"), QStringLiteral("the card list did not come to its end"));
  if (o_.command == "cards pull") {
    QString file = o_.out.isEmpty() ? QStringLiteral("cards-%1.txt").arg(id) : o_.out;
    if (!o_.out.isEmpty() && (o_.allIds || o_.ids.size() > 1)) {
      const QFileInfo info(o_.out);
      file = info.path() + u'/' + info.completeBaseName() + QStringLiteral("-%1").arg(id) +
             (info.suffix().isEmpty() ? QString() : u'.' + info.suffix());
    }
    QStringList texts;
    for (qint32 c : cards) texts << QString::number(c);
    if (!WriteCardFile(file, texts))
      return failed(id, QStringLiteral("file error"), QStringLiteral("cannot write %1").arg(file));
    return ReaderRow{id}.set("cards", static_cast<int>(cards.size())).set("file", file);
  }
  QSet<qint32> onReader(cards.begin(), cards.end()), inFile(fileCards_.begin(), fileCards_.end());
  auto list = [](QSet<qint32> set) {
    QList<qint32> sorted(set.begin(), set.end());
    std::sort(sorted.begin(), sorted.end(), [](qint32 a, qint32 b) { return quint32(a) < quint32(b); });
    QJsonArray out;
    for (qint32 c : sorted) out.append(QString::number(c));
    return out;
  };
  return ReaderRow{id}.set("only_on_reader", list(onReader - inFile)).set("only_in_file", list(inFile - onReader));
}

ReaderRow Runner::recordsRow(int id) {
  ExchangeEnv env = links_.env(*link_);
  const DeviceId address = id;
  if (o_.command == "records count") {
    Outcome outcome = Outcome::NoReply;
    const std::optional<int> count = ReadRecordCount(env, address, &outcome);
    if (!count) return failed(id, Reason(outcome), QStringLiteral("no record count (%1)").arg(Reason(outcome)));
    return ReaderRow{id}.set("records", *count);
  }
  // The record type is the reader's own, from its settings.
  const ReaderPull rp = PullReaderRecords(env, address, o_.model, *log_, o_.erase, [this] { return interrupted(); });
  if (rp.settings != Outcome::Ok)
    return failed(id, Status(rp.why()), QStringLiteral("no settings read for the record type (%1)").arg(Status(rp.why())));
  const Pull& pull = rp.pull;
  ReaderRow r{id};
  r.set("records", pull.records).set("record_type", RecordTypeName(rp.recordType)).set("erased", pull.end == PullEnd::Erased);
  if (rp.ok()) return r;
  r.status = Status(rp.why());
  QString why;
  switch (rp.why()) {
    case Why::TimedOut: why = QStringLiteral("its records did not come"); break;
    case Why::LogFailed: why = QStringLiteral("not every line reached %1; its memory was not erased").arg(log_->path()); break;
    case Why::Incomplete:
      why = QStringLiteral("the download did not end on the end-of-records frame; its memory was not erased");
      break;
    case Why::EraseFailed: why = QStringLiteral("its records are logged, but the erase was not confirmed"); break;
    default: why = QStringLiteral("its records are logged; stopped by the user before the erase"); break;
  }
  r.error = QStringLiteral("reader %1: %2").arg(id).arg(why);
  return r;
}

}  // namespace

int RunCli(const QStringList& args, Console& console) {
  QString error;
  const std::optional<Options> options = ParseOptions(args, &error);
  if (!options) {
    console.err << "tessaro-cli: " << error << "\nTry 'tessaro-cli --help'." << Qt::endl;
    return kUsage;
  }
  if (options->help) {
    console.out << HelpText(options->command);
    console.out.flush();
    return kDone;
  }
  return Runner(*options, console).run();
}

}  // namespace tessaro::cli
