#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <chrono>
#include <thread>

#include "common/pty.h"
#include "link/eventpump.h"
#include "link/seriallink.h"

namespace tessaro {
namespace {

// Data on a serial port, a timer and posted input each end a long wait early.
TEST(QtMessagePump, WakesOnDataTimersAndInput) {
  QtMessagePump pump;
  test::PtyPair pty;
  ASSERT_TRUE(pty.ok());
  SerialLink serial;
  serial.setPortResolver([&](int) { return pty.slavePath(); });
  ASSERT_EQ(serial.open(), 1);
  bool posted = false, fired = false;
  const struct {
    const char* name;
    std::function<void()> onMain;         // runs before the wait
    std::function<void()> fromOtherThread;  // runs 150 ms into the wait
    std::function<bool()> arrived;
  } cases[] = {
      {"serial data", {}, [&] { pty.write("$DR001**\r"); }, [&] { return serial.available() == 9; }},
      {"posted input", {}, [&] { QMetaObject::invokeMethod(qApp, [&] { posted = true; }, Qt::QueuedConnection); },
       [&] { return posted; }},
      {"timer", [&] { QTimer::singleShot(150, [&] { fired = true; }); }, [] {}, [&] { return fired; }},
  };
  for (const auto& c : cases) {
    if (c.onMain) c.onMain();
    std::thread other([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(150));
      c.fromOtherThread();
    });
    QElapsedTimer t;
    t.start();
    // Each wait would sleep 5 s; only the event can end them sooner.
    int passes = 0;
    while (!c.arrived() && t.elapsed() < 5000) {
      pump.waitForActivity(5000);
      ++passes;
    }
    const qint64 woke = t.elapsed();
    other.join();
    EXPECT_TRUE(c.arrived()) << c.name;
    EXPECT_GE(woke, 100) << c.name;
    EXPECT_LT(woke, 1500) << c.name;
    EXPECT_LT(passes, 10) << c.name;
    serial.readAll();
  }
}

}  // namespace
}  // namespace tessaro
