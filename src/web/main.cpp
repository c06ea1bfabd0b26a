// tessaro-web: the console's server, and the shell's way to its first user
// and to API tokens.

#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QTextStream>
#include <cstdio>
#include <iostream>
#include <thread>

#include "accesslog.h"
#include "chart.h"
#include "console.h"

using namespace tessaro;
using namespace tessaro::web;

namespace {

const char* kUsage =
    "Usage: tessaro-web [--db FILE|URL] [--listen ADDR:PORT] [--cert FILE --key FILE] [--insecure-http]\n"
    "       tessaro-web user add NAME --role ROLE [--db FILE|URL]\n"
    "       tessaro-web token add NAME --role ROLE [--db FILE|URL]\n"
    "\n"
    "Serves the web console of the store: passages, card holders, doors and lines, jobs for the lines'\n"
    "workers (tessaro-cli work), and the JSON API under /api/v1/.\n"
    "\n"
    "  --db FILE|URL     the store: a SQLite file or postgresql://user@host[:port]/dbname (default\n"
    "                    TESSARO_DB, else records.sqlite in $XDG_DATA_HOME/tessaro-config)\n"
    "  --listen ADDR:PORT  where to listen (default 127.0.0.1:8080); an address other than the\n"
    "                    loopback needs --cert and --key, or --insecure-http\n"
    "  --cert FILE, --key FILE  serve HTTPS with this certificate and key (PEM)\n"
    "  --insecure-http   serve plain HTTP to the network: passwords and sessions travel readable\n"
    "  --role ROLE       izleyici (passages and status), operatör (holders, access, actions) or\n"
    "                    yönetici (users, lines, doors)\n"
    "\n"
    "user add asks the password twice (from a terminal, else two lines of standard input); for an\n"
    "existing user it sets the new password and role and ends the user's sessions. token add prints\n"
    "the token once; the store keeps only its hash.\n";

int Fail(const QString& why) {
  std::cerr << "tessaro-web: " << why.toStdString() << std::endl;
  return 1;
}

QByteArray ReadSecret(const char* prompt) {
  const bool terminal = isatty(STDIN_FILENO);
  termios saved{};
  if (terminal) {
    std::cerr << prompt << std::flush;
    tcgetattr(STDIN_FILENO, &saved);
    termios quiet = saved;
    quiet.c_lflag &= ~ECHO;
    tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
  }
  std::string line;
  std::getline(std::cin, line);
  if (terminal) {
    tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    std::cerr << std::endl;
  }
  return QByteArray::fromStdString(line);
}

}  // namespace

