#include "datetime/bit_field.hpp"

#include <algorithm>
#include <array>

#include "base/check.hpp"

namespace quillfen {
namespace {

// The longest range any value helper reads (a BCD field of 38 bits).
constexpr std::size_t kMaxFieldBits = 38;

// The bits of a range, ordered so that entry 0 is the bit at `start`.
struct Field {
  std::array<bool, kMaxFieldBits> bits;
  std::size_t size;
};

// Copies the range start..stop (either order) out of `buffer`, least
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
  Field field{};
  field.size = high - low + 1;
  for (std::size_t i = 0; i < field.size; ++i) {
    const Bit bit = buffer[start <= stop ? start + i : start - i];
    if (!bit.has_value()) {
      return std::nullopt;
    }
    field.bits[i] = *bit;
  }
  return field;
}

}  // namespace

std::optional<std::uint32_t> get_bcd_value(std::span<const Bit> buffer, std::size_t start,
                                           std::size_t stop) {
  const std::optional<Field> field = extract(buffer, start, stop, kMaxFieldBits);
  if (!field.has_value()) {
    return std::nullopt;
  }
  std::uint32_t result = 0;
  std::uint32_t digit_weight = 1;
  for (std::size_t group = 0; group < field->size; group += 4) {
    const std::size_t group_end = std::min(group + 4, field->size);
    std::uint32_t digit = 0;
    for (std::size_t i = group; i < group_end; ++i) {
      digit |= static_cast<std::uint32_t>(field->bits[i]) << (i - group);
    }
    // A short last group holds at most 7 and needs no check.
    if (group_end - group == 4 && digit > 9) {
      return std::nullopt;
    }
    result += digit * digit_weight;
    // After the tenth digit the weight would overflow; 38 bits make at most
    // ten digits, so the last multiplication is never used.
    if (group_end < field->size) {
      digit_weight *= 10;
    }
  }
  return result;
}

std::optional<std::uint32_t> get_binary_value(std::span<const Bit> buffer, std::size_t start,
                                              std::size_t stop) {
  const std::optional<Field> field = extract(buffer, start, stop, 32);
  if (!field.has_value()) {
    return std::nullopt;
  }
  std::uint32_t result = 0;
  for (std::size_t i = 0; i < field->size; ++i) {
    result |= static_cast<std::uint32_t>(field->bits[i]) << i;
  }
  return result;
}

std::optional<std::uint8_t> get_unary_value(std::span<const Bit> buffer, std::size_t start,
                                            std::size_t stop) {
  const std::optional<Field> field = extract(buffer, start, stop, 15);
  if (!field.has_value()) {
    return std::nullopt;
  }
  std::uint8_t ones = 0;
  for (std::size_t i = 0; i < field->size; ++i) {
    if (field->bits[i]) {
      if (i > 0 && !field->bits[i - 1]) {
        return std::nullopt;  // a one after a zero: not a single run of ones
      }
      ++ones;
    }
  }
  return ones;
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
