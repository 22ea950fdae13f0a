// Minute arithmetic on the running clock and its conversion to UTC.
//
// The clock advances with carry through hour, day, month and two-digit year.
// Only one day of carry or borrow is ever needed: a minute's advance adds one
// hour, and the UTC conversion moves by at most 19 hours.
#include <cstdint>

#include "base/check.hpp"
#include "datetime/date_time_record.hpp"

namespace quillfen {

std::uint8_t keep_hour(std::uint8_t /*dst_flags*/, std::uint8_t hour) { return hour; }

std::uint8_t dst_change_hour(std::uint8_t dst_flags, std::uint8_t hour) {
  if ((dst_flags & DST_ANNOUNCED) == 0) {
    return hour;
  }
  // Summer to winter repeats an hour, winter to summer skips one.
  return static_cast<std::uint8_t>((dst_flags & DST_SUMMER) != 0 ? hour - 1 : hour + 1);
}

DateTimeRecord DateTimeRecord::next_minute() const {
  QUILLFEN_CHECK(minute_.has_value());
  if (*minute_ + 1 <= 59) {
    DateTimeRecord next = *this;
    next.minute_ = static_cast<std::uint8_t>(*minute_ + 1);
    return next;
  }
  DateTimeRecord next = add_hours(1, dst_change_hour);
  next.minute_ = static_cast<std::uint8_t>(*minute_ - 59);
  return next;
}

bool DateTimeRecord::bump_minute() {
  if (is_utc_copy_ || !dst_.has_value() || !year_.has_value() || !month_.has_value() ||
      !day_.has_value() || !weekday_.has_value() || !hour_.has_value() || !minute_.has_value()) {
    return false;
  }
  const DateTimeRecord next = next_minute();
  year_ = next.year_;
  month_ = next.month_;
  day_ = next.day_;
  weekday_ = next.weekday_;
  hour_ = next.hour_;
  minute_ = next.minute_;
  return true;
}

DateTimeRecord DateTimeRecord::add_hours(std::uint8_t n, HourAdjust rule) const {
  QUILLFEN_CHECK(hour_.has_value() && dst_.has_value());
  DateTimeRecord result = *this;
  const std::uint8_t h = rule(*dst_, static_cast<std::uint8_t>(*hour_ + n));
  if (h <= 23) {
    result.hour_ = h;
    return result;
  }
  QUILLFEN_CHECK(h < 48);
  QUILLFEN_CHECK(day_.has_value() && weekday_.has_value() && year_.has_value() &&
                 month_.has_value());
  result.hour_ = static_cast<std::uint8_t>(h - 24);
  result.weekday_ =
      *weekday_ >= max_weekday_ ? min_weekday_ : static_cast<std::uint8_t>(*weekday_ + 1);
  // February may hold a day of 30 or 31 when its month was taken and its day
  // rejected; there is then no day count. Such a day rolls over as if it were
  // the last of the month, to 1 March, which keeps the record valid.
  const std::optional<std::uint8_t> last_day = last_day_of_month(*day_);
  if (last_day.has_value() && *day_ + 1 <= *last_day) {
    result.day_ = static_cast<std::uint8_t>(*day_ + 1);
  } else {
    result.day_ = 1;
    if (*month_ >= 12) {
      result.month_ = 1;
      result.year_ = *year_ >= 99 ? 0 : static_cast<std::uint8_t>(*year_ + 1);
    } else {
      result.month_ = static_cast<std::uint8_t>(*month_ + 1);
    }
  }
  return result;
}

DateTimeRecord DateTimeRecord::minus_hours(std::uint8_t n) const {
  QUILLFEN_CHECK(hour_.has_value());
  DateTimeRecord result = *this;
  if (*hour_ >= n) {
    result.hour_ = static_cast<std::uint8_t>(*hour_ - n);
    return result;
  }
  QUILLFEN_CHECK(n <= *hour_ + 24);
  QUILLFEN_CHECK(weekday_.has_value() && day_.has_value() && month_.has_value() &&
                 year_.has_value());
  result.hour_ = static_cast<std::uint8_t>(*hour_ + 24 - n);
  result.weekday_ =
      *weekday_ <= min_weekday_ ? max_weekday_ : static_cast<std::uint8_t>(*weekday_ - 1);
  if (*day_ > 1) {
    result.day_ = static_cast<std::uint8_t>(*day_ - 1);
    return result;
  }
  switch (*month_) {
    case 1:
      result.month_ = 12;
      result.day_ = 31;
      result.year_ = *year_ == 0 ? 99 : static_cast<std::uint8_t>(*year_ - 1);
      break;
    case 5:
    case 7:
    case 10:
    case 12:
      result.month_ = static_cast<std::uint8_t>(*month_ - 1);
      result.day_ = 30;
      break;
    case 3: {
      result.month_ = 2;
      // Year 00: 29 February 2000 was a Tuesday (2 in both numberings), and
      // 2100 has no 29 February.
      const bool leap = *year_ != 0 ? *year_ % 4 == 0 : *result.weekday_ == 2;
      result.day_ = leap ? 29 : 28;
      break;
    }
    default:
      result.month_ = static_cast<std::uint8_t>(*month_ - 1);
      result.day_ = 31;
      break;
  }
  return result;
}

void DateTimeRecord::set_utc_offset(std::int16_t offset, bool time_is_utc) {
  if (offset < -1080 || offset > 1080) {
    return;
  }
  utc_offset_ = offset;
  // Division truncates toward zero, so the minutes carry the offset's sign.
  utc_offset_hours_ = static_cast<std::int8_t>(offset / 60);
  utc_offset_minutes_ = static_cast<std::int8_t>(offset - 60 * (offset / 60));
  time_is_utc_ = time_is_utc;
}

std::optional<DateTimeRecord> DateTimeRecord::get_utc() const {
  if (!time_is_utc_.has_value() || !dst_.has_value() || !year_.has_value() || !month_.has_value() ||
      !day_.has_value() || !weekday_.has_value() || !hour_.has_value() || !minute_.has_value()) {
    return std::nullopt;
  }
  if (*time_is_utc_ || is_utc_copy_) {
    return *this;  // already UTC: converting again must not shift again
  }
  // time_is_utc is only ever set together with the offset.
  QUILLFEN_CHECK(utc_offset_.has_value() && utc_offset_hours_.has_value() &&
                 utc_offset_minutes_.has_value());
  const bool summer = (*dst_ & DST_SUMMER) != 0;
  const int total = *utc_offset_ + (summer ? 60 : 0);
  const int hours = summer ? total / 60 : *utc_offset_hours_;
  const int minutes = summer ? total - 60 * (total / 60) : *utc_offset_minutes_;
  const int minute = *minute_;

  DateTimeRecord result = *this;
  if (total > 0) {
    // Local time is ahead of UTC: go back.
    if (minutes == 0) {
      result = minus_hours(static_cast<std::uint8_t>(hours));
    } else {
      const int borrow = minute < minutes ? 1 : 0;
      result = minus_hours(static_cast<std::uint8_t>(hours + borrow));
      result.minute_ = static_cast<std::uint8_t>(minute - minutes + 60 * borrow);
    }
  } else if (total < 0) {
    // Local time is behind UTC: go forward (hours and minutes are 0 or
    // negative here).
    if (minutes == 0) {
      result = add_hours(static_cast<std::uint8_t>(-hours), keep_hour);
    } else {
      int utc_minute = minute - minutes;
      int carry = 0;
      if (utc_minute >= 60) {
        utc_minute -= 60;
        carry = 1;
      }
      result = add_hours(static_cast<std::uint8_t>(carry - hours), keep_hour);
      result.minute_ = static_cast<std::uint8_t>(utc_minute);
    }
  }
  result.is_utc_copy_ = true;
  return result;
}

void DateTimeRecord::forgive_dut1_change_at_utc_midnight() {
  // DUT1 changes take effect at 00:00 UTC, so a change seen then is expected.
  const std::optional<DateTimeRecord> utc = get_utc();
  if (utc.has_value() && *utc->hour_ == 0 && *utc->minute_ == 0) {
    jump_dut1_ = false;
  }
}

}  // namespace quillfen
