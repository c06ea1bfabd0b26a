#pragma once
// A pseudo-terminal pair for serial tests: the program opens the slave path
// as its serial device, the test reads and writes the master side.

#include <QByteArray>
#include <QString>

namespace tessaro::test {

class PtyPair {
 public:
  PtyPair();
  ~PtyPair();
  bool ok() const { return master_ >= 0; }
  QString slavePath() const { return slavePath_; }
  int masterFd() const { return master_; }
  // Non-blocking read of whatever the program wrote.
  QByteArray read();
  void write(const QByteArray& data);

 private:
  int master_ = -1;
  int slave_ = -1;
  QString slavePath_;
};

}  // namespace tessaro::test
