#pragma once
#include <QObject>

#include "app/appcontext.h"

namespace tessaro {

class CardsPanel : public QObject {
  Q_OBJECT
 public:
  explicit CardsPanel(AppContext& ctx);

 private:
  AppContext& ctx_;
};

}  // namespace tessaro
