#include "simstate.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <set>

namespace tessaro::sim {

namespace {

bool isDigits(const QByteArray& v) {
  for (char c : v)
    if (c < '0' || c > '9') return false;
  return !v.isEmpty();
}

// A JSON number that is a whole number within [lo, hi].
bool wholeNumber(const QJsonValue& v, double lo, double hi, qint64* out) {
  if (!v.isDouble()) return false;
  const double d = v.toDouble();
  if (!(d >= lo && d <= hi) || d != static_cast<double>(static_cast<qint64>(d))) return false;
  *out = static_cast<qint64>(d);
  return true;
}

}  // namespace

QByteArray StateToJson(const std::vector<SimReader>& readers) {
  QJsonArray list;
  for (const SimReader& r : readers) {
    QJsonObject s;
    s[QStringLiteral("relayTime")] = r.settings.relayTime;
    s[QStringLiteral("recordType")] = r.settings.recordType;
    s[QStringLiteral("runMode")] = r.settings.runMode;
    s[QStringLiteral("masterCard")] = static_cast<qint64>(r.settings.masterCard);
    s[QStringLiteral("epcStartWord")] = r.settings.epcStartWord;
    s[QStringLiteral("wiegandType")] = r.settings.wiegandType;
    s[QStringLiteral("vehicleDetector")] = r.settings.vehicleDetector;
    s[QStringLiteral("triggerTime")] = r.settings.triggerTime;
    QJsonArray cards;
    for (quint32 c : r.cards) cards.append(static_cast<qint64>(c));
    QJsonArray records;
    for (const SimRecord& rec : r.records) {
      QJsonObject o;
      o[QStringLiteral("card")] = static_cast<qint64>(rec.card);
      if (rec.rawStamp.isEmpty()) o[QStringLiteral("stamp")] = rec.stamp.toString(Qt::ISODate);
      else o[QStringLiteral("rawStamp")] = QString::fromLatin1(rec.rawStamp);
      records.append(o);
    }
    QJsonObject o;
    o[QStringLiteral("id")] = r.id;
    o[QStringLiteral("model")] = QString::fromLatin1(InfoOf(r.model).name);
    o[QStringLiteral("clockOffsetSeconds")] = r.clockOffsetSeconds;
    o[QStringLiteral("settings")] = s;
    o[QStringLiteral("cards")] = cards;
    o[QStringLiteral("records")] = records;
    list.append(o);
  }
  QJsonObject root;
  root[QStringLiteral("format")] = QStringLiteral("tessaro-reader-sim");
  root[QStringLiteral("version")] = 1;
  root[QStringLiteral("readers")] = list;
  return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

bool StateFromJson(const QByteArray& json, std::vector<SimReader>* out, QString* error) {
  auto fail = [error](const QString& why) {
    if (error) *error = why;
    return false;
  };
  QJsonParseError pe;
  const QJsonDocument doc = QJsonDocument::fromJson(json, &pe);
  if (pe.error != QJsonParseError::NoError) return fail(pe.errorString());
  if (!doc.isObject() || !doc.object().value(QStringLiteral("readers")).isArray())
    return fail(QStringLiteral("no list of readers"));
  std::vector<SimReader> readers;
  std::set<int> ids;
  for (const QJsonValue& rv : doc.object().value(QStringLiteral("readers")).toArray()) {
    if (!rv.isObject()) return fail(QStringLiteral("a reader is not an object"));
    const QJsonObject o = rv.toObject();
    SimReader r;
    qint64 v = 0;
    if (!wholeNumber(o.value(QStringLiteral("id")), 1, 255, &v)) return fail(QStringLiteral("reader id not in 1..255"));
    r.id = static_cast<int>(v);
    if (!ids.insert(r.id).second) return fail(QStringLiteral("reader id %1 twice").arg(r.id));
    if (!SimModelFromName(o.value(QStringLiteral("model")).toString(), &r.model))
      return fail(QStringLiteral("reader %1: unknown model").arg(r.id));
    if (o.contains(QStringLiteral("clockOffsetSeconds"))) {
      if (!wholeNumber(o.value(QStringLiteral("clockOffsetSeconds")), -4e9, 4e9, &v))
        return fail(QStringLiteral("reader %1: bad clock offset").arg(r.id));
      r.clockOffsetSeconds = v;
    }
    const QJsonObject s = o.value(QStringLiteral("settings")).toObject();
    struct Field {
      const char* name;
      int* target;
      int lo, hi;
    } fields[] = {
        {"relayTime", &r.settings.relayTime, 1, 64},    {"recordType", &r.settings.recordType, 1, 2},
        {"runMode", &r.settings.runMode, 0, 2},         {"epcStartWord", &r.settings.epcStartWord, 0, 1},
        {"wiegandType", &r.settings.wiegandType, 0, 1}, {"vehicleDetector", &r.settings.vehicleDetector, 0, 1},
        {"triggerTime", &r.settings.triggerTime, 1, 9},
    };
    for (const Field& f : fields) {
      const QString key = QString::fromLatin1(f.name);
      if (!s.contains(key)) continue;
      if (!wholeNumber(s.value(key), f.lo, f.hi, &v))
        return fail(QStringLiteral("reader %1: bad %2").arg(r.id).arg(key));
      *f.target = static_cast<int>(v);
    }
    if (s.contains(QStringLiteral("masterCard"))) {
      if (!wholeNumber(s.value(QStringLiteral("masterCard")), 0, 4294967295.0, &v))
        return fail(QStringLiteral("reader %1: bad master card").arg(r.id));
      r.settings.masterCard = static_cast<quint32>(v);
    }
    for (const QJsonValue& cv : o.value(QStringLiteral("cards")).toArray()) {
      if (!wholeNumber(cv, 0, 4294967295.0, &v)) return fail(QStringLiteral("reader %1: bad card").arg(r.id));
      r.cards.push_back(static_cast<quint32>(v));
    }
    for (const QJsonValue& recv : o.value(QStringLiteral("records")).toArray()) {
      const QJsonObject ro = recv.toObject();
      SimRecord rec;
      if (!wholeNumber(ro.value(QStringLiteral("card")), 0, 999999999, &v))
        return fail(QStringLiteral("reader %1: bad record card").arg(r.id));
      rec.card = static_cast<quint32>(v);
      if (ro.contains(QStringLiteral("rawStamp"))) {
        rec.rawStamp = ro.value(QStringLiteral("rawStamp")).toString().toLatin1();
        if (rec.rawStamp.size() != 12 || !isDigits(rec.rawStamp))
          return fail(QStringLiteral("reader %1: raw stamp is not 12 digits").arg(r.id));
      } else {
        rec.stamp = QDateTime::fromString(ro.value(QStringLiteral("stamp")).toString(), Qt::ISODate);
        if (!rec.stamp.isValid() || rec.stamp.date().year() < 2000 || rec.stamp.date().year() > 2099)
          return fail(QStringLiteral("reader %1: bad record stamp").arg(r.id));
      }
      r.records.push_back(rec);
    }
    readers.push_back(std::move(r));
  }
  *out = std::move(readers);
  return true;
}

bool ParseCardFile(const QByteArray& text, std::vector<quint32>* out, QString* error) {
  std::vector<quint32> cards;
  int lineNo = 0;
  for (const QByteArray& raw : text.split('\n')) {
    ++lineNo;
    const QByteArray line = raw.trimmed();
    if (line.isEmpty()) continue;
    bool ok = false;
    const qint64 v = line.toLongLong(&ok);
    if (!ok || v < -2147483648LL || v > 4294967295LL) {
      if (error) *error = QStringLiteral("line %1 is not a card number").arg(lineNo);
      return false;
    }
    cards.push_back(static_cast<quint32>(v));
  }
  *out = std::move(cards);
  return true;
}

}  // namespace tessaro::sim
