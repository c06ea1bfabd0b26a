#pragma once
// The commands of tessaro-cli in one table. Parsing, --help, COMMAND --help,
// the manual page and the dispatch all read it: a command is one row and the
// routines it names.

#include <QString>
#include <optional>
#include <vector>

#include "models.h"

namespace tessaro {
struct ExchangeEnv;
}

namespace tessaro::cli {

struct Job;
struct ReaderRow;

// An option: its name, the name of its value (nullptr for a flag) and its help.
struct OptionRow {
  const char* name;
  const char* value;
  QString help;
};

// The words after the command's name: the fewest and the most, and their name in the synopsis.
struct Operands {
  int fewest = 0;
  int most = 0;
  const char* name = "";
};

// Which addresses a command goes through.
enum class Addresses {
  Listed,   // --id LIST, or with --id all every reader a scan of the line finds
  Scanned,  // a range its prepare routine sets; an address that does not answer gives no row
  Line,     // the whole line at once: --id LIST or every address, which its line routine goes through
  None,     // no link and no readers: the passage store alone
};

// Reads and checks what the command needs before any reader is touched;
// false with the reason in *why.
using Prepare = bool (*)(Job& job, QString* why);
// The command on one reader; nullopt when nothing answered at a scanned address.
using OnReader = std::optional<ReaderRow> (*)(Job& job, ExchangeEnv& env, int address);
// The command on the whole line, for what needs every reader before it
// writes (a file, a plan the user confirms); a row per reader.
using OnLine = std::vector<ReaderRow> (*)(Job& job, ExchangeEnv& env);
// A command without readers: its exit status.
using Offline = int (*)(Job& job);

struct Command {
  const char* name;  // "settings get"
  Operands operands{};
  std::vector<OptionRow> options{};  // its own, besides the common ones
  const char* help = "";
  std::optional<Ability> needs{};  // what the chosen model must be able to do
  Addresses addresses = Addresses::Listed;
  Prepare prepare = nullptr;  // nothing to read before the readers
  OnReader onReader = nullptr;
  OnLine onLine = nullptr;  // instead of onReader, with Addresses::Line
  Offline offline = nullptr;  // with Addresses::None
  bool store = false;         // it reads or fills the passage store: takes --db
  bool makesStore = false;    // with store: it makes the store where there is none
  bool formats = true;        // takes --json and --csv

  // "cards push FILE [--erase-first]"; "[OPTIONS]" where its options would not fit a line
  QString synopsis() const;
  // The option is one of its own or a common one it takes.
  bool takes(const QString& option) const;
  bool owns(const QString& option) const;  // one of its own
};

const std::vector<Command>& Commands();

// The options every command takes: the link, the model, the output; --id for
// the commands whose addresses are listed; --db for those of the store. A
// command without readers takes none of the link's.
const std::vector<OptionRow>& CommonOptions();

// Why the model cannot do the command, naming the models that can; empty when it can.
QString Refusal(const Command& command, DeviceModel model);

}  // namespace tessaro::cli
