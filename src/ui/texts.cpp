#include "texts.h"

namespace tessaro::text {

QString SerialDenied(const QString& device) {
  return Text(QT_TRANSLATE_NOOP("text",
                                "%1: bu kullanıcının portu kullanma izni yok. Kullanıcıyı 'dialout' grubuna ekleyin "
                                "(sudo usermod -aG dialout KULLANICI) ve oturumu kapatıp yeniden açın."))
      .arg(device);
}

QString StoreAddressDetail(const QString& address, const QString& part) {
  return Text(QT_TRANSLATE_NOOP("text", "%1: %2 hatalı")).arg(address, part);
}

QString StoreVersionDetail(const QString& address, int found, int known) {
  return Text(QT_TRANSLATE_NOOP("text", "%1: sürüm %2, bu program %3")).arg(address).arg(found).arg(known);
}

QString RecordsShown(qint64 count) { return Text(QT_TRANSLATE_NOOP("text", "Gösterilen geçiş sayısı: %1")).arg(count); }

QString HoldersBadLine(qint64 line, const QString& what) {
  return Text(QT_TRANSLATE_NOOP("text", "Kart sahipleri dosyası hatalı, satır %1: %2")).arg(line).arg(what);
}

QString HoldersImported(qint64 count) { return Text(QT_TRANSLATE_NOOP("text", "%1 kart sahibi alındı")).arg(count); }

QString CardLimit(int limit) { return Text(QT_TRANSLATE_NOOP("text", "En fazla %1 kart ekleyebilirsiniz")).arg(limit); }

}  // namespace tessaro::text
