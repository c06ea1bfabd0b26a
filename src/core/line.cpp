#include "line.h"

#include <algorithm>
#include <iterator>
#include <set>

#include "cards.h"
#include "settingsfields.h"

namespace tessaro {

namespace {

bool Contains(const std::vector<DeviceModel>& models, DeviceModel model) {
  return std::find(models.begin(), models.end(), model) != models.end();
}

// The reader's card list, each card once and in order; nullopt when it did not come whole.
std::optional<std::vector<quint32>> CardsOf(ExchangeEnv& env, DeviceId deviceId, Why* why) {
  std::set<quint32> cards;
  const CardsRead read = ReadCards(env, deviceId, [&](const std::vector<qint32>& got) {
    for (const qint32 c : got) cards.insert(static_cast<quint32>(c));
  });
  // A line that is not a card line ends an empty or a shorter list, as the window takes it.
  if (read.end == StreamEnd::Silence || read.end == StreamEnd::PortFault) {
    *why = read.end == StreamEnd::Silence ? Why::TimedOut : Why::BadReply;
    return std::nullopt;
  }
  return std::vector<quint32>(cards.begin(), cards.end());
}

// The settings as a write would send them (a relay time the model ignores in
// Stand-Alone goes as 1, …), so that a reader and its entry compare alike; as
// they are where no write could send them.
QJsonObject Sendable(const SettingsForm& form, DeviceModel model) {
  const SettingsCheck check = CheckSettingsForm(form, model);
  if (check.invalid) return SettingsJson(form, model);
  const SettingsRecord& r = check.record;
  SettingsForm sent = form;
  sent.relayTime = QString::number(r.relayTime);
  sent.runMode = static_cast<RunMode>(r.runMode);
  sent.masterCard = r.masterCardId;
  sent.triggerTime = QString::number(r.triggerTime);
  return SettingsJson(sent, model);
}

}  // namespace

bool ReaderPlan::nothingToDo() const {
  return answered() && !unsendable && settings.empty() &&
         (cards == CardsPlan::NotManaged || cards == CardsPlan::Same || cards == CardsPlan::Unknown);
}

SavedReader SaveReader(ExchangeEnv& env, DeviceId deviceId, DeviceModel preferred) {
  SavedReader s;
  const ProbedReader p = ProbeReader(env, deviceId, preferred);
  s.present = p.present;
  if (!p.ok()) {
    s.why = p.why();
    return s;
  }
  LineEntry& e = s.entry;
  e.address = deviceId.value();
  e.models = p.models;
  e.readAs = ModelOfFamily(p.models, preferred);
  // The reply tells the family only; the chosen model stands where it is of the family.
  e.model = Contains(p.models, preferred) ? QLatin1String(Facts(preferred).name) : FamilyName(p.models);
  e.settings = SettingsJson(FormOf(*p.settings, deviceId), e.readAs);
  if (Can(e.readAs, Ability::CardDownload)) {
    e.cards = CardsOf(env, deviceId, &s.why);
    if (!e.cards) return s;
  }
  s.why = Why::Done;
  return s;
}

ReaderPlan PlanReader(ExchangeEnv& env, const LineEntry& entry, DeviceId at, bool sendUnreadableCards) {
  ReaderPlan plan;
  plan.address = entry.address;
  plan.at = at;
  const SettingsRead read = ReadSettings(env, at, entry.readAs);
  if (read.outcome != Outcome::Ok) {
    plan.read = WhyOf(read.outcome);
    return plan;
  }
  const SettingsForm now = FormOf(InterpretSettings(read.reply, entry.readAs), at);
  SettingsForm wanted = now;
  wanted.newId = QString::number(entry.address);
  for (auto it = entry.settings.begin(); it != entry.settings.end(); ++it) ApplySettingsField(wanted, it.key(), *it);
  const QJsonObject was = Sendable(now, entry.readAs), will = Sendable(wanted, entry.readAs);
  if (at.value() != entry.address) plan.settings.push_back({"address", at.value(), entry.address});
  for (const QString& field : SettingsFieldNames(entry.readAs))
    if (entry.settings.contains(field) && was.value(field) != will.value(field))
      plan.settings.push_back({field, was.value(field), will.value(field)});
  if (!plan.settings.empty()) {
    // One write carries every setting: those the entry leaves out go as the reader has them.
    const SettingsCheck check = CheckSettingsForm(wanted, entry.readAs);
    if (check.invalid) plan.unsendable = *check.invalid;
    plan.write = check.record;
    plan.write.currentId = at;
  }
  if (!entry.cards) return plan;
  const std::vector<quint32>& want = *entry.cards;
  if (!Can(entry.readAs, Ability::CardDownload)) {
    plan.cards = sendUnreadableCards ? CardsPlan::SendWhole : CardsPlan::Unknown;
    if (sendUnreadableCards) plan.add = want;
    return plan;
  }
  Why why = Why::Done;
  const std::optional<std::vector<quint32>> have = CardsOf(env, at, &why);
  if (!have) {
    plan.read = why;
    return plan;
  }
  std::set_difference(want.begin(), want.end(), have->begin(), have->end(), std::back_inserter(plan.add));
  std::set_difference(have->begin(), have->end(), want.begin(), want.end(), std::back_inserter(plan.remove));
  // The readers know no command that takes one card away: a card that must
  // go takes the whole memory with it, and the whole list goes back.
  if (!plan.remove.empty()) {
    plan.cards = CardsPlan::Replace;
    plan.add = want;
  } else {
    plan.cards = plan.add.empty() ? CardsPlan::Same : CardsPlan::Add;
  }
  return plan;
}

ReaderApply ApplyReader(ExchangeEnv& env, const LineEntry& entry, const ReaderPlan& plan,
                        const std::function<bool()>& stopped) {
  ReaderApply a;
  if (!plan.answered() || plan.unsendable) {
    a.why = plan.answered() ? Why::BadReply : plan.read;
    return a;
  }
  if (!plan.settings.empty()) {
    const Outcome written = WriteSettings(env, plan.write);
    if (written != Outcome::Ok) {
      a.why = WhyOf(written);
      return a;
    }
    a.settingsWritten = true;
  }
  const DeviceId deviceId = entry.address;
  if (plan.cards == CardsPlan::Add || plan.cards == CardsPlan::Replace || plan.cards == CardsPlan::SendWhole) {
    const std::vector<qint32> cards(plan.add.begin(), plan.add.end());
    const bool erase = plan.cards != CardsPlan::Add;
    const CardPush push = PushCards(env, deviceId, cards, erase, stopped);
    a.cardsErased = erase && !push.eraseFailed;
    a.cardsSent = push.sent;
    if (!push.ok()) {
      a.why = push.why();
      return a;
    }
  }
  a.after = PlanReader(env, entry, deviceId, false);
  a.why = !a.after->answered() ? a.after->read : a.after->nothingToDo() ? Why::Done : Why::NotTaken;
  return a;
}

}  // namespace tessaro
