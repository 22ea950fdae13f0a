#include "synth/iso_time.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <string_view>

namespace quillfen {
namespace {

using namespace std::chrono;

TEST(IsoTimeTest, InstantsWithAndWithoutSeconds) {
  const sys_days new_year_eve{2016y / December / 31};
  EXPECT_EQ(parse_utc_instant("2016-12-31T23:30Z"), new_year_eve + 23h + 30min);
  EXPECT_EQ(parse_utc_instant("2016-12-31T23:59:59Z"), new_year_eve + 23h + 59min + 59s);
  EXPECT_EQ(parse_utc_instant("2000-02-29T00:00Z"), sys_seconds{sys_days{2000y / February / 29}});
  EXPECT_EQ(parse_utc_instant("2100-03-01T00:00:00Z"), sys_seconds{sys_days{2100y / March / 1}});
}

TEST(IsoTimeTest, RejectsEverythingElse) {
  for (const std::string_view text : {
           "", "2016-12-31", "2016-12-31T23:30", "2016-12-31T23:30z", "2016-12-31t23:30Z",
           "2016-12-31 23:30Z", "2016-12-31T24:00Z", "2016-12-31T23:60Z", "2016-12-31T23:59:60Z",
           "2016-13-01T00:00Z", "2016-00-01T00:00Z", "2100-02-29T00:00Z", "2016-12-32T00:00Z",
           "16-12-31T23:30Z", "2016-12-31T23:30+00:00", "2016-12-31T23:30:5Z",
           "2016-12-31T23:3aZ", "+016-12-31T23:30Z", "2016-12-31T23:30Z ", "2016-12-31T23-30Z",
           "2016-12-31T23:30.0Z"}) {
    EXPECT_FALSE(parse_utc_instant(text).has_value()) << text;
  }
}

TEST(IsoTimeTest, Dates) {
  EXPECT_EQ(parse_utc_date("2016-12-31"), sys_days{2016y / December / 31});
  EXPECT_EQ(parse_utc_date("2024-02-29"), sys_days{2024y / February / 29});
  for (const std::string_view text : {"2023-02-29", "2016-1-31", "2016-12-31T", "20161231",
                                      "2016/12/31", "", "2016-12-00", "-016-12-31"}) {
    EXPECT_FALSE(parse_utc_date(text).has_value()) << text;
  }
}

}  // namespace
}  // namespace quillfen
