// What the pages and the API take from a request, checked the same way for both.

#include <QDate>
#include <QRegularExpression>

#include "accessstore.h"
#include "pages.h"

namespace tessaro::web {

std::optional<QDateTime> ParseWhen(const QString& text, bool end) {
  static const QRegularExpression shape(
      QStringLiteral("^(?:(\\d{1,2})/(\\d{1,2})/(\\d{4})|(\\d{4})-(\\d{2})-(\\d{2}))(?:[ T](\\d{1,2}):(\\d{2})(?::(\\d{2}))?)?$"));
  const QRegularExpressionMatch m = shape.match(text.trimmed());
  if (!m.hasMatch()) return std::nullopt;
  const bool iso = !m.captured(4).isEmpty();
  const QDate day = iso ? QDate(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt())
                        : QDate(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt());
  if (!day.isValid()) return std::nullopt;
  if (m.captured(7).isEmpty()) return QDateTime(day, end ? QTime(23, 59, 59) : QTime(0, 0));
  // A time without seconds takes in its whole minute at the end.
  const QTime time(m.captured(7).toInt(), m.captured(8).toInt(),
                   m.captured(9).isEmpty() ? (end ? 59 : 0) : m.captured(9).toInt());
  if (!time.isValid()) return std::nullopt;
  return QDateTime(day, time);
}

std::optional<PassageFilter> FilterOf(const Call& call, QString* why) {
  PassageFilter f;
  f.newestFirst = true;
  const QString from = call.param("from").trimmed(), to = call.param("to").trimmed();
  const QString readers = call.param("readers").trimmed(), card = call.param("card").trimmed();
  if (!from.isEmpty() && !(f.from = ParseWhen(from, false))) return *why = from, std::nullopt;
  if (!to.isEmpty() && !(f.to = ParseWhen(to, true))) return *why = to, std::nullopt;
  if (!readers.isEmpty()) {
    const auto list = ParseAddressList(readers);
    if (!list) return *why = readers, std::nullopt;
    f.addresses = *list;
  }
  if (!card.isEmpty()) {
    bool ok = false;
    const qint64 n = card.toLongLong(&ok);
    if (!ok || n < 0 || n > 4294967295LL || !card.front().isDigit()) return *why = card, std::nullopt;
    f.card = n;
  }
  return f;
}

std::optional<AccessHolder> CheckHolder(const Call& call, const AccessData& data, const AccessHolder& before,
                                        const HolderFields& fields, QString* why) {
  AccessHolder h = before;
  if (fields.name) {
    h.name = fields.name->trimmed();
    if (!ValidName(h.name, false)) return *why = call.tr(text::kBadName), std::nullopt;
    const AccessHolder* same = data.holder(h.name);
    if (same && same->id != before.id) return *why = call.tr(text::kNameTaken), std::nullopt;
  }
  if (fields.cards) {
    QString bad;
    const auto cards = ParseCardList(*fields.cards, &bad);
    if (!cards) return *why = call.tr(text::kBadCards).arg(bad), std::nullopt;
    h.cards = *cards;
    std::sort(h.cards.begin(), h.cards.end());
    h.cards.erase(std::unique(h.cards.begin(), h.cards.end()), h.cards.end());
    // A card held by someone else stays theirs: moving it is a change of its own.
    for (const quint32 c : h.cards)
      if (const AccessHolder* other = data.holderOfCard(c); other && other->id != before.id)
        return *why = call.tr(text::kCardTaken).arg(c).arg(other->name), std::nullopt;
  }
  const auto day = [&](const std::optional<QString>& text, QDate& into) {
    if (!text) return true;
    const std::optional<QDate> d = ParseDay(text->trimmed());
    if (!d) return *why = call.tr(text::kBadDate).arg(*text), false;
    into = *d;
    return true;
  };
  if (!day(fields.from, h.validFrom) || !day(fields.until, h.validUntil)) return std::nullopt;
  if (fields.note) h.note = fields.note->left(1000);
  if (fields.groups) {
    h.groups.clear();
    for (const QString& name : *fields.groups) {
      const AccessGroup* g = data.group(name);
      if (!g) return *why = call.tr(text::kBadGroup).arg(name), std::nullopt;
      h.groups.push_back(g->id);
    }
    std::sort(h.groups.begin(), h.groups.end());
    h.groups.erase(std::unique(h.groups.begin(), h.groups.end()), h.groups.end());
  }
  if (fields.enabled) h.enabled = *fields.enabled;
  return h;
}

bool SaveHolder(Call& call, const AccessData& data, const AccessHolder* before, AccessHolder& after, QString* why) {
  AccessChanges changes(call.store, call.actor());
  if (changes.begun() && changes.saveHolder(before, after, data) && changes.commit()) return true;
  *why = call.tr(text::kStoreFailed);
  return false;
}

}  // namespace tessaro::web
