#pragma once
// The help of tessaro-cli, and the manual page made from the same text.

#include <QString>

namespace tessaro::cli {

// The whole help (empty command) or one command's help.
QString HelpText(const QString& command = {});

// The manual page in troff, from the same sections as the help.
QString ManPage();

}  // namespace tessaro::cli
