#include "synth/msf_encoder.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "synth/utc_minute.hpp"

namespace quillfen {
namespace {

using std::chrono::minutes;
using namespace std::chrono_literals;

// The per-bit line of a single frame, without its line feed.
std::string bit_line(const MsfFrame& frame) {
  std::string line = msf_bit_log({frame});
  line.pop_back();
  return line;
}

// Sunday 2024-07-14 15:30 BST (14:30 UTC), DUT1 +2, worked out by hand from the
// time code: year 24 = 0010 0100, month 07 = 0 0111, day 14 = 01 0100,
// weekday 0 = 000, hour 15 = 01 0101, minute 30 = 011 0000; parities: year
// has 2 ones (54B = 1), month+day 5 (55B = 0), weekday 0 (56B = 1),
// hour+minute 5 (57B = 0); 58B = 1 (BST); 53B = 0.
TEST(MsfEncoderTest, EncodesSummerSundayAfternoonBitByBit) {
  MsfOptions options;
  options.dut1 = 2;
  const std::vector<MsfFrame> frames = msf_frames(utc_minute(2024, 7, 14, 14, 29), 1, options);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].length, 60);
  EXPECT_EQ(bit_line(frames[0]),
            "4"
            "22000000"
            "00000000"
            "00100100"
            "00111"
            "010100"
            "000"
            "010101"
            "0110000"
            "01313130");
  EXPECT_EQ(frames[0].a[60], std::nullopt);
}

TEST(MsfEncoderTest, Dut1IsUnaryInThePositiveOrNegativeHalf) {
  struct Case {
    std::int8_t dut1;
    std::string_view dut1_digits;  // seconds 1..16
  };
  const Case cases[] = {
      {0, "0000000000000000"},  {1, "2000000000000000"},  {8, "2222222200000000"},
      {-2, "0000000022000000"}, {-8, "0000000022222222"},
  };
  for (const Case& c : cases) {
    MsfOptions options;
    options.dut1 = c.dut1;
    const std::string line = bit_line(msf_frames(utc_minute(2024, 7, 14, 14, 29), 1, options)[0]);
    EXPECT_EQ(line.substr(1, 16), c.dut1_digits) << int{c.dut1};
  }
}

TEST(MsfEncoderTest, Dut1ChangeAppliesFromTheCarriedMinute) {
  MsfOptions options;
  options.dut1 = 3;
  options.dut1_change = {{utc_minute(2024, 1, 2, 0, 0), -1}};
  // Sent 23:58 and 23:59 carry 23:59 and 00:00.
  const std::vector<MsfFrame> frames = msf_frames(utc_minute(2024, 1, 1, 23, 58), 2, options);
  EXPECT_EQ(bit_line(frames[0]).substr(1, 16), "2220000000000000");
  EXPECT_EQ(bit_line(frames[1]).substr(1, 16), "0000000020000000");
}

TEST(MsfEncoderTest, LocalTimeFollowsGmtAndBst) {
  struct Case {
    sys_minutes utc;
    MsfCivilMinute local;
  };
  const Case cases[] = {
      {utc_minute(2024, 7, 14, 14, 30), {2024, 7, 14, 0, 15, 30, true}},
      {utc_minute(2024, 1, 1, 0, 0), {2024, 1, 1, 1, 0, 0, false}},  // a Monday
      {utc_minute(2023, 12, 31, 23, 59), {2023, 12, 31, 0, 23, 59, false}},
      // Spring: 01:00 UTC on Sunday 31 March 2024 is 02:00 BST.
      {utc_minute(2024, 3, 31, 0, 59), {2024, 3, 31, 0, 0, 59, false}},
      {utc_minute(2024, 3, 31, 1, 0), {2024, 3, 31, 0, 2, 0, true}},
      // Autumn: 01:00 UTC on Sunday 27 October 2024 is 01:00 GMT again.
      {utc_minute(2024, 10, 27, 0, 59), {2024, 10, 27, 0, 1, 59, true}},
      {utc_minute(2024, 10, 27, 1, 0), {2024, 10, 27, 0, 1, 0, false}},
      // BST carries the date: 23:30 UTC on 30 June is 00:30 on 1 July.
      {utc_minute(2024, 6, 30, 23, 30), {2024, 7, 1, 1, 0, 30, true}},
      {utc_minute(2024, 2, 29, 12, 0), {2024, 2, 29, 4, 12, 0, false}},
  };
  for (const Case& c : cases) {
    const MsfCivilMinute got = msf_local_time(c.utc);
    EXPECT_EQ(got.year, c.local.year);
    EXPECT_EQ(got.month, c.local.month);
    EXPECT_EQ(got.day, c.local.day);
    EXPECT_EQ(got.weekday, c.local.weekday);
    EXPECT_EQ(got.hour, c.local.hour);
    EXPECT_EQ(got.minute, c.local.minute);
    EXPECT_EQ(got.summer, c.local.summer);
  }
}

