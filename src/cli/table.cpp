// The one table of tessaro-cli's commands and the options every command
// takes: the routines of each family meet their names, help and options here.

#include "commands.h"

#include "job.h"
#include "options.h"
#include "seriallink.h"

namespace tessaro::cli {

const std::vector<Command>& Commands() {
  std::vector<DeviceModel> unreadable;
  for (int m = 0; m < kModelCount; ++m)
    if (!Can(static_cast<DeviceModel>(m), Ability::CardDownload)) unreadable.push_back(static_cast<DeviceModel>(m));
  const OptionRow kUnreadableCards = {
      "--send-unreadable-cards", nullptr,
      QStringLiteral("give a model that cannot give its card list back (%1) the file's cards: erase its card "
                     "memory, then send the whole list")
          .arg(ModelNames(unreadable))};
  const OptionRow kNoScan = {"--no-scan", nullptr,
                              QStringLiteral("ask the file's readers only, without looking for readers not in the file")};
  const OptionRow kYes = {"--yes", nullptr, QStringLiteral("write without asking (needed without a terminal)")};
  const OptionRow kFoundAt = {"--found-at", "ADDRESS",
                              QStringLiteral("a replaced reader answers at ADDRESS: it takes the entry of the one "
                                             "--id, with that entry's address")};
  const OptionRow kDoorUnreadable = {
      "--send-unreadable-cards", nullptr,
      QStringLiteral("give a door whose model cannot give its card list back (%1) its list: erase its card memory, "
                     "then send the whole list, at every apply")
          .arg(ModelNames(unreadable))};
  const OptionRow kLines = {"--line", "LIST",
                            QStringLiteral("only these lines of the store: A or A,B (default every line)")};
  const OptionRow kAccessGap = {"--gap", "MS",
                                QStringLiteral("the pause each reader gets after its reply (0-%1 ms, default %2)")
                                    .arg(kMaxGapMs)
                                    .arg(kDefaultGapMs)};
  const std::vector<OptionRow> kHolderOptions = {
      {"--cards", "LIST",
       QStringLiteral("exactly these cards: 4242 or \"4242 77\" (0-4294967295, held by no one else)")},
      {"--groups", "LIST", QStringLiteral("exactly these groups: Personel,Otopark")},
      {"--doors", "LIST", QStringLiteral("the doors passed apart from any group: names or LINE:ADDRESS, by commas")},
      {"--from", "DATE", QStringLiteral("valid from that day: 2026-12-31, 31.12.2026 or 31/12/2026 (empty: no limit)")},
      {"--until", "DATE", QStringLiteral("valid until that day, which is included (empty: no limit)")},
      {"--note", "TEXT", QStringLiteral("a note of the holder")}};
  std::vector<OptionRow> addOptions = kHolderOptions, editOptions = kHolderOptions;
  addOptions.push_back({"--disabled", nullptr, QStringLiteral("added disabled: passes no door")});
  editOptions.insert(editOptions.begin(), {"--name", "NEW", QStringLiteral("the holder's new name")});
  editOptions.push_back({"--enable", nullptr, QStringLiteral("enabled again after holder disable")});
  static const std::vector<Command> commands = {
      {.name = "scan",
       .options = {{"--from", "N", QStringLiteral("the first address asked, 1-255 (default 1)")},
                   {"--to", "M", QStringLiteral("the last address asked, 1-255 (default 255)")}},
       .help = "Asks every address from N to M for its settings and lists every reader that answers: its address, "
               "the model family its reply length tells, and its settings. An address whose two replies are "
               "garbled or differ is listed as a possible collision (two readers on one address).",
       .addresses = Addresses::Scanned,
       .prepare = PrepareScan},
      {.name = "settings get",
       .help = "Reads each reader's settings as the window shows them for --model.",
       .onReader = RunSettingsGet},
      {.name = "settings set",
       .operands = {1, 1000, "FIELD=VALUE..."},
       .help = "Changes the named fields and writes each reader's settings, checked as the window checks them. "
               "Fields: new_id (1-255, one reader only), relay_time (1-64), record_type (entry|exit), run_mode "
               "(stand-alone|online|read-only), master_card (0-4294967295), epc_start_word (4|6), wiegand_type "
               "(26|34), vehicle_detector (on|off; yes|no and true|false as well), trigger_time (1-9). The fields "
               "not named keep the reader's values.",
       .prepare = PrepareSettingsSet,
       .onReader = RunSettingsSet},
      {.name = "clock get",
       .help = "Reads each reader's clock and its drift from the PC's in seconds.",
       .needs = Ability::ClockAndRecords,
       .onReader = RunClockGet},
      {.name = "clock set",
       .options = {{"--time", "DATE|now",
                    QStringLiteral("the time to set, such as 2026-12-05T14:03:09 or 2026-12-05 14:03, in the PC's "
                                   "local time unless an offset follows it (Z, +03:00) (default now)")}},
       .help = "Sets each reader's clock to the given time.",
       .needs = Ability::ClockAndRecords,
       .prepare = PrepareClockSet,
       .onReader = RunClockSet},
      {.name = "clock sync",
       .options = {{"--max-drift", "SECONDS", QStringLiteral("the drift a clock keeps, 0-86400 (default 2)")}},
       .help = "Sets the clocks that differ from the PC's by more than SECONDS, then reads them back to verify.",
       .needs = Ability::ClockAndRecords,
       .prepare = PrepareClockSync,
       .onReader = RunClockSync},
      {.name = "cards pull",
       .options = {{"--out", "FILE",
                    QStringLiteral("the card file (default cards-ID.txt; with several readers FILE gets -ID "
                                   "before its extension)")}},
       .help = "Reads each reader's cards into a card file.",
       .needs = Ability::CardDownload,
       .onReader = RunCardsPull},
      {.name = "cards push",
       .operands = {1, 1, "FILE"},
       .options = {{"--erase-first", nullptr, QStringLiteral("erase the reader's card memory first (asked first)")},
                   kYes},
       .help = "Writes every card of the card file to each reader. A list longer than every model holds needs "
               "the reader's model, and one longer than its model holds is refused before the first card is sent.",
       .prepare = PrepareCardsPush,
       .onReader = RunCardsPush},
      {.name = "cards erase",
       .options = {kYes},
       .help = "Erases each reader's card memory (up to 25 seconds), once the question is answered.",
       .prepare = PrepareCardsErase,
       .onReader = RunCardsErase},
      {.name = "cards diff",
       .operands = {1, 1, "FILE"},
       .help = "Lists the cards a reader holds that the file lacks, and the reverse; a reader that differs from the "
               "file has the status differs (exit status 2).",
       .needs = Ability::CardDownload,
       .prepare = PrepareCardFile,
       .onReader = RunCardsDiff},
      {.name = "line save",
       .operands = {1, 1, "FILE"},
       .help = "Writes every reader's settings and, where the model gives its list back, its cards into a line "
               "file: the readers of --id, or every reader that answers. Nothing is written unless every reader "
               "was read.",
       .addresses = Addresses::Line,
       .prepare = PrepareLineSave,
       .onLine = RunLineSave},
      {.name = "line plan",
       .operands = {1, 1, "FILE"},
       .options = {kUnreadableCards, kFoundAt, kNoScan},
       .help = "Compares the line with a line file and lists, reader by reader, what a line apply would write: "
               "each setting that differs (now->wanted), the cards to add and to remove, the file's readers "
               "that do not answer and the readers that answer but are not in the file. Writes nothing; exit "
               "status 0 when there is nothing to do.",
       .addresses = Addresses::Line,
       .prepare = PrepareLinePlan,
       .onLine = RunLinePlan},
      {.name = "line apply",
       .operands = {1, 1, "FILE"},
       .options = {kYes, kUnreadableCards, kFoundAt, kNoScan},
       .help = "Plans as line plan, shows the plan and asks, then writes each reader's settings once where one "
               "differs and only its missing cards, or erases its card memory and sends the whole list where a "
               "card must go, and reads every reader back.",
       .addresses = Addresses::Line,
       .prepare = PrepareLineApply,
       .onLine = RunLineApply},
      {.name = "records count",
       .help = "Reads each reader's count of stored passage records.",
       .needs = Ability::ClockAndRecords,
       .onReader = RunRecordsCount},
      {.name = "records pull",
       .options = {{"--log", "FILE",
                    QStringLiteral("the access log the records are appended to (default AccessFile.txt)")},
                   {"--erase", nullptr,
                    QStringLiteral("erase a reader's memory once every one of its lines reached stable storage "
                                   "and its download ended on the end-of-records frame")}},
       .help = "Downloads each reader's records and appends them to the access log in the window's line format, "
               "with the record type of the reader's own settings. Each record is kept once in the passage store "
               "(--db) under the line's name (TESSARO_LINE, else the link as given) and this PC's; a record the "
               "store holds already is not logged again, and a pull cut short is completed by the next one.",
       .needs = Ability::ClockAndRecords,
       .prepare = PrepareRecordsPull,
       .onReader = RunRecordsPull,
       .store = true,
       .makesStore = true},
      {.name = "records query",
       .options = {{"--from", "DATE",
                    QStringLiteral("the earliest passage: 2026-12-07, 2026-12-07T08:30 or 2026-12-07 08:30:15, in the "
                                   "PC's local time unless an offset follows it (Z, +03:00)")},
                   {"--to", "DATE",
                    QStringLiteral("the latest passage, written as --from; a date alone takes in the whole day, a "
                                   "time without seconds the whole minute")},
                   {"--id", "LIST", QStringLiteral("only these readers: 5 or 1,3,7-9")},
                   {"--card", "N", QStringLiteral("only this card, 0-4294967295")}},
       .help = "Lists the passages of the store, oldest first: the reader's time, the line, the reader, the card, "
               "the direction and the card holder's name when the store knows it. Needs no link.",
       .addresses = Addresses::None,
       .prepare = PrepareRecordsQuery,
       .offline = RunRecordsQuery,
       .store = true},
      {.name = "records import",
       .operands = {1, 1, "FILE"},
       .options = {{"--line", "NAME",
                    QStringLiteral("the line the log's records came from, as its pulls named it: the link, such "
                                   "as 10.0.0.20:5600, or TESSARO_LINE's name (default TESSARO_LINE; one of the "
                                   "two is needed)")}},
       .help = "Brings an access log into a store that exists. Records the store holds already under the line are "
               "skipped; a line that is no log line is named with its number and skipped, and the exit status is "
               "then 2. Prints how many records were imported, how many were there already and how many lines "
               "were unreadable.",
       .addresses = Addresses::None,
       .prepare = PrepareRecordsImport,
       .offline = RunRecordsImport,
       .store = true,
       .formats = false},
      {.name = "holders import",
       .operands = {1, 1, "FILE"},
       .help = "Reads the card holders of a UTF-8 list into the store, one a line: the card number, a comma or a "
               "semicolon, the name (quoted when it holds either). A first line without a digit in its first "
               "field is a heading; a card the store knows gets the new name. A line that cannot be read is "
               "named and nothing is written.",
       .addresses = Addresses::None,
       .offline = RunHoldersImport,
       .store = true,
       .makesStore = true,
       .formats = false},
      {.name = "site load",
       .operands = {1, 1, "FILE"},
       .help = "Loads a site file into the store: its lines (a name and a link: \"tcp HOST[:PORT]\" or \"serial "
               "DEVICE [BAUD [odd|even|none]]\"), their readers as doors (line, address, name, model) and groups with "
               "the doors they reach. What the store lacks is added, a line's link, a door's name and model and a "
               "group's doors are set as the file has them; nothing is removed. The whole file is checked first.",
       .addresses = Addresses::None,
       .prepare = PrepareSiteLoad,
       .offline = RunSiteLoad,
       .store = true,
       .makesStore = true,
       .formats = false},
      {.name = "access import",
       .operands = {1, 1, "FILE"},
       .help = "Reads card holders from a CSV file as spreadsheets save it (UTF-8, commas or semicolons): a heading "
               "naming its columns (name, cards, groups, doors, valid_from, valid_until, enabled, note; only name "
               "is needed), then a holder a line. A holder of a name the store lacks is added, the others get the "
               "columns given; a card may move between holders of the file. A line that cannot be taken is named "
               "and nothing is written.",
       .addresses = Addresses::None,
       .offline = RunAccessImport,
       .store = true,
       .makesStore = true,
       .formats = false},
      {.name = "access export",
       .operands = {1, 1, "FILE"},
       .help = "Writes every card holder with every column access import reads, as a CSV file spreadsheets open "
               "(UTF-8 with a byte-order mark, semicolons).",
       .addresses = Addresses::None,
       .offline = RunAccessExport,
       .store = true,
       .formats = false},
      {.name = "access plan",
       .options = {kLines, kDoorUnreadable, kAccessGap},
       .help = "Reads every door's reader, every line at once, and lists what access apply would write: the cards "
               "of enabled holders valid today whose groups or grants reach the door, against those the reader "
               "holds. Writes nothing; exit status 0 when there is nothing to do.",
       .addresses = Addresses::None,
       .prepare = PrepareAccessPlan,
       .offline = RunAccessPlan,
       .store = true},
      {.name = "access apply",
       .options = {kLines,
                   {"--yes", nullptr, QStringLiteral("write without asking (needed without a terminal)")},
                   kDoorUnreadable,
                   kAccessGap},
       .help = "Plans as access plan, shows the plan and asks, then sends each reader only its missing cards, or "
               "erases its card memory and sends its whole list where a card must go, and reads it back. Lines "
               "are worked at once, each by one program at a time: another waits for it. A list longer than the "
               "door's model holds is refused for that door.",
       .addresses = Addresses::None,
       .prepare = PrepareAccessApply,
       .offline = RunAccessApply,
       .store = true},
      {.name = "work",
       .options = {{"--line", "LIST", QStringLiteral("the lines this PC owns: A or A,B")},
                   {"--log", "FILE", QStringLiteral("the access log a pull appends to (default AccessFile.txt)")},
                   {"--poll", "SECONDS", QStringLiteral("how often the queue is looked at when it is empty, 1-3600 (default 2)")},
                   {"--once", nullptr, QStringLiteral("do the jobs queued now, then end")}},
       .help = "Does the jobs the web console queues for the lines: pulls their readers' records (erasing them only once "
               "they are in the log and the store, as records pull --erase), applies their access lists (as access "
               "apply --yes) or syncs their clocks (as clock sync), each reader as its door's model, under the line's "
               "lock. Each reader's result goes back to the console as it comes. Runs until stopped.",
       .addresses = Addresses::None,
       .prepare = PrepareWork,
       .offline = RunWork,
       .store = true,
       .formats = false},
      {.name = "holder add",
       .operands = {1, 1, "NAME"},
       .options = addOptions,
       .help = "Adds a card holder.",
       .addresses = Addresses::None,
       .offline = RunHolderAdd,
       .store = true,
       .makesStore = true,
       .formats = false},
      {.name = "holder edit",
       .operands = {1, 1, "NAME"},
       .options = editOptions,
       .help = "Changes what the options give of a card holder; the rest stays.",
       .addresses = Addresses::None,
       .offline = RunHolderEdit,
       .store = true,
       .formats = false},
      {.name = "holder disable",
       .operands = {1, 1, "NAME"},
       .help = "Disables a card holder: every door forgets their cards at the next access apply.",
       .addresses = Addresses::None,
       .offline = RunHolderDisable,
       .store = true,
       .formats = false},
      {.name = "holder show",
       .operands = {0, 1, "[TEXT]"},
       .help = "Lists the card holders whose name holds TEXT (any case), or who hold the card TEXT; every one "
               "without it.",
       .addresses = Addresses::None,
       .offline = RunHolderShow,
       .store = true},
      {.name = "group add",
       .operands = {1, 1, "NAME"},
       .help = "Adds a group.",
       .addresses = Addresses::None,
       .offline = RunGroupAdd,
       .store = true,
       .makesStore = true,
       .formats = false},
      {.name = "group doors",
       .operands = {1, 1000, "GROUP [DOOR...]"},
       .options = {{"--remove", nullptr, QStringLiteral("take the doors from the group")}},
       .help = "Lets the group's members pass the doors (names or LINE:ADDRESS); without any, lists the doors it "
               "reaches.",
       .addresses = Addresses::None,
       .offline = RunGroupDoors,
       .store = true,
       .formats = false},
      {.name = "group members",
       .operands = {1, 1000, "GROUP [HOLDER...]"},
       .options = {{"--remove", nullptr, QStringLiteral("take the holders out of the group")}},
       .help = "Puts the holders into the group; without any, lists its members.",
       .addresses = Addresses::None,
       .offline = RunGroupMembers,
       .store = true,
       .formats = false},
      {.name = "door add",
       .operands = {2, 2, "LINE ADDRESS"},
       .options = {{"--name", "NAME", QStringLiteral("the door's name, such as \"Ana Giriş\"")},
                   {"--model", "M", QStringLiteral("the reader's model: %1").arg(ModelChoices())}},
       .help = "Adds the reader at ADDRESS (1-255) of a line of the store as a door.",
       .addresses = Addresses::None,
       .offline = RunDoorAdd,
       .store = true,
       .formats = false},
      {.name = "door name",
       .operands = {2, 2, "DOOR NAME"},
       .help = "Renames a door (given by its name or as LINE:ADDRESS).",
       .addresses = Addresses::None,
       .offline = RunDoorName,
       .store = true,
       .formats = false},
  };
  return commands;
}

const std::vector<OptionRow>& CommonOptions() {
  static const std::vector<OptionRow> options = {
      {"--tcp", "HOST[:PORT]", QStringLiteral("the reader line behind a TCP converter (port 5600 by default)")},
      {"--serial", "DEVICE", QStringLiteral("a serial device such as /dev/ttyUSB0 or a /dev/serial/by-id/ name")},
      {"--port", "N", QStringLiteral("the window's port number 1-16")},
      {"--baud", "B", QStringLiteral("%1 (default %2)").arg(BaudRatesText()).arg(LineSettings{}.baud)},
      {"--parity", "P", QStringLiteral("odd, even or none (default odd)")},
      {"--model", "M|LIST=M,...",
       QStringLiteral("the readers' model, %1, or a model by address: 1-4=TS-40,5=TS-90C (a bare M for the "
                      "rest). Without it a command asks the reader, and refuses one whose settings reply leaves "
                      "several models wherever it needs the model")
           .arg(ModelChoices())},
      {"--id", "LIST", QStringLiteral("the readers: 5, 1,3,7-9 or all (every address a scan finds)")},
      {"--json", nullptr, QStringLiteral("one JSON document instead of a table")},
      {"--csv", nullptr, QStringLiteral("CSV rows instead of a table")},
      {"--trace", "FILE", QStringLiteral("every byte sent and received, timestamped, as hex and text")},
      {"--full-wait", nullptr,
       QStringLiteral("a scan of the line (scan, --id all, the line commands) waits the settings read's whole time "
                      "at every address, for a line whose converters answer slowly")},
      {"--db", "FILE|URL",
       QStringLiteral("the passage store: a SQLite file or postgresql://user@host[:port]/dbname (default TESSARO_DB, "
                      "else the window's records.sqlite in $XDG_DATA_HOME/tessaro-config)")},
      {"--gap", "MS",
       QStringLiteral("the pause each reader gets after its reply before the next request (0-%1 ms, default %2)")
           .arg(kMaxGapMs)
           .arg(kDefaultGapMs)},
      {"--help", nullptr, QStringLiteral("this help; COMMAND --help for one command")},
  };
  return options;
}

}  // namespace tessaro::cli
