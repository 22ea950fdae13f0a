#include "synth/iso_time.hpp"

#include <cstddef>

namespace quillfen {
namespace {

// The value of `count` decimal digits at `at`, or nothing if one is not a digit.
std::optional<unsigned> digits(std::string_view text, std::size_t at, std::size_t count) {
  unsigned value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') {
      return std::nullopt;
    }
    value = value * 10 + static_cast<unsigned>(text[i] - '0');
  }
  return value;
}

}  // namespace

std::optional<std::chrono::sys_days> parse_utc_date(std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') {
    return std::nullopt;
  }
  const auto y = digits(text, 0, 4);
  const auto m = digits(text, 5, 2);
  const auto d = digits(text, 8, 2);
  if (!y || !m || !d) {
    return std::nullopt;
  }
  const std::chrono::year_month_day date{std::chrono::year{static_cast<int>(*y)},
                                         std::chrono::month{*m}, std::chrono::day{*d}};
  if (!date.ok()) {
    return std::nullopt;
  }
  return std::chrono::sys_days{date};
}

std::optional<std::chrono::sys_seconds> parse_utc_instant(std::string_view text) {
  // "YYYY-MM-DDThh:mm" is 16 characters, then "Z" or ":ssZ".
  if ((text.size() != 17 && text.size() != 20) || text[10] != 'T' || text[13] != ':' ||
      text.back() != 'Z') {
    return std::nullopt;
  }
  const auto date = parse_utc_date(text.substr(0, 10));
  const auto hour = digits(text, 11, 2);
  const auto minute = digits(text, 14, 2);
  std::optional<unsigned> second = 0;
  if (text.size() == 20) {
    second = text[16] == ':' ? digits(text, 17, 2) : std::nullopt;
  }
  if (!date || !hour || !minute || !second || *hour > 23 || *minute > 59 || *second > 59) {
    return std::nullopt;
  }
  return std::chrono::sys_seconds{*date} + std::chrono::hours{*hour} +
         std::chrono::minutes{*minute} + std::chrono::seconds{*second};
}

}  // namespace quillfen
