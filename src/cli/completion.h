#pragma once
// Bash completion for tessaro-cli, made from its command table so that it
// offers exactly the commands and options the program takes.

#include <QString>

namespace tessaro::cli {

QString BashCompletion();

}  // namespace tessaro::cli
