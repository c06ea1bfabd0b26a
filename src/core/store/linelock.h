#pragma once
// One program at a time on a line, among every PC that shares the store: a
// row of line_locks names the holder, who keeps it fresh while it works and
// removes it at the end. A row is free for the taking when its holder has not
// refreshed it for kLockLeaseS seconds of the database's clock, or when the
// holder was a process of this host that no longer runs (killed).

#include <QString>
#include <optional>

#include "recordstore.h"

namespace tessaro {

inline constexpr int kLockLeaseS = 120;

// Who holds a line.
struct LockHolder {
  QString host;
  qint64 pid = 0;
  QString since;  // UTC, ISO 8601
};

class LineLock {
 public:
  LineLock(RecordStore& store, QString line);
  ~LineLock();  // releases it
  LineLock(const LineLock&) = delete;
  LineLock& operator=(const LineLock&) = delete;

  enum class Try { Taken, Held, Failed };
  // One attempt; Held fills *holder.
  Try tryTake(LockHolder* holder);
  // Keeps it fresh; false when it is no longer this one's (or the store refused).
  bool refresh();
  void release();
  bool held() const { return held_; }

 private:
  RecordStore& store_;
  QString line_, owner_;
  bool held_ = false;
};

}  // namespace tessaro
