// Invariants of a station decoder's clock (its DateTimeRecord), checked by
// the decoder fuzz targets after every step.
#ifndef QUILLFEN_FUZZ_CLOCK_CHECKS_HPP_
#define QUILLFEN_FUZZ_CLOCK_CHECKS_HPP_

#include <cstdint>

#include "datetime/date_time_record.hpp"

namespace quillfen::fuzz {

// What a station's clock may hold.
struct ClockLimits {
  std::uint8_t min_weekday;
  std::uint8_t max_weekday;
  std::int16_t utc_offset;     // minutes of the station's standard time
  bool tracks_leap_seconds;    // DCF77: leap_second may be present
  std::int8_t dut1_magnitude;  // largest |dut1|; 0 for a station without DUT1
};

// Field ranges, flag sets, the fixed offset and weekday numbering, and that
// the minute advance and the UTC conversion of `clock` give exactly the
// calendar's answer and stay in range themselves.
void check_clock(const DateTimeRecord& clock, const ClockLimits& limits);

// A day that does not exist in its month (30 February, 31 April) can only
// come from a decoded month, year or weekday taken under a day the decoder
// kept: so a clock that turns invalid in one step must have had one of those
// three fields changed in that step.
void check_clock_step(const DateTimeRecord& before, const DateTimeRecord& after);

// Any jump flag, DST_JUMP included.
bool any_jump(const DateTimeRecord& clock);

}  // namespace quillfen::fuzz

#endif  // QUILLFEN_FUZZ_CLOCK_CHECKS_HPP_
