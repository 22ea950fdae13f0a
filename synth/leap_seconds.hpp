// Leap seconds: the ones that happened, and the ones a user adds.
//
// A leap second is named by the UTC day whose last minute it changes (as the
// IERS list names "2016 Dec 31 23:59:60"); the changed minute ends at 00:00
// UTC of the next day.
#ifndef QUILLFEN_SYNTH_LEAP_SECONDS_HPP_
#define QUILLFEN_SYNTH_LEAP_SECONDS_HPP_

#include <chrono>
#include <optional>
#include <span>
#include <vector>

namespace quillfen {

enum class LeapKind {
  Inserted,  // the minute has 61 seconds
  Missing,   // DCF77: announced for the hour before, but the minute keeps 60
  Negative,  // MSF: the minute has 59 seconds
};

struct LeapSecond {
  std::chrono::sys_days day;
  LeapKind kind;

  bool operator==(const LeapSecond&) const = default;
};

// The 27 leap seconds inserted from 1972 to 2016 (30 June 1972 the first,
// 31 December 2016 the last), in date order.
std::span<const std::chrono::sys_days> known_leap_days();

// The known leap seconds merged with `additions`, in date order, one per day:
// an addition on a known day replaces it (so "2016-12-31:missing" turns the
// real one into a missing one), and of several additions on one day the last
// counts.
std::vector<LeapSecond> leap_schedule(std::span<const LeapSecond> additions);

// The UTC instant at which the minute changed by `leap` ends.
std::chrono::sys_seconds leap_instant(const LeapSecond& leap);

// The first leap second of `schedule` (in date order) whose instant lies in
// (after, until]; nothing if there is none.
std::optional<LeapSecond> leap_second_between(std::span<const LeapSecond> schedule,
                                              std::chrono::sys_seconds after,
                                              std::chrono::sys_seconds until);

}  // namespace quillfen

#endif  // QUILLFEN_SYNTH_LEAP_SECONDS_HPP_
