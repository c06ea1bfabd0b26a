// Every route of the console with the least role it needs. The route table
// test walks this list, so a route added here is checked for every role.

#include "pages.h"

namespace tessaro::web {

const std::vector<Route>& Routes() {
  static const std::vector<Route> routes = {
      {"GET", "/static/(style\\.css|app\\.js)", Role::None, Asset},
      {"GET", "/login", Role::None, LoginPage},
      {"POST", "/login", Role::None, LoginPost},
      {"POST", "/logout", Role::Viewer, LogoutPost},
      {"GET", "/", Role::Viewer, Home},
      {"GET", "/account", Role::Viewer, AccountPage},
      {"POST", "/account", Role::Viewer, AccountPost},
      {"GET", "/passages", Role::Viewer, PassagesPage},
      {"GET", "/passages\\.csv", Role::Viewer, PassagesCsv},
      {"GET", "/holders", Role::Viewer, HoldersPage},
      {"POST", "/holders", Role::Operator, HolderAddPost},
      {"GET", "/holders/(\\d+)", Role::Viewer, HolderPage},
      {"POST", "/holders/(\\d+)", Role::Operator, HolderEditPost},
      {"POST", "/holders/(\\d+)/disable", Role::Operator, HolderDisablePost},
      {"GET", "/lines", Role::Viewer, LinesPage},
      {"POST", "/lines", Role::Admin, LinePost},
      {"POST", "/doors", Role::Admin, DoorPost},
      {"POST", "/jobs", Role::Operator, JobPost},
      {"GET", "/jobs/(\\d+)", Role::Viewer, JobPage},
      {"GET", "/users", Role::Admin, UsersPage},
      {"POST", "/users", Role::Admin, UserPost},
      {"GET", "/api/v1/passages", Role::Viewer, ApiPassages},
      {"GET", "/api/v1/holders", Role::Viewer, ApiHolders},
      {"POST", "/api/v1/holders", Role::Operator, ApiHolderAdd},
      {"GET", "/api/v1/holders/(\\d+)", Role::Viewer, ApiHolder},
      {"POST", "/api/v1/holders/(\\d+)", Role::Operator, ApiHolderEdit},
      {"GET", "/api/v1/cards", Role::Viewer, ApiCards},
      {"GET", "/api/v1/groups", Role::Viewer, ApiGroups},
      {"GET", "/api/v1/doors", Role::Viewer, ApiDoors},
      {"GET", "/api/v1/lines", Role::Viewer, ApiLines},
      {"GET", "/api/v1/jobs", Role::Viewer, ApiJobs},
      {"POST", "/api/v1/jobs", Role::Operator, ApiJobAdd},
      {"GET", "/api/v1/jobs/(\\d+)", Role::Viewer, ApiJob},
  };
  return routes;
}

}  // namespace tessaro::web
