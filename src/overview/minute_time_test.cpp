#include "src/overview/minute_time.hpp"

#include <gtest/gtest.h>

namespace quillfen {
namespace {

DateTimeRecord dcf77_record(std::uint8_t year, std::uint8_t month, std::uint8_t day,
                            std::uint8_t weekday, std::uint8_t hour, std::uint8_t minute,
                            std::optional<bool> summer) {
  DateTimeRecord record(1, 7);
  record.set_utc_offset(60, false);
  record.set_year(year, true, false);
  record.set_month(month, true, false);
  record.set_weekday(weekday, true, false);
  record.set_day(day, true, false);
  record.set_hour(hour, true, false);
  record.set_minute(minute, true, false);
  if (summer.has_value()) {
    record.set_dst(*summer, false, false);
  }
  return record;
}

TEST(MinuteTime, OffsetFollowsTheStationAndSummerTime) {
  // Sunday 30 March 2025: 01:59 CET, then 03:00 CEST.
  const std::optional<MinuteTime> winter =
      minute_time(dcf77_record(25, 3, 30, 7, 1, 59, false), false);
  const std::optional<MinuteTime> summer =
      minute_time(dcf77_record(25, 3, 30, 7, 3, 0, true), false);
  ASSERT_TRUE(winter.has_value() && summer.has_value());
  EXPECT_EQ(iso_text(*winter), "2025-03-30T01:59+01:00");
  EXPECT_EQ(iso_text(*summer), "2025-03-30T03:00+02:00");
  EXPECT_EQ(utc_minutes(*summer) - utc_minutes(*winter), 1);
  // Daylight-saving state unknown: standard time. Shown as UTC: no offset.
  EXPECT_EQ(iso_text(*minute_time(dcf77_record(25, 3, 30, 7, 1, 59, std::nullopt), false)),
            "2025-03-30T01:59+01:00");
  EXPECT_EQ(iso_text(*minute_time(dcf77_record(25, 3, 30, 7, 1, 59, true), true)),
            "2025-03-30T01:59+00:00");
}

TEST(MinuteTime, AnIncompleteRecordHasNoTime) {
  DateTimeRecord record(1, 7);
  EXPECT_EQ(minute_time(record, false), std::nullopt);
  record.set_year(25, true, false);
  record.set_month(3, true, false);
  record.set_weekday(3, true, false);
  record.set_day(5, true, false);
  record.set_hour(14, true, false);
  EXPECT_EQ(minute_time(record, false), std::nullopt);  // no minute yet
  record.set_minute(37, true, false);
  EXPECT_EQ(iso_text(*minute_time(record, false)), "2025-03-05T14:37+00:00");
}

TEST(MinuteTime, InstantsAtAnyOffset) {
  const struct {
    MinuteTime time;
    const char* iso;
  } cases[] = {
      {{2025, 1, 1, 0, 30, 60}, "2025-01-01T00:30+01:00"},
      {{2024, 12, 31, 23, 30, 0}, "2024-12-31T23:30+00:00"},
      {{2024, 2, 29, 23, 59, -90}, "2024-02-29T23:59-01:30"},
      {{2000, 3, 1, 0, 0, 120}, "2000-03-01T00:00+02:00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.iso);
    EXPECT_EQ(iso_text(c.time), c.iso);
    const std::int64_t instant = utc_minutes(c.time);
    EXPECT_EQ(at_offset(instant, c.time.offset), c.time);
    // The same instant elsewhere differs by the offsets.
    EXPECT_EQ(utc_minutes(at_offset(instant, 0)), instant);
  }
  // 2025-01-01T00:30+01:00 is 2024-12-31T23:30 UTC.
  EXPECT_EQ(utc_minutes(cases[0].time), utc_minutes(cases[1].time));
  // A February day 30 kept by a record counts on into March.
  EXPECT_EQ(utc_minutes({2025, 2, 30, 0, 0, 0}), utc_minutes({2025, 3, 2, 0, 0, 0}));
}

}  // namespace
}  // namespace quillfen
