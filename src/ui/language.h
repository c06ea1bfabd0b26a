#pragma once
// The window's language. Turkish is the readers' language: every text the
// window writes stands in texts.h as written, and Qt's own texts (the buttons
// of a box, the file dialog, a text box's menu) are Turkish with it, whatever
// the desktop's language. English is for integrators and technicians who do
// not read Turkish: the window's texts and Qt's own, all in English.

#include <QString>
#include <QTranslator>
#include <optional>

namespace tessaro {

enum class Language { Turkish, English };

// "tr" or "en", as --lang and TESSARO_LANG give it.
std::optional<Language> LanguageNamed(const QString& name);

// Puts the language's translations into the application for as long as it
// lives; texts are looked up when they are shown, so it must come before the
// window is built.
class Translations {
 public:
  explicit Translations(Language language);
  ~Translations();
  Translations(const Translations&) = delete;
  Translations& operator=(const Translations&) = delete;

  // Empty, or what could not be loaded and where it was looked for.
  QString missing() const { return missing_; }

 private:
  QTranslator translator_;
  QString missing_;
};

}  // namespace tessaro
