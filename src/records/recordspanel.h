#pragma once
#include <QObject>

#include "app/appcontext.h"

namespace tessaro {

class RecordsPanel : public QObject {
  Q_OBJECT
 public:
  explicit RecordsPanel(AppContext& ctx);

 private:
  AppContext& ctx_;
};

}  // namespace tessaro
