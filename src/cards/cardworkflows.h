#pragma once
// What the buttons of the card frame do, written against two small seams so
// that every step, message and clean-up can be checked without a window: the
// list itself and the window's services.

#include <QString>
#include <QStringList>
#include <vector>

#include "app/prompts.h"
#include "cards/cardcommands.h"
#include "link/exchange.h"

namespace tessaro {

// The working card list: ordered entries with a mark each and at most one
// current entry.
class CardList {
 public:
  virtual ~CardList() = default;
  virtual int count() const = 0;
  virtual QString text(int i) const = 0;
  virtual bool marked(int i) const = 0;
  virtual int current() const = 0;  // -1 for none
  // Makes entry i current and scrolls to it.
  virtual void setCurrent(int i) = 0;
  virtual void removeAt(int i) = 0;
  virtual void clear() = 0;
  // Appends entries in one batch; with `marked` they are marked and the last
  // one becomes current, otherwise they are unmarked and the current entry stays.
  virtual void append(const QStringList& texts, bool marked) = 0;
  QStringList texts() const;
};

// The window as the card workflows use it.
class CardHost {
 public:
  virtual ~CardHost() = default;
  virtual Prompts& prompts() = 0;
  // Opens the link the user chose; on failure it has told the user and returns nullptr.
  virtual Link* openLink() = 0;
  virtual ExchangeEnv env(Link& link) = 0;
  virtual void closeSerial() = 0;
  virtual void beginBusy() = 0;
  virtual void endBusy() = 0;
  virtual qint16 deviceId() = 0;
  virtual bool& escCancelFlag() = 0;
  virtual int maxCardCount() = 0;
  virtual QString programFolder() = 0;
  // lblCurID.
  virtual void setProgress(const QString& text) = 0;
};

namespace CardText {
inline const QString InvalidCardId = QStringLiteral("Lütfen geçerli bir 'Kart ID' giriniz.");
inline const QString ExportTitle = QStringLiteral("Dosyaya Kaydet");
inline const QString ImportTitle = QStringLiteral("Aç");
inline const QString FileFilter = QStringLiteral("Veri Dosyaları (*.txt)|*.txt");
inline const QString InvalidFileName = QStringLiteral("Geçersiz dosya adı!");
inline const QString FileNotWritten = QStringLiteral("Dosya kaydedilemedi!");
inline const QString FileNotRead = QStringLiteral("Dosya okunamadı!");
inline const QString ImportQuestion =
    QStringLiteral("Mevcut kart listesi silinecek ve dosyadaki kartlar listeye eklenecek. Onaylıyor musunuz?");
inline const QString SendQuestion = QStringLiteral("Seçilen kart numaralarını göndermekistiyor musunuz?");
inline const QString ListEmpty = QStringLiteral("Kart listesi boş");
inline const QString Stopped = QStringLiteral("İşlem durduruldu");
inline const QString RetryQuestion = QStringLiteral("Bu Kart ID gönderilemedi, Tekrar denenmesini istiyor musunuz??");
inline const QString Done = QStringLiteral("İşlem Tamamlandı");
inline const QString BadCardPrefix = QStringLiteral("Geçersiz Kart ID: ");
inline const QString ReceiveQuestion = QStringLiteral(
    "Mevcut kart listesi silinecek ve cihaz hafızasındaki kartlar listeye eklenecek. Onaylıyor musunuz?");
inline const QString ReceiveFailed = QStringLiteral("Kart numaraları cihazdan alınamadı");
inline const QString ReaderEmpty = QStringLiteral("Cihaz kart hafızası boş");
inline const QString Received = QStringLiteral("Kart numaraları cihazdan alındı.");
inline const QString EraseQuestion = QStringLiteral(
    "Tüm kart hafızasını silmek istediğinizden emin misiniz? \r\n"
    "Bu işlem cihaz tipine bağlı olarak 1-25 saniye arası sürecektir");
inline const QString Erased = QStringLiteral("Tüm kart hafızası silindi!");
inline const QString NotErased = QStringLiteral("Kart hafızası silinemedi!");
QString LimitMessage(int limit);  // "En fazla N kart ekleyebilirsiniz"
}  // namespace CardText

// cmdAdd with the text of txtCardID.
void AddTypedCard(CardHost& host, CardList& list, const QString& typed);
// cmdDelete.
void DeleteCurrentCard(CardList& list);
// cmdExport / cmdImport.
void ExportCards(CardHost& host, CardList& list);
void ImportCards(CardHost& host, CardList& list);
// cmdSendAllCards / cmdReceiveAllCards / cmdEraseAll.
void SendAllCards(CardHost& host, CardList& list);
void ReceiveAllCards(CardHost& host, CardList& list);
void EraseAllCards(CardHost& host);

}  // namespace tessaro
