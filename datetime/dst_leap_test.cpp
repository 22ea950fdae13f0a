#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

#include "datetime/date_time_record.hpp"
#include "datetime/test_records.hpp"

namespace quillfen {
namespace {

using test_records::kDcf77Max;
using test_records::kDcf77Min;

// One decoded minute as the decoders run it: the minute field, then the
// daylight-saving and leap-second updates, then the running count.
void decode_minute(DateTimeRecord& record, std::optional<std::uint8_t> minute, Bit dst_bit,
                   Bit dst_announce, Bit leap_announce = false, std::uint8_t length = 60) {
  record.clear_jumps();
  record.set_minute(minute, true, true);
  record.set_dst(dst_bit, dst_announce, true);
  record.set_leap_second(leap_announce, length);
  record.bump_minutes_running();
}

TEST(DstLeap, FirstDstBitIsTakenDirectly) {
  DateTimeRecord summer(kDcf77Min, kDcf77Max);
  summer.set_dst(true, false, true);
  EXPECT_EQ(summer.dst(), DST_SUMMER);
  EXPECT_FALSE(summer.dst_first_update());

  DateTimeRecord winter(kDcf77Min, kDcf77Max);
  winter.set_dst(false, false, true);
  EXPECT_EQ(winter.dst(), 0);
}

TEST(DstLeap, UnannouncedChangeIsAJumpAndNotTaken) {
  DateTimeRecord record(kDcf77Min, kDcf77Max);
  record.set_minute(14, true, false);
  record.set_dst(true, false, true);
  record.set_minute(15, true, false);
  DateTimeRecord unchecked = record;

  record.set_dst(false, false, true);
  EXPECT_EQ(record.dst(), DST_SUMMER | DST_JUMP);
  unchecked.set_dst(false, false, false);
  EXPECT_EQ(unchecked.dst(), DST_SUMMER);

  // The flag never survives into the next minute.
  DateTimeRecord next = record;
  next.set_dst(true, false, true);
  EXPECT_EQ(next.dst(), DST_SUMMER);
  record.clear_jumps();
  EXPECT_EQ(record.dst(), DST_SUMMER);
}

TEST(DstLeap, UndeterminedBitsChangeNothing) {
  DateTimeRecord fresh(kDcf77Min, kDcf77Max);
  fresh.set_minute(5, true, false);
  DateTimeRecord running = fresh;
  running.set_dst(true, true, true);
  ASSERT_EQ(running.dst_count(), 1);
  for (const DateTimeRecord& before : {fresh, running}) {
    for (const auto& [dst_bit, announce] :
         {std::pair<Bit, Bit>{std::nullopt, true}, std::pair<Bit, Bit>{true, std::nullopt},
          std::pair<Bit, Bit>{std::nullopt, std::nullopt}}) {
      DateTimeRecord record = before;
      record.set_dst(dst_bit, announce, true);
      EXPECT_EQ(record, before);  // counter and dst_first_update included
    }
  }
}

// Decodes minutes 0..`last` of an hour with the DST announcement bit set in
// `announced_from`..`last`, and returns the record after minute `last`.
DateTimeRecord hour_with_announcements(std::uint8_t announced_from, std::uint8_t last) {
  DateTimeRecord record(kDcf77Min, kDcf77Max);
  for (std::uint8_t minute = 0; minute <= last; ++minute) {
    decode_minute(record, minute, false, minute >= announced_from);
  }
  return record;
}

TEST(DstLeap, MajorityTest) {
  // At minute 11 minutes_running is 10: five announced minutes are not a
  // majority (10 is not greater than 10), six are.
  const DateTimeRecord five = hour_with_announcements(7, 11);
  EXPECT_EQ(five.dst_count(), 5);
  EXPECT_EQ(five.dst().value() & DST_ANNOUNCED, 0);
  const DateTimeRecord six = hour_with_announcements(6, 11);
  EXPECT_EQ(six.dst_count(), 6);
  EXPECT_EQ(six.dst().value() & DST_ANNOUNCED, DST_ANNOUNCED);
  // A single stray bit at the end of a good hour is not believed.
  EXPECT_EQ(hour_with_announcements(59, 59).dst().value() & DST_ANNOUNCED, 0);
  EXPECT_EQ(hour_with_announcements(1, 59).dst().value() & DST_ANNOUNCED, DST_ANNOUNCED);
}

TEST(DstLeap, CountersDoubleAndWrapInEightBits) {
  // Counts gathered while the minute is unknown are never reset; with 128 the
  // doubled count wraps to 0 and is no majority, with 127 it is 254.
  for (const auto& [count, believed] : {std::pair<int, bool>{127, true}, {128, false}}) {
    DateTimeRecord dst(kDcf77Min, kDcf77Max);
    DateTimeRecord leap(kDcf77Min, kDcf77Max);
    for (int i = 1; i < count; ++i) {
      dst.set_dst(false, true, false);
      leap.set_leap_second(true, 60);
    }
    dst.set_minute(5, true, false);
    leap.set_minute(5, true, false);
    dst.set_dst(false, true, false);
    leap.set_leap_second(true, 60);
    EXPECT_EQ(dst.dst_count(), count);
    EXPECT_EQ((dst.dst().value() & DST_ANNOUNCED) != 0, believed) << count;
    EXPECT_EQ(leap.leap_second_count(), count);
    EXPECT_EQ((leap.leap_second().value() & LEAP_ANNOUNCED) != 0, believed) << count;
  }
  DateTimeRecord record(kDcf77Min, kDcf77Max);
  for (int i = 0; i < 256; ++i) {
    record.set_dst(false, true, false);
    record.bump_minutes_running();
  }
  EXPECT_EQ(record.dst_count(), 0);
  EXPECT_EQ(record.minutes_running(), 0);
}

TEST(DstLeap, AnnouncedChangeIsCarriedOutAtTheTopOfTheHour) {
  DateTimeRecord record(kDcf77Min, kDcf77Max);
  decode_minute(record, 0, false, false);
  for (std::uint8_t minute = 1; minute <= 59; ++minute) {
    decode_minute(record, minute, false, true);
    EXPECT_EQ(record.dst(), DST_ANNOUNCED) << int{minute};
    EXPECT_EQ(record.minutes_running(), minute);
  }
  EXPECT_EQ(record.dst_count(), 59);

  DateTimeRecord changed = record;
  decode_minute(changed, 0, true, false);
  EXPECT_EQ(changed.dst(), DST_SUMMER | DST_PROCESSED);
  EXPECT_EQ(changed.dst_count(), 0);
  EXPECT_EQ(changed.minutes_running(), 0);
  decode_minute(changed, 1, true, false);
  EXPECT_EQ(changed.dst(), DST_SUMMER);
  EXPECT_EQ(changed.minutes_running(), 1);

  // Processed at the top of an announced hour whether or not the bit changed.
  DateTimeRecord unchanged = record;
  decode_minute(unchanged, 0, false, false);
  EXPECT_EQ(unchanged.dst(), DST_PROCESSED);

  // Without an announcement the same change at minute 0 is a jump.
  DateTimeRecord quiet(kDcf77Min, kDcf77Max);
  for (std::uint8_t minute = 0; minute <= 59; ++minute) {
    decode_minute(quiet, minute, false, false);
  }
  decode_minute(quiet, 0, true, false);
  EXPECT_EQ(quiet.dst(), DST_JUMP);
}

TEST(DstLeap, MinuteAbsentStillCountsAndRuns) {
  DateTimeRecord record(kDcf77Min, kDcf77Max);
  record.set_dst(false, false, false);
  record.set_dst(false, true, true);
  record.set_leap_second(true, 60);
  record.bump_minutes_running();
  EXPECT_EQ(record.dst_count(), 1);
  EXPECT_EQ(record.dst(), 0);  // no announcement evaluated, nothing processed
  EXPECT_EQ(record.leap_second_count(), 1);
  EXPECT_EQ(record.leap_second(), 0);
  EXPECT_EQ(record.minutes_running(), 1);
}

TEST(DstLeap, LeapSecondNeedsALengthOf60Or61AndADeterminedBit) {
  DateTimeRecord record(kDcf77Min, kDcf77Max);
  record.set_minute(10, true, false);
  for (const std::uint8_t length : {0, 59, 62, 255}) {
    DateTimeRecord copy = record;
    copy.set_leap_second(true, length);
    EXPECT_EQ(copy, record) << int{length};
  }
  DateTimeRecord copy = record;
  copy.set_leap_second(std::nullopt, 60);
  EXPECT_EQ(copy, record);
  copy.set_leap_second(false, 61);
  EXPECT_EQ(copy.leap_second(), 0);
}

TEST(DstLeap, LeapSecondAtTheTopOfTheHour) {
  struct Case {
    bool announced;
    std::uint8_t length;  // of the minute that ended at the top of the hour
    std::uint8_t flags;
  };
  const Case cases[] = {
      {true, 61, LEAP_PROCESSED},
      {true, 60, LEAP_PROCESSED | LEAP_MISSING},
      {false, 60, 0},
      {false, 61, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.announced << " " << int{c.length});
    DateTimeRecord record(kDcf77Min, kDcf77Max);
    decode_minute(record, 0, false, false);
    for (std::uint8_t minute = 1; minute <= 59; ++minute) {
      decode_minute(record, minute, false, false, c.announced);
    }
    EXPECT_EQ(record.leap_second(), c.announced ? LEAP_ANNOUNCED : 0);
    decode_minute(record, 0, false, false, false, c.length);
    EXPECT_EQ(record.leap_second(), c.flags);
    EXPECT_EQ(record.leap_second_count(), 0);
    decode_minute(record, 1, false, false);
    EXPECT_EQ(record.leap_second(), 0);
  }
}

}  // namespace
}  // namespace quillfen
