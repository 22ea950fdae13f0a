#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

#include "datetime/date_time_record.hpp"
#include "datetime/test_records.hpp"

namespace quillfen {
namespace {

using test_records::Civil;
using test_records::civil_of;
using test_records::kDcf77Max;
using test_records::kDcf77Min;
using test_records::kMsfMax;
using test_records::kMsfMin;
using test_records::make_dcf77;
using test_records::make_msf;
using test_records::make_record;

TEST(MinuteArithmetic, HourAdjustRules) {
  struct Case {
    std::uint8_t flags, hour, kept, changed;
  };
  const Case cases[] = {
      {0, 2, 2, 2},
      {DST_SUMMER, 2, 2, 2},
      {DST_PROCESSED | DST_JUMP, 2, 2, 2},
      {DST_ANNOUNCED, 2, 2, 3},               // winter to summer: skip an hour
      {DST_ANNOUNCED | DST_SUMMER, 3, 3, 2},  // summer to winter: repeat one
      {DST_ANNOUNCED, 24, 24, 25},
      {DST_ANNOUNCED | DST_SUMMER, 24, 24, 23},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(keep_hour(c.flags, c.hour), c.kept);
    EXPECT_EQ(dst_change_hour(c.flags, c.hour), c.changed) << int{c.flags} << " " << int{c.hour};
  }
}

struct AdvanceCase {
  const char* name;
  bool msf;
  Civil from;
  bool summer, announced;
  Civil to;
};

TEST(MinuteArithmetic, NextMinute) {
  const AdvanceCase cases[] = {
      {"within the hour", false, {24, 3, 5, 2, 12, 34}, false, false, {24, 3, 5, 2, 12, 35}},
      {"end of the hour", false, {24, 3, 5, 2, 12, 59}, false, false, {24, 3, 5, 2, 13, 0}},
      {"end of April", false, {24, 4, 30, 2, 23, 59}, false, false, {24, 5, 1, 3, 0, 0}},
      {"end of January", false, {24, 1, 31, 3, 23, 59}, false, false, {24, 2, 1, 4, 0, 0}},
      {"end of November", false, {24, 11, 30, 6, 23, 59}, false, false, {24, 12, 1, 7, 0, 0}},
      {"end of year 99", false, {99, 12, 31, 5, 23, 59}, false, false, {0, 1, 1, 6, 0, 0}},
      {"end of year 24", true, {24, 12, 31, 2, 23, 59}, false, false, {25, 1, 1, 3, 0, 0}},
      {"DCF77 Sunday to Monday", false, {24, 3, 10, 7, 23, 59}, false, false, {24, 3, 11, 1, 0, 0}},
      {"MSF Saturday to Sunday", true, {24, 3, 9, 6, 23, 59}, false, false, {24, 3, 10, 0, 0, 0}},
      {"28 February, leap year", false, {24, 2, 28, 3, 23, 59}, false, false, {24, 2, 29, 4, 0, 0}},
      {"29 February", false, {24, 2, 29, 4, 23, 59}, false, false, {24, 3, 1, 5, 0, 0}},
      {"28 February, common year",
       false,
       {23, 2, 28, 2, 23, 59},
       false,
       false,
       {23, 3, 1, 3, 0, 0}},
      {"28 February 2000", false, {0, 2, 28, 1, 23, 59}, false, false, {0, 2, 29, 2, 0, 0}},
      {"28 February 2100", false, {0, 2, 28, 7, 23, 59}, false, false, {0, 3, 1, 1, 0, 0}},
      {"28 February 2100, MSF", true, {0, 2, 28, 0, 23, 59}, false, false, {0, 3, 1, 1, 0, 0}},
      {"winter to summer", false, {24, 3, 31, 7, 1, 59}, false, true, {24, 3, 31, 7, 3, 0}},
      {"summer to winter", false, {24, 10, 27, 7, 2, 59}, true, true, {24, 10, 27, 7, 2, 0}},
      {"no change announced", false, {24, 3, 31, 7, 1, 59}, false, false, {24, 3, 31, 7, 2, 0}},
      {"announced, within the hour",
       false,
       {24, 3, 31, 7, 1, 58},
       false,
       true,
       {24, 3, 31, 7, 1, 59}},
  };
  for (const AdvanceCase& c : cases) {
    SCOPED_TRACE(c.name);
    const DateTimeRecord record =
        c.msf ? make_msf(c.from, c.summer, c.announced) : make_dcf77(c.from, c.summer, c.announced);
    const DateTimeRecord next = record.next_minute();
    EXPECT_EQ(civil_of(next), c.to);
    EXPECT_EQ(next.dst(), record.dst());

    DateTimeRecord bumped = record;
    EXPECT_TRUE(bumped.bump_minute());
    EXPECT_EQ(bumped, next);
  }
}

TEST(MinuteArithmetic, BumpMinuteKeepsEverythingButDateAndTime) {
  DateTimeRecord record = make_msf(Civil{24, 3, 5, 2, 12, 59});
  record.set_hour(13, true, true);  // jump_hour
  record.set_dut1(-3, true, true);
  record.set_leap_second(true, 60);
  record.bump_minutes_running();
  ASSERT_TRUE(record.bump_minute());
  EXPECT_EQ(civil_of(record), (Civil{24, 3, 5, 2, 14, 0}));
  EXPECT_TRUE(record.jump_hour());
  EXPECT_EQ(record.dut1(), -3);
  EXPECT_EQ(record.leap_second(), LEAP_ANNOUNCED);
  EXPECT_EQ(record.leap_second_count(), 1);
  EXPECT_EQ(record.minutes_running(), 1);
  EXPECT_EQ(record.dst(), 0);
  EXPECT_EQ(record.utc_offset(), 0);
}

TEST(MinuteArithmetic, BumpMinuteNeedsACompleteRecord) {
  enum Field { kYear, kMonth, kWeekday, kDay, kHour, kMinute, kDst, kNone };
  for (int missing = kYear; missing <= kNone; ++missing) {
    DateTimeRecord record(kDcf77Min, kDcf77Max);
    if (missing != kYear) record.set_year(24, true, false);
    if (missing != kMonth) record.set_month(3, true, false);
    if (missing != kWeekday) record.set_weekday(2, true, false);
    if (missing != kDay) record.set_day(5, true, false);
    if (missing != kHour) record.set_hour(23, true, false);
    if (missing != kMinute) record.set_minute(59, true, false);
    if (missing != kDst) record.set_dst(false, false, false);
    const DateTimeRecord before = record;
    EXPECT_EQ(record.bump_minute(), missing == kNone) << missing;
    if (missing != kNone) {
      EXPECT_EQ(record, before) << missing;
    }
  }
}

TEST(MinuteArithmetic, FebruaryWithDay30Or31RollsOverToMarch) {
  // The month is taken while the day, impossible in February, is rejected:
  // at midnight the day rolls over as if it were the last of the month.
  struct Case {
    Civil january;  // the day before February's month value arrives
    std::uint8_t weekday_after;
  };
  const Case cases[] = {
      {{24, 1, 30, 2, 23, 59}, 3},
      {{24, 1, 31, 3, 23, 59}, 4},
      {{0, 1, 31, 1, 23, 59}, 2},
  };
  for (const Case& c : cases) {
    DateTimeRecord record = make_dcf77(c.january);
    record.set_month(2, true, true);
    record.set_day(c.january.day, true, true);
    ASSERT_EQ(record.month(), 2);
    ASSERT_EQ(record.day(), c.january.day);
    ASSERT_EQ(record.last_day_of_month(c.january.day), std::nullopt);
    ASSERT_TRUE(record.bump_minute());
    EXPECT_EQ(civil_of(record), (Civil{c.january.year, 3, 1, c.weekday_after, 0, 0}));
  }
}

TEST(MinuteArithmetic, AddHours) {
  struct Case {
    Civil from;
    std::uint8_t n;
    Civil to;
  };
  const Case cases[] = {
      {{24, 3, 5, 2, 10, 7}, 0, {24, 3, 5, 2, 10, 7}},
      {{24, 3, 5, 2, 5, 7}, 18, {24, 3, 5, 2, 23, 7}},
      {{24, 3, 5, 2, 6, 7}, 18, {24, 3, 6, 3, 0, 7}},
      {{24, 3, 5, 2, 23, 7}, 18, {24, 3, 6, 3, 17, 7}},
      {{99, 12, 31, 5, 23, 7}, 24, {0, 1, 1, 6, 23, 7}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(civil_of(make_dcf77(c.from).add_hours(c.n, keep_hour)), c.to) << int{c.n};
  }
}

TEST(MinuteArithmetic, MinusHours) {
  struct Case {
    const char* name;
    bool msf;
    Civil from;
    std::uint8_t n;
    Civil to;
  };
  const Case cases[] = {
      {"nothing", false, {24, 3, 5, 2, 10, 7}, 0, {24, 3, 5, 2, 10, 7}},
      {"to midnight", false, {24, 3, 5, 2, 10, 7}, 10, {24, 3, 5, 2, 0, 7}},
      {"the day before", false, {24, 3, 5, 2, 5, 7}, 19, {24, 3, 4, 1, 10, 7}},
      {"a whole day", false, {24, 3, 5, 2, 0, 7}, 24, {24, 3, 4, 1, 0, 7}},
      {"DCF77 Monday to Sunday", false, {24, 3, 11, 1, 0, 7}, 1, {24, 3, 10, 7, 23, 7}},
      {"MSF Sunday to Saturday", true, {24, 3, 10, 0, 0, 7}, 1, {24, 3, 9, 6, 23, 7}},
      {"1 January 2000", false, {0, 1, 1, 6, 0, 7}, 1, {99, 12, 31, 5, 23, 7}},
      {"1 January 2025", true, {25, 1, 1, 3, 0, 7}, 1, {24, 12, 31, 2, 23, 7}},
      {"1 March 2000", false, {0, 3, 1, 3, 0, 7}, 1, {0, 2, 29, 2, 23, 7}},
      {"1 March 2100", false, {0, 3, 1, 1, 0, 7}, 1, {0, 2, 28, 7, 23, 7}},
      {"1 March 2100, MSF", true, {0, 3, 1, 1, 0, 7}, 1, {0, 2, 28, 0, 23, 7}},
      {"1 March 2024", false, {24, 3, 1, 5, 0, 7}, 1, {24, 2, 29, 4, 23, 7}},
      {"1 March 2023", false, {23, 3, 1, 3, 0, 7}, 1, {23, 2, 28, 2, 23, 7}},
      {"1 May", false, {24, 5, 1, 3, 0, 7}, 1, {24, 4, 30, 2, 23, 7}},
      {"1 July", false, {24, 7, 1, 1, 0, 7}, 1, {24, 6, 30, 7, 23, 7}},
      {"1 October", false, {24, 10, 1, 2, 0, 7}, 1, {24, 9, 30, 1, 23, 7}},
      {"1 December", false, {24, 12, 1, 7, 0, 7}, 1, {24, 11, 30, 6, 23, 7}},
      {"1 February", false, {24, 2, 1, 4, 0, 7}, 1, {24, 1, 31, 3, 23, 7}},
      {"1 August", false, {24, 8, 1, 4, 0, 7}, 1, {24, 7, 31, 3, 23, 7}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const DateTimeRecord record = c.msf ? make_msf(c.from) : make_dcf77(c.from);
    EXPECT_EQ(civil_of(record.minus_hours(c.n)), c.to);
  }
}

TEST(MinuteArithmetic, SetUtcOffset) {
  struct Case {
    std::int16_t offset;
    bool taken;
    std::int8_t hours, minutes;
  };
  const Case cases[] = {
      {0, true, 0, 0},         {60, true, 1, 0},    {90, true, 1, 30},     {-90, true, -1, -30},
      {-330, true, -5, -30},   {1080, true, 18, 0}, {-1080, true, -18, 0}, {1079, true, 17, 59},
      {-1079, true, -17, -59}, {1081, false, 0, 0}, {-1081, false, 0, 0},  {32767, false, 0, 0},
      {-32768, false, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.offset);
    DateTimeRecord record(kMsfMin, kMsfMax);
    record.set_utc_offset(c.offset, true);
    if (c.taken) {
      EXPECT_EQ(record.utc_offset(), c.offset);
      EXPECT_EQ(record.utc_offset_hours(), c.hours);
      EXPECT_EQ(record.utc_offset_minutes(), c.minutes);
      EXPECT_EQ(record.time_is_utc(), true);
    } else {
      EXPECT_EQ(record, DateTimeRecord(kMsfMin, kMsfMax));
    }
    // An offset out of range leaves an earlier one in place.
    DateTimeRecord set(kMsfMin, kMsfMax);
    set.set_utc_offset(60, false);
    set.set_utc_offset(c.offset, true);
    EXPECT_EQ(set.utc_offset(), c.taken ? c.offset : 60);
    EXPECT_EQ(set.time_is_utc(), c.taken);
  }
}

TEST(MinuteArithmetic, GetUtc) {
  struct Case {
    const char* name;
    bool msf;
    std::int16_t offset;
    bool summer;
    Civil local, utc;
  };
  const Case cases[] = {
      {"DCF77 winter", false, 60, false, {25, 1, 1, 3, 0, 30}, {24, 12, 31, 2, 23, 30}},
      {"DCF77 summer", false, 60, true, {24, 7, 14, 7, 1, 15}, {24, 7, 13, 6, 23, 15}},
      {"DCF77 summer, same day", false, 60, true, {24, 7, 14, 7, 12, 15}, {24, 7, 14, 7, 10, 15}},
      {"DCF77 winter, 1 March 2000", false, 60, false, {0, 3, 1, 3, 0, 30}, {0, 2, 29, 2, 23, 30}},
      {"MSF winter", true, 0, false, {24, 1, 15, 1, 10, 20}, {24, 1, 15, 1, 10, 20}},
      {"MSF summer", true, 0, true, {24, 7, 14, 0, 0, 30}, {24, 7, 13, 6, 23, 30}},
      {"behind by 5:30", false, -330, false, {24, 3, 5, 2, 10, 10}, {24, 3, 5, 2, 15, 40}},
      {"behind by 5:30, carry", false, -330, false, {24, 3, 5, 2, 10, 40}, {24, 3, 5, 2, 16, 10}},
      {"behind by 5:30, new year", false, -330, false, {99, 12, 31, 5, 20, 0}, {0, 1, 1, 6, 1, 30}},
      {"ahead by 5:30, borrow", false, 330, false, {25, 1, 1, 3, 5, 10}, {24, 12, 31, 2, 23, 40}},
      {"ahead by 5:30", false, 330, false, {25, 1, 1, 3, 5, 40}, {25, 1, 1, 3, 0, 10}},
      {"ahead by 1:30", false, 90, false, {24, 3, 5, 2, 0, 20}, {24, 3, 4, 1, 22, 50}},
      {"behind by 1:30 in summer", false, -90, true, {24, 3, 5, 2, 23, 50}, {24, 3, 6, 3, 0, 20}},
      {"behind by 1:30 in summer, no carry",
       false,
       -90,
       true,
       {24, 3, 5, 2, 23, 20},
       {24, 3, 5, 2, 23, 50}},
      {"ahead by 18 hours", false, 1080, false, {24, 3, 5, 2, 10, 0}, {24, 3, 4, 1, 16, 0}},
      {"ahead by 19 hours in summer",
       false,
       1080,
       true,
       {24, 3, 5, 2, 10, 0},
       {24, 3, 4, 1, 15, 0}},
      {"ahead by 18:59 in summer", false, 1079, true, {24, 3, 5, 2, 23, 0}, {24, 3, 5, 2, 4, 1}},
      {"behind by 18 hours", false, -1080, false, {24, 3, 5, 2, 10, 0}, {24, 3, 6, 3, 4, 0}},
      {"behind by 17 hours in summer",
       false,
       -1080,
       true,
       {24, 3, 5, 2, 10, 0},
       {24, 3, 6, 3, 3, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DateTimeRecord local = c.msf ? make_record(kMsfMin, kMsfMax, c.local, c.summer)
                                 : make_record(kDcf77Min, kDcf77Max, c.local, c.summer);
    local.set_utc_offset(c.offset, false);
    const std::optional<DateTimeRecord> utc = local.get_utc();
    ASSERT_TRUE(utc.has_value());
    EXPECT_EQ(civil_of(*utc), c.utc);
    EXPECT_TRUE(utc->is_utc_copy());
    // Converting again does not shift again.
    EXPECT_EQ(utc->get_utc(), utc);
    // Everything else is copied.
    EXPECT_EQ(utc->dst(), local.dst());
    EXPECT_EQ(utc->utc_offset(), local.utc_offset());
    EXPECT_EQ(utc->time_is_utc(), false);
  }
}

TEST(MinuteArithmetic, GetUtcAbsentOrUnchanged) {
  const Civil at{24, 3, 5, 2, 10, 10};
  // No offset yet.
  EXPECT_EQ(make_record(kDcf77Min, kDcf77Max, at).get_utc(), std::nullopt);
  // Every field present but no daylight-saving state.
  DateTimeRecord no_dst(kDcf77Min, kDcf77Max);
  no_dst.set_year(at.year, true, false);
  no_dst.set_month(at.month, true, false);
  no_dst.set_weekday(at.weekday, true, false);
  no_dst.set_day(at.day, true, false);
  no_dst.set_hour(at.hour, true, false);
  no_dst.set_minute(at.minute, true, false);
  no_dst.set_utc_offset(60, false);
  EXPECT_EQ(no_dst.get_utc(), std::nullopt);
  DateTimeRecord complete = no_dst;
  complete.set_dst(false, false, false);
  ASSERT_TRUE(complete.get_utc().has_value());
  // Date fields missing.
  DateTimeRecord partial(kDcf77Min, kDcf77Max);
  partial.set_hour(10, true, false);
  partial.set_minute(10, true, false);
  partial.set_dst(false, false, false);
  partial.set_utc_offset(60, false);
  EXPECT_EQ(partial.get_utc(), std::nullopt);
  // A time already in UTC comes back as it is, unmarked.
  DateTimeRecord already = make_record(kDcf77Min, kDcf77Max, at, /*summer=*/true);
  already.set_utc_offset(60, true);
  EXPECT_EQ(already.get_utc(), already);
}

TEST(MinuteArithmetic, Dut1ChangeAtUtcMidnightIsNoJump) {
  struct Case {
    const char* name;
    bool msf;
    bool summer;
    std::optional<std::int16_t> offset;
    bool offset_is_utc;
    std::uint8_t hour, minute;
    bool jump;
  };
  const Case cases[] = {
      {"MSF winter 00:00", true, false, 0, false, 0, 0, false},
      {"MSF winter 00:01", true, false, 0, false, 0, 1, true},
      {"MSF winter 23:59", true, false, 0, false, 23, 59, true},
      {"MSF summer 01:00", true, true, 0, false, 1, 0, false},
      {"MSF summer 00:00", true, true, 0, false, 0, 0, true},
      {"DCF77 winter 01:00", false, false, 60, false, 1, 0, false},
      {"DCF77 summer 02:00", false, true, 60, false, 2, 0, false},
      {"time is UTC, 00:00", true, true, 0, true, 0, 0, false},
      {"no offset, 00:00", true, false, std::nullopt, false, 0, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Civil at{24, 3, 5, 2, c.hour, c.minute};
    DateTimeRecord record = c.msf ? make_record(kMsfMin, kMsfMax, at, c.summer)
                                  : make_record(kDcf77Min, kDcf77Max, at, c.summer);
    if (c.offset.has_value()) {
      record.set_utc_offset(*c.offset, c.offset_is_utc);
    }
    record.set_dut1(3, true, true);
    record.set_dut1(2, true, true);
    EXPECT_EQ(record.dut1(), 2);
    EXPECT_EQ(record.jump_dut1(), c.jump);
  }
}

TEST(MinuteArithmeticDeathTest, PreconditionsStopTheProgram) {
  DateTimeRecord no_minute(kDcf77Min, kDcf77Max);
  EXPECT_DEATH(no_minute.next_minute(), "minute_.has_value");

  DateTimeRecord no_dst(kDcf77Min, kDcf77Max);
  no_dst.set_hour(10, true, false);
  EXPECT_DEATH(no_dst.add_hours(1, keep_hour), "dst_.has_value");

  DateTimeRecord no_date(kDcf77Min, kDcf77Max);
  no_date.set_hour(23, true, false);
  no_date.set_dst(false, false, false);
  EXPECT_EQ(no_date.add_hours(0, keep_hour).hour(), 23);
  EXPECT_DEATH(no_date.add_hours(1, keep_hour), "day_.has_value");
  EXPECT_EQ(no_date.minus_hours(23).hour(), 0);
  EXPECT_DEATH(no_date.minus_hours(24), "weekday_.has_value");

  const DateTimeRecord full = make_dcf77(Civil{24, 3, 5, 2, 0, 0});
  EXPECT_DEATH(full.add_hours(48, keep_hour), "h < 48");
  EXPECT_DEATH(full.minus_hours(25), "n <= \\*hour_ \\+ 24");
}

}  // namespace
}  // namespace quillfen
