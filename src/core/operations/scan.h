#pragma once
// A scan of a line: every address of a list asked for its settings, and the
// readers that answer. A silent address costs a short wait, not the settings
// read's whole one, while the scan still finds every reader a full wait at
// each address finds: a reply names its address, so one that comes late is
// recognised whenever it arrives, and that address is asked again in full.

#include <functional>
#include <optional>
#include <vector>

#include "exchange.h"
#include "readers.h"

namespace tessaro {

struct ScanOptions {
  bool fullWait = false;  // every address waited for in full, for a line with unusual converters
  std::function<bool()> cancelled;
  // An address is asked, in the first pass; how many have answered so far.
  std::function<void(int address, int answered)> asking;
};

struct ScannedReader {
  int address = 0;
  ProbedReader probe;  // two full reads, as the address would have had without a scan
};

struct LineScan {
  std::vector<ScannedReader> readers;  // in address order
  std::optional<int> stoppedAt;        // cancelled: the first address not asked
};

// The first pass's wait for a reply, in milliseconds of silence after the
// request: the request's own time on the line and a reader's and an adapter's
// delay (serial), or a converter's (TCP); never less than twice the longest an
// on-time reply of this scan took, never more than the settings read's wait.
int ScanWaitMs(LinkKind kind, int baud, qint64 slowestReplyUs);

// Asks every address of `addresses` (ascending): a first pass with the short
// wait, listening throughout, then two full reads of each address that
// answered, answered late, or may be the owner of garbled bytes (a collision,
// or replies overlapping), as ProbeReader reads them. The last address is
// listened to for the full wait.
LineScan ScanLine(ExchangeEnv& env, const std::vector<int>& addresses, const ScanOptions& options = {});

}  // namespace tessaro