// 53B is set in the frames sent during the hour before a change; 58B tells
// whether the carried minute is in BST.
TEST(MsfEncoderTest, AnnouncesAndCarriesSummerTimeChanges) {
  for (const sys_minutes change : {utc_minute(2024, 3, 31, 1, 0), utc_minute(2024, 10, 27, 1, 0)}) {
    const sys_minutes first = change - 62min;
    const std::vector<MsfFrame> frames = msf_frames(first, 64, {});
    for (int k = 0; k < 64; ++k) {
      const sys_minutes sent = first + minutes{k};
      const bool announced = sent >= change - 60min && sent < change;
      EXPECT_EQ(frames[k].b[53], announced) << k;
      EXPECT_EQ(frames[k].b[58], msf_local_time(sent + 1min).summer) << k;
    }
    // The frame sent in the last minute before the change carries the new time.
    EXPECT_NE(frames[61].b[58], frames[60].b[58]);
  }
}

TEST(MsfEncoderTest, PositiveLeapSecondInsertsIndex17) {
  MsfOptions options;
  options.leap_second_before = std::chrono::sys_seconds{utc_minute(2017, 1, 1, 0, 0)};
  options.dut1 = -4;
  const std::vector<MsfFrame> frames = msf_frames(utc_minute(2016, 12, 31, 23, 58), 3, options);
  EXPECT_EQ(frames[0].length, 60);
  EXPECT_EQ(frames[2].length, 60);
  ASSERT_EQ(frames[1].length, 61);
  // Carries Sunday 2017-01-01 00:00 GMT: year 17 = 0001 0111, month 1, day 1,
  // weekday 0, hour 0, minute 0; parities 54B = 1 (4 ones), 55B = 1 (2 ones),
  // 56B = 1, 57B = 1.
  EXPECT_EQ(bit_line(frames[1]),
            "4"
            "00000000"
            "22220000"
            "0"
            "00010111"
            "00001"
            "000001"
            "000"
            "000000"
            "0000000"
            "01333310");
}

TEST(MsfEncoderTest, NegativeLeapSecondDropsIndex16) {
  MsfOptions options;
  options.leap_second_before = std::chrono::sys_seconds{utc_minute(2017, 1, 1, 0, 0)};
  options.negative_leap = true;
  options.dut1 = -8;
  const std::vector<MsfFrame> frames = msf_frames(utc_minute(2016, 12, 31, 23, 59), 1, options);
  ASSERT_EQ(frames[0].length, 59);
  EXPECT_EQ(bit_line(frames[0]),
            "4"
            "00000000"
            "2222222"
            "00010111"
            "00001"
            "000001"
            "000"
            "000000"
            "0000000"
            "01333310");
  EXPECT_EQ(frames[0].a[59], std::nullopt);
}

struct Edge {
  bool is_high;
  std::uint32_t when;
  bool operator==(const Edge&) const = default;
};

std::vector<Edge> parse_edges(std::string_view log) {
  std::vector<Edge> edges;
  std::uint32_t expected_tick = 1;
  while (!log.empty()) {
    const std::size_t end = log.find('\n');
    const std::string line{log.substr(0, end)};
    log.remove_prefix(end + 1);
    char kind = 0;
    char level[8] = {};
    unsigned long when = 0;
    unsigned long tick = 0;
    EXPECT_EQ(std::sscanf(line.c_str(), "%c %7s %lu %lu", &kind, level, &when, &tick), 4) << line;
    EXPECT_EQ(kind, 'M');
    EXPECT_EQ(tick, expected_tick++);
    edges.push_back({std::string_view{level} == "true", static_cast<std::uint32_t>(when)});
  }
  return edges;
}

