// The window as a whole: its named controls and start state, the model
// profiles, the run mode's hold on the relay time, the link choice, the busy
// state, ESC and the PC clock.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCoreApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QSvgRenderer>
#include <QSvgWidget>
#include <QTimer>

#include "clockpanel.h"
#include "support/windowrig.h"
#include "texts.h"

namespace tessaro {
namespace {

using test::WindowRig;

TEST(Window, NamedControlsAndStartState) {
  WindowRig rig;
  // Names that automation relies on and no other test touches.
  for (const char* name : {"Picture3", "PicTS", "Frame1", "frSettings", "frRTC", "frLOGMemory", "Label3", "Label12",
                           "lblPortDevice", "pic90B_0", "pic90B_1", "lbl90B_0", "lbl90B_1", "lbl90B_2", "lbl90B_3", "TTimer"})
    rig.w<QObject>(name);
  EXPECT_TRUE(rig.w<QSvgWidget>("PicTS")->renderer()->isValid());  // the logo is built into the program
  EXPECT_EQ(rig.w<QGroupBox>("frRTC")->title(), text::caption::frRTC);
  EXPECT_EQ(rig.w<QTimer>("ClockTimer")->interval(), 1000);
  for (const char* group : {"opsDevice", "opsRunMode", "opsOfflineRecordType", "opsWigType", "opsStartEPCWord"})
    EXPECT_EQ(rig.w<QButtonGroup>(group)->checkedId(), QLatin1String(group) == "opsDevice" ? 5 : 0) << group;
  EXPECT_EQ(rig.w<QComboBox>("cmbPortNumber")->count(), 16);
  const std::pair<const char*, const char*> start[] = {{"cmbPortNumber", "1"}, {"cmbBaudRate", "38400"}, {"cmbParity", "Tek"}};
  for (const auto& [name, value] : start) EXPECT_EQ(rig.w<QComboBox>(name)->currentText(), QString::fromUtf8(value));
  for (const char* label : {"lblProcess", "lblPCRTC", "lblDeviceRTC", "lblRecordCounter", "lblScan", "lblCurID"})
    EXPECT_EQ(rig.text(label), "") << label;
  EXPECT_TRUE(rig.checked("chkClearRAM"));
  EXPECT_FALSE(rig.checked("chkTCPIPActive"));
  // The serial port is configured, not opened.
  const SerialLink& serial = rig.window->session().links().serial();
  EXPECT_EQ(std::make_tuple(serial.portNumber(), serial.line(), serial.isOpen()),
            std::make_tuple(1, LineSettings{38400, QSerialPort::OddParity}, false));
}

// Each model's profile, written out here rather than taken from the program's tables.
TEST(Window, ModelProfiles) {
  const struct { const char* type; int limit; bool readOnly, receiveAll, special, wiegand, detector; } rows[] = {
      {"TS-20", 255, false, false, false, false, false}, {"TS-30H", 2000, false, false, false, false, false},
      {"TS-30P", 2000, false, false, true, false, false}, {"TS-40", 2000, true, true, false, false, false},
      {"TS-40B", 5000, true, true, false, false, false}, {"TS-20B", 255, true, true, false, false, false},
      {"TS-90", 2000, true, true, false, false, false}, {"TS-90B", 2000, true, true, false, true, false},
      {"TS-90C", 2000, true, true, false, true, true}};
  WindowRig rig;
  ASSERT_EQ(rig.w<QButtonGroup>("opsDevice")->buttons().size(), std::size(rows));  // one option a model, no more
  rig.set("txtRelayTime", "7");
  rig.click("opsRunMode_1");
  // Each model after a neighbour with more and one with less, and clicked again when chosen already.
  for (const int i : {0, 1, 2, 3, 4, 5, 6, 7, 8, 8, 7, 6, 5, 4, 3, 2, 1, 0}) {
    const auto& r = rows[i];
    const QByteArray option = "opsDevice_" + QByteArray::number(i);
    rig.click(option.constData());
    rig.click(option.constData());
    SCOPED_TRACE(r.type);
    EXPECT_EQ(rig.text("lblDeviceType"), QLatin1String(r.type));
    EXPECT_EQ(rig.text("lblMaxCardNum"), QString::number(r.limit));
    EXPECT_EQ(!rig.w("opsRunMode_2")->isHidden(), r.readOnly);
    EXPECT_EQ(rig.w("cmdReceiveAllCards")->isEnabled(), r.receiveAll);
    EXPECT_EQ(std::make_pair(rig.w("cmdSendRTC")->isEnabled(), rig.w("cmdReadData")->isEnabled()), std::make_pair(r.special, r.special));
    for (const char* n : {"pic90B_0", "pic90B_1", "lbl90B_0", "lbl90B_1"}) EXPECT_EQ(!rig.w(n)->isHidden(), r.wiegand) << n;
    for (const char* n : {"chkLoop", "txtLoopTime", "lbl90B_2", "lbl90B_3"}) EXPECT_EQ(!rig.w(n)->isHidden(), r.detector) << n;
  }
  // A profile touches nothing else: the run mode and the relay time stay as they were.
  EXPECT_TRUE(rig.checked("opsRunMode_1"));
  EXPECT_TRUE(rig.text("txtRelayTime") == "7" && rig.w("txtRelayTime")->isEnabled());
}

TEST(Window, RunModeHoldsTheRelayTime) {
  WindowRig rig;
  ASSERT_EQ(rig.w<QButtonGroup>("opsRunMode")->buttons().size(), 3);  // Stand-Alone, Online, Read-Only
  const struct { const char* option; const char* typed; const char* text; bool enabled; } rows[] = {
      {"opsRunMode_1", "12", "12", true}, {"opsRunMode_0", "12", "1", false}, {"opsRunMode_2", "", "1", true}, {"opsRunMode_0", "40", "1", false}};
  for (const auto& r : rows) {
    if (*r.typed) rig.set("txtRelayTime", r.typed);
    rig.click(r.option);
    EXPECT_EQ(rig.text("txtRelayTime"), QLatin1String(r.text)) << r.option;
    EXPECT_EQ(rig.w("txtRelayTime")->isEnabled(), r.enabled) << r.option;
  }
}

TEST(Window, ConnectionSettingsAndFailedOpens) {
  WindowRig rig;
  using P = QSerialPort;
  const struct { int baud, parity; LineSettings line; } rows[] = {
      {1, 1, {9600, P::EvenParity}}, {0, 2, {1200, P::NoParity}}, {2, 0, {19200, P::OddParity}}, {3, -1, {38400, P::OddParity}}};
  for (const auto& r : rows) {
    rig.w<QComboBox>("cmbBaudRate")->setCurrentIndex(r.baud);
    rig.w<QComboBox>("cmbParity")->setCurrentIndex(r.parity);
    EXPECT_EQ(rig.window->session().connection().serialLine, r.line) << r.baud << " " << r.parity;
  }
  rig.w<QComboBox>("cmbPortNumber")->setCurrentIndex(4);
  EXPECT_TRUE(rig.window->session().connection().serialPort == 5 && rig.text("lblPortDevice") == "-");  // no device behind it
  // Neither link opens: the user is told, nothing else happens.
  rig.click("opsDevice_2");
  rig.click("cmdSendRTC", {true});
  rig.set("txtPort", "0");
  rig.w<QAbstractButton>("chkTCPIPActive")->setChecked(true);
  rig.click("cmdReceive");
  EXPECT_EQ(rig.prompts.take(), QStringList({"?" + text::kSendClockQuestion, text::kSerialOpenFailed, text::kTcpOpenFailed}));
  EXPECT_FALSE(rig.busy());
}

TEST(Window, EscAndTheBusyState) {
  WindowRig rig;
  WindowState& state = rig.window->session().state();
  rig.window->session().beginBusy();
  QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QKeyEvent other(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
  EXPECT_FALSE(rig.w("body")->isEnabled());
  QCoreApplication::sendEvent(rig.w("txtCardID"), &other);
  EXPECT_FALSE(state.escCancelFlag);
  QCoreApplication::sendEvent(rig.w("txtCardID"), &esc);
  EXPECT_TRUE(state.escCancelFlag);
  // A busy window cannot be closed.
  EXPECT_FALSE(rig.window->close());
  rig.window->session().endBusy();
  EXPECT_TRUE(rig.w("body")->isEnabled());
  rig.click("cmdClose");  // closed, the window stops its clock
  EXPECT_FALSE(rig.w<QTimer>("ClockTimer")->isActive());
}

TEST(Window, PcClock) {
  const QDateTime t(QDate(2026, 3, 4), QTime(21, 5, 9));
  EXPECT_EQ(PcClockText(t, {".", "-"}), "04.03.2026 21-05-09");
  const std::tuple<QLocale::Language, QLocale::Territory, const char*> locales[] = {
      {QLocale::German, QLocale::Germany, "04.03.2026 21:05:09"}, {QLocale::Dutch, QLocale::Netherlands, "04-03-2026 21:05:09"},
      {QLocale::Turkish, QLocale::Turkey, "04.03.2026 21:05:09"}, {QLocale::English, QLocale::UnitedStates, "04/03/2026 21:05:09"},
      {QLocale::LowGerman, QLocale::Germany, "04.03.2026 21.05.09"}};  // its time format begins with quoted text
  for (const auto& [language, territory, shown] : locales) EXPECT_EQ(PcClockText(t, SeparatorsOf(QLocale(language, territory))), shown);
  WindowRig rig;
  rig.now = t;
  QMetaObject::invokeMethod(rig.w<QTimer>("ClockTimer"), "timeout", Qt::DirectConnection);
  EXPECT_EQ(rig.text("lblPCRTC"), PcClockText(t, SeparatorsOf(QLocale::system())));
}

}  // namespace
}  // namespace tessaro
