#include "accesseditor.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCollator>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <algorithm>

#include "builders.h"
#include "busview.h"
#include "texts.h"

namespace tessaro {

namespace caption = text::caption;

namespace {

template <typename T>
const T* WithId(const std::vector<T>& all, qint64 id) {
  const auto it = std::find_if(all.begin(), all.end(), [id](const T& x) { return x.id == id; });
  return it == all.end() ? nullptr : &*it;
}

qint64 IdOf(const QListWidgetItem* item) { return item ? item->data(Qt::UserRole).toLongLong() : 0; }

qint64 SelectedId(const QListWidget* list) { return IdOf(list->currentItem()); }

void Select(QListWidget* list, qint64 id) {
  for (int i = 0; i < list->count(); ++i)
    if (IdOf(list->item(i)) == id) return list->setCurrentRow(i);
  list->setCurrentRow(-1);
}

QListWidgetItem* Item(QListWidget* list, const QString& text, qint64 id, bool checkable) {
  auto* item = new QListWidgetItem(text, list);
  item->setData(Qt::UserRole, id);
  if (checkable) {
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
  }
  return item;
}

void Check(QListWidget* list, const std::vector<qint64>& ids) {
  for (int i = 0; i < list->count(); ++i)
    list->item(i)->setCheckState(std::binary_search(ids.begin(), ids.end(), IdOf(list->item(i))) ? Qt::Checked
                                                                                                 : Qt::Unchecked);
}

std::vector<qint64> Checked(const QListWidget* list) {
  std::vector<qint64> ids;
  for (int i = 0; i < list->count(); ++i)
    if (list->item(i)->checkState() == Qt::Checked) ids.push_back(IdOf(list->item(i)));
  std::sort(ids.begin(), ids.end());
  return ids;
}

// Turkish names are found whichever way the dotted and dotless i were typed.
QString SearchKey(const QString& text) {
  QString key = text.toCaseFolded();
  key.replace(QChar(0x130), u'i').replace(QChar(0x131), u'i').remove(QChar(0x307));
  return key;
}

QString Day(QDate d) { return d.isNull() ? QString() : d.toString(QStringLiteral("dd/MM/yyyy")); }

QTableWidget* Table(QWidget* parent, const char* name, const text::Text* captions, int columns) {
  auto* t = Named<QTableWidget>(parent, QLatin1String(name));
  t->setColumnCount(columns);
  QStringList headers;
  for (int c = 0; c < columns; ++c) headers << captions[c].translated();
  t->setHorizontalHeaderLabels(headers);
  t->verticalHeader()->hide();
  t->verticalHeader()->setDefaultSectionSize(t->fontMetrics().height() + 6);
  t->horizontalHeader()->setStretchLastSection(true);
  t->setSelectionBehavior(QAbstractItemView::SelectRows);
  t->setSelectionMode(QAbstractItemView::SingleSelection);
  t->setEditTriggers(QAbstractItemView::NoEditTriggers);
  t->setWordWrap(false);
  return t;
}

// Every column but the last, which takes the rest of the width.
void FitColumns(QTableWidget* t) {
  for (int c = 0; c + 1 < t->columnCount(); ++c) t->resizeColumnToContents(c);
}

void SetRow(QTableWidget* t, int row, const QStringList& cells, qint64 id = 0) {
  for (int c = 0; c < cells.size(); ++c) {
    auto* item = new QTableWidgetItem(cells[c]);
    item->setData(Qt::UserRole, id);
    t->setItem(row, c, item);
  }
}

// What the plan writes to the door's card memory, as the bus view says it.
QString WhatText(const DoorOutcome& d) {
  const ReaderPlan& p = d.plan.reader;
  if (!d.planned || d.plan.overLimit() || !p.answered()) return {};
  const int send = static_cast<int>(p.add.size());
  switch (p.cards) {
    case CardsPlan::NotManaged: break;
    case CardsPlan::Same: return text::kAccessSame;
    case CardsPlan::Add: return text::BusCardsToAdd(send);
    case CardsPlan::Replace: return text::AccessCardsReplace(send, static_cast<int>(p.remove.size()));
    case CardsPlan::SendWhole: return text::BusCardsToReplace(send);
    case CardsPlan::Unknown: return text::kBusCardsUnknown;
  }
  return {};
}

QString StatusText(const LineOutcome& line, const DoorOutcome& d, bool applying, bool stopped) {
  const ReaderPlan& p = d.plan.reader;
  if (line.end == LineEnd::NoLink) return text::kAccessNoLink;
  if (line.end == LineEnd::StoreFailed) return text::kAccessNoLock;
  if (!d.planned) return line.end == LineEnd::LockLost ? text::kAccessLockLost : text::kAccessNotDone;
  if (d.plan.overLimit())
    return text::BusTooManyCards(QLatin1String(Facts(d.plan.door.model).name), d.plan.wanted.limit);
  if (p.read == Why::OtherModel) return text::BusOtherModel(ModelNames(p.answeredAs.candidates()));
  if (!p.answered()) return BusWhyText(p.read);
  if (!applying || !d.plan.writes()) return d.plan.nothingToDo() ? text::kAccessUpToDate : text::kAccessDiffers;
  if (!d.applied) {
    if (line.end == LineEnd::LockLost) return text::kAccessLockLost;
    return line.end == LineEnd::Declined && !stopped ? text::kAccessDeclined : text::kAccessNotDone;
  }
  if (d.applied->ok()) return text::kBusApplied;
  return d.applied->after && d.applied->after->answered() ? text::kAccessReadBackDiffers : BusWhyText(d.applied->why);
}

}  // namespace

AccessEditor::AccessEditor(Session& session, QWidget* parent) : QWidget(parent, Qt::Window), session_(session) {
  setObjectName(QStringLiteral("frmAccess"));
  setWindowTitle(caption::frmAccess);
  resize(900, 560);
  tabs_ = Named<QTabWidget>(this, QStringLiteral("tabAccess"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);

  // Holders: the list with its search on the left, the selected one's form on the right.
  auto* page = new QWidget;
  tabs_->addTab(page, caption::tabAccess[0]);
  search_ = Named<QLineEdit>(page, QStringLiteral("txtHolderSearch"));
  holders_ = Named<QListWidget>(page, QStringLiteral("lstHolders"));
  name_ = Named<QLineEdit>(page, QStringLiteral("txtHolderName"));
  note_ = Named<QLineEdit>(page, QStringLiteral("txtHolderNote"));
  enabled_ = Named<QCheckBox>(page, QStringLiteral("chkHolderEnabled"));
  enabled_->setText(caption::chkHolderEnabled);
  from_ = NamedBox(page, "txtHolderFrom", QString(), 200);
  until_ = NamedBox(page, "txtHolderUntil", QString(), 200);
  for (QLineEdit* day : {from_, until_}) day->setPlaceholderText(caption::HolderDatesHint);
  cards_ = Named<QLineEdit>(page, QStringLiteral("txtHolderCards"));
  holderGroups_ = Named<QListWidget>(page, QStringLiteral("lstHolderGroups"));
  holderDoors_ = Named<QListWidget>(page, QStringLiteral("lstHolderDoors"));
  auto* newHolder = NamedButton(page, "cmdHolderNew", caption::cmdHolderNew);
  auto* add = NamedButton(page, "cmdHolderAdd", caption::cmdHolderAdd);
  auto* save = NamedButton(page, "cmdHolderSave", caption::cmdHolderSave);
  auto* disable = NamedButton(page, "cmdHolderDisable", caption::cmdHolderDisable);
  auto* left = new QVBoxLayout;
  left->addWidget(new QLabel(caption::HolderSearch, page));
  left->addWidget(search_);
  left->addWidget(holders_);
  auto* form = new QGridLayout;
  int row = 0;
  const std::pair<const text::Text*, QWidget*> fields[] = {{&caption::HolderName, name_},
                                                           {&caption::HolderNote, note_},
                                                           {&caption::HolderFrom, from_},
                                                           {&caption::HolderUntil, until_},
                                                           {&caption::HolderCards, cards_}};
  for (const auto& [label, box] : fields) {
    form->addWidget(new QLabel(*label, page), row, 0);
    form->addWidget(box, row++, 1, 1, 3);
  }
  form->addWidget(enabled_, row++, 1);
  form->addWidget(new QLabel(caption::HolderGroups, page), row, 0, 1, 2);
  form->addWidget(new QLabel(caption::HolderDoors, page), row++, 2, 1, 2);
  form->addWidget(holderGroups_, row, 0, 1, 2);
  form->addWidget(holderDoors_, row++, 2, 1, 2);
  auto* buttons = new QHBoxLayout;
  for (QPushButton* b : {newHolder, add, save, disable}) buttons->addWidget(b);
  buttons->addStretch();
  form->addLayout(buttons, row, 0, 1, 4);
  auto* holdersLayout = new QHBoxLayout(page);
  holdersLayout->addLayout(left, 1);
  holdersLayout->addLayout(form, 2);

  // Groups with the doors each reaches; the doors, renamed here.
  page = new QWidget;
  tabs_->addTab(page, caption::tabAccess[1]);
  groups_ = Named<QListWidget>(page, QStringLiteral("lstGroups"));
  groupName_ = Named<QLineEdit>(page, QStringLiteral("txtGroupName"));
  auto* addGroup = NamedButton(page, "cmdGroupAdd", caption::cmdGroupAdd);
  groupDoors_ = Named<QListWidget>(page, QStringLiteral("lstGroupDoors"));
  auto* saveGroup = NamedButton(page, "cmdGroupSave", caption::cmdGroupSave);
  doors_ = Table(page, "tblDoors", caption::tblDoors, 4);
  doorName_ = Named<QLineEdit>(page, QStringLiteral("txtDoorName"));
  auto* rename = NamedButton(page, "cmdDoorName", caption::cmdDoorName);
  auto* grid = new QGridLayout(page);
  grid->addWidget(new QLabel(caption::HolderGroups, page), 0, 0, 1, 2);
  grid->addWidget(groups_, 1, 0, 1, 2);
  grid->addWidget(new QLabel(caption::GroupName, page), 2, 0);
  grid->addWidget(groupName_, 2, 1);
  grid->addWidget(addGroup, 3, 1, Qt::AlignRight);
  grid->addWidget(new QLabel(caption::GroupDoors, page), 0, 2);
  grid->addWidget(groupDoors_, 1, 2);
  grid->addWidget(saveGroup, 3, 2, Qt::AlignRight);
  grid->addWidget(doors_, 0, 3, 2, 2);
  grid->addWidget(new QLabel(caption::DoorName, page), 2, 3);
  grid->addWidget(doorName_, 2, 4);
  grid->addWidget(rename, 3, 4, Qt::AlignRight);
  auto* hint = new QLabel(caption::DoorsFromSite, page);
  hint->setWordWrap(true);
  grid->addWidget(hint, 4, 0, 1, 5);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(2, 1);
  grid->setColumnStretch(4, 2);

  // The plan and the apply, door by door.
  page = new QWidget;
  tabs_->addTab(page, caption::tabAccess[2]);
  plan_ = NamedButton(page, "cmdPlan", caption::cmdPlan);
  apply_ = NamedButton(page, "cmdApply", caption::cmdApply);
  stop_ = NamedButton(page, "cmdStopApply", caption::cmdStopApply);
  stop_->setEnabled(false);
  unreadable_ = Named<QCheckBox>(page, QStringLiteral("chkAccessUnreadable"));
  unreadable_->setText(caption::chkAccessUnreadable);
  table_ = Table(page, "tblAccessPlan", caption::tblAccessPlan, 5);
  state_ = Named<QLabel>(page, QStringLiteral("lblAccessState"));
  auto* top = new QHBoxLayout;
  for (QWidget* w : std::initializer_list<QWidget*>{plan_, apply_, stop_, unreadable_}) top->addWidget(w);
  top->addStretch();
  auto* planLayout = new QVBoxLayout(page);
  planLayout->addLayout(top);
  planLayout->addWidget(table_);
  planLayout->addWidget(state_);

  connect(search_, &QLineEdit::textChanged, this, &AccessEditor::filterHolders);
  connect(holders_, &QListWidget::currentRowChanged, this, &AccessEditor::showHolder);
  connect(newHolder, &QPushButton::clicked, this, [this] {
    holders_->setCurrentRow(-1);
    clearHolder();
  });
  connect(add, &QPushButton::clicked, this, &AccessEditor::addHolder);
  connect(save, &QPushButton::clicked, this, [this] { changeHolder(false); });
  connect(disable, &QPushButton::clicked, this, [this] { changeHolder(true); });
  connect(groups_, &QListWidget::currentRowChanged, this, &AccessEditor::showGroup);
  connect(addGroup, &QPushButton::clicked, this, &AccessEditor::addGroup);
  connect(saveGroup, &QPushButton::clicked, this, &AccessEditor::saveGroupDoors);
  connect(doors_, &QTableWidget::itemSelectionChanged, this, &AccessEditor::showDoor);
  connect(rename, &QPushButton::clicked, this, &AccessEditor::renameDoor);
  connect(plan_, &QPushButton::clicked, this, [this] { run(false); });
  connect(apply_, &QPushButton::clicked, this, [this] { run(true); });
  connect(stop_, &QPushButton::clicked, this, [this] { stopped_ = true; });
}

std::optional<AccessData> AccessEditor::load() {
  RecordStore* store = session_.store();
  if (!store) return std::nullopt;
  std::optional<AccessData> data = LoadAccess(*store);
  if (!data) {
    session_.prompts().message(text::kStoreNotRead, store->lastError());
    session_.dropStore();
  }
  return data;
}

bool AccessEditor::write(const std::function<bool(AccessChanges&)>& save) {
  RecordStore* store = session_.store();
  if (!store) return false;
  AccessChanges changes(*store, Actor::OfThisProcess());
  if (changes.begun() && save(changes) && changes.commit()) return true;
  session_.prompts().message(text::kStoreNotWritten, store->lastError());
  return false;
}

bool AccessEditor::reload() {
  std::optional<AccessData> data = load();
  if (!data) return false;
  data_ = std::move(data);
  // The store sorts names by their bytes, which puts "İsmail" after "Zeynep".
  const QCollator turkish{QLocale(QLocale::Turkish, QLocale::Turkey)};
  std::stable_sort(data_->holders.begin(), data_->holders.end(),
                   [&](const AccessHolder& a, const AccessHolder& b) { return turkish.compare(a.name, b.name) < 0; });
  const qint64 holder = SelectedId(holders_), group = SelectedId(groups_);
  for (QListWidget* list : {holders_, holderGroups_, holderDoors_, groups_, groupDoors_}) {
    const QSignalBlocker quiet(list);
    list->clear();
  }
  for (const AccessHolder& h : data_->holders) {
    QListWidgetItem* item = Item(holders_, h.name, h.id, false);
    if (!h.enabled) item->setForeground(palette().brush(QPalette::Disabled, QPalette::Text));
  }
  for (const AccessGroup& g : data_->groups) {
    Item(holderGroups_, g.name, g.id, true);
    Item(groups_, g.name, g.id, false);
  }
  doors_->setRowCount(static_cast<int>(data_->doors.size()));
  for (size_t i = 0; i < data_->doors.size(); ++i) {
    const AccessDoor& d = data_->doors[i];
    Item(holderDoors_, d.shown(), d.id, true);
    Item(groupDoors_, d.shown(), d.id, true);
    SetRow(doors_, static_cast<int>(i),
           {d.line, QString::number(d.address), d.name, QLatin1String(Facts(d.model).name)}, d.id);
  }
  FitColumns(doors_);
  filterHolders();
  {
    const QSignalBlocker quiet(holders_);
    Select(holders_, holder);
  }
  showHolder();
  Select(groups_, group);
  return true;
}

void AccessEditor::filterHolders() {
  const QString typed = search_->text().trimmed(), key = SearchKey(typed);
  bool isCard = false;
  const quint32 card = typed.toUInt(&isCard);
  for (int i = 0; i < holders_->count() && data_; ++i) {
    const AccessHolder& h = data_->holders[static_cast<size_t>(i)];
    const bool holds = isCard && std::binary_search(h.cards.begin(), h.cards.end(), card);
    holders_->item(i)->setHidden(!holds && !SearchKey(h.name).contains(key));
  }
}

void AccessEditor::clearHolder() {
  for (QLineEdit* box : {name_, note_, from_, until_, cards_}) box->clear();
  enabled_->setChecked(true);
  Check(holderGroups_, {});
  Check(holderDoors_, {});
}

void AccessEditor::showHolder() {
  const AccessHolder* h = data_ ? WithId(data_->holders, SelectedId(holders_)) : nullptr;
  if (!h) return clearHolder();
  name_->setText(h->name);
  note_->setText(h->note);
  enabled_->setChecked(h->enabled);
  from_->setText(Day(h->validFrom));
  until_->setText(Day(h->validUntil));
  QStringList cards;
  for (const quint32 c : h->cards) cards << QString::number(c);
  cards_->setText(cards.join(u' '));
  Check(holderGroups_, h->groups);
  Check(holderDoors_, h->grants);
}

bool AccessEditor::takeForm(const AccessData& data, AccessHolder& h) {
  const auto refuse = [this](QLineEdit* box, const QString& why) {
    session_.prompts().message(why);
    box->setFocus();
    return false;
  };
  const QString name = name_->text().trimmed();
  if (!ValidName(name, false)) return refuse(name_, text::kHolderBadName);
  if (const AccessHolder* other = data.holder(name); other && other->id != h.id)
    return refuse(name_, text::HolderNameTaken(name));
  QString bad;
  const std::optional<std::vector<quint32>> cards = ParseCardList(cards_->text(), &bad);
  if (!cards) return refuse(cards_, text::kBadCard + bad);
  for (const quint32 c : *cards)
    if (const AccessHolder* other = data.holderOfCard(c); other && other->id != h.id)
      return refuse(cards_, text::CardHeld(c, other->name));
  const std::optional<QDate> from = ParseDay(from_->text()), until = ParseDay(until_->text());
  if (!from) return refuse(from_, text::kHolderBadDate);
  if (!until) return refuse(until_, text::kHolderBadDate);
  if (!from->isNull() && !until->isNull() && *until < *from) return refuse(until_, text::kHolderDatesReversed);
  h.name = name;
  h.note = note_->text();
  h.enabled = enabled_->isChecked();
  h.validFrom = *from;
  h.validUntil = *until;
  h.cards = *cards;
  h.groups = Checked(holderGroups_);
  h.grants = Checked(holderDoors_);
  return true;
}

void AccessEditor::addHolder() {
  const std::optional<AccessData> data = load();
  AccessHolder h;
  if (!data || !takeForm(*data, h) || !write([&](AccessChanges& c) { return c.saveHolder(nullptr, h, *data); })) return;
  search_->clear();
  reload();
  Select(holders_, h.id);
}

void AccessEditor::changeHolder(bool disable) {
  const qint64 id = SelectedId(holders_);
  if (!id) return session_.prompts().message(text::kHolderNotSelected);
  const std::optional<AccessData> data = load();
  if (!data) return;
  const AccessHolder* before = WithId(data->holders, id);
  if (!before) {
    session_.prompts().message(text::AccessGone(holders_->currentItem()->text()));
    reload();
    return;
  }
  AccessHolder h = *before;
  if (disable) h.enabled = false;
  else if (!takeForm(*data, h)) return;
  if (write([&](AccessChanges& c) { return c.saveHolder(before, h, *data); })) reload();
}

void AccessEditor::showGroup() {
  const AccessGroup* g = data_ ? WithId(data_->groups, SelectedId(groups_)) : nullptr;
  Check(groupDoors_, g ? g->doors : std::vector<qint64>{});
}

void AccessEditor::addGroup() {
  const QString name = groupName_->text().trimmed();
  if (!ValidName(name, true)) return session_.prompts().message(text::kBadListedName);
  const std::optional<AccessData> data = load();
  if (!data) return;
  if (data->group(name)) return session_.prompts().message(text::GroupNameTaken(name));
  AccessGroup g{0, name, {}};
  if (!write([&](AccessChanges& c) { return c.saveGroup(nullptr, g, *data); })) return;
  groupName_->clear();
  reload();
  Select(groups_, g.id);
}

void AccessEditor::saveGroupDoors() {
  const qint64 id = SelectedId(groups_);
  if (!id) return session_.prompts().message(text::kGroupNotSelected);
  const std::optional<AccessData> data = load();
  if (!data) return;
  const AccessGroup* before = WithId(data->groups, id);
  if (!before) {
    session_.prompts().message(text::AccessGone(groups_->currentItem()->text()));
    reload();
    return;
  }
  AccessGroup g = *before;
  g.doors = Checked(groupDoors_);
  if (write([&](AccessChanges& c) { return c.saveGroup(before, g, *data); })) reload();
}

void AccessEditor::showDoor() {
  const QList<QTableWidgetItem*> picked = doors_->selectedItems();
  const AccessDoor* d = data_ && !picked.isEmpty() ? data_->door(picked[0]->data(Qt::UserRole).toLongLong()) : nullptr;
  doorName_->setText(d ? d->name : QString());
}

void AccessEditor::renameDoor() {
  const QList<QTableWidgetItem*> picked = doors_->selectedItems();
  if (picked.isEmpty()) return session_.prompts().message(text::kDoorNotSelected);
  const qint64 id = picked[0]->data(Qt::UserRole).toLongLong();
  const QString name = doorName_->text().trimmed();
  if (!ValidName(name, true)) return session_.prompts().message(text::kBadListedName);
  const std::optional<AccessData> data = load();
  if (!data) return;
  const AccessDoor* before = data->door(id);
  if (!before) {
    session_.prompts().message(text::AccessGone(doors_->item(picked[0]->row(), 2)->text()));
    reload();
    return;
  }
  if (const AccessDoor* other = data->door(name); other && other != before)
    return session_.prompts().message(text::DoorNameTaken(other->shown()));
  AccessDoor d = *before;
  d.name = name;
  if (write([&](AccessChanges& c) { return c.saveDoor(before, d); })) reload();
}

void AccessEditor::setRunning(bool running) {
  running_ = running;
  for (int i = 0; i < 2; ++i) tabs_->widget(i)->setEnabled(!running);
  for (QWidget* w : std::initializer_list<QWidget*>{plan_, apply_, unreadable_}) w->setEnabled(!running);
  stop_->setEnabled(running);
}

void AccessEditor::run(bool apply) {
  // Another operation of the window may be waiting on a reader of these lines.
  if (running_ || session_.busy()) return;
  const std::optional<AccessData> data = load();
  if (!data) return;
  const std::vector<LineWork> work = SiteWork(*data, session_.localNow().date());
  rowOfDoor_.clear();
  table_->setRowCount(0);
  for (const LineWork& line : work)
    for (const auto& [door, wanted] : line.doors) {
      const int row = table_->rowCount();
      table_->insertRow(row);
      rowOfDoor_[door.id] = row;
      SetRow(table_, row, {door.line, door.name, QLatin1String(Facts(door.model).name), {}, {}}, door.id);
    }
  FitColumns(table_);
  state_->clear();
  if (work.empty()) return state_->setText(text::kAccessNoDoors);
  // The clock and records actions leave the window's serial port open; a line
  // on that adapter could not be opened while the window holds it.
  session_.links().closeSerial();

  SiteOptions o;
  o.store = session_.openedStore()->address();
  o.actor = Actor::OfThisProcess();
  o.gapMs = session_.services().gapMs;
  o.sendUnreadable = unreadable_->isChecked();
  o.apply = apply;
  o.stopped = [this] { return stopped_.load(); };
  // Told on the lines' threads; shown on this one, and only while the run lasts.
  o.waiting = [this](const QString& line, const LockHolder& h) {
    const QString since =
        QDateTime::fromString(h.since, Qt::ISODate).toLocalTime().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
    const QString said = text::AccessLineWaiting(line, h.host, h.pid, since);
    QMetaObject::invokeMethod(
        this,
        [this, said] {
          if (running_) state_->setText(said);
        },
        Qt::QueuedConnection);
  };
  o.progress = [this](const QString&, const AccessDoor& door, bool writing) {
    const qint64 id = door.id;
    QMetaObject::invokeMethod(
        this,
        [this, id, writing] {
          if (running_)
            table_->item(rowOfDoor_.at(id), 4)->setText(writing ? text::kAccessWriting : text::kAccessReading);
        },
        Qt::QueuedConnection);
  };
  o.confirm = [this](const std::vector<LineOutcome>& lines) {
    if (stopped_) return false;
    showOutcomes(lines, false);
    int doors = 0, erased = 0;
    for (const LineOutcome& l : lines)
      for (const DoorOutcome& d : l.doors) {
        if (!d.plan.writes()) continue;
        ++doors;
        erased += d.plan.reader.cards == CardsPlan::Replace || d.plan.reader.cards == CardsPlan::SendWhole;
      }
    return session_.prompts().confirm(text::AccessApplyQuestion(doors, erased));
  };
  stopped_ = false;
  setRunning(true);
  // The window's own operations stay off the lines meanwhile; this window goes on.
  session_.beginBusy(false);
  const std::vector<LineOutcome> lines = RunSite(work, o);
  session_.endBusy();
  setRunning(false);
  showOutcomes(lines, apply);
  state_->setText(stopped_ ? text::kStopped : text::kDone);
}

void AccessEditor::showOutcomes(const std::vector<LineOutcome>& lines, bool applying) {
  for (const LineOutcome& l : lines)
    for (const DoorOutcome& d : l.doors) {
      const int row = rowOfDoor_.at(d.plan.door.id);
      table_->item(row, 3)->setText(WhatText(d));
      table_->item(row, 4)->setText(StatusText(l, d, applying, stopped_));
      table_->item(row, 4)->setToolTip(l.storeError);
    }
  FitColumns(table_);
}

void AccessEditor::closeEvent(QCloseEvent* event) {
  // The lines' threads report to this window until they end; Durdur ends them sooner.
  if (running_) return event->ignore();
  event->accept();
}

}  // namespace tessaro
