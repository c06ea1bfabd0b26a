#pragma once
// The plain facts every part of the simulator shares: one reader's memory and
// the faults it can be told to inject.

#include <QByteArray>
#include <QDateTime>
#include <vector>

#include "simmodels.h"

namespace tessaro::sim {

struct SimSettings {
  int relayTime = 1;   // 1..64
  int recordType = 1;  // 1 entry, 2 exit
  int runMode = 0;     // 0 Stand-Alone, 1 Online, 2 Read-Only
  quint32 masterCard = 0;
  int epcStartWord = 0;     // 0 → "4", 1 → "6"
  int wiegandType = 0;      // 0 → 26, 1 → 34
  int vehicleDetector = 0;  // 0 off, 1 on
  int triggerTime = 5;      // 1..9
};

struct SimRecord {
  quint32 card = 0;     // at most nine decimal digits on the wire
  QDateTime stamp;      // reader's local time of the passage
  QByteArray rawStamp;  // when not empty: the 12 digits DDMMYYhhmmss sent as they are
};

// One reader's memory.
struct SimReader {
  int id = 1;
  SimModel model = SimModel::TS30P;
  SimSettings settings;
  std::vector<quint32> cards;
  std::vector<SimRecord> records;
  qint64 clockOffsetSeconds = 0;  // reader clock = PC clock + offset
  int replyDelayMs = 0;           // a slow reader: every reply begins this much later
};

enum class FaultKind {
  None,
  Silence,         // no reply at all
  Delay,           // reply after arg milliseconds
  Noise,           // arg bytes of noise (printable and non-ASCII) before the "$"
  Split,           // reply in pieces of arg bytes with pauses of pauseMs
  WrongCode,       // reply code replaced by "XX" (in a stream: in its first line)
  Raw,             // `raw` sent byte for byte instead of the reply
  StopAfter,       // stream stops after arg lines, end line still sent
  StopAfterNoEnd,  // stream stops after arg lines, no end line
  InvalidDate,     // record number arg (0-based) carries the date 31/02 25:00:00
  DropAfterBytes,  // the connection (or pty) is closed after arg bytes of the reply;
                   // a pty comes back as a new one under the same link
  EndlessNoCr,     // after the reply's "$" and code, bytes without CR keep coming until
                   // the next request, or arg bytes when arg > 0
  // A USB serial adapter between the reader and the PC:
  Bursts,     // the reply reaches the PC in bursts every arg ms (the adapter's latency timer)
  DelayTail,  // the reply's last arg characters come pauseMs later than the rest
  StaleTail,  // the reply comes after the late tail of an earlier one ("**" CR), in pieces
              // of arg characters pauseMs apart
};

// How the characters of a paced line reach the PC: as a USB serial adapter
// hands them on (what arrived within about a millisecond together), or as a
// UART without a FIFO does (each character by itself, once its last bit is in).
enum class Delivery { Usb, Uart };

struct Fault {
  FaultKind kind = FaultKind::None;
  int arg = 0;
  int pauseMs = 50;
  QByteArray raw;
  bool once = false;  // cleared after it fired once
};

}  // namespace tessaro::sim
