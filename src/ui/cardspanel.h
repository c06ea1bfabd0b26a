#pragma once
#include <QObject>
#include <memory>

#include "app/appcontext.h"

class QListWidget;
class QLineEdit;
class QLabel;

namespace tessaro {

class CardList;
class CardHost;

// The card frame: binds lstCardID, txtCardID and the seven buttons to the
// card workflows.
class CardsPanel : public QObject {
  Q_OBJECT
 public:
  explicit CardsPanel(AppContext& ctx);
  ~CardsPanel() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  AppContext& ctx_;
  QLineEdit* cardText_;
  std::unique_ptr<CardList> list_;
  std::unique_ptr<CardHost> host_;
};

}  // namespace tessaro
