#include "simprotocol.h"

#include <QDate>
#include <QTime>

namespace tessaro::sim {

std::vector<QByteArray> RequestAssembler::feed(QByteArrayView data) {
  std::vector<QByteArray> frames;
  buf_.append(data);
  for (;;) {
    const qsizetype start = buf_.indexOf('%');
    if (start < 0) {
      buf_.clear();  // nothing of a request yet
      break;
    }
    if (start > 0) buf_.remove(0, start);
    const qsizetype cr = buf_.indexOf('\r');
    if (cr < 0) {
      // A request is short; a start that never ends is line noise. Keep a later
      // "%" if there is one, it may begin the real request.
      if (buf_.size() > kMaxFrame) {
        const qsizetype next = buf_.indexOf('%', 1);
        if (next < 0) buf_.clear();
        else buf_.remove(0, next);
        continue;
      }
      break;
    }
    // Requests carry no "%" inside: a broken start followed by a whole request
    // yields the whole one.
    const qsizetype last = buf_.lastIndexOf('%', cr);
    frames.push_back(buf_.mid(last, cr - last + 1));
    buf_.remove(0, cr + 1);
  }
  return frames;
}

namespace {

bool isDigits(QByteArrayView v) {
  if (v.isEmpty()) return false;
  for (char c : v)
    if (c < '0' || c > '9') return false;
  return true;
}

bool isHex(QByteArrayView v) {
  if (v.isEmpty()) return false;
  for (char c : v) {
    const bool ok = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    if (!ok) return false;
  }
  return true;
}

int digitsValue(QByteArrayView v) { return v.toByteArray().toInt(); }

// Decimal text cut to its leftmost `width` characters or left-padded with "0",
// as the readers fill their fixed-width fields.
QByteArray pad(qint64 value, int width) {
  const QByteArray t = QByteArray::number(value);
  if (t.size() > width) return t.left(std::max(0, width));
  return t.rightJustified(width, '0');
}

// Eight upper-case hexadecimal digits: card numbers and the master card.
QByteArray hex8(quint32 value) { return QByteArray::number(value, 16).toUpper().rightJustified(8, '0'); }

QByteArray frame(QByteArrayView code, int id, QByteArrayView payload = {}) {
  QByteArray r("$");
  r += code;
  r += Address3(id);
  r += payload;
  r += "**\r";
  return r;
}

Reply single(QByteArray line, int delayMs = 0) {
  Reply r;
  r.lines.push_back(std::move(line));
  r.delayMs = delayMs;
  return r;
}

Reply errorReply(int id, const QByteArray& code) { return single(frame("ER", id, code)); }

// The settings payload after the address; the layout is the reader's own.
bool applySettings(SimReader& reader, QByteArrayView p) {
  const SimModelInfo& info = InfoOf(reader.model);
  const qsizetype expected = info.layout == SimLayout::Basic ? 16 : info.layout == SimLayout::WiegandOnly ? 18 : 20;
  if (p.size() != expected) return false;
  if (!isDigits(p.sliced(0, 8)) || !isHex(p.sliced(8, 8))) return false;
  if (p.size() > 16 && !isDigits(p.sliced(16))) return false;
  SimSettings s = reader.settings;
  s.relayTime = digitsValue(p.sliced(0, 2));
  s.recordType = digitsValue(p.sliced(2, 1));
  const int newId = digitsValue(p.sliced(3, 3));
  const char reserved = p[6];
  s.runMode = digitsValue(p.sliced(7, 1));
  s.masterCard = p.sliced(8, 8).toByteArray().toUInt(nullptr, 16);
  if (s.relayTime < 1 || s.relayTime > 64 || s.recordType < 1 || s.recordType > 2 || newId < 1 || newId > 255 ||
      reserved != '0' || s.runMode > 2 || (s.runMode == 2 && !info.readOnly))
    return false;
  if (info.layout != SimLayout::Basic) {
    s.epcStartWord = p[16] - '0';
    s.wiegandType = p[17] - '0';
    if (s.epcStartWord > 1 || s.wiegandType > 1) return false;
  }
  if (info.layout == SimLayout::WiegandAndDetector) {
    s.vehicleDetector = p[18] - '0';
    s.triggerTime = p[19] - '0';
    if (s.vehicleDetector > 1 || s.triggerTime < 1) return false;
  }
  reader.settings = s;
  reader.id = newId;
  return true;
}

bool parseClock(QByteArrayView p, QDateTime* out) {
  if (p.size() != 14 || !isDigits(p)) return false;
  const QDate date(2000 + digitsValue(p.sliced(4, 2)), digitsValue(p.sliced(2, 2)), digitsValue(p.sliced(0, 2)));
  const QTime time(digitsValue(p.sliced(6, 2)), digitsValue(p.sliced(8, 2)), digitsValue(p.sliced(10, 2)));
  const int weekday = digitsValue(p.sliced(12, 2));
  if (!date.isValid() || !time.isValid() || weekday < 1 || weekday > 7) return false;
  *out = QDateTime(date, time);
  return out->isValid();
}

}  // namespace

QByteArray Reply::bytes() const {
  QByteArray all;
  for (const QByteArray& l : lines) all += l;
  return all;
}

std::optional<Request> ParseRequest(QByteArrayView f) {
  if (f.size() < 9 || f[0] != '%' || !f.endsWith("**\r")) return std::nullopt;
  const QByteArrayView code = f.sliced(1, 2);
  for (char c : code)
    if (c < 'A' || c > 'Z') return std::nullopt;
  const QByteArrayView addr = f.sliced(3, 3);
  if (!isDigits(addr)) return std::nullopt;
  Request r;
  r.code = code.toByteArray();
  r.address = digitsValue(addr);
  r.payload = f.sliced(6, f.size() - 9).toByteArray();
  return r;
}

// Three digits for 0..255; any other value as its plain decimal text.
QByteArray Address3(int id) {
  const QByteArray t = QByteArray::number(id);
  return id >= 0 && id <= 255 ? t.rightJustified(3, '0') : t;
}

QByteArray SettingsText(const SimReader& reader) {
  const SimModelInfo& info = InfoOf(reader.model);
  // The reply frame is "$US" + this text + "**" + CR; its length before the
  // CR is the model's reply length. Positions the tool does not read are "0".
  QByteArray t(info.settingsReplyLength - 5, '0');
  auto put = [&t](int pos1, const QByteArray& v) {
    for (qsizetype i = 0; i < v.size() && pos1 - 1 + i < t.size(); ++i) t[pos1 - 1 + i] = v[i];
  };
  const SimSettings& s = reader.settings;
  put(1, Address3(reader.id));
  put(4, pad(s.relayTime, 2));
  put(6, pad(s.recordType, 1));
  put(11, pad(s.runMode, 1));
  put(info.masterCardPos, hex8(s.masterCard));
  if (info.layout != SimLayout::Basic) {
    put(24, s.epcStartWord ? "1" : "0");
    put(25, s.wiegandType ? "1" : "0");
  }
  if (info.layout == SimLayout::WiegandAndDetector) {
    put(26, s.vehicleDetector ? "1" : "0");
    put(27, pad(s.triggerTime, 1));
  }
  return t;
}

QByteArray ClockPayload(const QDateTime& t) {
  const QDate d = t.date();
  const QTime h = t.time();
  const int weekday = d.dayOfWeek() % 7 + 1;  // Qt: Monday 1 … Sunday 7; the reader: Sunday 1
  return pad(d.day(), 2) + pad(d.month(), 2) + pad(d.year(), 4).right(2) + pad(h.hour(), 2) + pad(h.minute(), 2) +
         pad(h.second(), 2) + pad(weekday, 2);
}

QByteArray RecordStamp(const SimRecord& record) {
  if (!record.rawStamp.isEmpty()) return record.rawStamp;
  return ClockPayload(record.stamp).left(12);
}

QByteArray RecordCard(quint32 card) { return QByteArray::number(card % 1000000000u).rightJustified(9, '0'); }

Reply HandleRequest(SimReader& reader, const Request& req, const QDateTime& pcNow, int eraseCardsDelayMs,
                    const std::function<bool(int)>& addressTaken) {
  const int id = reader.id;
  const QByteArray& c = req.code;
  const bool noPayload = req.payload.isEmpty();
  if (c == "US") {
    if (!noPayload) return errorReply(id, c);
    return single("$US" + SettingsText(reader) + "**\r");
  }
  if (c == "DS") {
    // Two readers on one line with one address could never be told apart again.
    const int newId = req.payload.size() >= 6 ? digitsValue(req.payload.sliced(3, 3)) : -1;
    if (newId != id && addressTaken && addressTaken(newId)) return errorReply(id, c);
    if (!applySettings(reader, req.payload)) return errorReply(id, c);
    return single(frame("DS", reader.id, "OK"));
  }
  if (c == "NC") {
    if (req.payload.size() != 8 || !isHex(req.payload)) return single(frame("NC", id, "X"));
    const quint32 card = req.payload.toUInt(nullptr, 16);
    const bool known = std::find(reader.cards.begin(), reader.cards.end(), card) != reader.cards.end();
    if (!known) {
      if (static_cast<qint64>(reader.cards.size()) >= InfoOf(reader.model).cardLimit)
        return single(frame("NC", id, "E"));
      reader.cards.push_back(card);
    }
    return single(frame("NC", id, "O"));
  }
  if (c == "UC") {
    if (!noPayload) return errorReply(id, c);
    Reply r;
    r.stream = true;
    for (quint32 card : reader.cards) r.lines.push_back(frame("UC", id, hex8(card)));
    r.lines.push_back(frame("UF", id));
    return r;
  }
  if (c == "EC") {
    if (!noPayload) return errorReply(id, c);
    reader.cards.clear();
    return single(frame("EC", id), eraseCardsDelayMs);
  }
  if (c == "RC") {
    if (!noPayload) return errorReply(id, c);
    // Four digits: a memory beyond 9998 records shows the largest counter.
    const qint64 counter = std::min<qint64>(static_cast<qint64>(reader.records.size()) + 1, 9999);
    return single(frame("RC", id, pad(counter, 4)));
  }
  if (c == "EM") {
    if (!noPayload) return errorReply(id, c);
    reader.records.clear();
    return single(frame("EM", id));
  }
  if (c == "DD") {
    if (!noPayload) return errorReply(id, c);
    Reply r;
    r.stream = true;
    for (const SimRecord& rec : reader.records)
      r.lines.push_back(frame("DD", id, RecordCard(rec.card) + RecordStamp(rec)));
    r.lines.push_back(frame("FD", id));
    return r;
  }
  if (c == "DR") {
    QDateTime set;
    if (!parseClock(req.payload, &set)) return errorReply(id, c);
    // The weekday digits are taken as given by the date; the reader derives its own.
    reader.clockOffsetSeconds = pcNow.secsTo(set);
    return single(frame("DR", id));
  }
  if (c == "UR") {
    if (!noPayload) return errorReply(id, c);
    return single(frame("UR", id, ClockPayload(pcNow.addSecs(reader.clockOffsetSeconds))));
  }
  return {};
}

QByteArray NoiseBytes(int count) {
  static const char kNoise[] = {'x',        '#',        char(0xFF), 'A', char(0x80), '7',
                                char(0xC3), char(0xA7), '\n',       ' ', '*',        char(0x01)};
  QByteArray n;
  n.reserve(count);
  for (int i = 0; i < count; ++i) n += kNoise[i % sizeof kNoise];
  return n;
}

Reply Collide(const Reply& a, const Reply& b) {
  Reply out = a;
  out.delayMs = std::max(a.delayMs, b.delayMs);
  out.lines.resize(std::max(a.lines.size(), b.lines.size()));
  for (size_t i = 0; i < out.lines.size(); ++i) {
    const QByteArray first = i < a.lines.size() ? a.lines[i] : QByteArray();
    const QByteArray second = i < b.lines.size() ? b.lines[i] : QByteArray();
    auto at = [](const QByteArray& s, qsizetype c) { return c >= 0 && c < s.size() ? s[c] : char(0xFF); };
    QByteArray line(std::max(first.size(), second.size() + 1), '\0');
    for (qsizetype c = 0; c < line.size(); ++c) line[c] = static_cast<char>(at(first, c) & at(second, c - 1));
    out.lines[i] = line;
  }
  return out;
}

std::vector<OutPiece> ShapeReply(const Reply& reply, const Fault& fault, int baud) {
  std::vector<OutPiece> out;
  if (!reply.hasReply() && fault.kind != FaultKind::Raw) return out;
  std::vector<QByteArray> lines = reply.lines;
  const int delay = reply.delayMs;
  auto one = [&](QByteArray data, int extraDelay = 0) {
    OutPiece p;
    p.data = std::move(data);
    p.delayMs = delay + extraDelay;
    out.push_back(std::move(p));
    return &out.back();
  };
  auto joined = [&lines] {
    QByteArray all;
    for (const QByteArray& l : lines) all += l;
    return all;
  };
  const int arg = std::max(0, fault.arg);
  switch (fault.kind) {
    case FaultKind::None: one(joined()); break;
    case FaultKind::Silence: break;
    case FaultKind::Delay: one(joined(), arg); break;
    case FaultKind::Noise: one(NoiseBytes(arg) + joined()); break;
    case FaultKind::Split: {
      const QByteArray all = joined();
      const int size = std::max(1, arg);
      for (qsizetype i = 0; i < all.size(); i += size) {
        OutPiece p;
        p.data = all.mid(i, size);
        p.delayMs = i == 0 ? delay : std::max(0, fault.pauseMs);
        out.push_back(std::move(p));
      }
      break;
    }
    case FaultKind::WrongCode:
      if (lines.front().size() >= 3) lines.front().replace(1, 2, "XX");
      one(joined());
      break;
    case FaultKind::Raw:
      if (!fault.raw.isEmpty()) one(fault.raw);
      break;
    case FaultKind::StopAfter:
    case FaultKind::StopAfterNoEnd: {
      if (reply.stream) {
        QByteArray end = lines.back();
        lines.pop_back();
        if (static_cast<qsizetype>(lines.size()) > arg) lines.resize(arg);
        if (fault.kind == FaultKind::StopAfter) lines.push_back(end);
      }
      if (!lines.empty()) one(joined());
      break;
    }
    case FaultKind::InvalidDate: {
      // Day 31 of February at 25:00:00; the year stays the record's own.
      qsizetype index = 0;
      for (QByteArray& l : lines) {
        if (!l.startsWith("$DD") || l.size() != 30) continue;
        if (index++ == arg) l.replace(15, 12, "3102" + l.mid(19, 2) + "250000");
      }
      one(joined());
      break;
    }
    case FaultKind::DropAfterBytes: one(joined())->dropAfter = arg; break;
    case FaultKind::Bursts: {
      // What the line carries in one latency period reaches the PC at its end.
      const QByteArray all = joined();
      const qsizetype size = baud > 0 ? std::max<qsizetype>(1, qsizetype(arg) * baud / 11000) : all.size();
      for (qsizetype i = 0; i < all.size(); i += size) one(all.mid(i, size), i == 0 ? arg : arg - delay)->burst = true;
      break;
    }
    case FaultKind::DelayTail: {
      const QByteArray all = joined();
      const qsizetype k = std::min<qsizetype>(arg, all.size());
      if (k < all.size()) one(all.left(all.size() - k));
      one(all.right(k), std::max(0, fault.pauseMs) - (k < all.size() ? delay : 0));
      break;
    }
    case FaultKind::StaleTail: {
      const QByteArray all = "**\r" + joined();
      const int size = std::max(1, arg);
      for (qsizetype i = 0; i < all.size(); i += size)
        one(all.mid(i, size), i == 0 ? 0 : std::max(0, fault.pauseMs) - delay);
      break;
    }
    case FaultKind::EndlessNoCr: {
      // The "$" and the code, then bytes that never contain a CR.
      OutPiece* p = one(lines.front().left(3));
      p->endless = true;
      p->endlessLimit = arg;
      break;
    }
  }
  return out;
}

}  // namespace tessaro::sim
