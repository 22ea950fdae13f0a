#include "datetime/date_time_record.hpp"

#include "base/check.hpp"

namespace quillfen {
namespace {

// The rule every field setter but set_day's first step shares: a taken value
// replaces the field and raises the jump flag when it changed a present value
// and jumps are checked; a value not taken leaves the field alone and lowers
// the flag.
template <typename T>
void take_or_keep(std::optional<T>& field, bool& jump, std::optional<T> value, bool taken,
                  bool check_jump) {
  if (taken) {
    jump = check_jump && field.has_value() && *field != *value;
    field = value;
  } else {
    jump = false;
  }
}

template <typename T>
bool in_range(std::optional<T> value, int low, int high) {
  return value.has_value() && *value >= low && *value <= high;
}

}  // namespace

DateTimeRecord::DateTimeRecord(std::uint8_t min_weekday, std::uint8_t max_weekday)
    : min_weekday_(min_weekday), max_weekday_(max_weekday) {
  QUILLFEN_CHECK(min_weekday <= max_weekday);
}

void DateTimeRecord::set_year(std::optional<std::uint8_t> value, bool accept, bool check_jump) {
  if (is_utc_copy_) {
    return;
  }
  take_or_keep(year_, jump_year_, value, accept && in_range(value, 0, 99), check_jump);
}

void DateTimeRecord::set_month(std::optional<std::uint8_t> value, bool accept, bool check_jump) {
  if (is_utc_copy_) {
    return;
  }
  take_or_keep(month_, jump_month_, value, accept && in_range(value, 1, 12), check_jump);
}

void DateTimeRecord::set_weekday(std::optional<std::uint8_t> value, bool accept, bool check_jump) {
  if (is_utc_copy_) {
    return;
  }
  take_or_keep(weekday_, jump_weekday_, value,
               accept && in_range(value, min_weekday_, max_weekday_), check_jump);
}

void DateTimeRecord::set_hour(std::optional<std::uint8_t> value, bool accept, bool check_jump) {
  if (is_utc_copy_) {
    return;
  }
  take_or_keep(hour_, jump_hour_, value, accept && in_range(value, 0, 23), check_jump);
}

void DateTimeRecord::set_minute(std::optional<std::uint8_t> value, bool accept, bool check_jump) {
  if (is_utc_copy_) {
    return;
  }
  take_or_keep(minute_, jump_minute_, value, accept && in_range(value, 0, 59), check_jump);
}

void DateTimeRecord::set_day(std::optional<std::uint8_t> value, bool accept, bool check_jump) {
  // Without the year, month and weekday the length of the month is unknown:
  // the day can be neither judged nor compared, so even its jump flag stays.
  if (!in_range(value, 1, 31) || !year_.has_value() || !month_.has_value() ||
      !weekday_.has_value()) {
    return;
  }
  if (is_utc_copy_) {
    return;
  }
  const std::optional<std::uint8_t> last_day = last_day_of_month(*value);
  const bool taken = accept && last_day.has_value() && *value <= *last_day;
  take_or_keep(day_, jump_day_, value, taken, check_jump);
}

void DateTimeRecord::set_dut1(std::optional<std::int8_t> value, bool accept, bool check_jump) {
  if (is_utc_copy_) {
    return;
  }
  take_or_keep(dut1_, jump_dut1_, value, accept && in_range(value, -99, 99), check_jump);
  forgive_dut1_change_at_utc_midnight();
}

std::optional<std::uint8_t> DateTimeRecord::last_day_of_month(std::uint8_t day) const {
  QUILLFEN_CHECK(year_.has_value() && month_.has_value() && weekday_.has_value());
  switch (*month_) {
    case 4:
    case 6:
    case 9:
    case 11:
      return 30;
    case 2:
      break;
    default:
      return 31;
  }
  if (day >= 30) {
    return std::nullopt;
  }
  if (*year_ != 0) {
    return *year_ % 4 == 0 ? 29 : 28;
  }
  // Year 00 is 2000 (leap) or 2100 (not leap). February 2000 began on a
  // Tuesday, February 2100 on a Monday, so the weekday a day of February
  // falls on tells the two apart.
  const int weekday = *weekday_ == 0 ? 7 : *weekday_;  // MSF's Sunday 0 is 7 here
  if (day == 29) {
    return weekday == 2 ? 29 : 28;
  }
  // In a February whose 1st is a Tuesday, day d falls on weekday w when
  // (8 - w) mod 7 equals (28 - d) mod 7.
  const auto mod7 = [](int x) { return ((x % 7) + 7) % 7; };
  return mod7(8 - weekday) == mod7(28 - day) ? 29 : 28;
}

void DateTimeRecord::clear_jumps() {
  if (is_utc_copy_) {
    return;
  }
  jump_year_ = false;
  jump_month_ = false;
  jump_day_ = false;
  jump_weekday_ = false;
  jump_hour_ = false;
  jump_minute_ = false;
  jump_dut1_ = false;
  if (dst_.has_value()) {
    *dst_ &= static_cast<std::uint8_t>(~DST_JUMP);
  }
}

}  // namespace quillfen
