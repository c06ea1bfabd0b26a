#pragma once
// The handlers of the console's routes (routes.cpp lists them), the page
// frame they share and what the pages and the API both check of their input.

#include <QString>
#include <optional>

#include "accessmodel.h"
#include "console.h"
#include "recordquery.h"
#include "webtexts.h"

namespace tessaro::web {

inline QString ModelName(DeviceModel model) { return ModelNames({model}); }

// Text made safe for HTML, between tags and inside quoted attributes.
QString Esc(const QString& text);
// The page with its menu, as far as the role reaches.
QString Layout(Call& call, const QString& title, const QString& body);
QString ErrorPage(Call& call, const QString& message);
// The hidden field a form of a change carries.
QString CsrfField(const Call& call);

// What the pages and the API take as input, checked alike; the texts of what is wrong in *why.
std::optional<PassageFilter> FilterOf(const Call& call, QString* why);
// A day and time as the records viewer takes it ("05/01/2025 09:03") or as
// ISO 8601 ("2025-01-05T09:03"); `end` makes a day without time end at 23:59:59.
std::optional<QDateTime> ParseWhen(const QString& text, bool end);
// The changed holder, checked against the store's data; nullopt with *why.
struct HolderFields {
  std::optional<QString> name, cards, from, until, note;
  std::optional<QStringList> groups;  // names
  std::optional<bool> enabled;
};
std::optional<AccessHolder> CheckHolder(const Call& call, const AccessData& data, const AccessHolder& before,
                                        const HolderFields& fields, QString* why);
// Saved with its audit row; false with *why.
bool SaveHolder(Call& call, const AccessData& data, const AccessHolder* before, AccessHolder& after, QString* why);

void Asset(Call& call);
void Home(Call& call);
void LoginPage(Call& call);
void LoginPost(Call& call);
void LogoutPost(Call& call);
void AccountPage(Call& call);
void AccountPost(Call& call);
void PassagesPage(Call& call);
void PassagesCsv(Call& call);
void HoldersPage(Call& call);
void HolderPage(Call& call);
void HolderAddPost(Call& call);
void HolderEditPost(Call& call);
void HolderDisablePost(Call& call);
void LinesPage(Call& call);
void LinePost(Call& call);
void DoorPost(Call& call);
void JobPost(Call& call);
void JobPage(Call& call);
void UsersPage(Call& call);
void UserPost(Call& call);

void ApiPassages(Call& call);
void ApiHolders(Call& call);
void ApiHolder(Call& call);
void ApiHolderAdd(Call& call);
void ApiHolderEdit(Call& call);
void ApiCards(Call& call);
void ApiGroups(Call& call);
void ApiDoors(Call& call);
void ApiLines(Call& call);
void ApiJobs(Call& call);
void ApiJob(Call& call);
void ApiJobAdd(Call& call);

}  // namespace tessaro::web
