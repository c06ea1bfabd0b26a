#include "support/pty.h"

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace tessaro::test {

PtyPair::PtyPair() {
  char name[256] = {0};
  if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
    master_ = slave_ = -1;
    return;
  }
  termios t{};
  tcgetattr(slave_, &t);
  cfmakeraw(&t);
  tcsetattr(slave_, TCSANOW, &t);
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
  slavePath_ = QString::fromLocal8Bit(name);
}

PtyPair::~PtyPair() {
  if (master_ >= 0) ::close(master_);
  if (slave_ >= 0) ::close(slave_);
}

QByteArray PtyPair::read() {
  QByteArray out;
  if (master_ < 0) return out;
  char buf[4096];
  for (;;) {
    const ssize_t n = ::read(master_, buf, sizeof buf);
    if (n <= 0) break;
    out.append(buf, n);
  }
  return out;
}

void PtyPair::write(const QByteArray& data) {
  if (master_ < 0) return;
  qsizetype done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(master_, data.constData() + done, data.size() - done);
    if (n <= 0) break;
    done += n;
  }
}

}  // namespace tessaro::test
