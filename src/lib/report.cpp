#include "src/lib/report.hpp"

#include <charconv>

namespace quillfen {

void append_decimal(std::string& out, std::int64_t value) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, result.ptr);
}

}  // namespace quillfen
