#include "datetime/date_time_record.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

#include "datetime/test_records.hpp"

namespace quillfen {
namespace {

using test_records::Civil;
using test_records::kDcf77Max;
using test_records::kDcf77Min;
using test_records::kMsfMax;
using test_records::kMsfMin;
using test_records::make_dcf77;

TEST(DateTimeRecord, StartsEmpty) {
  const DateTimeRecord record(kDcf77Min, kDcf77Max);
  EXPECT_FALSE(record.utc_offset() || record.year() || record.month() || record.day() ||
               record.weekday() || record.hour() || record.minute() || record.dst() ||
               record.leap_second() || record.dut1() || record.utc_offset_hours() ||
               record.utc_offset_minutes() || record.time_is_utc());
  EXPECT_FALSE(record.jump_year() || record.jump_month() || record.jump_day() ||
               record.jump_weekday() || record.jump_hour() || record.jump_minute() ||
               record.jump_dut1());
  EXPECT_TRUE(record.dst_first_update());
  EXPECT_FALSE(record.is_utc_copy());
  EXPECT_EQ(record.min_weekday(), 1);
  EXPECT_EQ(record.max_weekday(), 7);
  EXPECT_EQ(record.minutes_running(), 0);
  EXPECT_EQ(record.dst_count(), 0);
  EXPECT_EQ(record.leap_second_count(), 0);
}

using Setter = void (DateTimeRecord::*)(std::optional<std::uint8_t>, bool, bool);
using Getter = std::optional<std::uint8_t> (DateTimeRecord::*)() const;
using JumpFlag = bool (DateTimeRecord::*)() const;

struct FieldCase {
  const char* name;
  Setter set;
  Getter get;
  JumpFlag jump;
  int low, high;  // the accepted range
  std::uint8_t min_weekday, max_weekday;
};

const FieldCase kFields[] = {
    {"year", &DateTimeRecord::set_year, &DateTimeRecord::year, &DateTimeRecord::jump_year, 0, 99,
     kDcf77Min, kDcf77Max},
    {"month", &DateTimeRecord::set_month, &DateTimeRecord::month, &DateTimeRecord::jump_month, 1,
     12, kDcf77Min, kDcf77Max},
    {"DCF77 weekday", &DateTimeRecord::set_weekday, &DateTimeRecord::weekday,
     &DateTimeRecord::jump_weekday, 1, 7, kDcf77Min, kDcf77Max},
    {"MSF weekday", &DateTimeRecord::set_weekday, &DateTimeRecord::weekday,
     &DateTimeRecord::jump_weekday, 0, 6, kMsfMin, kMsfMax},
    {"hour", &DateTimeRecord::set_hour, &DateTimeRecord::hour, &DateTimeRecord::jump_hour, 0, 23,
     kDcf77Min, kDcf77Max},
    {"minute", &DateTimeRecord::set_minute, &DateTimeRecord::minute, &DateTimeRecord::jump_minute,
     0, 59, kDcf77Min, kDcf77Max},
};

TEST(DateTimeRecord, SettersTakeExactlyTheirRange) {
  for (const FieldCase& f : kFields) {
    for (int value = 0; value <= 255; ++value) {
      SCOPED_TRACE(testing::Message() << f.name << " " << value);
      const auto v = static_cast<std::uint8_t>(value);
      DateTimeRecord record(f.min_weekday, f.max_weekday);
      (record.*f.set)(v, true, true);
      const bool in_range = value >= f.low && value <= f.high;
      EXPECT_EQ((record.*f.get)(), in_range ? std::optional<std::uint8_t>(v) : std::nullopt);
      EXPECT_FALSE((record.*f.jump)());  // the first value never jumps
      // A vouched-against value is rejected like an out-of-range one.
      DateTimeRecord unvouched(f.min_weekday, f.max_weekday);
      (unvouched.*f.set)(v, false, true);
      EXPECT_EQ(unvouched, DateTimeRecord(f.min_weekday, f.max_weekday));
    }
  }
}

TEST(DateTimeRecord, SettersRaiseJumpOnlyWhenAPresentValueChanges) {
  for (const FieldCase& f : kFields) {
    SCOPED_TRACE(f.name);
    const auto low = static_cast<std::uint8_t>(f.low);
    const auto next = static_cast<std::uint8_t>(f.low + 1);
    const auto beyond = static_cast<std::uint8_t>(f.high + 1);
    DateTimeRecord record(f.min_weekday, f.max_weekday);
    struct Step {
      std::optional<std::uint8_t> value;
      bool accept, check_jump;
      std::uint8_t expected;
      bool jump;
    };
    const Step steps[] = {
        {low, true, true, low, false},          // over an absent field: no jump
        {next, true, true, next, true},         // changed
        {next, true, true, next, false},        // unchanged
        {low, true, false, low, false},         // changed, jumps not checked
        {next, true, true, next, true},         //
        {beyond, true, true, next, false},      // rejected: kept, flag lowered
        {low, true, true, low, true},           //
        {next, false, true, low, false},        // not vouched for
        {low, true, true, low, false},          //
        {next, true, true, next, true},         //
        {std::nullopt, true, true, next, false},  // absent value
    };
    for (const Step& step : steps) {
      (record.*f.set)(step.value, step.accept, step.check_jump);
      EXPECT_EQ((record.*f.get)(), step.expected);
      EXPECT_EQ((record.*f.jump)(), step.jump);
    }
  }
}

TEST(DateTimeRecord, Dut1RangeAndJump) {
  // Without an offset get_utc gives nothing, so the 00:00 UTC rule stays out.
  for (int value = -128; value <= 127; ++value) {
    DateTimeRecord record(kMsfMin, kMsfMax);
    record.set_dut1(static_cast<std::int8_t>(value), true, true);
    const bool in_range = value >= -99 && value <= 99;
    EXPECT_EQ(record.dut1().has_value(), in_range) << value;
  }
  DateTimeRecord record(kMsfMin, kMsfMax);
  record.set_dut1(-3, true, true);
  EXPECT_FALSE(record.jump_dut1());
  record.set_dut1(-2, true, true);
  EXPECT_TRUE(record.jump_dut1());
  record.set_dut1(100, true, true);
  EXPECT_EQ(record.dut1(), -2);
  EXPECT_FALSE(record.jump_dut1());
  record.set_dut1(5, false, true);
  EXPECT_EQ(record.dut1(), -2);
  record.set_dut1(5, true, false);
  EXPECT_EQ(record.dut1(), 5);
  EXPECT_FALSE(record.jump_dut1());
}

TEST(DateTimeRecord, SetDayNeedsYearMonthAndWeekday) {
  DateTimeRecord record(kDcf77Min, kDcf77Max);
  record.set_year(24, true, false);
  record.set_month(3, true, false);
  record.set_day(5, true, false);
  EXPECT_EQ(record.day(), std::nullopt);
  record.set_weekday(2, true, false);
  record.set_day(5, true, false);
  EXPECT_EQ(record.day(), 5);
}

TEST(DateTimeRecord, SetDayIgnoresDaysOutsideOneToThirtyOneEntirely) {
  DateTimeRecord record = make_dcf77(Civil{24, 3, 5, 2, 12, 0});
  record.set_day(6, true, true);
  ASSERT_TRUE(record.jump_day());
  // Nothing changes at all, so the jump flag of the minute stays raised.
  for (const std::optional<std::uint8_t> value :
       {std::optional<std::uint8_t>(0), std::optional<std::uint8_t>(32),
        std::optional<std::uint8_t>(255), std::optional<std::uint8_t>()}) {
    record.set_day(value, true, true);
    EXPECT_EQ(record.day(), 6);
    EXPECT_TRUE(record.jump_day());
  }
  // An in-range day that is rejected lowers it.
  record.set_day(7, false, true);
  EXPECT_EQ(record.day(), 6);
  EXPECT_FALSE(record.jump_day());
  record.set_day(31, true, true);  // March has 31 days
  EXPECT_EQ(record.day(), 31);
  EXPECT_TRUE(record.jump_day());
}

struct MonthCase {
  std::uint8_t year, month, weekday, day;
  std::optional<std::uint8_t> last_day;
  bool day_taken;
};

TEST(DateTimeRecord, LastDayOfMonthAndSetDay) {
  const MonthCase cases[] = {
      {24, 1, 1, 31, 31, true},  {24, 4, 1, 30, 30, true},  {24, 4, 1, 31, 30, false},
      {24, 6, 1, 31, 30, false}, {24, 9, 1, 30, 30, true},  {24, 11, 1, 31, 30, false},
      {24, 12, 1, 31, 31, true}, {24, 7, 1, 31, 31, true},  {24, 8, 1, 31, 31, true},
      // February: leap years by four, no day count from day 30 on.
      {24, 2, 4, 29, 29, true},  {23, 2, 3, 29, 28, false}, {96, 2, 4, 29, 29, true},
      {24, 2, 5, 30, std::nullopt, false},                  {24, 2, 6, 31, std::nullopt, false},
      {0, 2, 2, 30, std::nullopt, false},
      // Year 00: 2000 (February 1st a Tuesday) or 2100 (a Monday).
      {0, 2, 2, 29, 29, true},   // 29 February 2000, a Tuesday
      {0, 2, 1, 29, 28, false},  // not a Tuesday
      {0, 2, 1, 28, 29, true},   // 28 February 2000, a Monday
      {0, 2, 7, 28, 28, true},   // 28 February 2100, a Sunday (DCF77)
      {0, 2, 0, 28, 28, true},   // the same in MSF numbering
      {0, 2, 2, 1, 29, true},    // 1 February 2000
      {0, 2, 1, 1, 28, true},    // 1 February 2100
      {0, 2, 0, 6, 29, true},    // 6 February 2000, a Sunday (MSF)
      {0, 2, 7, 6, 29, true},    // the same in DCF77 numbering
  };
  for (const MonthCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "year " << int{c.year} << " month " << int{c.month}
                                    << " weekday " << int{c.weekday} << " day " << int{c.day});
    const std::uint8_t min = c.weekday == 0 ? kMsfMin : kDcf77Min;
    const std::uint8_t max = c.weekday == 0 ? kMsfMax : kDcf77Max;
    DateTimeRecord record(min, max);
    record.set_year(c.year, true, false);
    record.set_month(c.month, true, false);
    record.set_weekday(c.weekday, true, false);
    EXPECT_EQ(record.last_day_of_month(c.day), c.last_day);
    record.set_day(c.day, true, false);
    EXPECT_EQ(record.day().has_value(), c.day_taken);
  }
}

TEST(DateTimeRecord, ClearJumps) {
  DateTimeRecord record = make_dcf77(Civil{24, 3, 5, 2, 12, 15}, /*summer=*/true);
  record.set_leap_second(true, 60);  // LEAP_ANNOUNCED by one minute out of none
  ASSERT_EQ(record.leap_second(), LEAP_ANNOUNCED);
  record.set_year(25, true, true);
  record.set_month(4, true, true);
  record.set_weekday(3, true, true);
  record.set_day(6, true, true);
  record.set_hour(13, true, true);
  record.set_minute(16, true, true);
  record.set_dut1(1, true, false);
  record.set_dut1(2, true, true);
  record.set_dst(false, false, true);  // unannounced change: DST_JUMP
  ASSERT_EQ(record.dst(), DST_SUMMER | DST_JUMP);
  ASSERT_TRUE(record.jump_year() && record.jump_month() && record.jump_weekday() &&
              record.jump_day() && record.jump_hour() && record.jump_minute() &&
              record.jump_dut1());

  record.clear_jumps();
  EXPECT_FALSE(record.jump_year() || record.jump_month() || record.jump_day() ||
               record.jump_weekday() || record.jump_hour() || record.jump_minute() ||
               record.jump_dut1());
  EXPECT_EQ(record.dst(), DST_SUMMER);
  EXPECT_EQ(record.leap_second(), LEAP_ANNOUNCED);

  DateTimeRecord no_dst(kDcf77Min, kDcf77Max);
  no_dst.clear_jumps();
  EXPECT_EQ(no_dst.dst(), std::nullopt);
}

TEST(DateTimeRecord, UtcCopyIsReadOnly) {
  DateTimeRecord local = make_dcf77(Civil{24, 3, 5, 2, 12, 15}, /*summer=*/true);
  local.set_hour(13, true, true);
  local.set_dst(false, false, true);
  const std::optional<DateTimeRecord> utc = local.get_utc();
  ASSERT_TRUE(utc.has_value());
  ASSERT_TRUE(utc->is_utc_copy() && utc->jump_hour());
  ASSERT_EQ(utc->dst(), DST_SUMMER | DST_JUMP);
  DateTimeRecord copy = *utc;
  copy.set_year(30, true, true);
  copy.set_month(6, true, true);
  copy.set_weekday(5, true, true);
  copy.set_day(9, true, true);
  copy.set_hour(4, true, true);
  copy.set_minute(44, true, true);
  copy.set_dut1(3, true, true);
  copy.set_year(200, true, true);  // a rejected value would lower a jump flag
  copy.clear_jumps();
  copy.set_dst(true, true, true);
  copy.set_leap_second(true, 60);
  copy.bump_minutes_running();
  EXPECT_FALSE(copy.bump_minute());
  EXPECT_EQ(copy, *utc);
}

TEST(DateTimeRecordDeathTest, PreconditionsStopTheProgram) {
  DateTimeRecord record(kDcf77Min, kDcf77Max);
  record.set_year(24, true, false);
  record.set_month(2, true, false);
  EXPECT_DEATH(record.last_day_of_month(1), "weekday_.has_value");
  EXPECT_DEATH(DateTimeRecord(7, 1), "min_weekday <= max_weekday");
}

}  // namespace
}  // namespace quillfen
