#include "src/lib/u32.hpp"

namespace quillfen {

std::variant<std::uint32_t, std::string_view> parse_u32(std::string_view text) {
  if (text.empty()) {
    return kU32Empty;
  }
  // A lone "+" is not skipped: it is then read as a digit and fails as one.
  if (text.size() > 1 && text.front() == '+') {
    text.remove_prefix(1);
  }
  std::uint32_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') {
      return kU32InvalidDigit;
    }
    const auto digit = static_cast<std::uint32_t>(c - '0');
    if (value > (UINT32_MAX - digit) / 10) {
      return kU32TooLarge;
    }
    value = value * 10 + digit;
  }
  return value;
}

}  // namespace quillfen
