#include "datetime/bit_field.hpp"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace quillfen {
namespace {

// A buffer holding `bits` ('0', '1', '_' for undetermined) from index
// `offset` on; every other entry is 0.
BitBuffer buffer_of(std::string_view bits, std::size_t offset = 0) {
  BitBuffer buffer;
  buffer.fill(false);
  for (std::size_t i = 0; i < bits.size(); ++i) {
    buffer[offset + i] = bits[i] == '_' ? Bit{} : Bit{bits[i] == '1'};
  }
  return buffer;
}

constexpr std::optional<std::uint32_t> kNone32;

struct ValueCase {
  const char* name;
  std::string_view bits;  // placed from index 5 on
  std::size_t start, stop;
  std::optional<std::uint32_t> bcd, binary;
  std::optional<std::uint8_t> unary;
};

// start and stop are indices into the buffer; the bits sit at 5.. so that
// both reading directions and both neighbours are exercised.
const ValueCase kValueCases[] = {
    {"one bit 0", "0", 5, 5, 0, 0, 0},
    {"one bit 1", "1", 5, 5, 1, 1, 1},
    {"low end first", "1000", 5, 8, 1, 1, 1},
    {"high end first", "1000", 8, 5, 8, 8, std::nullopt},
    {"minute 29", "1001010", 5, 11, 29, 0b0101001, std::nullopt},
    {"digit ten", "0101", 5, 8, kNone32, 10, std::nullopt},
    {"digit thirteen", "1011", 5, 8, kNone32, 13, std::nullopt},
    {"short last group 111", "0000111", 5, 11, 70, 0b1110000, std::nullopt},
    {"unary run of three", "11100", 5, 9, 7, 7, 3},
    {"unary all zeros", "000", 5, 7, 0, 0, 0},
    {"unary gap", "101", 5, 7, 5, 5, std::nullopt},
    {"unary starts with zero", "01", 5, 6, 2, 2, std::nullopt},
    {"unary read from the high end", "00111", 9, 5, 7, 7, 3},
    {"undetermined first", "_001", 5, 8, kNone32, kNone32, std::nullopt},
    {"undetermined last", "100_", 5, 8, kNone32, kNone32, std::nullopt},
};

TEST(BitField, ValueHelpersFollowTheirTables) {
  for (const ValueCase& c : kValueCases) {
    SCOPED_TRACE(c.name);
    const BitBuffer buffer = buffer_of(c.bits, 5);
    EXPECT_EQ(get_bcd_value(buffer, c.start, c.stop), c.bcd);
    EXPECT_EQ(get_binary_value(buffer, c.start, c.stop), c.binary);
    EXPECT_EQ(get_unary_value(buffer, c.start, c.stop), c.unary);
  }
}

TEST(BitField, EveryBcdDigitInEveryPosition) {
  // A digit above 9 in any complete group, units or tens, makes the value
  // absent; 0..9 give the digit times its weight.
  for (std::uint32_t digit = 0; digit < 16; ++digit) {
    for (std::uint32_t weight : {1u, 10u}) {
      BitBuffer buffer = buffer_of("");
      const std::size_t base = weight == 1 ? 0 : 4;
      for (std::size_t i = 0; i < 4; ++i) {
        buffer[base + i] = ((digit >> i) & 1) != 0;
      }
      SCOPED_TRACE(testing::Message() << "digit " << digit << " weight " << weight);
      const std::optional<std::uint32_t> expected =
          digit <= 9 ? std::optional<std::uint32_t>(digit * weight) : std::nullopt;
      EXPECT_EQ(get_bcd_value(buffer, 0, 7), expected);
    }
  }
}

TEST(BitField, LongestRangesAndOneBeyond) {
  BitBuffer ones;
  ones.fill(true);
  // 38 bits: nine digits of 1001 and a last group of 11 give the largest
  // BCD value without overflow.
  BitBuffer nines = buffer_of("");
  for (std::size_t digit = 0; digit < 9; ++digit) {
    nines[4 * digit] = true;
    nines[4 * digit + 3] = true;
  }
  nines[36] = true;
  nines[37] = true;
  EXPECT_EQ(get_bcd_value(nines, 0, 37), 3999999999u);
  EXPECT_EQ(get_bcd_value(nines, 0, 38), std::nullopt);  // 39 bits
  EXPECT_EQ(get_bcd_value(nines, 38, 0), std::nullopt);

  EXPECT_EQ(get_binary_value(ones, 0, 31), 0xFFFFFFFFu);
  EXPECT_EQ(get_binary_value(ones, 31, 0), 0xFFFFFFFFu);
  EXPECT_EQ(get_binary_value(ones, 0, 32), std::nullopt);  // 33 bits

  EXPECT_EQ(get_unary_value(ones, 0, 14), 15);
  EXPECT_EQ(get_unary_value(ones, 14, 0), 15);
  EXPECT_EQ(get_unary_value(ones, 0, 15), std::nullopt);  // 16 bits
}

TEST(BitField, OverlongRangeIsAbsentEvenOutsideTheBuffer) {
  const BitBuffer buffer = buffer_of("1");
  EXPECT_EQ(get_bcd_value(buffer, 0, 100), std::nullopt);
  EXPECT_EQ(get_binary_value(buffer, 100, 50), std::nullopt);
  EXPECT_EQ(get_unary_value(buffer, 61, 80), std::nullopt);
}

TEST(BitField, AnUndeterminedBitAnywhereMakesEveryHelperAbsent) {
  for (std::size_t hole = 10; hole <= 17; ++hole) {
    BitBuffer buffer = buffer_of("11000000", 10);
    buffer[hole] = std::nullopt;
    SCOPED_TRACE(testing::Message() << "undetermined bit " << hole);
    EXPECT_EQ(get_bcd_value(buffer, 10, 17), std::nullopt);
    EXPECT_EQ(get_binary_value(buffer, 17, 10), std::nullopt);
    EXPECT_EQ(get_unary_value(buffer, 10, 17), std::nullopt);
    EXPECT_EQ(get_parity(buffer, 10, 17, true), std::nullopt);
    // Bits outside the range do not matter.
    EXPECT_EQ(get_binary_value(buffer, 18, 21), 0u);
  }
}

TEST(BitField, Parity) {
  const BitBuffer zeros = buffer_of("");
  EXPECT_EQ(get_parity(zeros, 0, 7, false), false);  // even
  EXPECT_EQ(get_parity(zeros, 0, 7, true), true);    // odd
  EXPECT_EQ(get_parity(zeros, 0, 7, std::nullopt), std::nullopt);
  // One bit: the exclusive or of the bit and the parity bit.
  const BitBuffer one = buffer_of("1");
  EXPECT_EQ(get_parity(one, 0, 0, false), true);
  EXPECT_EQ(get_parity(one, 0, 0, true), false);
  // Direction does not matter and the whole buffer is allowed.
  BitBuffer mixed = buffer_of("1101");
  mixed[61] = true;  // four ones in all
  EXPECT_EQ(get_parity(mixed, 0, 61, false), false);
  EXPECT_EQ(get_parity(mixed, 61, 0, false), false);
  // Flipping any single bit of the range flips the result.
  for (std::size_t i = 21; i <= 28; ++i) {
    BitBuffer buffer = buffer_of("10010101", 21);  // four ones: even
    const std::optional<bool> good = get_parity(buffer, 21, 27, buffer[28]);
    ASSERT_EQ(good, false);
    buffer[i] = !*buffer[i];
    EXPECT_EQ(get_parity(buffer, 21, 27, buffer[28]), true) << "flipped bit " << i;
  }
}

TEST(BitField, UndeterminedParityBitIsAbsentWithoutCheckingTheRange) {
  const BitBuffer buffer = buffer_of("1");
  EXPECT_EQ(get_parity(buffer, 0, 200, std::nullopt), std::nullopt);
}

TEST(BitFieldDeathTest, RangeOutsideTheBufferStopsTheProgram) {
  const BitBuffer buffer = buffer_of("");
  EXPECT_DEATH(get_bcd_value(buffer, 60, 62), "high < buffer.size");
  EXPECT_DEATH(get_binary_value(buffer, 62, 62), "high < buffer.size");
  EXPECT_DEATH(get_unary_value(buffer, 62, 55), "high < buffer.size");
  EXPECT_DEATH(get_parity(buffer, 0, 62, false), "high < buffer.size");
  // A shorter span is checked against its own size.
  EXPECT_DEATH(get_binary_value(std::span<const Bit>(buffer).first(10), 5, 10),
               "high < buffer.size");
}

}  // namespace
}  // namespace quillfen

