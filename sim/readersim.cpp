#include "readersim.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <map>
#include <random>
#include <set>

#include "simchannels.h"
#include "simpacer.h"
#include "simprotocol.h"
#include "simstate.h"

namespace tessaro::sim {

namespace {

constexpr int kPtyDropGraceMs = 100;
constexpr int kSaveDelayMs = 300;

QByteArray printable(const QByteArray& data) {
  QByteArray out;
  for (char ch : data) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (c == '\r') out += "<CR>";
    else if (c == '\n') out += "<LF>";
    else if (c < 32 || c >= 127) out += "<" + QByteArray::number(c, 16).rightJustified(2, '0').toUpper() + ">";
    else out += ch;
  }
  return out;
}

}  // namespace

struct ReaderSim::Impl {
  // A line with what the simulator keeps for it: the request being assembled
  // and the replies being sent. Lives as long as the line.
  struct Port {
    Port(Channel* ch, Pacer::Hooks hooks) : line(ch), pacer(*ch, std::move(hooks)) {}
    Channel* line;
    RequestAssembler assembler;
    Pacer pacer;
  };

  ReaderSim* q = nullptr;
  std::vector<SimReader> readers;
  std::map<QByteArray, Fault> faults;
  std::vector<QByteArray> requests;
  std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
  int eraseDelayMs = 2000;
  int baud = 0;
  Delivery delivery = Delivery::Usb;
  char parity = 'o';
  QString error;
  QTcpServer server;
  std::vector<std::unique_ptr<Port>> ports;
  PtyChannel* pty = nullptr;
  QString ptySymlink;
  QFile log;
  QString autoSavePath;
  QTimer saveTimer;

  Port* addChannel(Channel* ch) {
    Pacer::Hooks hooks;
    hooks.log = [this](const char* dir, const QByteArray& what) { logLine(dir, what); };
    hooks.dropped = [this, ch] { dropped(ch); };
    Port* port = ports.emplace_back(std::make_unique<Port>(ch, std::move(hooks))).get();
    port->pacer.setBaud(baud);
    port->pacer.setDelivery(delivery);
    QObject::connect(ch, &QObject::destroyed, q,
                     [this, ch] { std::erase_if(ports, [ch](const auto& p) { return p->line == ch; }); });
    return port;
  }

  void logLine(const char* dir, const QByteArray& data) {
    if (!log.isOpen()) return;
    const QByteArray stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz")).toLatin1();
    log.write(stamp + ' ' + dir + ' ' + printable(data) + '\n');
    log.flush();
  }

  SimReader* find(int id) {
    for (SimReader& r : readers)
      if (r.id == id) return &r;
    return nullptr;
  }

  Reply handle(SimReader& r, const Request& req) {
    return HandleRequest(r, req, now(), eraseDelayMs, [this, &r](int id) {
      const SimReader* other = find(id);
      return other && other != &r;
    });
  }

  Fault faultFor(const QByteArray& code) {
    for (const QByteArray& key : {code, QByteArray()}) {
      auto it = faults.find(key);
      if (it == faults.end()) continue;
      Fault f = it->second;
      if (f.once) faults.erase(it);
      return f;
    }
    return {};
  }

  void onData(Port& port, const QByteArray& data) {
    if (port.line->dropping) return;
    for (const QByteArray& f : port.assembler.feed(data)) handleFrame(port, f);
  }

  void handleFrame(Port& port, const QByteArray& frame) {
    requests.push_back(frame);
    logLine("<", frame);
    // A new request ends an endless reply, as a reader that starts over would.
    port.pacer.stopEndless();
    emit q->requestReceived(frame);
    const std::optional<Request> req = ParseRequest(frame);
    if (!req) return;
    std::vector<SimReader*> answering;
    for (SimReader& each : readers)
      if (each.id == req->address) answering.push_back(&each);
    if (answering.empty()) return;
    Reply reply = handle(*answering[0], *req);
    // Two readers on one address answer together; what reaches the line is
    // their replies laid over each other (see Collide).
    for (size_t i = 1; i < answering.size(); ++i) reply = Collide(reply, handle(*answering[i], *req));
    if (req->code == "DS" || req->code == "NC" || req->code == "EC" || req->code == "EM" || req->code == "DR")
      autoSave();
    const Fault fault = faultFor(req->code);
    std::vector<OutPiece> pieces = ShapeReply(reply, fault, baud);
    if (!pieces.empty()) pieces.front().delayMs += answering[0]->replyDelayMs;
    // A real serial line has spent the request's time before it arrived here.
    if (!pieces.empty() && port.line->deliversAtOnce()) pieces.front().requestChars = frame.size();
    if (pieces.empty()) logLine(">", fault.kind == FaultKind::Silence ? "(silent by fault)" : "(no reply)");
    for (const OutPiece& p : pieces) {
      logLine(">", p.data + (p.endless ? QByteArray("...(endless)") : QByteArray()));
      port.pacer.queue(p);
    }
    port.pacer.service();
  }

