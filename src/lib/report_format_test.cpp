#include "src/lib/report_format.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillfen {
namespace {

constexpr std::uint8_t kDcf77Sunday = 7;
constexpr std::uint8_t kMsfSunday = 0;

DateTimeRecord dcf77_record() { return DateTimeRecord(1, 7); }
DateTimeRecord msf_record() { return DateTimeRecord(0, 6); }

// Fills the fields of `record` that are given, as a decoder does with values
// whose parity was good.
struct Fields {
  std::optional<std::uint8_t> year = {};
  std::optional<std::uint8_t> month = {};
  std::optional<std::uint8_t> day = {};
  std::optional<std::uint8_t> weekday = {};
  std::optional<std::uint8_t> hour = {};
  std::optional<std::uint8_t> minute = {};
};

DateTimeRecord with(DateTimeRecord record, const Fields& fields) {
  record.set_year(fields.year, true, false);
  record.set_month(fields.month, true, false);
  record.set_weekday(fields.weekday, true, false);
  record.set_day(fields.day, true, false);
  record.set_hour(fields.hour, true, false);
  record.set_minute(fields.minute, true, false);
  return record;
}

std::string format(const DateTimeRecord& record, std::uint8_t sunday_value, bool dst_present,
                   std::uint8_t dst_flags, bool utc) {
  std::string out;
  format_datetime(out, record, sunday_value, dst_present, dst_flags, utc);
  return out;
}

TEST(FormatDatetime, Examples) {
  const DateTimeRecord change = with(dcf77_record(), {24, 3, 31, 7, 3, 0});
  EXPECT_EQ(format(change, kDcf77Sunday, true, DST_PROCESSED | DST_SUMMER, false),
            "24-03-31 Sunday 03:00 [processed,summer]");

  EXPECT_EQ(format(dcf77_record(), kDcf77Sunday, false, 0, false), "**-**-** ? **:** []");
  EXPECT_EQ(format(msf_record(), kMsfSunday, false, 0, false), "**-**-** ? **:** []");

  const DateTimeRecord msf_monday = with(msf_record(), {25, 1, 6, 1, 14, 5});
  EXPECT_EQ(format(msf_monday, kMsfSunday, true, 0, true), "25-01-06 Monday 14:05 [UTC]");

  const DateTimeRecord half_past_twelve = with(dcf77_record(), {{}, {}, {}, {}, 12, 30});
  EXPECT_EQ(format(half_past_twelve, kDcf77Sunday, false, 0, false), "**-**-** ? 12:30 []");

  const DateTimeRecord early = with(dcf77_record(), {5, 1, 9, 7, 0, 7});
  EXPECT_EQ(format(early, kDcf77Sunday, true, 0, false), "05-01-09 Sunday 00:07 [winter]");

  const std::uint8_t all = DST_ANNOUNCED | DST_PROCESSED | DST_JUMP | DST_SUMMER;
  EXPECT_EQ(format(early, kDcf77Sunday, true, all, false),
            "05-01-09 Sunday 00:07 [announced,processed,jump,summer]");
  EXPECT_EQ(format(early, kDcf77Sunday, true, all, true),
            "05-01-09 Sunday 00:07 [announced,processed,jump,UTC]");
}

TEST(FormatDatetime, PadsEveryFieldAndStarsTheAbsentOnes) {
  const struct {
    Fields fields;
    std::string_view expected;
  } cases[] = {
      {{0, 1, 1, 1, 0, 0}, "00-01-01 Monday 00:00 []"},
      {{99, 12, 31, 5, 23, 59}, "99-12-31 Friday 23:59 []"},
      {{9, 9, 9, 3, 9, 9}, "09-09-09 Wednesday 09:09 []"},
      {{10, 10, 10, 6, 10, 10}, "10-10-10 Saturday 10:10 []"},
      {{{}, 7, {}, {}, 5, {}}, "**-07-** ? 05:** []"},
      {{24, {}, {}, 2, {}, 1}, "24-**-** Tuesday **:01 []"},
      // A day is only taken once year, month and weekday are known.
      {{24, 2, 29, {}, 8, 0}, "24-02-** ? 08:00 []"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(format(with(dcf77_record(), c.fields), kDcf77Sunday, false, 0, false), c.expected);
  }
}

TEST(FormatDatetime, NamesTheWeekdayInEitherNumbering) {
  const std::string_view names[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                    "Thursday", "Friday", "Saturday"};
  for (std::uint8_t weekday = 0; weekday <= 6; ++weekday) {
    SCOPED_TRACE(weekday);
    const DateTimeRecord msf = with(msf_record(), {.weekday = weekday});
    EXPECT_EQ(format(msf, kMsfSunday, false, 0, false),
              std::string("**-**-** ").append(names[weekday]).append(" **:** []"));
    const std::uint8_t dcf77_weekday = weekday == 0 ? 7 : weekday;
    const DateTimeRecord dcf77 = with(dcf77_record(), {.weekday = dcf77_weekday});
    EXPECT_EQ(format(dcf77, kDcf77Sunday, false, 0, false),
              std::string("**-**-** ").append(names[weekday]).append(" **:** []"));
  }
}

TEST(FormatDatetime, DaylightSavingText) {
  const struct {
    bool dst_present;
    std::uint8_t flags;
    bool utc;
    std::string_view bracket;
  } cases[] = {
      {false, 0, false, "[]"},
      {false, 0, true, "[]"},
      {false, DST_SUMMER | DST_ANNOUNCED, false, "[]"},
      {true, 0, false, "[winter]"},
      {true, 0, true, "[UTC]"},
      {true, DST_SUMMER, false, "[summer]"},
      {true, DST_SUMMER, true, "[UTC]"},
      {true, DST_ANNOUNCED, false, "[announced,winter]"},
      {true, DST_PROCESSED, false, "[processed,winter]"},
      {true, DST_JUMP | DST_SUMMER, false, "[jump,summer]"},
      {true, DST_ANNOUNCED | DST_JUMP, false, "[announced,jump,winter]"},
      {true, DST_PROCESSED | DST_JUMP | DST_SUMMER, true, "[processed,jump,UTC]"},
      {true, DST_ANNOUNCED | DST_PROCESSED, false, "[announced,processed,winter]"},
      // Bits outside the flag set print nothing.
      {true, 0xF0, false, "[winter]"},
  };
  const DateTimeRecord record = with(dcf77_record(), {25, 10, 26, 7, 2, 59});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bracket);
    EXPECT_EQ(format(record, kDcf77Sunday, c.dst_present, c.flags, c.utc),
              std::string("25-10-26 Sunday 02:59 ").append(c.bracket));
  }
}