namespace quillfen {
namespace {

// The packed helpers give exactly what the helpers on a BitBuffer give: every
// range of a buffer, in both directions, for buffers of random bits with some
// undetermined.
TEST(PackedBitsTest, EveryHelperAgreesWithItsBitBufferTwin) {
  std::uint64_t state = 12345;
  const auto next = [&state] {
    state = state * 6364136223846793005u + 1442695040888963407u;
    return state >> 33;
  };
  for (int round = 0; round < 300; ++round) {
    BitBuffer buffer{};
    PackedBits packed;
    const std::uint64_t undetermined_every = 2 + round % 40;
    for (std::size_t i = 0; i < kBitBufferSize; ++i) {
      const Bit bit = next() % undetermined_every == 0 ? Bit{} : Bit{next() % 2 == 1};
      buffer[i] = bit;
      packed.set(i, bit);
      ASSERT_EQ(packed[i], bit);
    }
    for (std::size_t start = 0; start < kBitBufferSize; ++start) {
      for (std::size_t stop = 0; stop < kBitBufferSize; ++stop) {
        SCOPED_TRACE(testing::Message() << round << ": " << start << ".." << stop);
        ASSERT_EQ(get_bcd_value(packed, start, stop), get_bcd_value(buffer, start, stop));
        ASSERT_EQ(get_binary_value(packed, start, stop), get_binary_value(buffer, start, stop));
        ASSERT_EQ(get_unary_value(packed, start, stop), get_unary_value(buffer, start, stop));
        for (const Bit parity_bit : {Bit{}, Bit{false}, Bit{true}}) {
          ASSERT_EQ(get_parity(packed, start, stop, parity_bit),
                    get_parity(buffer, start, stop, parity_bit));
        }
      }
    }
  }
}

TEST(PackedBitsTest, StartsUndeterminedAndForgetsWhatIsOverwritten) {
  PackedBits packed;
  for (std::size_t i = 0; i < kBitBufferSize; ++i) EXPECT_EQ(packed[i], Bit{}) << i;
  packed.set(61, true);
  packed.set(61, Bit{});
  EXPECT_EQ(packed, PackedBits());
  packed.set(0, true);
  packed.set(0, false);
  EXPECT_EQ(packed[0], Bit{false});
}

TEST(PackedBitsDeathTest, AnIndexOutsideTheMinuteStopsTheProgram) {
  PackedBits packed;
  EXPECT_DEATH(packed.set(kBitBufferSize, true), "internal error");
  EXPECT_DEATH(static_cast<void>(packed[kBitBufferSize]), "internal error");
  EXPECT_DEATH(static_cast<void>(get_bcd_value(packed, 60, 62)), "internal error");
}

}  // namespace
}  // namespace quillfen
