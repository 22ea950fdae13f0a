#include "src/overview/minute_time.hpp"

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace quillfen {
namespace {

constexpr std::int64_t kMinutesPerDay = 24 * 60;

std::int64_t floor_div(std::int64_t value, std::int64_t divisor) {
  const std::int64_t quotient = value / divisor;
  return (value % divisor != 0 && (value < 0) != (divisor < 0)) ? quotient - 1 : quotient;
}

}  // namespace

std::optional<MinuteTime> minute_time(const DateTimeRecord& record, bool utc) {
  if (!record.year() || !record.month() || !record.day() || !record.weekday() || !record.hour() ||
      !record.minute()) {
    return std::nullopt;
  }
  std::int16_t offset = 0;
  if (!utc) {
    offset = record.utc_offset().value_or(0);
    if (record.dst().has_value() && (*record.dst() & DST_SUMMER) != 0) {
      offset = static_cast<std::int16_t>(offset + 60);
    }
  }
  return MinuteTime{2000 + *record.year(), *record.month(), *record.day(), *record.hour(),
                    *record.minute(), offset};
}

std::int64_t utc_minutes(const MinuteTime& time) {
  using namespace std::chrono;
  // A record may keep day 30 or 31 in February (its day was taken under
  // another month); the calendar then counts on into March, which only moves
  // such a minute's place, never fails.
  const sys_days date = sys_days{year{time.year} / month{time.month} / day{1}} + days{time.day - 1};
  return std::int64_t{date.time_since_epoch().count()} * kMinutesPerDay + time.hour * 60 +
         time.minute - time.offset;
}

MinuteTime at_offset(std::int64_t utc_minutes, std::int16_t offset) {
  using namespace std::chrono;
  const std::int64_t local = utc_minutes + offset;
  const std::int64_t day_number = floor_div(local, kMinutesPerDay);
  const std::int64_t of_day = local - day_number * kMinutesPerDay;
  const year_month_day date{sys_days{days{day_number}}};
  return MinuteTime{static_cast<int>(date.year()), static_cast<std::uint8_t>(unsigned{date.month()}),
                    static_cast<std::uint8_t>(unsigned{date.day()}),
                    static_cast<std::uint8_t>(of_day / 60), static_cast<std::uint8_t>(of_day % 60),
                    offset};
}

std::string iso_text(const MinuteTime& time) {
  const int offset = std::abs(time.offset);
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02u:%02u%c%02d:%02d", time.year,
                unsigned{time.month}, unsigned{time.day}, unsigned{time.hour},
                unsigned{time.minute}, time.offset < 0 ? '-' : '+', offset / 60, offset % 60);
  return text;
}

}  // namespace quillfen