TEST(MsfEncoderTest, EdgeLogShapesEachKindOfSecond) {
  MsfOptions options;
  options.dut1 = -1;  // second 9: A = 0, B = 1
  const std::vector<MsfFrame> frames = msf_frames(utc_minute(2024, 7, 14, 14, 29), 1, options);
  const std::vector<Edge> edges = parse_edges(msf_edge_log(frames));
  // 60 seconds of one pulse, one more pulse in second 9, the closing edge.
  ASSERT_EQ(edges.size(), 2u * 61 + 1);
  EXPECT_EQ(edges[0], (Edge{true, 1000000}));
  EXPECT_EQ(edges[1], (Edge{false, 1500000}));  // minute marker
  EXPECT_EQ(edges[2], (Edge{true, 2000000}));
  EXPECT_EQ(edges[3], (Edge{false, 2100000}));  // second 1: 00
  // Second 9: 100 ms high, 100 ms low, 100 ms high.
  EXPECT_EQ(edges[18], (Edge{true, 10000000}));
  EXPECT_EQ(edges[19], (Edge{false, 10100000}));
  EXPECT_EQ(edges[20], (Edge{true, 10200000}));
  EXPECT_EQ(edges[21], (Edge{false, 10300000}));
  // Second 19 (A = 1, B = 0): 200 ms; shifted by the extra edges of second 9.
  EXPECT_EQ(edges[40], (Edge{true, 20000000}));
  EXPECT_EQ(edges[41], (Edge{false, 20200000}));
  // Second 54 (A = 1, B = 1): 300 ms.
  EXPECT_EQ(edges[110], (Edge{true, 55000000}));
  EXPECT_EQ(edges[111], (Edge{false, 55300000}));
  EXPECT_EQ(edges.back(), (Edge{true, 61000000}));
}

TEST(MsfEncoderTest, EdgeLogGlitchesAndCounterWrap) {
  const std::vector<MsfFrame> frames = msf_frames(utc_minute(2024, 7, 14, 14, 29), 2, {});
  MsfEdgeLogOptions options;
  options.start_us = 4294000000u;
  options.glitch_after_rise_us = 5000;
  options.glitch_after_minute_end_us = 7000;
  options.closing_edge = false;
  const std::vector<Edge> edges = parse_edges(msf_edge_log(frames, options));
  // Per second: rise, glitch fall, glitch rise, fall; per minute one more pair.
  ASSERT_EQ(edges.size(), 2u * (60 * 4 + 2));
  EXPECT_EQ(edges[0], (Edge{true, 4294000000u}));
  EXPECT_EQ(edges[1], (Edge{false, 4294005000u}));
  EXPECT_EQ(edges[2], (Edge{true, 4294010000u}));
  EXPECT_EQ(edges[3], (Edge{false, 4294500000u}));
  // Second 1 starts after the counter wrapped: 4295000000 - 2^32.
  EXPECT_EQ(edges[4], (Edge{true, 32704u}));
  // Second 59 (A = 0, B = 0) and the glitch after its falling edge.
  const std::uint32_t second_59 = 4294000000u + 59u * 1000000u;
  EXPECT_EQ(edges[236], (Edge{true, second_59}));
  EXPECT_EQ(edges[239], (Edge{false, second_59 + 100000}));
  EXPECT_EQ(edges[240], (Edge{true, second_59 + 107000}));
  EXPECT_EQ(edges[241], (Edge{false, second_59 + 114000}));
  EXPECT_EQ(edges[242], (Edge{true, second_59 + 1000000}));
}

TEST(MsfEncoderTest, BitLogWritesUndeterminedBitsAsUnderscore) {
  std::vector<MsfFrame> frames = msf_frames(utc_minute(2024, 7, 14, 14, 29), 2, {});
  frames[0].b[54] = std::nullopt;
  const std::string log = msf_bit_log(frames);
  ASSERT_EQ(log.size(), 2u * 61);
  EXPECT_EQ(log[54], '_');
  EXPECT_EQ(log[60], '\n');
  EXPECT_EQ(log[61], '4');
}

}  // namespace
}  // namespace quillfen
