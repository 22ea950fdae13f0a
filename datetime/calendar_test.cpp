// The record's calendar checked against the civil calendar of <chrono>, over
// every day of the range the stations' two-digit years can mean here
// (1999-12-31 to 2101-01-01). The stations send the year within the century
// and the weekday; year 00 occurs twice, as 2000 (a leap year) and as 2100
// (not one), and the record must tell them apart by the weekday.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <optional>

#include "datetime/date_time_record.hpp"
#include "datetime/test_records.hpp"

namespace quillfen {
namespace {

namespace chr = std::chrono;
using test_records::Civil;
using test_records::civil_of;
using test_records::kDcf77Max;
using test_records::kDcf77Min;
using test_records::kMsfMax;
using test_records::kMsfMin;
using test_records::make_record;

constexpr chr::sys_days kFirstDay = chr::year{1999} / 12 / 31;
constexpr chr::sys_days kLastDay = chr::year{2101} / 1 / 1;

struct Numbering {
  const char* name;
  std::uint8_t min_weekday, max_weekday;
  bool sunday_is_zero;
};

const Numbering kNumberings[] = {
    {"DCF77", kDcf77Min, kDcf77Max, false},
    {"MSF", kMsfMin, kMsfMax, true},
};

// The civil date and time as a station sends it: two-digit year, weekday in
// the station's numbering.
Civil civil_at(chr::sys_days day, int hour, int minute, const Numbering& numbering) {
  const chr::year_month_day date(day);
  const chr::weekday weekday(day);
  return Civil{
      static_cast<std::uint8_t>(static_cast<int>(date.year()) % 100),
      static_cast<std::uint8_t>(static_cast<unsigned>(date.month())),
      static_cast<std::uint8_t>(static_cast<unsigned>(date.day())),
      static_cast<std::uint8_t>(numbering.sunday_is_zero ? weekday.c_encoding()
                                                         : weekday.iso_encoding()),
      static_cast<std::uint8_t>(hour),
      static_cast<std::uint8_t>(minute),
  };
}

Civil civil_at(chr::sys_time<chr::minutes> instant, const Numbering& numbering) {
  const chr::sys_days day = chr::floor<chr::days>(instant);
  const chr::hh_mm_ss<chr::minutes> time(instant - day);
  return civil_at(day, static_cast<int>(time.hours().count()),
                  static_cast<int>(time.minutes().count()), numbering);
}

TEST(Calendar, EveryMidnightFrom1999To2101) {
  for (const Numbering& numbering : kNumberings) {
    SCOPED_TRACE(numbering.name);
    DateTimeRecord record = make_record(numbering.min_weekday, numbering.max_weekday,
                                        civil_at(kFirstDay, 23, 59, numbering));
    for (chr::sys_days day = kFirstDay; day < kLastDay; day += chr::days{1}) {
      const Civil midnight = civil_at(day + chr::days{1}, 0, 0, numbering);
      // Forward over midnight a minute at a time.
      ASSERT_TRUE(record.bump_minute());
      ASSERT_EQ(civil_of(record), midnight);
      // Back over it and forward again an hour at a time.
      const DateTimeRecord before = record.minus_hours(1);
      ASSERT_EQ(civil_of(before), civil_at(day, 23, 0, numbering));
      ASSERT_EQ(civil_of(before.add_hours(1, keep_hour)), midnight);
      // On to 23:59 of the new day.
      record = record.add_hours(23, keep_hour);
      record.set_minute(59, true, false);
    }
    EXPECT_EQ(civil_of(record), civil_at(kLastDay, 23, 59, numbering));
  }
}

TEST(Calendar, EveryDayIsTakenAndNoDayBeyondTheMonth) {
  for (const Numbering& numbering : kNumberings) {
    SCOPED_TRACE(numbering.name);
    for (chr::sys_days day = chr::year{2000} / 1 / 1; day <= chr::year{2100} / 12 / 31;
         day += chr::days{1}) {
      const chr::year_month_day date(day);
      const auto last = static_cast<std::uint8_t>(static_cast<unsigned>(
          chr::year_month_day_last(date.year() / date.month() / chr::last).day()));
      const Civil at = civil_at(day, 12, 0, numbering);
      DateTimeRecord record(numbering.min_weekday, numbering.max_weekday);
      record.set_year(at.year, true, false);
      record.set_month(at.month, true, false);
      record.set_weekday(at.weekday, true, false);
      ASSERT_EQ(record.last_day_of_month(at.day), last) << static_cast<int>(date.year());
      DateTimeRecord taken = record;
      taken.set_day(at.day, true, false);
      ASSERT_EQ(taken.day(), at.day) << static_cast<int>(date.year());
      // The day after the last of the month does not exist, whatever weekday
      // comes with it.
      if (at.day == last && last < 31) {
        record.set_day(static_cast<std::uint8_t>(last + 1), true, false);
        ASSERT_EQ(record.day(), std::nullopt) << static_cast<int>(date.year());
      }
    }
  }
}

TEST(Calendar, GetUtcAgreesWithTheCivilCalendar) {
  struct Offset {
    std::int16_t minutes;
    bool summer;
  };
  const Offset kOffsets[] = {
      {60, false}, {60, true},  {0, false},   {0, true},      {-330, false}, {330, false},
      {90, true},  {-90, true}, {1080, true}, {-1080, false}, {1079, true},  {-1079, false},
  };
  const Numbering& numbering = kNumberings[0];
  // One minute short of a day per step, so the time of day sweeps round.
  const chr::minutes step = chr::days{1} - chr::minutes{1};
  for (const Offset& offset : kOffsets) {
    SCOPED_TRACE(testing::Message() << offset.minutes << (offset.summer ? " summer" : " winter"));
    const chr::minutes total{offset.minutes + (offset.summer ? 60 : 0)};
    for (chr::sys_time<chr::minutes> utc = kFirstDay + total + chr::days{1}; utc + total < kLastDay;
         utc += step) {
      DateTimeRecord local = make_record(numbering.min_weekday, numbering.max_weekday,
                                         civil_at(utc + total, numbering), offset.summer);
      local.set_utc_offset(offset.minutes, false);
      const std::optional<DateTimeRecord> converted = local.get_utc();
      ASSERT_TRUE(converted.has_value());
      ASSERT_EQ(civil_of(*converted), civil_at(utc, numbering));
    }
  }
}

}  // namespace
}  // namespace quillfen
