// The window's language: chosen on the command line or by TESSARO_LANG, the
// English window, and an English line for every text of the window.

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include "commandline.h"
#include "language.h"
#include "support/windowrig.h"
#include "texts.h"

namespace tessaro {
namespace {

// The window's command line and TESSARO_LANG: the language and the gap, or a refusal.
TEST(Language, CommandLineAndEnvironment) {
  using L = Language;
  const struct { QStringList args; const char* environment; std::optional<L> language; int gap = kDefaultGapMs; } rows[] = {
      {{}, "", L::Turkish},           {{"--lang", "en"}, "", L::English}, {{"--lang=en"}, "", L::English},
      {{}, "en", L::English},         {{"--lang", "tr"}, "en", L::Turkish}, {{"--gap", "0", "--lang=tr"}, "", L::Turkish, 0},
      {{"--gap=1000"}, "", L::Turkish, 1000}, {{"--gap"}, "", {}},        {{"--gap", "1001"}, "", {}},
      {{"--lang", "de"}, "", {}},     {{"--lang"}, "", {}},               {{"--lang="}, "", {}},
      {{}, "de", {}},                 {{"--lang=EN"}, "", {}},            {{"--language", "en"}, "", {}}};
  for (const auto& r : rows) {
    QString error;
    const std::optional<WindowOptions> o = ParseWindowArgs(r.args, &error, QString::fromLatin1(r.environment));
    EXPECT_EQ(o ? std::optional<L>(o->language) : std::nullopt, r.language) << r.args.join(' ').toStdString();
    EXPECT_EQ(o ? o->gapMs : kDefaultGapMs, r.gap) << r.args.join(' ').toStdString();
    EXPECT_EQ(error.isEmpty(), r.language.has_value()) << error.toStdString();
  }
  test::WindowRig rig(test::WindowRig::Timing::Fast, {}, 400);
  EXPECT_EQ(rig.window->session().links().gapMs(), 400);
  // The connection panel's starting choices.
  QString error;
  const std::optional<WindowOptions> o = ParseWindowArgs({"--model", "ts-40", "--tcp", "10.0.0.20:5601", "--serial=/dev/ttyUSB3"}, &error);
  ASSERT_TRUE(o) << error.toStdString();
  EXPECT_EQ(std::make_tuple(o->model, o->tcpHost, o->tcpPort, o->serialDevice),
            std::make_tuple(std::optional(DeviceModel::TS40), QString("10.0.0.20"), quint16(5601), QString("/dev/ttyUSB3")));
  EXPECT_EQ(ParseWindowArgs({"--tcp", "h"}, &error)->tcpPort, 5600);
  for (const QStringList& bad : {QStringList{"--model", "TS-4"}, {"--tcp", "h:0"}, {"--tcp", "h:65536"}, {"--tcp", ":5600"}, {"--serial"}})
    EXPECT_FALSE(ParseWindowArgs(bad, &error)) << bad.join(' ').toStdString();
  rig.window->startWith(DeviceModel::TS40, "10.0.0.20", 5601);
  EXPECT_TRUE(rig.checked("opsDevice_3") && rig.checked("chkTCPIPActive") && rig.text("lblDeviceType") == "TS-40");
  EXPECT_EQ(rig.text("txtIP") + ":" + rig.text("txtPort"), "10.0.0.20:5601");
}

// The program itself: --version and --help answer without a display (no Qt
// platform can start here), a wrong option is refused after Qt took its own.
TEST(Language, TheProgramsAnswers) {
  const struct { QStringList args; const char* platform; int exitCode; const char* out; const char* err; } rows[] = {
      {{"--version"}, "xcb", 0, "^tessaro-config \\d+\\.\\d+\\.\\d+\n$", "^$"},
      {{"--gap", "9", "--help"}, "xcb", 0, "^Usage: tessaro-config [\\s\\S]*TESSARO_DB[\\s\\S]*TESSARO_LINE[\\s\\S]*records.sqlite", "^$"},
      {{"-style", "fusion", "--lang", "de"}, "offscreen", 1, "^$", "^tessaro-config: --lang: give tr or en, not de\n"}};
  for (const auto& r : rows) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", r.platform);
    env.insert("TESSARO_LANG", "xx");  // no answer of --version or --help depends on it
    for (const char* display : {"DISPLAY", "WAYLAND_DISPLAY"}) env.remove(display);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(TESSARO_WINDOW_PROGRAM), r.args);
    ASSERT_TRUE(p.waitForFinished(30000));
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    const QString err = QString::fromUtf8(p.readAllStandardError()).remove(QRegularExpression("QStandardPaths: .*\n"));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << r.args.join(' ').toStdString();
    EXPECT_EQ(p.exitCode(), r.exitCode) << r.args.join(' ').toStdString();
    EXPECT_TRUE(QRegularExpression(r.out).match(out).hasMatch()) << out.toStdString();
    EXPECT_TRUE(QRegularExpression(r.err).match(err).hasMatch()) << err.toStdString();
  }
}

