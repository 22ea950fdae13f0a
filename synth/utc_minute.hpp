// A UTC minute of the civil calendar, the form in which the encoders take the
// first minute of a stretch of signal.
#ifndef QUILLFEN_SYNTH_UTC_MINUTE_HPP_
#define QUILLFEN_SYNTH_UTC_MINUTE_HPP_

#include <chrono>

namespace quillfen {

using sys_minutes = std::chrono::sys_time<std::chrono::minutes>;

// The minute `hour`:`minute` UTC of the day `year`-`month`-`day`.
// REQUIRES: a valid date, hour 0..23, minute 0..59.
constexpr sys_minutes utc_minute(int year, unsigned month, unsigned day, int hour, int minute) {
  return std::chrono::sys_days{std::chrono::year{year} / std::chrono::month{month} /
                               std::chrono::day{day}} +
         std::chrono::hours{hour} + std::chrono::minutes{minute};
}

}  // namespace quillfen

#endif  // QUILLFEN_SYNTH_UTC_MINUTE_HPP_
