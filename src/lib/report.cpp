#include "src/lib/report.hpp"

#include <charconv>

namespace quillfen {

void Report::add_decimal(std::int64_t value) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  text.append(digits, result.ptr);
}

}  // namespace quillfen
