#pragma once
// A reader's address: the three digits every request carries. Readers answer
// to 1..255; a request carries whatever number the user typed (0 goes out as
// "000", 300 as "300"), held as a signed 16-bit number.

#include <QtGlobal>

namespace tessaro {

class DeviceId {
 public:
  constexpr DeviceId() = default;
  // An address kept as an int (a list, a table row, a scan); the addresses
  // that reach here are checked or typed, and fit 16 bits.
  constexpr DeviceId(int value) : value_(static_cast<qint16>(value)) {}  // NOLINT(google-explicit-constructor)
  constexpr qint16 value() const { return value_; }
  // One of the addresses a reader can have.
  constexpr bool isReader() const { return value_ >= 1 && value_ <= 255; }
  friend constexpr bool operator==(DeviceId, DeviceId) = default;

 private:
  qint16 value_ = 0;
};

}  // namespace tessaro
