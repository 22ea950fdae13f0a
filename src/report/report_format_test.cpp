#include "src/report/report_format.hpp"

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

// Whatever `put` appends to an output buffer.
template <typename Put>
std::string text_of(Put put) {
  StringSink sink;
  OutputBuffer out(sink);
  put(out);
  out.flush();
  return sink.text;
}

std::string format(const DateTimeRecord& record, std::uint8_t sunday_value, bool utc) {
  return text_of([&](OutputBuffer& out) { format_datetime(out, record, sunday_value, utc); });
}

// `record` with its daylight-saving state set as a decoder sets it: the
// first summer-time bit ever received is taken as it is, and an announcement
// counted over the hour is believed by majority.
DateTimeRecord with_dst(DateTimeRecord record, bool summer, bool announced = false) {
  const std::optional<std::uint8_t> minute = record.minute();
  record.set_minute(30, true, false);
  record.set_dst(summer, announced, false);
  record.set_minute(minute, true, false);
  return record;
}

TEST(FormatDatetime, Examples) {
  // The top of the hour at which an announced change to summer time was due:
  // 01:59 CET, announced, is followed by 03:00 CEST.
  DateTimeRecord change = with_dst(with(dcf77_record(), {24, 3, 31, 7, 1, 59}), false, true);
  ASSERT_TRUE(change.bump_minute());
  change.set_minute(0, true, true);
  change.set_dst(true, false, true);
  EXPECT_EQ(format(change, kDcf77Sunday, false), "24-03-31 Sunday 03:00 [processed,summer]");

  EXPECT_EQ(format(dcf77_record(), kDcf77Sunday, false), "**-**-** ? **:** []");
  EXPECT_EQ(format(msf_record(), kMsfSunday, false), "**-**-** ? **:** []");

  const DateTimeRecord msf_monday = with_dst(with(msf_record(), {25, 1, 6, 1, 14, 5}), false);
  EXPECT_EQ(format(msf_monday, kMsfSunday, true), "25-01-06 Monday 14:05 [UTC]");

  const DateTimeRecord half_past_twelve = with(dcf77_record(), {{}, {}, {}, {}, 12, 30});
  EXPECT_EQ(format(half_past_twelve, kDcf77Sunday, false), "**-**-** ? 12:30 []");

  const DateTimeRecord early = with_dst(with(dcf77_record(), {5, 1, 9, 7, 0, 7}), false);
  EXPECT_EQ(format(early, kDcf77Sunday, false), "05-01-09 Sunday 00:07 [winter]");
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
    EXPECT_EQ(format(with(dcf77_record(), c.fields), kDcf77Sunday, false), c.expected);
  }
}

TEST(FormatDatetime, NamesTheWeekdayInEitherNumbering) {
  const std::string_view names[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                    "Thursday", "Friday", "Saturday"};
  for (std::uint8_t weekday = 0; weekday <= 6; ++weekday) {
    SCOPED_TRACE(weekday);
    const DateTimeRecord msf = with(msf_record(), {.weekday = weekday});
    EXPECT_EQ(format(msf, kMsfSunday, false),
              std::string("**-**-** ").append(names[weekday]).append(" **:** []"));
    const std::uint8_t dcf77_weekday = weekday == 0 ? 7 : weekday;
    const DateTimeRecord dcf77 = with(dcf77_record(), {.weekday = dcf77_weekday});
    EXPECT_EQ(format(dcf77, kDcf77Sunday, false),
              std::string("**-**-** ").append(names[weekday]).append(" **:** []"));
  }
}

TEST(FormatDatetime, DaylightSavingText) {
  const struct {
    std::optional<std::uint8_t> flags;
    bool utc;
    std::string_view bracket;
  } cases[] = {
      {std::nullopt, false, "[]"},
      {std::nullopt, true, "[]"},
      {0, false, "[winter]"},
      {0, true, "[UTC]"},
      {DST_SUMMER, false, "[summer]"},
      {DST_SUMMER, true, "[UTC]"},
      {DST_ANNOUNCED, false, "[announced,winter]"},
      {DST_PROCESSED, false, "[processed,winter]"},
      {DST_JUMP | DST_SUMMER, false, "[jump,summer]"},
      {DST_ANNOUNCED | DST_JUMP, false, "[announced,jump,winter]"},
      {DST_PROCESSED | DST_JUMP | DST_SUMMER, true, "[processed,jump,UTC]"},
      {DST_ANNOUNCED | DST_PROCESSED, false, "[announced,processed,winter]"},
      {DST_ANNOUNCED | DST_PROCESSED | DST_JUMP | DST_SUMMER, false,
       "[announced,processed,jump,summer]"},
      {DST_ANNOUNCED | DST_PROCESSED | DST_JUMP | DST_SUMMER, true, "[announced,processed,jump,UTC]"},
      // Bits outside the flag set print nothing.
      {0xF0, false, "[winter]"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bracket);
    EXPECT_EQ(text_of([&](OutputBuffer& out) { put_dst_text(out, c.flags, c.utc); }), c.bracket);
  }
}

TEST(FormatDatetime, TheBracketIsTheRecordsOwnDaylightSavingState) {
  const DateTimeRecord record = with(dcf77_record(), {25, 10, 26, 7, 2, 59});
  EXPECT_EQ(format(record, kDcf77Sunday, false), "25-10-26 Sunday 02:59 []");
  EXPECT_EQ(format(with_dst(record, true), kDcf77Sunday, false),
            "25-10-26 Sunday 02:59 [summer]");
  EXPECT_EQ(format(with_dst(record, true, true), kDcf77Sunday, false),
            "25-10-26 Sunday 02:59 [announced,summer]");
  EXPECT_EQ(format(with_dst(record, true, true), kDcf77Sunday, true),
            "25-10-26 Sunday 02:59 [announced,UTC]");
}

TEST(FormatDatetime, AppendsToWhatIsThere) {
  const DateTimeRecord record = with_dst(with(msf_record(), {1, 2, 3, 4, 5, 6}), false);
  EXPECT_EQ(text_of([&](OutputBuffer& out) {
              out.put("time: ");
              format_datetime(out, record, kMsfSunday, false);
            }),
            "time: 01-02-03 Thursday 05:06 [winter]");
}

TEST(FormatDatetimeDeathTest, SundayOfTheOtherStationIsAnInternalError) {
  StringSink sink;
  OutputBuffer out(sink);
  const DateTimeRecord dcf77_sunday = with(dcf77_record(), {.weekday = 7});
  EXPECT_DEATH(format_datetime(out, dcf77_sunday, kMsfSunday, false), "internal error");
  const DateTimeRecord msf_sunday = with(msf_record(), {.weekday = 0});
  EXPECT_DEATH(format_datetime(out, msf_sunday, kDcf77Sunday, false), "internal error");
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
