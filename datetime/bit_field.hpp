// Reading the fields of a time code out of the bits of one received minute.
//
// A station decoder keeps the bits of the minute being received in a
// BitBuffer indexed by second and reads its fields (BCD numbers, plain binary
// numbers, unary counts, parity checks) with the helpers below. The helpers
// know nothing of any station: the caller gives the bit positions.
//
// A bit range is given by two inclusive indices, `start` and `stop`, in either
// order: the range covers every index from the smaller to the larger, and the
// bit at `start` is always the least significant one. A field sent least
// significant bit first is read with start < stop, a field sent most
// significant bit first with start > stop.
//
// Bad input never gives a wrong value: the helpers return nothing instead.
#ifndef QUILLFEN_DATETIME_BIT_FIELD_HPP_
#define QUILLFEN_DATETIME_BIT_FIELD_HPP_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "base/check.hpp"

namespace quillfen {

// A received bit: 0, 1, or undetermined (nullopt: not received, or not
// decodable).
using Bit = std::optional<bool>;

// The bits of one minute, indexed by second. Both decoders use 62 entries,
// room for a 61-second minute and one shift.
inline constexpr std::size_t kBitBufferSize = 62;
using BitBuffer = std::array<Bit, kBitBufferSize>;

// The same 62 bits packed into two words: whether each second's bit was
// received, and its value. The decoders keep a minute this way, so that a
// field is read with a few shifts rather than bit by bit, and a minute takes
// 16 bytes instead of 124. Every entry starts undetermined.
class PackedBits {
 public:
  // REQUIRES: index < kBitBufferSize (checked).
  [[gnu::always_inline]] void set(std::size_t index, Bit bit) {
    QUILLFEN_CHECK(index < kBitBufferSize);
    const std::uint64_t mask = std::uint64_t{1} << index;
    known_ = (known_ & ~mask) | (bit.has_value() ? mask : 0);
    ones_ = (ones_ & ~mask) | (bit.value_or(false) ? mask : 0);
  }
  // REQUIRES: index < kBitBufferSize (checked).
  Bit operator[](std::size_t index) const {
    QUILLFEN_CHECK(index < kBitBufferSize);
    if (((known_ >> index) & 1) == 0) {
      return std::nullopt;
    }
    return ((ones_ >> index) & 1) != 0;
  }
  // Bit i set: the bit of second i was received; and it was 1.
  std::uint64_t known() const { return known_; }
  std::uint64_t ones() const { return ones_; }

  bool operator==(const PackedBits&) const = default;

 private:
  std::uint64_t known_ = 0;
  std::uint64_t ones_ = 0;
};

// Reads a BCD number: groups of four bits weighing 1, 2, 4, 8 form decimal
// digits, the group at `start` being the units, the next the tens, and so on.
// A last group of one to three bits is added with its weight as it stands.
// The range may span at most 38 bits (start and stop at most 37 apart); the
// largest result is 3999999999.
//
// Returns nothing when the range is longer than 38 bits (checked first, so
// this holds even when the range would reach outside the buffer), when a bit
// of the range is undetermined, or when a complete group of four exceeds 9;
// never a wrong value.
// REQUIRES: max(start, stop) < buffer.size() (checked; otherwise the program
// stops), unless the range is too long.
std::optional<std::uint32_t> get_bcd_value(std::span<const Bit> buffer, std::size_t start,
                                           std::size_t stop);

// Reads an unsigned binary number: the bit j places from `start` weighs 2^j.
// The range may span at most 32 bits (start and stop at most 31 apart).
//
// Returns nothing when the range is longer than 32 bits (checked first) or a
// bit of the range is undetermined.
// REQUIRES: max(start, stop) < buffer.size() (checked), unless the range is
// too long.
std::optional<std::uint32_t> get_binary_value(std::span<const Bit> buffer, std::size_t start,
                                              std::size_t stop);

// Reads a unary count: a run of ones starting at `start`, followed by a run of
// zeros (either run may be empty). The result is the number of ones: all
// zeros give 0, all ones the number of bits. The range may span at most 15
// bits (start and stop at most 14 apart).
//
// Returns nothing when the range is longer than 15 bits (checked first), a
// bit of the range is undetermined, or a 1 follows a 0 (1,0,1 and 0,1 are not
// unary counts).
// REQUIRES: max(start, stop) < buffer.size() (checked), unless the range is
// too long.
std::optional<std::uint8_t> get_unary_value(std::span<const Bit> buffer, std::size_t start,
                                            std::size_t stop);

// Combines `parity_bit` and every bit of the range by exclusive or: true when
// the range and the parity bit together hold an odd number of ones, false when
// even. The direction of the range does not matter and its length is not
// limited. The helper knows no station's convention: with odd parity (MSF)
// true is good, with even parity (DCF77) false is good.
//
// Returns nothing when `parity_bit` is undetermined (checked first) or a bit
// of the range is undetermined.
// REQUIRES: max(start, stop) < buffer.size() (checked), unless the parity bit
// is undetermined.
std::optional<bool> get_parity(std::span<const Bit> buffer, std::size_t start, std::size_t stop,
                               Bit parity_bit);

// The same four helpers on packed bits, with the same results; the buffer
// size of their preconditions is kBitBufferSize.
std::optional<std::uint32_t> get_bcd_value(const PackedBits& bits, std::size_t start,
                                           std::size_t stop);
std::optional<std::uint32_t> get_binary_value(const PackedBits& bits, std::size_t start,
                                              std::size_t stop);
std::optional<std::uint8_t> get_unary_value(const PackedBits& bits, std::size_t start,
                                            std::size_t stop);
std::optional<bool> get_parity(const PackedBits& bits, std::size_t start, std::size_t stop,
                               Bit parity_bit);

// The outcome of one parity check of a minute, the same for both stations
// whatever their convention.
enum class ParityCheck : std::uint8_t { Good, Bad, Undetermined };

// The outcome of a get_parity result under even parity (DCF77: an even number
// of ones is good) or odd parity (MSF: an odd number is good). Absent means a
// bit was undetermined.
constexpr ParityCheck even_parity_check(std::optional<bool> odd_ones) {
  return !odd_ones.has_value() ? ParityCheck::Undetermined
                               : (*odd_ones ? ParityCheck::Bad : ParityCheck::Good);
}
constexpr ParityCheck odd_parity_check(std::optional<bool> odd_ones) {
  return !odd_ones.has_value() ? ParityCheck::Undetermined
                               : (*odd_ones ? ParityCheck::Good : ParityCheck::Bad);
}

}  // namespace quillfen

#endif  // QUILLFEN_DATETIME_BIT_FIELD_HPP_
