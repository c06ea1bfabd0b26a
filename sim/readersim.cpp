#include "readersim.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <deque>
#include <random>
#include <set>

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include "simprotocol.h"
#include "simstate.h"

namespace tessaro::sim {

namespace {

constexpr qint64 kUnpacedChunk = 64 * 1024;
constexpr qint64 kEndlessChunk = 64;  // unpaced endless filler per pass
constexpr int kEndlessPassMs = 10;
constexpr qint64 kStallLimitUs = 2'000'000;
constexpr int kPtyDropGraceMs = 100;
constexpr int kSaveDelayMs = 300;

QByteArray filler(qint64 from, qint64 n) {
  static const char kDigits[] = "0123456789ABCDEF";
  QByteArray f(n, '0');
  for (qint64 i = 0; i < n; ++i) f[i] = kDigits[(from + i) % 16];
  return f;
}

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

// One line the simulator talks on: a TCP connection, the pty or a serial port.
class Channel : public QObject {
 public:
  using QObject::QObject;
  // Bytes accepted by the line (fewer when it is full), -1 when it is gone.
  virtual qint64 writeSome(const QByteArray& data) = 0;
  virtual void dropLine() = 0;
  virtual bool alive() const = 0;

  RequestAssembler assembler;
  std::deque<OutPiece> queue;
  bool pieceStarted = false;
  qint64 readyAtUs = 0;
  qint64 sentInPiece = 0;
  qint64 endlessSent = 0;
  qint64 dropCountdown = -1;
  bool stopEndless = false;
  qint64 paceOriginUs = -1;
  qint64 pacedSent = 0;
  qint64 stalledSinceUs = -1;  // the line has taken nothing since then
  bool dropping = false;       // being dropped by a fault: neither reads nor sends
  QTimer timer;
};

class TcpChannel : public Channel {
 public:
  TcpChannel(QTcpSocket* s, QObject* parent) : Channel(parent), socket(s) { s->setParent(this); }
  qint64 writeSome(const QByteArray& data) override {
    if (!alive()) return -1;
    const qint64 n = socket->write(data);
    socket->flush();
    return n;
  }
  void dropLine() override {
    socket->flush();
    socket->disconnectFromHost();
  }
  bool alive() const override { return socket->state() == QAbstractSocket::ConnectedState; }
  QTcpSocket* socket;
};

class PtyChannel : public Channel {
 public:
  using Channel::Channel;
  ~PtyChannel() override { closeFds(); }
  bool open(QString* error) {
    master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
      *error = QStringLiteral("no pseudo-terminal available");
      closeFds();
      return false;
    }
    const char* name = ::ptsname(master);
    slaveName = name ? QString::fromLocal8Bit(name) : QString();
    // Holding the slave open keeps the master from reporting a hang-up while
    // no program has the port open, which would wake the notifier endlessly.
    slave = name ? ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK) : -1;
    if (slave < 0) {
      *error = QStringLiteral("cannot open %1").arg(slaveName);
      closeFds();
      return false;
    }
    termios t{};
    ::tcgetattr(slave, &t);
    ::cfmakeraw(&t);
    ::tcsetattr(slave, TCSANOW, &t);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    reader = new QSocketNotifier(master, QSocketNotifier::Read, this);
    return true;
  }
  qint64 writeSome(const QByteArray& data) override {
    if (master < 0) return -1;
    const ssize_t n = ::write(master, data.constData(), static_cast<size_t>(data.size()));
    if (n < 0) return (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) ? 0 : -1;
    return n;
  }
  QByteArray readAvailable() {
    QByteArray out;
    char buf[4096];
    while (master >= 0) {
      const ssize_t n = ::read(master, buf, sizeof buf);
      if (n <= 0) break;
      out.append(buf, n);
    }
    return out;
  }
  void dropLine() override { closeFds(); }
  bool alive() const override { return master >= 0; }
  void closeFds() {
    if (reader) {
      reader->setEnabled(false);
      reader->deleteLater();
      reader = nullptr;
    }
    if (master >= 0) ::close(master);
    if (slave >= 0) ::close(slave);
    master = slave = -1;
  }
  int master = -1;
  int slave = -1;
  QString slaveName;
  QSocketNotifier* reader = nullptr;
};

class SerialChannel : public Channel {
 public:
  using Channel::Channel;
  qint64 writeSome(const QByteArray& data) override {
    if (!port.isOpen()) return -1;
    return port.write(data);
  }
  // A real line cannot be dropped; the rest of the reply is simply not sent.
  void dropLine() override {}
  bool alive() const override { return port.isOpen(); }
  QSerialPort port;
};