int main(int argc, char** argv) {
  QElapsedTimer started;
  started.start();
  QCoreApplication app(argc, argv);
  QStringList args = app.arguments().mid(1);
  QString db = qEnvironmentVariable("TESSARO_DB"), listen = QStringLiteral("127.0.0.1:8080"), cert, key, role;
  bool insecure = false;
  QStringList words;
  for (int i = 0; i < args.size(); ++i) {
    const QString& a = args[i];
    const auto value = [&](QString& into) {
      if (i + 1 >= args.size()) return false;
      into = args[++i];
      return true;
    };
    if (a == QLatin1String("--help")) return std::cout << kUsage, 0;
    if (a == QLatin1String("--version")) return std::cout << "tessaro-web " << TESSARO_VERSION << "\n", 0;
    if (a == QLatin1String("--insecure-http")) insecure = true;
    else if (a == QLatin1String("--db") ? !value(db)
             : a == QLatin1String("--listen") ? !value(listen)
             : a == QLatin1String("--cert") ? !value(cert)
             : a == QLatin1String("--key") ? !value(key)
             : a == QLatin1String("--role") ? !value(role)
             : (a.startsWith(QLatin1String("--")) || (words << a, false)))
      return Fail(QStringLiteral("%1: unknown option or value missing (--help lists them)").arg(a));
  }
  AddressFault fault;
  const std::optional<StoreAddress> address = ParseStoreAddress(db.isEmpty() ? DefaultStoreFile(UserDataFolder()) : db, &fault);
  if (!address) return Fail(QStringLiteral("not a store: %1").arg(db));
  StoreOpen opened = RecordStore::open(*address);
  if (!opened.store) return Fail(QStringLiteral("cannot open the store %1: %2").arg(address->shown(), opened.detail));

  if (!words.isEmpty()) {
    const std::optional<Role> r = RoleFromName(role);
    if (words.size() != 3 || words[1] != QLatin1String("add") ||
        (words[0] != QLatin1String("user") && words[0] != QLatin1String("token")))
      return Fail(QStringLiteral("unknown command: %1 (--help lists them)").arg(words.join(u' ')));
    if (!r) return Fail(QStringLiteral("--role izleyici, operatör or yönetici"));
    if (!ValidName(words[2], true)) return Fail(QStringLiteral("not a name: %1").arg(words[2]));
    const Actor actor = Actor::OfThisProcess();
    if (words[0] == QLatin1String("token")) {
      const QByteArray token = AddToken(*opened.store, words[2], *r, actor);
      if (token.isEmpty()) return Fail(QStringLiteral("the store refused the token: %1").arg(opened.store->lastError()));
      std::cout << token.toStdString() << std::endl;
      std::cerr << "tessaro-web: shown this once; the store keeps only its hash" << std::endl;
      return 0;
    }
    const QByteArray password = ReadSecret("Password: "), again = ReadSecret("Again: ");
    if (password != again) return Fail(QStringLiteral("the two passwords differ; nothing was changed"));
    if (password.size() < 8) return Fail(QStringLiteral("a password has 8 characters at least; nothing was changed"));
    if (!SetUser(*opened.store, words[2], *r, password, actor))
      return Fail(QStringLiteral("the store refused: %1").arg(opened.store->lastError()));
    std::cout << "user " << words[2].toStdString() << " (" << RoleName(*r).toStdString() << ") saved" << std::endl;
    return 0;
  }
  opened.store.reset();

  const qsizetype colon = listen.lastIndexOf(u':');
  bool portOk = false;
  const int port = listen.mid(colon + 1).toInt(&portOk);
  QString host = listen.left(colon);
  if (host.startsWith(u'[') && host.endsWith(u']')) host = host.mid(1, host.size() - 2);
  if (colon < 0 || !portOk || port < 1 || port > 65535) return Fail(QStringLiteral("--listen ADDR:PORT, such as 0.0.0.0:8443"));
  if (cert.isEmpty() != key.isEmpty()) return Fail(QStringLiteral("--cert and --key go together"));
  const bool loopback = host == QLatin1String("localhost") || QHostAddress(host).isLoopback();
  if (!loopback && cert.isEmpty() && !insecure)
    return Fail(QStringLiteral("%1 is open to the network: give --cert and --key, or --insecure-http").arg(listen));
  // The signals are taken by this thread alone, waiting below; the pool's threads never see them.
  sigset_t stopping;
  sigemptyset(&stopping);
  sigaddset(&stopping, SIGINT);
  sigaddset(&stopping, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopping, nullptr);
  Console console({*address, cert, key});
  if (!console.valid()) return Fail(QStringLiteral("cannot read the certificate %1 or the key %2").arg(cert, key));
  if (console.bind(host, port) < 0) return Fail(QStringLiteral("cannot listen on %1").arg(listen));
  std::thread serving([&console] { console.serve(); });
  if (!console.waitUntilServing(5000)) {
    console.stop();
    serving.join();
    return Fail(QStringLiteral("cannot serve on %1").arg(listen));
  }
  // The first page's count and chart made ready while nobody waits for them.
  std::thread warming([a = *address] {
    QString why;
    if (RecordStore* store = StoreOfThread(a, &why)) SummaryOf(*store, PassageFilter{});
  });
  // One write, so that a log or a program reading it never sees half of it.
  const QString ready = QStringLiteral("tessaro-web: serving %1://%2 from %3 (ready after %4 ms)\n")
                            .arg(QLatin1String(cert.isEmpty() ? "http" : "https"), listen, address->shown())
                            .arg(started.elapsed());
  std::cerr << ready.toStdString() << std::flush;
  int signal = 0;
  sigwait(&stopping, &signal);
  console.stop();
  serving.join();
  warming.join();
  return 0;
}
