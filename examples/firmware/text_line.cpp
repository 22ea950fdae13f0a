#include "examples/firmware/text_line.hpp"

namespace quillfen::firmware {

void TextLine::add(std::string_view text) {
  for (const char c : text) {
    if (size_ == kCapacity) {
      return;
    }
    text_[size_++] = c;
  }
}

void TextLine::add_decimal(std::uint32_t value, std::size_t width) {
  // 4294967295 has ten digits.
  std::array<char, 10> digits{};
  std::size_t count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  for (std::size_t i = count; i < width; ++i) {
    add("0");
  }
  while (count > 0) {
    add(std::string_view(&digits[--count], 1));
  }
}

}  // namespace quillfen::firmware