// `--lang en` through the program's own path: the captions and questions the
// window writes are English.
TEST(Language, EnglishWindow) {
  QString error;
  const Translations english(ParseWindowArgs({"--lang", "en"}, &error)->language);
  ASSERT_EQ(english.missing(), "");
  test::WindowRig rig;
  EXPECT_EQ(rig.window->windowTitle(), "Tessaro TS-20,TS-30,TS-40,TS-90 Reader Configuration V3.0");
  rig.click("opsDevice_2");
  rig.click("cmdSendRTC", {true});
  EXPECT_EQ(rig.prompts.take(), QStringList({"?Are you sure you want to send the PC clock to the device?",
                                             "Could Not Open the Communication Port"}));
}

// Every text lupdate finds in the window's sources has its English line, and
// every English line a text; a text written beside the translation (a plain
// QStringLiteral in texts.h) is named too.
TEST(Language, EveryTextHasItsEnglishLine) {
  QTemporaryDir dir;
  const QString ts = dir.filePath(QStringLiteral("tessaro_en.ts"));
  ASSERT_TRUE(QFile::copy(QStringLiteral(TESSARO_EN_TS), ts));
  QFile::setPermissions(ts, QFile::ReadOwner | QFile::WriteOwner);
  QProcess lupdate;
  lupdate.start(QStringLiteral(TESSARO_LUPDATE), {"-locations", "none", TESSARO_UI_SOURCES, "-ts", ts});
  ASSERT_TRUE(lupdate.waitForFinished(120000));
  ASSERT_EQ(lupdate.exitCode(), 0) << lupdate.readAllStandardError().toStdString();

  QFile file(ts);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  QXmlStreamReader xml(&file);
  QString context, source;
  QStringList untranslated, unused, elsewhere;
  int texts = 0;
  while (!xml.atEnd()) {
    if (xml.readNext() != QXmlStreamReader::StartElement) continue;
    if (xml.name() == QLatin1String("name")) {
      context = xml.readElementText();
    } else if (xml.name() == QLatin1String("source")) {
      source = xml.readElementText(QXmlStreamReader::IncludeChildElements);  // a CR is a <byte> element
      ++texts;
    } else if (xml.name() == QLatin1String("translation")) {
      const QStringView type = xml.attributes().value(QLatin1String("type"));
      const QString english = xml.readElementText(QXmlStreamReader::IncludeChildElements);
      if (type == QLatin1String("vanished") || type == QLatin1String("obsolete"))
        unused << source;
      else if (type == QLatin1String("unfinished") || english.isEmpty())
        untranslated << source;
      else if (context != QLatin1String(text::Text::kContext))
        elsewhere << context + QLatin1String(": ") + source;
    }
  }
  ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  EXPECT_GT(texts, 0);
  EXPECT_EQ(untranslated, QStringList()) << "texts without an English line in src/ui/translations/tessaro_en.ts";
  EXPECT_EQ(unused, QStringList()) << "English lines of texts the program no longer has";
  EXPECT_EQ(elsewhere, QStringList()) << "texts marked with another context than the window looks them up in";

  for (const char* name : {"texts.h", "texts.cpp"}) {
    QFile f(QStringLiteral(TESSARO_UI_SOURCES "/%1").arg(QLatin1String(name)));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i)
      EXPECT_FALSE(lines[i].contains(QLatin1String("QStringLiteral("))) << name << ':' << i + 1 << ": untranslatable text";
  }
}

}  // namespace
}  // namespace tessaro
