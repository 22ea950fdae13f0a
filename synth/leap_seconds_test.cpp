#include "synth/leap_seconds.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace quillfen {
namespace {

using namespace std::chrono;

TEST(LeapSecondsTest, TheKnownOnesAreTheIersDates) {
  const auto days_ = known_leap_days();
  ASSERT_EQ(days_.size(), 27U);
  EXPECT_EQ(days_.front(), sys_days{1972y / June / 30});
  EXPECT_EQ(days_.back(), sys_days{2016y / December / 31});
  // TAI - UTC went from 10 s in 1972 to 37 s after the last one.
  EXPECT_EQ(10 + static_cast<int>(days_.size()), 37);
  for (std::size_t i = 0; i < days_.size(); ++i) {
    const year_month_day date{days_[i]};
    EXPECT_TRUE(date == date.year() / June / 30 || date == date.year() / December / 31) << i;
    if (i > 0) {
      EXPECT_LT(days_[i - 1], days_[i]);
    }
  }
  // Years without one, and years with two.
  EXPECT_EQ(std::count(days_.begin(), days_.end(), sys_days{2005y / December / 31}), 1);
  EXPECT_EQ(std::count(days_.begin(), days_.end(), sys_days{2006y / December / 31}), 0);
  EXPECT_EQ(std::count(days_.begin(), days_.end(), sys_days{1972y / December / 31}), 1);
}

TEST(LeapSecondsTest, AdditionsJoinAndReplace) {
  const std::vector<LeapSecond> additions = {
      {sys_days{2030y / June / 30}, LeapKind::Negative},
      {sys_days{2016y / December / 31}, LeapKind::Missing},
      {sys_days{2030y / June / 30}, LeapKind::Inserted},  // the last for a day counts
      {sys_days{2001y / March / 31}, LeapKind::Inserted},
  };
  const auto schedule = leap_schedule(additions);
  ASSERT_EQ(schedule.size(), 29U);
  for (std::size_t i = 1; i < schedule.size(); ++i) {
    EXPECT_LT(schedule[i - 1].day, schedule[i].day);
  }
  EXPECT_EQ(schedule.back(), (LeapSecond{sys_days{2030y / June / 30}, LeapKind::Inserted}));
  EXPECT_EQ(schedule[schedule.size() - 2],
            (LeapSecond{sys_days{2016y / December / 31}, LeapKind::Missing}));
  EXPECT_NE(std::find(schedule.begin(), schedule.end(),
                      LeapSecond{sys_days{2001y / March / 31}, LeapKind::Inserted}),
            schedule.end());
}

TEST(LeapSecondsTest, BetweenIsOpenBeforeAndClosedAfter) {
  const auto schedule = leap_schedule({});
  const sys_seconds at{sys_days{2017y / January / 1}};
  EXPECT_EQ(leap_instant(schedule.back()), at);
  EXPECT_EQ(leap_second_between(schedule, at - 1s, at), schedule.back());
  EXPECT_FALSE(leap_second_between(schedule, at, at + 1h).has_value());
  EXPECT_FALSE(leap_second_between(schedule, at - 2h, at - 1s).has_value());
  EXPECT_EQ(leap_second_between(schedule, sys_seconds{}, at)->day, sys_days{1972y / June / 30});
}

}  // namespace
}  // namespace quillfen
