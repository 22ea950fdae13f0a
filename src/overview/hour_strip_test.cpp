#include "src/overview/hour_strip.hpp"

#include <gtest/gtest.h>

#include <string>

namespace quillfen {
namespace {

OverviewMinute decoded_at(MinuteTime time, MinuteClass minute_class, ComplaintMask mask = 0) {
  OverviewMinute minute{};
  minute.decoded = true;
  minute.time = time;
  minute.minute_class = minute_class;
  minute.complaints = mask;
  return minute;
}

TEST(HourStrip, RowsPerHourInTimeOrderWithShortGapsShown) {
  HourStrip strip;
  strip.add(decoded_at({2025, 3, 5, 14, 0, 60}, MinuteClass::Clean));
  strip.add(decoded_at({2025, 3, 5, 14, 59, 60}, MinuteClass::Parity));
  // Three hours without a decoded minute, then an hour that came first in
  // the log but lies earlier.
  strip.add(decoded_at({2025, 3, 5, 18, 30, 60}, MinuteClass::Jump));
  strip.add(decoded_at({2025, 3, 5, 13, 1, 60}, MinuteClass::Length));
  // Back in an hour that is neither the last row nor a new one.
  strip.add(decoded_at({2025, 3, 5, 14, 30, 60}, MinuteClass::Clean));
  OverviewMinute not_decoded{};
  strip.add(not_decoded);

  const std::vector<HourRow> rows = strip.rows();
  ASSERT_EQ(rows.size(), 6u);
  EXPECT_EQ(iso_text(rows[0].start), "2025-03-05T13:00+01:00");
  EXPECT_EQ(rows[0].strip(), " l" + std::string(58, ' '));
  EXPECT_EQ(rows[1].strip(), "." + std::string(29, ' ') + "." + std::string(28, ' ') + "p");
  EXPECT_EQ(rows[1].minutes, 3u);
  EXPECT_EQ(rows[1].clean, 2u);
  for (std::size_t empty = 2; empty <= 4; ++empty) {
    EXPECT_EQ(rows[empty].minutes, 0u);
    EXPECT_EQ(rows[empty].strip(), std::string(60, ' '));
  }
  EXPECT_EQ(iso_text(rows[4].start), "2025-03-05T17:00+01:00");
  EXPECT_EQ(rows[5].strip()[30], 'j');
  EXPECT_EQ(strip.no_time_minutes(), 1u);
  // Hour 13 and 14 have one faulty minute each: the first wins.
  EXPECT_EQ(worst_hour(rows), std::optional<std::size_t>(0));
}

TEST(HourStrip, LongGapsAreLeftOut) {
  HourStrip strip;
  strip.add(decoded_at({2025, 3, 5, 14, 0, 0}, MinuteClass::Clean));
  strip.add(decoded_at({2025, 3, 6, 15, 0, 0}, MinuteClass::Clean));  // 24 hours between
  strip.add(decoded_at({2025, 3, 7, 17, 0, 0}, MinuteClass::Clean));  // 25 hours between
  const std::vector<HourRow> rows = strip.rows();
  EXPECT_EQ(rows.size(), 1u + 24u + 1u + 1u);
  EXPECT_EQ(worst_hour(rows), std::nullopt);  // every minute clean
}

TEST(HourStrip, TheRepeatedHourAtTheEndOfSummerTimeHasTwoRows) {
  HourStrip strip;
  strip.add(decoded_at({2025, 10, 26, 2, 59, 120}, MinuteClass::Clean));
  strip.add(decoded_at({2025, 10, 26, 2, 0, 60}, MinuteClass::Clean));
  const std::vector<HourRow> rows = strip.rows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(iso_text(rows[0].start), "2025-10-26T02:00+02:00");
  EXPECT_EQ(iso_text(rows[1].start), "2025-10-26T02:00+01:00");
}

TEST(HourStrip, TwoMinutesShownAtOnePlaceShowTheWorseAndBothCount) {
  HourStrip strip;
  strip.add(decoded_at({2025, 3, 5, 14, 7, 0}, MinuteClass::Jump,
                       complaint_bit(Complaint::MinuteJumped)));
  strip.add(decoded_at({2025, 3, 5, 14, 7, 0}, MinuteClass::Parity,
                       complaint_bit(Complaint::HourParityBad)));
  strip.add(decoded_at({2025, 3, 5, 14, 7, 0}, MinuteClass::Clean));
  const HourRow row = strip.rows().at(0);
  EXPECT_EQ(row.strip()[7], 'j');
  EXPECT_EQ(row.minutes, 3u);
  EXPECT_EQ(row.clean, 1u);
  EXPECT_EQ(row.complaints[7],
            complaint_bit(Complaint::MinuteJumped) | complaint_bit(Complaint::HourParityBad));
}

}  // namespace
}  // namespace quillfen
