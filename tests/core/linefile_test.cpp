// The line file: what it looks like, and every way a file is refused before
// anything is sent.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "linefile.h"

namespace tessaro {
namespace {

QByteArray File(const QString& entries, const QString& top = QStringLiteral("\"format\": 1, ")) {
  return (QStringLiteral("{") + top + QStringLiteral("\"readers\": [") + entries + QStringLiteral("]}")).toUtf8();
}

TEST(LineFile, WrittenForPeopleAndReadBack) {
  LineFile f;
  f.link = "tcp 10.0.0.20:5600";
  LineEntry e;
  e.address = 7;
  e.model = DeviceModel::TS40;
  e.settings = QJsonObject{{"relay_time", 5}, {"run_mode", "online"}};
  e.cards = std::vector<quint32>{11, 4294967295u};
  f.readers.push_back(e);
  const QByteArray bytes = LineFileBytes(f);
  // One card a line, so that a card more or less is a one-line difference.
  EXPECT_TRUE(bytes.contains("\n                11,\n                4294967295\n")) << bytes.constData();
  const auto back = ParseLineFile(bytes);
  ASSERT_TRUE(std::holds_alternative<LineFile>(back));
  const LineFile& g = std::get<LineFile>(back);
  ASSERT_EQ(g.readers.size(), 1u);
  EXPECT_EQ(g.link, f.link);
  EXPECT_EQ(g.readers[0].settings, e.settings);
  EXPECT_EQ(g.readers[0].cards, e.cards);
  EXPECT_EQ(g.readers[0].model, ReaderModel(DeviceModel::TS40));
  EXPECT_EQ(LineFileBytes(g), bytes);
  // Written whole or not at all.
  QTemporaryDir dir;
  QString error;
  EXPECT_TRUE(SaveLineFile(dir.filePath("line.json"), f, &error));
  EXPECT_FALSE(SaveLineFile(dir.filePath("missing/line.json"), f, &error));
  EXPECT_FALSE(error.isEmpty());
}

// Entries sorted by address, each card once; a family (an old file's brief
// name, or a list) stays a family unless a model given narrows it.
TEST(LineFile, EntriesAndFamilies) {
  using M = DeviceModel;
  const QByteArray bytes = File(
      "{\"address\": 9, \"model\": \"TS-30/40/20B/90\", \"cards\": [5, 3, 5]},"
      "{\"address\": 4, \"model\": [\"TS-40\", \"TS-20B\"], \"relay_time\": 3},"
      "{\"address\": 2, \"model\": \"ts 90c\", \"trigger_time\": 9, \"vehicle_detector\": true}");
  const auto plain = ParseLineFile(bytes);
  ASSERT_TRUE(std::holds_alternative<LineFile>(plain));
  const LineFile& f = std::get<LineFile>(plain);
  ASSERT_EQ(f.readers.size(), 3u);
  EXPECT_EQ(f.readers[0].model, ReaderModel(M::TS90C));
  EXPECT_EQ(f.readers[1].model, ReaderModel::Among({M::TS40, M::TS20B}));
  EXPECT_EQ(f.readers[2].model.candidates().size(), 6u);
  EXPECT_EQ(f.readers[2].cards, (std::vector<quint32>{3, 5}));
  EXPECT_TRUE(f.find(9) == &f.readers[2] && !f.find(3));
  EXPECT_EQ(f.readers[2].firstWritten() + "|" + f.readers[1].firstWritten() + "|" + f.readers[0].firstWritten(), "cards|relay_time|trigger_time");
  EXPECT_TRUE(LineFileBytes(f).contains("\"model\": [\n                \"TS-40\",\n                \"TS-20B\"\n"));
  const auto narrowed = ParseLineFile(bytes, [](int a) { return a == 4 ? ReaderModel(M::TS20B) : ReaderModel(); });
  EXPECT_EQ(std::get<LineFile>(narrowed).readers[1].model, ReaderModel(M::TS20B));
  const auto conflict = ParseLineFile(bytes, [](int a) { return a == 9 ? ReaderModel(M::TS90B) : ReaderModel(); });
  ASSERT_TRUE(std::holds_alternative<LineFileProblem>(conflict));
  EXPECT_TRUE(std::get<LineFileProblem>(conflict).kind == LineFileProblem::ModelConflict && std::get<LineFileProblem>(conflict).value == "TS-90B");
}

// A file and the entry and field it is refused for; the neighbours of each refused value are accepted.
TEST(LineFile, RefusedWithItsEntryAndField) {
  QString cards255, cards256;
  for (int i = 0; i < 256; ++i) (i < 255 ? cards255 : cards256) += QString::number(i) + ",";
  cards255.chop(1);
  cards256 = cards255 + "," + cards256.chopped(1);
  using K = LineFileProblem::Kind;
  const struct { QByteArray file; int address; const char* field; K kind; } rows[] = {
      {"{\"format\": 1, \"readers\": [", -1, "", K::NotJson}, {"[]", -1, "", K::NotLineFile},
      {File("", "\"format\": 2, "), -1, "format", K::UnknownFormat}, {File("", ""), -1, "format", K::UnknownFormat},
      {File("", "\"format\": 1, \"colour\": 1, "), -1, "colour", K::UnknownField},
      {"{\"format\": 1, \"readers\": {}}", -1, "readers", K::NotLineFile}, {File("7"), -1, "readers", K::NotLineFile},
      {File("{\"address\": 0, \"model\": \"TS-40\"}"), -1, "address", K::BadAddress}, {File("{\"address\": 256, \"model\": \"TS-40\"}"), -1, "address", K::BadAddress},
      {File("{\"address\": 1.5, \"model\": \"TS-40\"}"), -1, "address", K::BadAddress}, {File("{\"address\": \"3\", \"model\": \"TS-40\"}"), -1, "address", K::BadAddress},
      {File("{\"address\": 3, \"model\": \"TS-50\"}"), 3, "model", K::UnknownModel},
      {File("{\"address\": 3, \"model\": \"TS-40\", \"colour\": \"red\"}"), 3, "colour", K::UnknownField},
      {File("{\"address\": 3, \"model\": \"TS-40\", \"trigger_time\": 5}"), 3, "trigger_time", K::UnknownField},
      {File("{\"address\": 3, \"model\": \"TS-40\", \"relay_time\": 0}"), 3, "relay_time", K::BadValue}, {File("{\"address\": 3, \"model\": \"TS-40\", \"relay_time\": 65}"), 3, "relay_time", K::BadValue},
      {File("{\"address\": 1, \"model\": \"TS-40\", \"relay_time\": 1}, {\"address\": 255, \"model\": \"TS-40\", \"relay_time\": 64, \"run_mode\": \"read-only\"}"), 0, nullptr, K::NotJson},
      {File("{\"address\": 3, \"model\": \"TS-30P\", \"run_mode\": \"read-only\"}"), 3, "run_mode", K::NoReadOnly},
      {File("{\"address\": 3, \"model\": \"TS-90C\", \"run_mode\": \"stand-alone\", \"relay_time\": 7}"), 3, "relay_time", K::NoRelayTime},
      {File("{\"address\": 3, \"model\": \"TS-90C\", \"run_mode\": \"stand-alone\", \"relay_time\": 1}, {\"address\": 4, \"model\": \"TS-90C\", \"relay_time\": 7}"), 0, nullptr, K::NotJson},
      {File("{\"address\": 3, \"model\": [\"TS-90B\", \"TS-90C\"], \"trigger_time\": 5}"), 3, "trigger_time", K::UnknownField},
      {File("{\"address\": 3, \"model\": [\"TS-40\", \"TS-4\"]}"), 3, "model", K::UnknownModel},
      {File("{\"address\": 3, \"model\": \"TS-40\", \"run_mode\": \"offline\"}"), 3, "run_mode", K::BadValue},
      {File("{\"address\": 3, \"model\": \"TS-40\", \"record_type\": 1}"), 3, "record_type", K::BadValue},
      {File("{\"address\": 3, \"model\": \"TS-40\", \"master_card\": \"4294967296\"}"), 3, "master_card", K::BadValue},
      {File("{\"address\": 3, \"model\": \"TS-40\", \"master_card\": 4294967295}"), 0, nullptr, K::NotJson},
      {File("{\"address\": 3, \"model\": \"TS-90C\", \"trigger_time\": 10}"), 3, "trigger_time", K::BadValue},
      {File("{\"address\": 3, \"model\": \"TS-90C\", \"vehicle_detector\": \"maybe\"}"), 3, "vehicle_detector", K::BadValue},
      {File("{\"address\": 3, \"model\": \"TS-90B\", \"wiegand_type\": 30}"), 3, "wiegand_type", K::BadValue},
      {File("{\"address\": 3, \"model\": \"TS-40\"}, {\"address\": 3, \"model\": \"TS-90\"}"), 3, "address", K::TwoEntries},
      {File("{\"address\": 3, \"model\": \"TS-20\", \"cards\": [" + cards255 + "]}"), 0, nullptr, K::NotJson},
      {File("{\"address\": 3, \"model\": \"TS-20\", \"cards\": [" + cards256 + "]}"), 3, "cards", K::TooManyCards},
      {File("{\"address\": 3, \"model\": \"TS-40\", \"cards\": [-1]}"), 3, "cards", K::BadCard},
      {File("{\"address\": 3, \"model\": \"TS-40\", \"cards\": [4294967296]}"), 3, "cards", K::BadCard},
      {File("{\"address\": 3, \"model\": \"TS-40\", \"cards\": [\"12\"]}"), 3, "cards", K::BadCard},
      {File("{\"address\": 3, \"model\": \"TS-40\", \"cards\": 12}"), 3, "cards", K::BadCard}};
  for (const auto& r : rows) {
    const auto parsed = ParseLineFile(r.file);
    if (!r.field) {
      EXPECT_TRUE(std::holds_alternative<LineFile>(parsed)) << r.file.left(120).constData();
      continue;
    }
    ASSERT_TRUE(std::holds_alternative<LineFileProblem>(parsed)) << r.file.left(120).constData();
    const LineFileProblem& p = std::get<LineFileProblem>(parsed);
    EXPECT_EQ(p.address, r.address) << r.file.left(120).constData();
    EXPECT_EQ(p.field, QLatin1String(r.field)) << r.file.left(120).constData();
    EXPECT_EQ(p.kind, r.kind) << r.file.left(120).constData();
  }
}

}  // namespace
}  // namespace tessaro
