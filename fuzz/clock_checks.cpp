#include "fuzz/clock_checks.hpp"

#include <optional>
#include <string>
#include <utility>

#include "fuzz/fuzz_check.hpp"
#include "fuzz/models.hpp"

namespace quillfen::fuzz {
namespace {

std::optional<Civil> civil_of(const DateTimeRecord& r) {
  if (!r.year() || !r.month() || !r.day() || !r.weekday() || !r.hour() || !r.minute()) {
    return std::nullopt;
  }
  return Civil{*r.year(), *r.month(), *r.day(), *r.weekday(), *r.hour(), *r.minute()};
}

std::string describe(const DateTimeRecord& r) {
  const auto field = [](auto value) {
    return value ? std::to_string(static_cast<int>(*value)) : std::string("-");
  };
  return "year " + field(r.year()) + " month " + field(r.month()) + " day " + field(r.day()) +
         " weekday " + field(r.weekday()) + " hour " + field(r.hour()) + " minute " +
         field(r.minute()) + " dst " + field(r.dst()) + " leap " + field(r.leap_second());
}

enum class DayState { kUnknown, kValid, kInvalid };

DayState day_state(const DateTimeRecord& r) {
  if (!r.day() || !r.year() || !r.month() || !r.weekday()) {
    return DayState::kUnknown;
  }
  const std::optional<int> days =
      model_days_in_month(*r.year(), *r.month(), *r.day(), *r.weekday());
  return days && *r.day() <= *days ? DayState::kValid : DayState::kInvalid;
}

void check_ranges(const DateTimeRecord& r) {
  FUZZ_CHECK_DETAIL(!r.year() || *r.year() <= 99, describe(r));
  FUZZ_CHECK_DETAIL(!r.month() || (*r.month() >= 1 && *r.month() <= 12), describe(r));
  FUZZ_CHECK_DETAIL(!r.day() || (*r.day() >= 1 && *r.day() <= 31), describe(r));
  FUZZ_CHECK_DETAIL(
      !r.weekday() || (*r.weekday() >= r.min_weekday() && *r.weekday() <= r.max_weekday()),
      describe(r));
  FUZZ_CHECK_DETAIL(!r.hour() || *r.hour() <= 23, describe(r));
  FUZZ_CHECK_DETAIL(!r.minute() || *r.minute() <= 59, describe(r));
  FUZZ_CHECK_DETAIL(!r.dst() || (*r.dst() & ~0x0F) == 0, describe(r));
  FUZZ_CHECK_DETAIL(!r.leap_second() || (*r.leap_second() & ~0x07) == 0, describe(r));
  FUZZ_CHECK_DETAIL(!r.dut1() || (*r.dut1() >= -99 && *r.dut1() <= 99), describe(r));
}

// Everything but the date and time is carried along unchanged.
void check_same_state(const DateTimeRecord& a, const DateTimeRecord& b) {
  FUZZ_CHECK(a.dst() == b.dst());
  FUZZ_CHECK(a.leap_second() == b.leap_second());
  FUZZ_CHECK(a.dut1() == b.dut1());
  FUZZ_CHECK(a.utc_offset() == b.utc_offset());
  FUZZ_CHECK(a.jump_year() == b.jump_year() && a.jump_month() == b.jump_month() &&
             a.jump_day() == b.jump_day() && a.jump_weekday() == b.jump_weekday() &&
             a.jump_hour() == b.jump_hour() && a.jump_minute() == b.jump_minute() &&
             a.jump_dut1() == b.jump_dut1());
  FUZZ_CHECK(a.minutes_running() == b.minutes_running() && a.dst_count() == b.dst_count() &&
             a.leap_second_count() == b.leap_second_count());
  FUZZ_CHECK(a.min_weekday() == b.min_weekday() && a.max_weekday() == b.max_weekday());
}

// The minute advance and the UTC conversion of `clock` give exactly the
// calendar's answer, carry everything else along and stay in range.
void check_arithmetic(const DateTimeRecord& clock) {
  DateTimeRecord next = clock;
  const bool advanced = next.bump_minute();
  const std::optional<Civil> expected_next = model_next_minute(clock);
  FUZZ_CHECK_DETAIL(advanced == expected_next.has_value(), describe(clock));
  if (advanced) {
    check_ranges(next);
    check_same_state(clock, next);
    FUZZ_CHECK_DETAIL(civil_of(next) == expected_next, describe(clock) + " -> " + describe(next));
  } else {
    FUZZ_CHECK(next == clock);
  }

  const std::optional<DateTimeRecord> utc = clock.get_utc();
  const std::optional<Civil> expected_utc = model_utc(clock);
  FUZZ_CHECK_DETAIL(utc.has_value() == expected_utc.has_value(), describe(clock));
  if (utc) {
    check_ranges(*utc);
    check_same_state(clock, *utc);
    FUZZ_CHECK(utc->is_utc_copy());
    FUZZ_CHECK_DETAIL(civil_of(*utc) == expected_utc, describe(clock) + " -> " + describe(*utc));
    // A UTC copy is read-only and is not converted a second time.
    DateTimeRecord copy = *utc;
    FUZZ_CHECK(!copy.bump_minute() && copy == *utc);
    FUZZ_CHECK(copy.get_utc() == utc);
  }
}

}  // namespace

bool any_jump(const DateTimeRecord& r) {
  return r.jump_year() || r.jump_month() || r.jump_day() || r.jump_weekday() || r.jump_hour() ||
         r.jump_minute() || r.jump_dut1() || (r.dst() && (*r.dst() & DST_JUMP) != 0);
}

void check_clock(const DateTimeRecord& clock, const ClockLimits& limits) {
  check_ranges(clock);
  FUZZ_CHECK(clock.min_weekday() == limits.min_weekday);
  FUZZ_CHECK(clock.max_weekday() == limits.max_weekday);
  FUZZ_CHECK(clock.utc_offset() == limits.utc_offset);
  FUZZ_CHECK(clock.utc_offset_hours() == limits.utc_offset / 60);
  FUZZ_CHECK(clock.utc_offset_minutes() == limits.utc_offset % 60);
  FUZZ_CHECK(clock.time_is_utc() == false);
  FUZZ_CHECK(!clock.is_utc_copy());
  FUZZ_CHECK_DETAIL(limits.tracks_leap_seconds || !clock.leap_second(), describe(clock));
  FUZZ_CHECK_DETAIL(!clock.dut1() || (*clock.dut1() >= -limits.dut1_magnitude &&
                                      *clock.dut1() <= limits.dut1_magnitude),
                    describe(clock));

  if (clock.year() && clock.month() && clock.weekday() && clock.day()) {
    const std::optional<std::uint8_t> days = clock.last_day_of_month(*clock.day());
    const std::optional<int> expected =
        model_days_in_month(*clock.year(), *clock.month(), *clock.day(), *clock.weekday());
    FUZZ_CHECK_DETAIL(days.has_value() == expected.has_value(), describe(clock));
    FUZZ_CHECK_DETAIL(!days || *days == *expected, describe(clock));
  }

  check_arithmetic(clock);

  // The same date at the ends of its day, and other days of its month, so
  // that the carry into the next day and month and the borrow from the
  // previous ones are checked for every date a decoder reaches.
  if (clock.year() && clock.month() && clock.day() && clock.weekday() && clock.hour() &&
      clock.minute() && clock.dst()) {
    for (const std::uint8_t day : {*clock.day(), std::uint8_t{1}, std::uint8_t{28},
                                   std::uint8_t{29}, std::uint8_t{30}, std::uint8_t{31}}) {
      for (const auto& [hour, minute] : {std::pair{23, 59}, std::pair{0, 0}}) {
        DateTimeRecord variant = clock;
        variant.set_day(day, true, false);
        variant.set_hour(static_cast<std::uint8_t>(hour), true, false);
        variant.set_minute(static_cast<std::uint8_t>(minute), true, false);
        check_arithmetic(variant);
      }
    }
  }
}

void check_clock_step(const DateTimeRecord& before, const DateTimeRecord& after) {
  if (day_state(after) != DayState::kInvalid || day_state(before) == DayState::kInvalid) {
    return;
  }
  FUZZ_CHECK_DETAIL(before.month() != after.month() || before.year() != after.year() ||
                        before.weekday() != after.weekday(),
                    describe(before) + " -> " + describe(after));
}

}  // namespace quillfen::fuzz
