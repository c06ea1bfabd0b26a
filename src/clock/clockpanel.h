#pragma once
#include <QObject>

#include "app/appcontext.h"

namespace tessaro {

class ClockPanel : public QObject {
  Q_OBJECT
 public:
  explicit ClockPanel(AppContext& ctx);

 private:
  AppContext& ctx_;
};

}  // namespace tessaro
