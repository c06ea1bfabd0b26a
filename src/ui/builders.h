#pragma once
// Controls of the windows that Qt's layouts place (the bus view and the
// traffic monitor), each with the object name automation finds it by.

#include <QLineEdit>
#include <QPushButton>

namespace tessaro {

// Not a default button: Enter in a box of the window presses nothing.
inline QPushButton* NamedButton(QWidget* parent, const char* name, const QString& text) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(QLatin1String(name));
  b->setAutoDefault(false);
  return b;
}

inline QLineEdit* NamedBox(QWidget* parent, const char* name, const QString& text, int maxWidth) {
  auto* e = new QLineEdit(text, parent);
  e->setObjectName(QLatin1String(name));
  e->setMaximumWidth(maxWidth);
  return e;
}

}  // namespace tessaro
