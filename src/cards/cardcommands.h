#pragma once
// The card commands of the reader: write one card (%NC), stream the card
// memory back (%UC) and erase it (%EC).

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <optional>
#include <vector>

#include "link/exchange.h"

namespace tessaro {

// Result codes of ReadCards besides the line count.
inline constexpr int kReadCardsTimedOut = -1;
inline constexpr int kReadCardsCancelled = -2;
// Reading stops once more than this many lines were taken.
inline constexpr int kMaxCardLines = 5000;
// A "$" followed by more than this many characters without a CR is not a reply line.
inline constexpr int kMaxPendingLine = 64;

// The card number a list entry sends: a number that rounds (half to even) into
// -2147483648 … 4294967295, taken as 32-bit two's complement; nullopt otherwise.
std::optional<qint32> CardNumberFromText(QStringView text);

// "%NC" + address + eight hex digits + "**" + CR.
QByteArray SendCardRequest(qint16 deviceId, qint32 card);

// 1 accepted, 0 no reply within the deadline, -1 not accepted.
int SendCard(ExchangeEnv& env, qint16 deviceId, qint32 card);
// 1 erased, 0 no reply within the deadline, -1 not accepted.
int EraseCards(ExchangeEnv& env, qint16 deviceId);

// Splits the %UC reply stream into lines and decodes them. Feed it the pieces
// as they arrive; it keeps only the unfinished line, so memory stays bounded
// and every byte is examined once.
class CardStreamCollector {
 public:
  enum class State { Reading, EndLine, Unexpected, LineLimit, Overlong };

  // Examines every complete line of the piece; returns the cards it held (in
  // order). Does nothing once the stream has ended.
  std::vector<qint32> feed(QByteArrayView piece);

  State state() const { return state_; }
  bool ended() const { return state_ != State::Reading; }
  // Card lines counted so far, including those that failed the layout test.
  int lineCount() const { return lines_; }
  // Bytes held for an unfinished line.
  qsizetype pendingBytes() const { return buffer_.size() - offset_; }

  // Decodes one complete line (from "$" through CR): the card when the line has
  // the card layout, nullopt otherwise.
  static std::optional<qint32> decodeCardLine(QByteArrayView line);

 private:
  void compact();

  QByteArray buffer_;
  qsizetype offset_ = 0;  // first byte not yet consumed
  int lines_ = 0;
  State state_ = State::Reading;
};

// What ReadCards hands over while it reads.
class CardSink {
 public:
  virtual ~CardSink() = default;
  // Cards of one piece of the stream, in order; appended as unmarked entries.
  virtual void cardsReceived(const std::vector<qint32>& cards) = 0;
  // Serial only: the number of cards added so far.
  virtual void progress(int cardsAdded) = 0;
};

// The line count (0 or more), -1 when the reader fell silent for longer than
// the deadline, -2 when ESC was pressed (the flag is cleared).
int ReadCards(ExchangeEnv& env, qint16 deviceId, bool& escCancelFlag, CardSink& sink);

}  // namespace tessaro
