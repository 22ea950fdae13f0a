#include "src/lib/utf8.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace quillfen {
namespace {

// A second, independent reading of the UTF-8 rules, by bit patterns rather
// than byte ranges: a sequence is valid when its lead byte announces its
// length, every further byte is 10xxxxxx, and the value needs exactly that
// many bytes, is no surrogate and is at most U+10FFFF.
bool reference_valid(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto lead = static_cast<unsigned char>(s[i]);
    std::size_t length;
    std::uint32_t value;
    if ((lead >> 7) == 0) {
      length = 1, value = lead;
    } else if ((lead >> 5) == 0b110) {
      length = 2, value = lead & 0x1F;
    } else if ((lead >> 4) == 0b1110) {
      length = 3, value = lead & 0x0F;
    } else if ((lead >> 3) == 0b11110) {
      length = 4, value = lead & 0x07;
    } else {
      return false;
    }
    if (s.size() - i < length) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto byte = static_cast<unsigned char>(s[i + k]);
      if ((byte >> 6) != 0b10) return false;
      value = (value << 6) | (byte & 0x3F);
    }
    static constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kSmallest[length]) return false;
    if (value >= 0xD800 && value <= 0xDFFF) return false;
    if (value > 0x10FFFF) return false;
    i += length;
  }
  return true;
}

TEST(Utf8, AgreesWithReferenceOnEveryOneTwoAndThreeByteText) {
  char bytes[3];
  const auto check = [&bytes](std::size_t length) {
    const std::string_view s(bytes, length);
    if (is_valid_utf8(s) != reference_valid(s)) {
      ADD_FAILURE() << testing::PrintToString(std::string(s));
      return false;
    }
    return true;
  };
  for (int a = 0; a < 256; ++a) {
    bytes[0] = static_cast<char>(a);
    if (!check(1)) return;
    for (int b = 0; b < 256; ++b) {
      bytes[1] = static_cast<char>(b);
      if (!check(2)) return;
      // Below 0xC0 the first byte is ASCII, whose rest is a two-byte text
      // already covered, or a stray continuation byte.
      if (a < 0xC0) continue;
      for (int c = 0; c < 256; ++c) {
        bytes[2] = static_cast<char>(c);
        if (!check(3)) return;
      }
    }
  }
}

TEST(Utf8, AgreesWithReferenceOnFourByteSequences) {
  const unsigned char edges[] = {0x00, 0x7F, 0x80, 0x8F, 0x90, 0xBF, 0xC0, 0xFF};
  std::string s;
  for (int a = 0xF0; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) {
      for (const unsigned char c : edges) {
        for (const unsigned char d : edges) {
          s.assign({static_cast<char>(a), static_cast<char>(b), static_cast<char>(c),
                    static_cast<char>(d)});
          ASSERT_EQ(is_valid_utf8(s), reference_valid(s)) << a << " " << b << " " << c << " " << +d;
          ASSERT_EQ(decode_utf8(s).has_value(), reference_valid(s));
        }
      }
    }
  }
}

TEST(Utf8, KnownInvalidForms) {
  for (const std::string_view bad : {
           "\xC0\x80",          // overlong U+0000
           "\xC1\xBF",          // overlong U+007F
           "\xE0\x9F\xBF",      // overlong U+07FF
           "\xF0\x8F\xBF\xBF",  // overlong U+FFFF
           "\xED\xA0\x80",      // U+D800, a surrogate
           "\xED\xBF\xBF",      // U+DFFF, a surrogate
           "\xF4\x90\x80\x80",  // U+110000
           "\xF5\x80\x80\x80",  // lead byte beyond the range
           "\x80",              // lone continuation byte
           "\xE2\x82",          // truncated U+20AC
           "\xFF",
       }) {
    EXPECT_FALSE(is_valid_utf8(bad)) << testing::PrintToString(bad);
    EXPECT_FALSE(decode_utf8(bad)) << testing::PrintToString(bad);
  }
}

// The eight-bytes-at-a-time path must not skip a bad byte at any position,
// nor a sequence cut off at the end of the text.
TEST(Utf8, FindsBadByteAtEveryPositionOfLongAsciiText) {
  for (std::size_t position = 0; position < 40; ++position) {
    std::string text(40, 'a');
    ASSERT_TRUE(is_valid_utf8(text));
    text[position] = '\x80';
    EXPECT_FALSE(is_valid_utf8(text)) << position;
    text[position] = '\xC3';  // first byte of a two-byte sequence; 'a' cannot follow
    EXPECT_FALSE(is_valid_utf8(text)) << position;
  }
  for (std::size_t length = 0; length < 20; ++length) {
    std::string text(length, 'b');
    text += "\xE2\x82\xAC";
    EXPECT_TRUE(is_valid_utf8(text)) << length;
    text.pop_back();
    EXPECT_FALSE(is_valid_utf8(text)) << length;
  }
}

TEST(Utf8, EveryCodePointRoundTrips) {
  std::string text;
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    text.clear();
    append_utf8(text, c);
    const auto decoded = decode_utf8(text);
    if (!reference_valid(text) || !decoded || *decoded != std::u32string_view(&c, 1)) {
      FAIL() << "U+" << std::hex << static_cast<std::uint32_t>(c);
    }
  }
}

TEST(Utf8, DecodesAndEncodesMixedText) {
  const std::string_view text = "-s \xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\xBB";  // é, €, 📻
  const std::u32string code_points = U"-s \u00E9t\u00E9 \u20AC \U0001F4FB";
  ASSERT_EQ(decode_utf8(text), code_points);
  EXPECT_EQ(encode_utf8(code_points), text);
  EXPECT_EQ(decode_utf8(""), std::u32string());
  EXPECT_TRUE(is_valid_utf8(""));
}

}  // namespace
}  // namespace quillfen
