#pragma once
// "Stand-Alone Kart Listesi": the working card list, its card files, and the
// transfers of the list to and from the reader.

#include <QObject>
#include <QStringList>
#include <optional>
#include <vector>

#include "controls.h"
#include "session.h"

namespace tessaro {

class CardsPanel : public QObject {
  Q_OBJECT
 public:
  CardsPanel(CardControls& controls, Session& session);
  // The card numbers of the marked entries, in list order; nullopt (and the
  // user told) when one of them is no card number.
  std::optional<std::vector<quint32>> markedCards();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void add();            // cmdAdd
  void removeCurrent();  // cmdDelete
  void exportFile();     // cmdExport
  void importFile();     // cmdImport
  void sendAll();        // cmdSendAllCards
  void receiveAll();     // cmdReceiveAllCards
  void eraseAll();       // cmdEraseAll

  // The file dialog as export and import use it; empty means stop.
  QString askFileName(const QString& title);
  // Appends entries in one batch; marked ones are checked and the last
  // becomes current, unmarked ones leave the current entry alone.
  void append(const QStringList& texts, bool marked);
  QStringList entries() const;
  void setCurrent(int row);

  CardControls& c_;
  Session& session_;
};

}  // namespace tessaro
