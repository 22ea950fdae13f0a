// Daylight-saving and leap-second tracking.
//
// A station announces a daylight-saving change or a leap second by a bit set
// in the minutes of the hour before it. One received bit may be wrong, so an
// announcement is believed only by majority over the minutes of the hour, and
// the change is carried out at the top of the hour. A daylight-saving bit that
// changes without announcement is flagged as a jump and not taken.
#include <cstdint>

#include "datetime/date_time_record.hpp"

namespace quillfen {
namespace {

// Twice the count, computed in 8 bits as the counters are, against the
// decoded minutes since the top of the hour.
bool announcement_believed(std::uint8_t count, std::uint8_t minutes_running) {
  return static_cast<std::uint8_t>(count * 2) > minutes_running;
}

std::uint8_t with_flag(std::uint8_t flags, std::uint8_t flag, bool on) {
  return on ? static_cast<std::uint8_t>(flags | flag) : static_cast<std::uint8_t>(flags & ~flag);
}

}  // namespace

void DateTimeRecord::set_dst(Bit dst_bit, Bit announce_bit, bool check_jump) {
  if (!dst_bit.has_value() || !announce_bit.has_value() || is_utc_copy_) {
    return;
  }
  std::uint8_t flags = with_flag(dst_.value_or(0), DST_JUMP, false);
  if (*announce_bit) {
    ++dst_count_;
  }
  const bool top_of_hour = minute_.has_value() && *minute_ == 0;
  if (minute_.has_value() && !top_of_hour) {
    flags = with_flag(flags, DST_ANNOUNCED, announcement_believed(dst_count_, minutes_running_));
  }
  // At minute 0 the announcement is the one believed at the end of the hour
  // before, when the change was due.
  if (*dst_bit != ((flags & DST_SUMMER) != 0)) {
    if (dst_first_update_ || (top_of_hour && (flags & DST_ANNOUNCED) != 0)) {
      flags = with_flag(flags, DST_SUMMER, *dst_bit);
    } else if (check_jump) {
      flags = with_flag(flags, DST_JUMP, true);
    }
  }
  if (top_of_hour) {
    flags = with_flag(flags, DST_PROCESSED, (flags & DST_ANNOUNCED) != 0);
    flags = with_flag(flags, DST_ANNOUNCED, false);
    dst_count_ = 0;
  } else if (minute_.has_value()) {
    flags = with_flag(flags, DST_PROCESSED, false);
  }
  dst_ = flags;
  dst_first_update_ = false;
}

void DateTimeRecord::set_leap_second(Bit announce_bit, std::uint8_t minute_length) {
  if ((minute_length != 60 && minute_length != 61) || !announce_bit.has_value() || is_utc_copy_) {
    return;
  }
  std::uint8_t flags = leap_second_.value_or(0);
  if (*announce_bit) {
    ++leap_second_count_;
  }
  if (minute_.has_value() && *minute_ != 0) {
    flags = with_flag(flags, LEAP_ANNOUNCED,
                      announcement_believed(leap_second_count_, minutes_running_));
    flags = with_flag(flags, LEAP_PROCESSED | LEAP_MISSING, false);
  } else if (minute_.has_value()) {
    // The top of the hour: the leap second was due in the minute that just
    // ended, which then had 61 seconds unless it went missing.
    const bool announced = (flags & LEAP_ANNOUNCED) != 0;
    flags = with_flag(flags, LEAP_PROCESSED, announced);
    flags = with_flag(flags, LEAP_MISSING, announced && minute_length == 60);
    flags = with_flag(flags, LEAP_ANNOUNCED, false);
    leap_second_count_ = 0;
  }
  leap_second_ = flags;
}

void DateTimeRecord::bump_minutes_running() {
  if (is_utc_copy_) {
    return;
  }
  if (minute_.has_value() && *minute_ == 0) {
    minutes_running_ = 0;
  } else {
    ++minutes_running_;
  }
}

}  // namespace quillfen
