#include "src/lib/utf8.hpp"

#include <cstdint>
#include <cstring>

#include "base/check.hpp"

namespace quillfen {
namespace {

// Reads one code point from the front of `bytes` and removes its bytes.
// Returns nothing, leaving `bytes` as it was, when the front is not the start
// of a valid sequence. REQUIRES: `bytes` is not empty.
std::optional<char32_t> take_code_point(std::string_view& bytes) {
  const auto byte = [&bytes](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) {
    bytes.remove_prefix(1);
    return lead;
  }
  // The lead byte gives the length and the allowed range of the first
  // continuation byte; the narrowed ranges exclude overlong forms, surrogates
  // and code points above U+10FFFF.
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  char32_t value = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return std::nullopt;
  }
  if (bytes.size() < length) {
    return std::nullopt;
  }
  for (std::size_t i = 1; i < length; ++i) {
    const unsigned char continuation = byte(i);
    if (continuation < low || continuation > high) {
      return std::nullopt;
    }
    low = 0x80;
    high = 0xBF;
    value = (value << 6) | (continuation & 0x3F);
  }
  bytes.remove_prefix(length);
  return value;
}

bool is_ascii_block(const char* p) {
  std::uint64_t block;
  std::memcpy(&block, p, sizeof block);
  return (block & 0x8080808080808080u) == 0;
}

}  // namespace

bool is_valid_utf8(std::string_view bytes) {
  while (!bytes.empty()) {
    if (bytes.size() >= 8 && is_ascii_block(bytes.data())) {
      bytes.remove_prefix(8);
      continue;
    }
    if (!take_code_point(bytes)) {
      return false;
    }
  }
  return true;
}

std::optional<std::u32string> decode_utf8(std::string_view bytes) {
  std::u32string code_points;
  code_points.reserve(bytes.size());
  while (!bytes.empty()) {
    const std::optional<char32_t> code_point = take_code_point(bytes);
    if (!code_point) {
      return std::nullopt;
    }
    code_points.push_back(*code_point);
  }
  return code_points;
}

void append_utf8(std::string& out, char32_t code_point) {
  QUILLFEN_CHECK(code_point <= 0x10FFFF && (code_point < 0xD800 || code_point > 0xDFFF));
  const auto put = [&out](char32_t bits) { out.push_back(static_cast<char>(bits)); };
  if (code_point < 0x80) {
    put(code_point);
  } else if (code_point < 0x800) {
    put(0xC0 | (code_point >> 6));
    put(0x80 | (code_point & 0x3F));
  } else if (code_point < 0x10000) {
    put(0xE0 | (code_point >> 12));
    put(0x80 | ((code_point >> 6) & 0x3F));
    put(0x80 | (code_point & 0x3F));
  } else {
    put(0xF0 | (code_point >> 18));
    put(0x80 | ((code_point >> 12) & 0x3F));
    put(0x80 | ((code_point >> 6) & 0x3F));
    put(0x80 | (code_point & 0x3F));
  }
}

std::string encode_utf8(std::u32string_view code_points) {
  std::string out;
  out.reserve(code_points.size());
  for (const char32_t code_point : code_points) {
    append_utf8(out, code_point);
  }
  return out;
}

}  // namespace quillfen
