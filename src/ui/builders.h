#pragma once
// The one way the program builds its named controls: every control carries
// its name as objectName, which automation and the tests find it by. The
// main window places them at fixed positions; the bus view and the traffic
// monitor leave that to Qt's layouts.

#include <QLineEdit>
#include <QPushButton>
#include <QString>

namespace tessaro {

template <typename T>
T* Named(QWidget* parent, const QString& name) {
  auto* c = new T(parent);
  c->setObjectName(name);
  return c;
}

// A member of a control array: "<array>_<index>".
inline QString Indexed(const char* array, int index) {
  return QStringLiteral("%1_%2").arg(QLatin1String(array)).arg(index);
}

// Not a default button: Enter in a box of the window presses nothing.
inline QPushButton* NamedButton(QWidget* parent, const char* name, const QString& text) {
  auto* b = Named<QPushButton>(parent, QLatin1String(name));
  b->setText(text);
  b->setAutoDefault(false);
  return b;
}

inline QLineEdit* NamedBox(QWidget* parent, const char* name, const QString& text, int maxWidth) {
  auto* e = Named<QLineEdit>(parent, QLatin1String(name));
  e->setText(text);
  e->setMaximumWidth(maxWidth);
  return e;
}

}  // namespace tessaro
