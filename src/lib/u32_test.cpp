#include "src/lib/u32.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace quillfen {
namespace {

struct U32Case {
  std::string_view text;
  std::variant<std::uint32_t, std::string_view> expected;
};

class ParseU32Test : public testing::TestWithParam<U32Case> {};

TEST_P(ParseU32Test, ReadsValueOrReason) {
  const U32Case& c = GetParam();
  const auto result = parse_u32(c.text);
  if (std::holds_alternative<std::uint32_t>(c.expected)) {
    ASSERT_TRUE(std::holds_alternative<std::uint32_t>(result))
        << "'" << c.text << "': " << std::get<std::string_view>(result);
    EXPECT_EQ(std::get<std::uint32_t>(result), std::get<std::uint32_t>(c.expected));
  } else {
    ASSERT_TRUE(std::holds_alternative<std::string_view>(result))
        << "'" << c.text << "' read as " << std::get<std::uint32_t>(result);
    EXPECT_EQ(std::get<std::string_view>(result), std::get<std::string_view>(c.expected));
  }
}

constexpr std::string_view kEmpty = "cannot parse integer from empty string";
constexpr std::string_view kDigit = "invalid digit found in string";
constexpr std::string_view kLarge = "number too large to fit in target type";

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseU32Test,
    testing::Values(
        // Good numbers: zero, leading zeros, one "+", the largest value.
        U32Case{"0", 0u}, U32Case{"7", 7u}, U32Case{"007", 7u}, U32Case{"+7", 7u},
        U32Case{"+500", 500u}, U32Case{"+0", 0u}, U32Case{"150000", 150000u},
        U32Case{"4294967295", 4294967295u}, U32Case{"+4294967295", 4294967295u},
        U32Case{"0000000000004294967295", 4294967295u},
        // Nothing to read.
        U32Case{"", kEmpty},
        // Signs: a lone sign is a bad digit; "-" is never accepted; only one "+".
        U32Case{"+", kDigit}, U32Case{"-", kDigit}, U32Case{"-1", kDigit}, U32Case{"-0", kDigit},
        U32Case{"++1", kDigit}, U32Case{"+-1", kDigit}, U32Case{"1+", kDigit},
        // Non-digits anywhere, including blanks and non-ASCII digits.
        U32Case{"5x", kDigit}, U32Case{"x5", kDigit}, U32Case{" 5", kDigit}, U32Case{"5 ", kDigit},
        U32Case{"1.5", kDigit}, U32Case{"0x10", kDigit}, U32Case{"\xd9\xa1", kDigit},
        // Just past the largest value, in every last digit and by length.
        U32Case{"4294967296", kLarge}, U32Case{"4294967300", kLarge}, U32Case{"4294967305", kLarge},
        U32Case{"9999999999", kLarge}, U32Case{"42949672950", kLarge},
        U32Case{"+4294967296", kLarge},
        // The first problem from the left wins.
        U32Case{"99999999999x", kLarge}, U32Case{"x99999999999", kDigit},
        U32Case{"4294967295x", kDigit}, U32Case{"429496729x6", kDigit}));

// Every power of ten and every value around the 32-bit limit.
TEST(ParseU32, PowersOfTenAndNeighbours) {
  std::uint64_t power = 1;
  for (int exponent = 0; exponent <= 10; ++exponent, power *= 10) {
    for (const std::uint64_t value : {power - 1, power, power + 1}) {
      const std::string text = std::to_string(value);
      const auto result = parse_u32(text);
      if (value <= UINT32_MAX) {
        ASSERT_TRUE(std::holds_alternative<std::uint32_t>(result)) << text;
        EXPECT_EQ(std::get<std::uint32_t>(result), value) << text;
      } else {
        ASSERT_TRUE(std::holds_alternative<std::string_view>(result)) << text;
        EXPECT_EQ(std::get<std::string_view>(result), kLarge) << text;
      }
    }
  }
  for (std::uint64_t value = UINT32_MAX - 20; value <= std::uint64_t{UINT32_MAX} + 20; ++value) {
    const std::string text = std::to_string(value);
    const auto result = parse_u32(text);
    EXPECT_EQ(std::holds_alternative<std::uint32_t>(result), value <= UINT32_MAX) << text;
  }
}

}  // namespace
}  // namespace quillfen