TEST(FormatDatetime, AppendsToWhatIsThere) {
  std::string out = "time: ";
  format_datetime(out, with(msf_record(), {1, 2, 3, 4, 5, 6}), kMsfSunday, true, 0, false);
  EXPECT_EQ(out, "time: 01-02-03 Thursday 05:06 [winter]");
}

TEST(FormatDatetimeDeathTest, SundayOfTheOtherStationIsAnInternalError) {
  std::string out;
  const DateTimeRecord dcf77_sunday = with(dcf77_record(), {.weekday = 7});
  EXPECT_DEATH(format_datetime(out, dcf77_sunday, kMsfSunday, false, 0, false), "internal error");
  const DateTimeRecord msf_sunday = with(msf_record(), {.weekday = 0});
  EXPECT_DEATH(format_datetime(out, msf_sunday, kDcf77Sunday, false, 0, false), "internal error");
}

std::vector<std::string_view> messages_of(const DateTimeRecord& record) {
  const JumpMessages messages = jump_messages(record);
  return {messages.begin(), messages.end()};
}

// Which fields of `record` to make jump: each is first set to one value and
// then, with the jump check on, to another.
struct Jumps {
  bool year = false;
  bool month = false;
  bool day = false;
  bool weekday = false;
  bool hour = false;
  bool minute = false;
};

DateTimeRecord jumped(const Jumps& jumps) {
  DateTimeRecord record = with(dcf77_record(), {24, 5, 10, 5, 12, 30});
  record.set_year(jumps.year ? 25 : 24, true, true);
  record.set_month(jumps.month ? 6 : 5, true, true);
  record.set_weekday(jumps.weekday ? 6 : 5, true, true);
  record.set_day(jumps.day ? 11 : 10, true, true);
  record.set_hour(jumps.hour ? 13 : 12, true, true);
  record.set_minute(jumps.minute ? 31 : 30, true, true);
  return record;
}

TEST(JumpMessages, OneMessagePerFlagInFixedOrder) {
  const struct {
    Jumps jumps;
    std::vector<std::string_view> expected;
  } cases[] = {
      {{}, {}},
      {{.year = true}, {"Year jumped"}},
      {{.month = true}, {"Month jumped"}},
      {{.day = true}, {"Day-of-month jumped"}},
      {{.weekday = true}, {"Day-of-week jumped"}},
      {{.hour = true}, {"Hour jumped"}},
      {{.minute = true}, {"Minute jumped"}},
      {{.hour = true, .minute = true}, {"Hour jumped", "Minute jumped"}},
      {{.year = true, .minute = true}, {"Year jumped", "Minute jumped"}},
      {{.day = true, .weekday = true}, {"Day-of-month jumped", "Day-of-week jumped"}},
      {{true, true, true, true, true, true},
       {"Year jumped", "Month jumped", "Day-of-month jumped", "Day-of-week jumped", "Hour jumped",
        "Minute jumped"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.expected));
    EXPECT_EQ(messages_of(jumped(c.jumps)), c.expected);
  }
}

TEST(JumpMessages, Dut1JumpHasNoMessage) {
  DateTimeRecord record = msf_record();
  record.set_dut1(2, true, false);
  record.set_dut1(-3, true, true);
  ASSERT_TRUE(record.jump_dut1());
  EXPECT_EQ(jump_messages(record).count, 0u);
}

}  // namespace
}  // namespace quillfen