struct ReaderSim::Impl {
  ReaderSim* q = nullptr;
  std::vector<SimReader> readers;
  std::map<QByteArray, Fault> faults;
  std::vector<QByteArray> requests;
  std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };
  int eraseDelayMs = 2000;
  int baud = 0;
  char parity = 'o';
  QString error;
  QElapsedTimer clock;
  QTcpServer server;
  std::vector<Channel*> channels;
  PtyChannel* pty = nullptr;
  QString ptySymlink;
  QFile log;
  QString autoSavePath;
  QTimer saveTimer;

  void addChannel(Channel* ch) {
    channels.push_back(ch);
    ch->timer.setSingleShot(true);
    ch->timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ch->timer, &QTimer::timeout, q, [this, ch] { service(ch); });
    QObject::connect(ch, &QObject::destroyed, q, [this, ch] { std::erase(channels, ch); });
  }

  qint64 nowUs() const { return clock.nsecsElapsed() / 1000; }

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

  void onData(Channel* ch, const QByteArray& data) {
    if (ch->dropping) return;
    for (const QByteArray& f : ch->assembler.feed(data)) handleFrame(ch, f);
  }

  void handleFrame(Channel* ch, const QByteArray& frame) {
    requests.push_back(frame);
    logLine("<", frame);
    // A new request ends an endless reply, as a reader that starts over would.
    if (!ch->queue.empty() && ch->queue.front().endless) ch->stopEndless = true;
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
    const std::vector<OutPiece> pieces = ShapeReply(reply, fault, baud);
    if (pieces.empty()) logLine(">", fault.kind == FaultKind::Silence ? "(silent by fault)" : "(no reply)");
    for (const OutPiece& p : pieces) {
      logLine(">", p.data + (p.endless ? QByteArray("...(endless)") : QByteArray()));
      ch->queue.push_back(p);
    }
    service(ch);
  }

  // Saving waits for a pause, so a burst of "%NC" writes the file once.
  void autoSave() {
    if (!autoSavePath.isEmpty() && !saveTimer.isActive()) saveTimer.start(kSaveDelayMs);
  }
  void saveNow() {
    saveTimer.stop();
    if (!autoSavePath.isEmpty()) q->saveState(autoSavePath);
  }

  // Pacing: characters of 11 bits at the line rate, counted from the moment
  // the line last started to send after a silence.
  qint64 paceBudget(Channel* ch, qint64 now, int* waitMs) {
    if (ch->paceOriginUs < 0) {
      ch->paceOriginUs = now;
      ch->pacedSent = 0;
    }
    const double usPerChar = 11.0 * 1e6 / baud;
    const qint64 allowed = static_cast<qint64>((now - ch->paceOriginUs) / usPerChar) + 1 - ch->pacedSent;
    if (allowed > 0) return allowed;
    const double nextUs = ch->paceOriginUs + ch->pacedSent * usPerChar;
    *waitMs = std::max(1, static_cast<int>((nextUs - now + 999) / 1000));
    return 0;
  }

  void arm(Channel* ch, int ms) { ch->timer.start(std::max(0, ms)); }

  void service(Channel* ch) {
    while (ch->alive() && !ch->dropping && !ch->queue.empty()) {
      OutPiece& p = ch->queue.front();
      const qint64 t = nowUs();
      if (!ch->pieceStarted) {
        ch->pieceStarted = true;
        ch->sentInPiece = 0;
        ch->endlessSent = 0;
        ch->readyAtUs = t + qint64(p.delayMs) * 1000;
        if (p.dropAfter >= 0) ch->dropCountdown = p.dropAfter;
        if (p.delayMs > 0) ch->paceOriginUs = -1;  // the line falls silent
      }
      if (t < ch->readyAtUs) {
        arm(ch, static_cast<int>((ch->readyAtUs - t + 999) / 1000));
        return;
      }
      if (ch->dropCountdown == 0) {
        drop(ch);
        return;
      }
      const qint64 rest = p.data.size() - ch->sentInPiece;
      const bool endlessGoing =
          rest <= 0 && p.endless && !ch->stopEndless && (p.endlessLimit == 0 || ch->endlessSent < p.endlessLimit);
      if (rest <= 0 && !endlessGoing) {
        ch->queue.pop_front();
        ch->pieceStarted = false;
        ch->stopEndless = false;
        continue;
      }
      int waitMs = 1;
      // A burst of the adapter reaches the PC at once; the line's pace is in its timing.
      qint64 budget = baud > 0 && !p.burst ? paceBudget(ch, t, &waitMs) : kUnpacedChunk;
      if (budget <= 0) {
        arm(ch, waitMs);
        return;
      }
      if (ch->dropCountdown > 0) budget = std::min(budget, ch->dropCountdown);
      QByteArray chunk;
      if (rest > 0) {
        chunk = p.data.mid(ch->sentInPiece, std::min(rest, budget));
      } else {
        qint64 n = baud > 0 ? budget : std::min(budget, kEndlessChunk);
        if (p.endlessLimit > 0) n = std::min(n, p.endlessLimit - ch->endlessSent);
        chunk = filler(ch->endlessSent, n);
      }
      const qint64 w = ch->writeSome(chunk);
      if (w < 0) {
        ch->queue.clear();
        ch->pieceStarted = false;
        return;
      }
      if (rest > 0) ch->sentInPiece += w;
      else ch->endlessSent += w;
      ch->pacedSent += w;
      if (ch->dropCountdown > 0) ch->dropCountdown -= w;
      if (ch->dropCountdown == 0) {
        drop(ch);
        return;
      }
      if (w < chunk.size()) {
        // The line is full: nobody reads the other end. Try again shortly, and
        // give the reply up when it stays full, as a reader's buffer would overflow.
        if (w > 0 || ch->stalledSinceUs < 0) ch->stalledSinceUs = t;
        if (t - ch->stalledSinceUs > kStallLimitUs) {
          logLine("!", "reply given up: nobody reads the line");
          ch->queue.clear();
          ch->pieceStarted = false;
          ch->stalledSinceUs = -1;
          return;
        }
        arm(ch, 5);
        return;
      }
      ch->stalledSinceUs = -1;
      if (rest <= 0 && baud <= 0) {
        arm(ch, kEndlessPassMs);
        return;
      }
      if (baud <= 0 && rest > kUnpacedChunk) {
        arm(ch, 0);  // keep the event loop responsive between large chunks
        return;
      }
    }
    if (ch->queue.empty()) ch->paceOriginUs = -1;
  }

  void drop(Channel* ch) {
    ch->queue.clear();
    ch->pieceStarted = false;
    ch->dropCountdown = -1;
    logLine("!", "line dropped by fault");
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

bool ParseFault(const QString& text, QByteArray* code, Fault* fault, QString* error) {
  auto fail = [error](const QString& why) {
    if (error) *error = why;
    return false;
  };
  const QStringList parts = text.split(QLatin1Char(':'));
  if (parts.size() < 2) return fail(QStringLiteral("a fault is CMD:KIND[:ARG]"));
  QString cmd = parts[0].trimmed().toUpper();
  if (cmd.startsWith(QLatin1Char('%'))) cmd.remove(0, 1);
  if (cmd == QLatin1String("*") || cmd == QLatin1String("ALL")) cmd.clear();
  if (!cmd.isEmpty() && (cmd.size() != 2 || !cmd[0].isLetter() || !cmd[1].isLetter()))
    return fail(QStringLiteral("unknown command '%1'").arg(parts[0]));
  const QString kind = parts[1].trimmed().toLower();
  Fault f;
  struct Kind {
    const char* name;
    FaultKind kind;
    int defaultArg;
    bool needsArg;
  };
  static const Kind kinds[] = {
      {"silence", FaultKind::Silence, 0, false},
      {"delay", FaultKind::Delay, 0, true},
      {"noise", FaultKind::Noise, 8, false},
      {"split", FaultKind::Split, 4, false},
      {"wrongcode", FaultKind::WrongCode, 0, false},
      {"raw", FaultKind::Raw, 0, true},
      {"stopafter", FaultKind::StopAfter, 0, false},
      {"stopafternoend", FaultKind::StopAfterNoEnd, 0, false},
      {"invaliddate", FaultKind::InvalidDate, 0, false},
      {"drop", FaultKind::DropAfterBytes, 0, false},
      {"dropafterbytes", FaultKind::DropAfterBytes, 0, false},
      {"endless", FaultKind::EndlessNoCr, 0, false},
      {"endlessnocr", FaultKind::EndlessNoCr, 0, false},
      {"bursts", FaultKind::Bursts, 16, false},
      {"delaytail", FaultKind::DelayTail, 1, false},
      {"staletail", FaultKind::StaleTail, 3, false},
  };
  const Kind* k = nullptr;
  for (const Kind& c : kinds)
    if (kind == QLatin1String(c.name)) k = &c;
  if (!k) return fail(QStringLiteral("unknown fault kind '%1'").arg(parts[1]));
  f.kind = k->kind;
  f.arg = k->defaultArg;
  if (k->needsArg && parts.size() < 3) return fail(QStringLiteral("fault '%1' needs an argument").arg(kind));
  if (f.kind == FaultKind::Raw) {
    // The rest of the text, with \r, \n, \\ and \xHH escapes.
    const QByteArray arg = parts.mid(2).join(QLatin1Char(':')).toLatin1();
    for (qsizetype i = 0; i < arg.size(); ++i) {
      if (arg[i] != '\\' || i + 1 >= arg.size()) {
        f.raw += arg[i];
        continue;
      }
      const char e = arg[++i];
      if (e == 'r') f.raw += '\r';
      else if (e == 'n') f.raw += '\n';
      else if (e == 'x') {
        bool ok = false;
        const QByteArray hex = arg.mid(i + 1, 2);
        const int v = hex.toInt(&ok, 16);
        if (!ok || hex.size() != 2) return fail(QStringLiteral("bad \\x escape in raw reply"));
        f.raw += static_cast<char>(v);
        i += 2;
      } else f.raw += e;
    }
  } else if (parts.size() >= 3) {
    bool ok = false;
    f.arg = parts[2].trimmed().toInt(&ok);
    if (!ok || f.arg < 0) return fail(QStringLiteral("bad argument '%1'").arg(parts[2]));
    if (parts.size() >= 4 &&
        (f.kind == FaultKind::Split || f.kind == FaultKind::DelayTail || f.kind == FaultKind::StaleTail)) {
      f.pauseMs = parts[3].trimmed().toInt(&ok);
      if (!ok || f.pauseMs < 0) return fail(QStringLiteral("bad pause '%1'").arg(parts[3]));
    } else if (parts.size() >= 4) {
      return fail(QStringLiteral("too many fields in '%1'").arg(text));
    }
  }
  *code = cmd.toLatin1();
  *fault = f;
  return true;
}

ReaderSim::ReaderSim(QObject* parent) : QObject(parent), d(std::make_unique<Impl>()) {
  d->q = this;
  d->readers.reserve(256);
  d->clock.start();
  d->saveTimer.setSingleShot(true);
  connect(&d->saveTimer, &QTimer::timeout, this, [this] { d->saveNow(); });
  connect(&d->server, &QTcpServer::newConnection, this, [this] {
    while (QTcpSocket* s = d->server.nextPendingConnection()) {
      auto* ch = new TcpChannel(s, this);
      d->addChannel(ch);
      connect(s, &QTcpSocket::readyRead, ch, [this, ch] { d->onData(ch, ch->socket->readAll()); });
      connect(s, &QTcpSocket::disconnected, ch, [ch] { ch->deleteLater(); });
    }
  });
}

ReaderSim::~ReaderSim() {
  d->saveNow();
  d->removeSymlink();
  for (Channel* ch : std::vector<Channel*>(d->channels)) {
    ch->timer.stop();
    QObject::disconnect(ch, &QObject::destroyed, this, nullptr);
    delete ch;
  }
  d->channels.clear();
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
  d->addChannel(ch);
  connect(ch->reader, &QSocketNotifier::activated, ch, [this, ch] {
    const QByteArray data = ch->readAvailable();
    if (!data.isEmpty()) d->onData(ch, data);
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
  ch->port.setPortName(device);
  const QSerialPort::Parity parity = d->parity == 'e'   ? QSerialPort::EvenParity
                                     : d->parity == 'n' ? QSerialPort::NoParity
                                                        : QSerialPort::OddParity;
  if (!ch->port.open(QIODevice::ReadWrite) || !ch->port.setBaudRate(baud) || !ch->port.setParity(parity) ||
      !ch->port.setDataBits(QSerialPort::Data8) || !ch->port.setStopBits(QSerialPort::OneStop) ||
      !ch->port.setFlowControl(QSerialPort::NoFlowControl)) {
    d->error = ch->port.errorString();
    delete ch;
    return false;
  }
  d->addChannel(ch);
  connect(&ch->port, &QSerialPort::readyRead, ch, [this, ch] { d->onData(ch, ch->port.readAll()); });
  return true;
}

void ReaderSim::setBaud(int baud) { d->baud = std::max(0, baud); }

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
