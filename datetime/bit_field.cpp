#include "datetime/bit_field.hpp"

#include <algorithm>
#include <bit>
#include <cstdint>

#include "base/check.hpp"

namespace quillfen {
namespace {

// The longest range any value helper reads (a BCD field of 38 bits).
constexpr std::size_t kMaxFieldBits = 38;

// The bits of a range, packed: bit i of `bits` is the bit i places from
// `start`.
struct Field {
  std::uint64_t bits;
  std::size_t size;
};

// Reads the range start..stop (either order) out of `buffer`, least
// significant bit first. Nothing when the range spans more than `max_bits`
// bits (tested before the indices, so an overlong range is never an index
// error) or when a bit is undetermined.
std::optional<Field> extract(std::span<const Bit> buffer, std::size_t start, std::size_t stop,
                             std::size_t max_bits) {
  const std::size_t low = std::min(start, stop);
  const std::size_t high = std::max(start, stop);
  if (high - low >= max_bits) {
    return std::nullopt;
  }
  QUILLFEN_CHECK(high < buffer.size());
  const std::size_t size = high - low + 1;
  std::uint64_t bits = 0;
  for (std::size_t i = 0; i < size; ++i) {
    const Bit bit = buffer[start <= stop ? start + i : start - i];
    if (!bit.has_value()) {
      return std::nullopt;
    }
    bits |= static_cast<std::uint64_t>(*bit) << i;
  }
  return Field{bits, size};
}

// The same from packed bits: the range's bits shifted down, reversed when
// `start` is the larger index.
std::optional<Field> extract(const PackedBits& bits, std::size_t start, std::size_t stop,
                             std::size_t max_bits) {
  const std::size_t low = std::min(start, stop);
  const std::size_t high = std::max(start, stop);
  if (high - low >= max_bits) {
    return std::nullopt;
  }
  QUILLFEN_CHECK(high < kBitBufferSize);
  const std::size_t size = high - low + 1;
  const std::uint64_t mask = (std::uint64_t{1} << size) - 1;  // size <= 38
  if (((bits.known() >> low) & mask) != mask) {
    return std::nullopt;
  }
  std::uint64_t value = (bits.ones() >> low) & mask;
  if (start > stop) {
    std::uint64_t reversed = 0;
    for (std::size_t i = 0; i < size; ++i) {
      reversed |= ((value >> i) & 1) << (size - 1 - i);
    }
    value = reversed;
  }
  return Field{value, size};
}

std::optional<std::uint32_t> bcd_of(const std::optional<Field>& field) {
  if (!field.has_value()) {
    return std::nullopt;
  }
  std::uint32_t result = 0;
  std::uint32_t digit_weight = 1;
  for (std::size_t group = 0; group < field->size; group += 4) {
    const auto digit = static_cast<std::uint32_t>((field->bits >> group) & 0xF);
    // A short last group holds at most 7 and needs no check.
    if (group + 4 <= field->size && digit > 9) {
      return std::nullopt;
    }
    result += digit * digit_weight;
    // After the tenth digit the weight would overflow; 38 bits make at most
    // ten digits, so the last multiplication is never used.
    if (group + 4 < field->size) {
      digit_weight *= 10;
    }
  }
  return result;
}

std::optional<std::uint32_t> binary_of(const std::optional<Field>& field) {
  if (!field.has_value()) {
    return std::nullopt;
  }
  return static_cast<std::uint32_t>(field->bits);
}

std::optional<std::uint8_t> unary_of(const std::optional<Field>& field) {
  if (!field.has_value()) {
    return std::nullopt;
  }
  // A single run of ones from `start` on, then zeros: the bits are 2^n - 1,
  // and n is their width.
  if ((field->bits & (field->bits + 1)) != 0) {
    return std::nullopt;
  }
  return static_cast<std::uint8_t>(std::bit_width(field->bits));
}

}  // namespace

std::optional<std::uint32_t> get_bcd_value(std::span<const Bit> buffer, std::size_t start,
                                           std::size_t stop) {
  return bcd_of(extract(buffer, start, stop, kMaxFieldBits));
}

std::optional<std::uint32_t> get_binary_value(std::span<const Bit> buffer, std::size_t start,
                                              std::size_t stop) {
  return binary_of(extract(buffer, start, stop, 32));
}

std::optional<std::uint8_t> get_unary_value(std::span<const Bit> buffer, std::size_t start,
                                            std::size_t stop) {
  return unary_of(extract(buffer, start, stop, 15));
}

std::optional<std::uint32_t> get_bcd_value(const PackedBits& bits, std::size_t start,
                                           std::size_t stop) {
  return bcd_of(extract(bits, start, stop, kMaxFieldBits));
}

std::optional<std::uint32_t> get_binary_value(const PackedBits& bits, std::size_t start,
                                              std::size_t stop) {
  return binary_of(extract(bits, start, stop, 32));
}

std::optional<std::uint8_t> get_unary_value(const PackedBits& bits, std::size_t start,
                                            std::size_t stop) {
  return unary_of(extract(bits, start, stop, 15));
}

std::optional<bool> get_parity(const PackedBits& bits, std::size_t start, std::size_t stop,
                               Bit parity_bit) {
  if (!parity_bit.has_value()) {
    return std::nullopt;
  }
  const std::size_t low = std::min(start, stop);
  const std::size_t high = std::max(start, stop);
  QUILLFEN_CHECK(high < kBitBufferSize);
  const std::size_t size = high - low + 1;
  const std::uint64_t mask = size >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << size) - 1;
  if (((bits.known() >> low) & mask) != mask) {
    return std::nullopt;
  }
  // Whether the range and the parity bit hold an odd number of ones: the
  // exclusive or of all of them, folded down to one bit.
  std::uint64_t folded = ((bits.ones() >> low) & mask) ^ (*parity_bit ? 1 : 0);
  for (int half = 32; half > 0; half /= 2) {
    folded ^= folded >> half;
  }
  return (folded & 1) != 0;
}

std::optional<bool> get_parity(std::span<const Bit> buffer, std::size_t start, std::size_t stop,
                               Bit parity_bit) {
  if (!parity_bit.has_value()) {
    return std::nullopt;
  }
  const std::size_t low = std::min(start, stop);
  const std::size_t high = std::max(start, stop);
  QUILLFEN_CHECK(high < buffer.size());
  bool odd = *parity_bit;
  for (std::size_t i = low; i <= high; ++i) {
    if (!buffer[i].has_value()) {
      return std::nullopt;
    }
    odd ^= *buffer[i];
  }
  return odd;
}

}  // namespace quillfen