  // Saving waits for a pause, so a burst of "%NC" writes the file once.
  void autoSave() {
    if (!autoSavePath.isEmpty() && !saveTimer.isActive()) saveTimer.start(kSaveDelayMs);
  }
  void saveNow() {
    saveTimer.stop();
    if (!autoSavePath.isEmpty()) q->saveState(autoSavePath);
  }

  // A drop fault fired on this line.
  void dropped(Channel* ch) {
    if (ch != pty) {
      ch->dropLine();
      return;
    }
    // A hang-up flushes what the other side has not read yet: give it a moment
    // to take the bytes sent, then close the pseudo-terminal and open a new one
    // under the same link name.
    ch->dropping = true;
    pty = nullptr;
    const QString link = ptySymlink;
    QTimer::singleShot(kPtyDropGraceMs, ch, [this, ch, link] {
      ch->dropLine();
      ch->deleteLater();
      if (!pty) q->openPty(link);
    });
  }

  void removeSymlink() {
    if (ptySymlink.isEmpty()) return;
    const QFileInfo fi(ptySymlink);
    if (fi.isSymLink()) QFile::remove(ptySymlink);
    ptySymlink.clear();
  }
};

ReaderSim::ReaderSim(QObject* parent) : QObject(parent), d(std::make_unique<Impl>()) {
  d->q = this;
  d->readers.reserve(256);
  d->saveTimer.setSingleShot(true);
  connect(&d->saveTimer, &QTimer::timeout, this, [this] { d->saveNow(); });
  connect(&d->server, &QTcpServer::newConnection, this, [this] {
    while (QTcpSocket* s = d->server.nextPendingConnection()) {
      // A converter passes each character on as it comes, not gathered into larger packets.
      s->setSocketOption(QAbstractSocket::LowDelayOption, 1);
      auto* ch = new TcpChannel(s, this);
      Impl::Port* port = d->addChannel(ch);
      connect(s, &QTcpSocket::readyRead, ch, [this, ch, port] { d->onData(*port, ch->socket->readAll()); });
      connect(s, &QTcpSocket::disconnected, ch, [ch] { ch->deleteLater(); });
    }
  });
}

ReaderSim::~ReaderSim() {
  d->saveNow();
  d->removeSymlink();
  for (const auto& port : d->ports) {
    QObject::disconnect(port->line, &QObject::destroyed, this, nullptr);
    delete port->line;
  }
  d->ports.clear();
}

SimReader& ReaderSim::addSecondReader(int id, SimModel model) {
  SimReader r;
  r.id = id;
  r.model = model;
  d->readers.push_back(r);
  return d->readers.back();
}

SimReader& ReaderSim::addReader(int id, SimModel model) {
  if (SimReader* r = d->find(id)) {
    r->model = model;
    return *r;
  }
  SimReader r;
  r.id = id;
  r.model = model;
  d->readers.push_back(r);
  return d->readers.back();
}

SimReader* ReaderSim::reader(int id) { return d->find(id); }
std::vector<SimReader>& ReaderSim::readers() { return d->readers; }

bool ReaderSim::listenTcp(const QHostAddress& address, quint16 port) {
  if (d->server.isListening()) d->server.close();
  if (!d->server.listen(address, port)) {
    d->error = d->server.errorString();
    return false;
  }
  return true;
}

quint16 ReaderSim::tcpPort() const { return d->server.isListening() ? d->server.serverPort() : 0; }

bool ReaderSim::openPty(const QString& symlinkPath) {
  if (d->pty) {
    d->pty->closeFds();
    delete d->pty;
    d->pty = nullptr;
  }
  auto* ch = new PtyChannel(this);
  if (!ch->open(&d->error)) {
    delete ch;
    return false;
  }
  if (!symlinkPath.isEmpty()) {
    const QFileInfo fi(symlinkPath);
    // Replace an old link of ours, never a real file.
    if (fi.isSymLink()) QFile::remove(symlinkPath);
    if (!QFile::link(ch->slaveName, symlinkPath)) {
      d->error = QStringLiteral("cannot create the link %1").arg(symlinkPath);
      delete ch;
      return false;
    }
  }
  d->ptySymlink = symlinkPath;
  d->pty = ch;
  Impl::Port* port = d->addChannel(ch);
  connect(ch->reader, &QSocketNotifier::activated, ch, [this, ch, port] {
    const QByteArray data = ch->readAvailable();
    if (!data.isEmpty()) d->onData(*port, data);
  });
  return true;
}

