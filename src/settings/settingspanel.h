#pragma once
#include <QObject>

#include "app/appcontext.h"

namespace tessaro {

class SettingsPanel : public QObject {
  Q_OBJECT
 public:
  explicit SettingsPanel(AppContext& ctx);

 private:
  AppContext& ctx_;
};

}  // namespace tessaro
