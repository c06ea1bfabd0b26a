// A records pull with the store in a process of its own, for the test that
// kills it: reader 1 (a TS-30P) on 127.0.0.1:PORT, erasing after the download,
// under the line and host names tessaro-cli gives such a pull.
// Usage: test_pull_process PORT STORE LOG STAGE; at STAGE (a PullStage number)
// the process kills itself.

#include <csignal>

#include <QCoreApplication>
#include <QSysInfo>

#include "devicelinks.h"
#include "eventpump.h"
#include "readers.h"

using namespace tessaro;

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  QtMessagePump pump;
  SteadyClock clock;
  DeviceLinks links(pump, clock);
  Link* link = links.open({.tcp = true, .host = QStringLiteral("127.0.0.1"), .tcpPort = args.value(1).toUShort()});
  StoreOpen opened = RecordStore::open(ParseStoreAddress(args.value(2)).value_or(StoreAddress{}));
  if (!link || !opened.store) return 3;
  AccessLog log(args.value(3));
  const StoreTarget target{opened.store.get(), QStringLiteral("127.0.0.1:") + args.value(1), QSysInfo::machineHostName()};
  const int killAt = args.value(4).toInt();
  ExchangeEnv env = links.env(*link);
  const ReaderPull pull = PullReaderRecords(env, 1, DeviceModel::TS30P, log, true, {}, &target, [killAt](PullStage s) {
    if (static_cast<int>(s) == killAt) std::raise(SIGKILL);
  });
  return pull.ok() ? 0 : 2;
}
