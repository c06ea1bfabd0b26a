#include "texts.h"

namespace tessaro::text {

QString SerialDenied(const QString& device) {
  return Text(QT_TRANSLATE_NOOP("text",
                                "%1: bu kullanıcının portu kullanma izni yok. Kullanıcıyı 'dialout' grubuna ekleyin "
                                "(sudo usermod -aG dialout KULLANICI) ve oturumu kapatıp yeniden açın."))
      .arg(device);
}

QString CardLimit(int limit) { return Text(QT_TRANSLATE_NOOP("text", "En fazla %1 kart ekleyebilirsiniz")).arg(limit); }

}  // namespace tessaro::text
