// One line of text in a fixed buffer, for a program without a heap.
#ifndef QUILLFEN_EXAMPLES_FIRMWARE_TEXT_LINE_HPP_
#define QUILLFEN_EXAMPLES_FIRMWARE_TEXT_LINE_HPP_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quillfen::firmware {

class TextLine {
 public:
  // The longest line kept; what goes beyond it is dropped.
  static constexpr std::size_t kCapacity = 126;

  // Appends `text`, as much of it as fits.
  void add(std::string_view text);
  // Appends `value` in decimal, with leading zeros up to `width` digits.
  void add_decimal(std::uint32_t value, std::size_t width = 1);

  std::string_view view() const { return std::string_view(text_.data(), size_); }
  // The line followed by a NUL, for interfaces that take C strings.
  const char* c_str() const { return text_.data(); }

 private:
  std::array<char, kCapacity + 1> text_{};
  std::size_t size_ = 0;
};

}  // namespace quillfen::firmware

#endif  // QUILLFEN_EXAMPLES_FIRMWARE_TEXT_LINE_HPP_
