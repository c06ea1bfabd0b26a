#include "language.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace tessaro {

std::optional<Language> LanguageNamed(const QString& name) {
  if (name == QLatin1String("tr")) return Language::Turkish;
  if (name == QLatin1String("en")) return Language::English;
  return std::nullopt;
}

Translations::Translations(Language language) {
  // Turkish: the window's texts need nothing; Qt's come from Qt's own
  // catalogue (Debian: qt6-translations-l10n). English: Qt's are English
  // already; the window's are built into the program.
  const QString folder =
      language == Language::Turkish ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : QStringLiteral(":/i18n");
  const QString name = language == Language::Turkish ? QStringLiteral("qt_tr") : QStringLiteral("tessaro_en");
  if (!translator_.load(name, folder)) {
    missing_ = QStringLiteral("%1/%2.qm").arg(folder, name);
    if (language == Language::Turkish) missing_ += QStringLiteral(" (Debian: qt6-translations-l10n)");
    return;
  }
  QCoreApplication::installTranslator(&translator_);
}

Translations::~Translations() { QCoreApplication::removeTranslator(&translator_); }

}  // namespace tessaro
