#include "line.h"

#include <algorithm>
#include <iterator>
#include <set>

#include "cards.h"
#include "settingsfields.h"

namespace tessaro {

namespace {

// The reader's card list, each card once and in order; nullopt when it did not come whole.
std::optional<std::vector<quint32>> CardsOf(ExchangeEnv& env, DeviceId deviceId, Why* why) {
  std::set<quint32> cards;
  const CardsRead read =
      ReadCards(env, deviceId, [&](const std::vector<quint32>& got) { cards.insert(got.begin(), got.end()); });
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
  return answered() && !unsendable && !refused && settings.empty() &&
         (cards == CardsPlan::NotManaged || cards == CardsPlan::Same || cards == CardsPlan::Unknown);
}

SavedReader SaveReader(ExchangeEnv& env, DeviceId deviceId, const ReaderModel& given, const ProbedReader* probed) {
  SavedReader s;
  const ProbedReader p = probed ? *probed : ProbeReader(env, deviceId);
  s.present = p.present;
  s.family = p.family;
  if (!p.ok()) {
    s.why = p.why();
    return s;
  }
  LineEntry& e = s.entry;
  e.address = deviceId.value();
  e.model = p.family.within(given);
  if (e.model.none()) {
    s.why = Why::OtherModel;
    return s;
  }
  // Each value as a write would send it (a relay time the model does not
  // take goes as 1). A value that depends on which candidate the reader is
  // is not known, and what is not known is left out: the entry then leaves
  // it as the reader has it.
  QJsonObject settings = SettingsJson(InterpretSettings(p.reply, e.model), e.model);
  for (const DeviceModel m : e.model.candidates()) {
    const QJsonObject sent = Sendable(FormOf(InterpretSettings(p.reply, m), deviceId), m);
    for (auto it = settings.begin(); it != settings.end(); ++it)
      if (!it->isNull() && sent.value(it.key()) != *it) *it = e.model.known() ? sent.value(it.key()) : QJsonValue();
  }
  for (auto it = settings.begin(); it != settings.end(); ++it)
    if (!it->isNull()) e.settings[it.key()] = *it;
  if (e.model.can(Ability::CardDownload)) {
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
  const bool writes = !entry.firstWritten().isEmpty() || at.value() != entry.address;
  if (writes && !entry.model.known()) {
    plan.read = Why::ModelUnknown;
    return plan;
  }
  const ReaderSettings read = ReadReaderSettings(env, at, entry.model);
  if (!read.ok()) {
    plan.read = read.why;
    plan.answeredAs = read.model;
    return plan;
  }
  if (!writes) return plan;
  const DeviceModel model = entry.model.model();
  const SettingsForm now = FormOf(read.settings, at);
  SettingsForm wanted = now;
  wanted.newId = QString::number(entry.address);
  for (auto it = entry.settings.begin(); it != entry.settings.end(); ++it) ApplySettingsField(wanted, it.key(), *it);
  plan.refused = RefusedField(entry.settings.keys(), wanted, model);
  const QJsonObject was = Sendable(now, model), will = Sendable(wanted, model);
  if (at.value() != entry.address) plan.settings.push_back({"address", at.value(), entry.address});
  for (const QString& field : SettingsFieldNames(model))
    if (entry.settings.contains(field) && was.value(field) != will.value(field))
      plan.settings.push_back({field, was.value(field), will.value(field)});
  if (!plan.settings.empty()) {
    // One write carries every setting: those the entry leaves out go as the reader has them.
    const SettingsCheck check = CheckSettingsForm(wanted, model);
    if (check.invalid) plan.unsendable = *check.invalid;
    plan.write = check.record;
    plan.write.currentId = at;
  }
  if (!entry.cards) return plan;
  const std::vector<quint32>& want = *entry.cards;
  if (!Can(model, Ability::CardDownload)) {
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
  if (!plan.answered() || plan.unsendable || plan.refused) {
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
    const bool erase = plan.cards != CardsPlan::Add;
    const CardPush push = PushCards(env, deviceId, plan.add, erase, stopped);
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
