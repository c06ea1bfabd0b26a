#pragma once
// A throwaway PostgreSQL server for the tests: a cluster made in a temporary
// folder at first use, listening only on a socket in that folder, run as the
// postgres user when the tests run as root (the server refuses root), and
// removed when the test program ends. No server started is a failure, never a
// reason to skip.

#include <QString>

namespace tessaro::test {

class PgServer {
 public:
  static PgServer& instance();
  bool running() const { return running_; }
  const QString& why() const { return why_; }  // why it is not running
  // A new, empty database on it: its address as the program takes it (empty when refused: see why()).
  QString newDatabase();
  // An address where no server listens.
  QString deadAddress() const;
  void stop();
  ~PgServer();

 private:
  PgServer();
  bool run(const QStringList& command, QString* output = nullptr);
  QString folder_, bin_;
  bool asPostgres_ = false;
  bool running_ = false;
  QString why_;
  int databases_ = 0;
};

}  // namespace tessaro::test