QString ReaderSim::ptyPath() const {
  if (!d->pty) return {};
  return d->ptySymlink.isEmpty() ? d->pty->slaveName : d->ptySymlink;
}

void ReaderSim::setSerialParity(char parity) { d->parity = parity; }

QString ReaderSim::lastError() const { return d->error; }

bool ReaderSim::openSerial(const QString& device, int baud) {
  auto* ch = new SerialChannel(this);
  if (!ch->open(device, baud, d->parity, &d->error)) {
    delete ch;
    return false;
  }
  Impl::Port* port = d->addChannel(ch);
  connect(&ch->port, &QSerialPort::readyRead, ch, [this, ch, port] { d->onData(*port, ch->port.readAll()); });
  return true;
}

void ReaderSim::setBaud(int baud) {
  d->baud = std::max(0, baud);
  for (const auto& port : d->ports) port->pacer.setBaud(d->baud);
}

void ReaderSim::setDelivery(Delivery delivery) {
  d->delivery = delivery;
  for (const auto& port : d->ports) port->pacer.setDelivery(delivery);
}

void ReaderSim::setFault(const QByteArray& code, const Fault& fault) {
  if (fault.kind == FaultKind::None) d->faults.erase(code);
  else d->faults[code] = fault;
}

void ReaderSim::clearFaults() { d->faults.clear(); }

void ReaderSim::setEraseCardsDelayMs(int ms) { d->eraseDelayMs = std::clamp(ms, 0, 25000); }

void ReaderSim::setNow(std::function<QDateTime()> now) {
  d->now = now ? std::move(now) : [] { return QDateTime::currentDateTime(); };
}

const std::vector<QByteArray>& ReaderSim::requests() const { return d->requests; }
void ReaderSim::clearRequests() { d->requests.clear(); }

QByteArray ReaderSim::replyFor(const QByteArray& request) {
  const std::optional<Request> req = ParseRequest(request);
  if (!req) return {};
  SimReader* r = d->find(req->address);
  if (!r) return {};
  return d->handle(*r, *req).bytes();
}

bool ReaderSim::setLogFile(const QString& path) {
  if (d->log.isOpen()) d->log.close();
  d->log.setFileName(path);
  return d->log.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
}

void ReaderSim::setAutoSave(const QString& path) { d->autoSavePath = path; }

bool ReaderSim::loadState(const QString& path, QString* error) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) {
    if (error) *error = f.errorString();
    return false;
  }
  std::vector<SimReader> loaded;
  if (!StateFromJson(f.readAll(), &loaded, error)) return false;
  d->readers = std::move(loaded);
  d->readers.reserve(256);
  return true;
}

bool ReaderSim::saveState(const QString& path, QString* error) const {
  QSaveFile f(path);
  if (!f.open(QIODevice::WriteOnly)) {
    if (error) *error = f.errorString();
    return false;
  }
  f.write(StateToJson(d->readers));
  if (!f.commit()) {
    if (error) *error = f.errorString();
    return false;
  }
  return true;
}

void ReaderSim::generateCards(SimReader& r, int count, quint32 seed) {
  std::mt19937 rng(seed * 7919u + static_cast<quint32>(r.id));
  std::uniform_int_distribution<quint32> dist(100000u, 0xFFFFFFFEu);
  std::set<quint32> seen(r.cards.begin(), r.cards.end());
  const qint64 limit = InfoOf(r.model).cardLimit;
  for (int i = 0; i < count && static_cast<qint64>(r.cards.size()) < limit; ++i) {
    quint32 c = dist(rng);
    while (!seen.insert(c).second) c = dist(rng);
    r.cards.push_back(c);
  }
}

void ReaderSim::generateRecords(SimReader& r, int count, const QDateTime& newest, quint32 seed) {
  std::mt19937 rng(seed * 104729u + static_cast<quint32>(r.id));
  std::uniform_int_distribution<int> gap(45, 4 * 3600);
  std::vector<SimRecord> recs(static_cast<size_t>(std::max(0, count)));
  // Passages of the reader's own cards where it has some, newest last.
  QDateTime t = newest.addSecs(-gap(rng));
  for (auto it = recs.rbegin(); it != recs.rend(); ++it) {
    quint32 card;
    if (!r.cards.empty()) card = r.cards[std::uniform_int_distribution<size_t>(0, r.cards.size() - 1)(rng)];
    else card = std::uniform_int_distribution<quint32>(1, 999999999)(rng);
    it->card = card % 1000000000u;
    it->stamp = QDateTime(t.date(), QTime(t.time().hour(), t.time().minute(), t.time().second()));
    t = t.addSecs(-gap(rng));
  }
  r.records.insert(r.records.end(), recs.begin(), recs.end());
}

}  // namespace tessaro::sim
