#include "synth/leap_seconds.hpp"

#include <algorithm>
#include <array>

namespace quillfen {
namespace {

using namespace std::chrono;

constexpr sys_days june(int y) { return sys_days{year{y} / June / 30}; }
constexpr sys_days december(int y) { return sys_days{year{y} / December / 31}; }

constexpr std::array<sys_days, 27> kKnownLeapDays = {
    june(1972),     december(1972), december(1973), december(1974), december(1975),
    december(1976), december(1977), december(1978), december(1979), june(1981),
    june(1982),     june(1983),     june(1985),     december(1987), december(1989),
    december(1990), june(1992),     june(1993),     june(1994),     december(1995),
    june(1997),     december(1998), december(2005), december(2008), june(2012),
    june(2015),     december(2016),
};

}  // namespace

std::span<const sys_days> known_leap_days() { return kKnownLeapDays; }

std::vector<LeapSecond> leap_schedule(std::span<const LeapSecond> additions) {
  std::vector<LeapSecond> schedule;
  for (const sys_days day : kKnownLeapDays) {
    schedule.push_back({day, LeapKind::Inserted});
  }
  for (const LeapSecond& addition : additions) {
    const auto same_day = std::find_if(schedule.begin(), schedule.end(),
                                       [&](const LeapSecond& l) { return l.day == addition.day; });
    if (same_day != schedule.end()) {
      *same_day = addition;
    } else {
      schedule.push_back(addition);
    }
  }
  std::sort(schedule.begin(), schedule.end(),
            [](const LeapSecond& a, const LeapSecond& b) { return a.day < b.day; });
  return schedule;
}

sys_seconds leap_instant(const LeapSecond& leap) { return sys_seconds{leap.day + days{1}}; }

std::optional<LeapSecond> leap_second_between(std::span<const LeapSecond> schedule,
                                              sys_seconds after, sys_seconds until) {
  for (const LeapSecond& leap : schedule) {
    const sys_seconds at = leap_instant(leap);
    if (at > after && at <= until) {
      return leap;
    }
  }
  return std::nullopt;
}

}  // namespace quillfen
