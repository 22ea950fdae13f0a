#include "synth/edge_log_writer.hpp"

#include <gtest/gtest.h>

#include <string>

namespace quillfen {
namespace {

TEST(EdgeLogWriterTest, CounterStartsAtStartAndWraps) {
  const LoggerClock clock{30000000, 4294967000U, 0};
  EXPECT_EQ(time_stamp(clock, 30000000), 4294967000U);
  EXPECT_EQ(time_stamp(clock, 30000295), 4294967295U);
  EXPECT_EQ(time_stamp(clock, 30000296), 0U);
  EXPECT_EQ(time_stamp(clock, 30000296 + 4294967296LL), 0U);
}

TEST(EdgeLogWriterTest, RateErrorScalesTheTimeSinceTheStart) {
  const LoggerClock fast{1000000, 0, 100};
  EXPECT_EQ(time_stamp(fast, 1000000), 0U);
  EXPECT_EQ(time_stamp(fast, 1000000 + 3600000000LL), 3600360000U);  // 360 ms an hour
  const LoggerClock slow{0, 1000000, -12.5};
  EXPECT_EQ(time_stamp(slow, 1000000000), 1000000U + 1000000000U - 12500U);
}

TEST(EdgeLogWriterTest, LinesAndTicks) {
  std::string out;
  EdgeLineWriter dcf77('D', 4294967295U, false);
  dcf77.put(out, true, 1000000);
  dcf77.put(out, false, 1100000);
  EdgeLineWriter msf('M', 0, true);
  msf.put(out, true, 7);
  append_comment(out, 3, true);
  append_comment(out, 4, false);
  EXPECT_EQ(out,
            "D true 1000000 4294967295\n"
            "D false 1100000 0\n"
            "M true 7 0\r\n"
            "# comment 3\r\n"
            "# comment 4\n");
}

}  // namespace
}  // namespace quillfen
