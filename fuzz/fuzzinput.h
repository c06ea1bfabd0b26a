#pragma once
// Splits a fuzzer's byte string into the arguments of the parser under test.

#include <QByteArrayView>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <type_traits>

namespace tessaro::fuzz {

class FuzzInput {
 public:
  FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  // The next byte, 0 when the input is used up.
  uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  // The next little-endian integer of sizeof(T) bytes; missing bytes count as 0.
  template <typename T>
  T integer() {
    using U = std::make_unsigned_t<T>;
    U v = 0;
    for (size_t i = 0; i < sizeof(T); ++i) v |= static_cast<U>(static_cast<U>(byte()) << (8 * i));
    T out;
    std::memcpy(&out, &v, sizeof(T));
    return out;
  }
  // Everything not consumed yet.
  QByteArrayView rest() const {
    return QByteArrayView(reinterpret_cast<const char*>(data_) + pos_, static_cast<qsizetype>(size_ - pos_));
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace tessaro::fuzz

// Checks that must hold for any input; a violation aborts so the fuzzer keeps the input.
#define FUZZ_CHECK(cond)                                                             \
  do {                                                                               \
    if (!(cond)) {                                                                   \
      std::fprintf(stderr, "check failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__); \
      std::abort();                                                                  \
    }                                                                                \
  } while (0)
