#include "synth/dcf77_encoder.hpp"
#include "synth/utc_minute.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace quillfen {
namespace {

using namespace std::chrono;
using SysMinutes = sys_time<minutes>;

// The pulsed seconds of a frame as "0"/"1"/"_".
std::string pulsed_bits(const Dcf77Frame& frame) {
  std::string text;
  for (std::size_t s = 0; s + 1 < frame.length; ++s) {
    text += !frame.bits[s].has_value() ? '_' : (*frame.bits[s] ? '1' : '0');
  }
  return text;
}

bool bit(const Dcf77Frame& frame, std::size_t s) { return frame.bits[s].value(); }

int ones(const Dcf77Frame& frame, std::size_t first, std::size_t last) {
  int count = 0;
  for (std::size_t s = first; s <= last; ++s) {
    count += bit(frame, s) ? 1 : 0;
  }
  return count;
}

unsigned bcd(const Dcf77Frame& frame, std::size_t first, std::size_t count) {
  static constexpr unsigned kWeights[] = {1, 2, 4, 8, 10, 20, 40, 80};
  unsigned value = 0;
  for (std::size_t i = 0; i < count; ++i) {
    value += bit(frame, first + i) ? kWeights[i] : 0;
  }
  return value;
}

TEST(Dcf77EncoderTest, TuesdayFifthOfMarch2024At1437IsTheKnownFrame) {
  // 14:37 CET is 13:37 UTC; the frame carrying it is sent during 13:36 UTC.
  const auto frames = dcf77_frames(utc_minute(2024, 3, 5, 13, 36), 1);
  ASSERT_EQ(frames.size(), 1U);
  EXPECT_EQ(frames[0].length, 60);
  EXPECT_EQ(pulsed_bits(frames[0]), "00000000000000000010111101101001010010100001011000001001001");
  EXPECT_FALSE(frames[0].bits[59].has_value());
  EXPECT_FALSE(frames[0].bits[60].has_value());
}

TEST(Dcf77EncoderTest, EveryMinuteOfALeapDayHasItsFieldsAndEvenParities) {
  // Frames sent from 22:59 UTC on 28 February 2024 carry every minute of
  // Thursday 29 February (CET) and then 00:00 on 1 March.
  const auto frames = dcf77_frames(utc_minute(2024, 2, 28, 22, 59), 24 * 60 + 1);
  for (std::size_t k = 0; k < frames.size(); ++k) {
    SCOPED_TRACE(k);
    const Dcf77Frame& f = frames[k];
    ASSERT_EQ(f.length, 60);
    EXPECT_FALSE(bit(f, 0));
    EXPECT_EQ(ones(f, 1, 16), 0);  // no third party, call or announcement
    EXPECT_FALSE(bit(f, 17));
    EXPECT_TRUE(bit(f, 18));
    EXPECT_FALSE(bit(f, 19));
    EXPECT_TRUE(bit(f, 20));
    EXPECT_EQ(ones(f, 21, 28) % 2, 0);
    EXPECT_EQ(ones(f, 29, 35) % 2, 0);
    EXPECT_EQ(ones(f, 36, 58) % 2, 0);
    const bool last = k + 1 == frames.size();
    EXPECT_EQ(bcd(f, 21, 7), last ? 0 : k % 60);
    EXPECT_EQ(bcd(f, 29, 6), last ? 0 : k / 60);
    EXPECT_EQ(bcd(f, 36, 6), last ? 1U : 29U);
    EXPECT_EQ(bcd(f, 42, 3), last ? 5U : 4U);  // Thursday, then Friday
    EXPECT_EQ(bcd(f, 45, 5), last ? 3U : 2U);
    EXPECT_EQ(bcd(f, 50, 8), 24U);
  }
}

TEST(Dcf77EncoderTest, ThirdPartyAndCallBits) {
  Dcf77Options options;
  options.third_party = 0x2001;  // bits 1 and 14
  options.call_bit = true;
  const auto frames = dcf77_frames(utc_minute(2024, 3, 5, 13, 36), 1, options);
  EXPECT_EQ(pulsed_bits(frames[0]).substr(0, 16), "0100000000000011");
}

struct ChangeCase {
  const char* name;
  SysMinutes change;  // 01:00 UTC on the last Sunday of March or October
  bool summer_after;
  unsigned hour_before, hour_after;  // local hour of the minutes around it
};

TEST(Dcf77EncoderTest, SummerTimeChangesAreAnnouncedDuringTheHourBefore) {
  const ChangeCase cases[] = {
      {"spring 2025", utc_minute(2025, 3, 30, 1, 0), true, 1, 3},
      {"autumn 2025", utc_minute(2025, 10, 26, 1, 0), false, 2, 2},
      {"spring 2024", utc_minute(2024, 3, 31, 1, 0), true, 1, 3},
      {"autumn 2024", utc_minute(2024, 10, 27, 1, 0), false, 2, 2},
  };
  for (const ChangeCase& c : cases) {
    SCOPED_TRACE(c.name);
    // Frames sent from 62 minutes before the change to 2 minutes after it.
    const SysMinutes first = c.change - minutes{62};
    const auto frames = dcf77_frames(first, 64);
    for (std::size_t k = 0; k < frames.size(); ++k) {
      SCOPED_TRACE(k);
      const SysMinutes sent = first + minutes{k};
      const bool announced = sent >= c.change - minutes{60} && sent < c.change;
      EXPECT_EQ(bit(frames[k], 16), announced);
      const bool carries_new_offset = sent + minutes{1} >= c.change;
      const bool summer = carries_new_offset ? c.summer_after : !c.summer_after;
      EXPECT_EQ(bit(frames[k], 17), summer);
      EXPECT_EQ(bit(frames[k], 18), !summer);
    }
    // The frame sent during the last minute before the change carries the
    // first minute after it: the hour skips (spring) or repeats (autumn).
    const Dcf77Frame& before = frames[60];
    const Dcf77Frame& at = frames[61];
    EXPECT_EQ(bcd(before, 29, 6), c.hour_before);
    EXPECT_EQ(bcd(before, 21, 7), 59U);
    EXPECT_EQ(bcd(at, 29, 6), c.hour_after);
    EXPECT_EQ(bcd(at, 21, 7), 0U);
  }
}

TEST(Dcf77EncoderTest, LeapSecondIsAnnouncedForAnHourAndInsertedAtTheEnd) {
  const SysMinutes leap = utc_minute(2017, 1, 1, 0, 0);
  for (const bool missing : {false, true}) {
    SCOPED_TRACE(missing);
    Dcf77Options options;
    options.leap_second_before = sys_seconds{leap};
    options.leap_second_missing = missing;
    const SysMinutes first = leap - minutes{62};
    const auto frames = dcf77_frames(first, 64, options);
    for (std::size_t k = 0; k < frames.size(); ++k) {
      SCOPED_TRACE(k);
      const SysMinutes sent = first + minutes{k};
      EXPECT_EQ(bit(frames[k], 19), sent >= leap - minutes{60} && sent < leap);
      const bool long_minute = !missing && sent == leap - minutes{1};
      EXPECT_EQ(frames[k].length, long_minute ? 61 : 60);
      EXPECT_EQ(frames[k].bits[59], long_minute ? Bit{false} : Bit{});
    }
    // The 61-second minute carries 01:00 CET on Sunday 1 January 2017.
    const Dcf77Frame& f = frames[61];
    EXPECT_EQ(bcd(f, 29, 6), 1U);
    EXPECT_EQ(bcd(f, 21, 7), 0U);
    EXPECT_EQ(bcd(f, 36, 6), 1U);
    EXPECT_EQ(bcd(f, 42, 3), 7U);
    EXPECT_EQ(bcd(f, 50, 8), 17U);
  }
}

TEST(Dcf77EncoderTest, NoFramesForANonPositiveCount) {
  EXPECT_TRUE(dcf77_frames(utc_minute(2024, 1, 1, 0, 0), 0).empty());
  EXPECT_TRUE(dcf77_frames(utc_minute(2024, 1, 1, 0, 0), -3).empty());
}

TEST(Dcf77EncoderTest, LocalTimeFollowsTheSummerTimeRules) {
  struct Case {
    SysMinutes utc;
    CivilMinute local;
  };
  const Case cases[] = {
      {utc_minute(2024, 3, 5, 13, 37), {2024, 3, 5, 2, 14, 37, false}},
      {utc_minute(2024, 12, 31, 23, 30), {2025, 1, 1, 3, 0, 30, false}},
      {utc_minute(2025, 3, 30, 0, 59), {2025, 3, 30, 7, 1, 59, false}},
      {utc_minute(2025, 3, 30, 1, 0), {2025, 3, 30, 7, 3, 0, true}},
      {utc_minute(2025, 10, 26, 0, 59), {2025, 10, 26, 7, 2, 59, true}},
      {utc_minute(2025, 10, 26, 1, 0), {2025, 10, 26, 7, 2, 0, false}},
      {utc_minute(2024, 6, 30, 22, 0), {2024, 7, 1, 1, 0, 0, true}},
      {utc_minute(2024, 2, 28, 23, 0), {2024, 2, 29, 4, 0, 0, false}},
  };
  for (const Case& c : cases) {
    const CivilMinute got = dcf77_local_time(c.utc);
    EXPECT_EQ(got.year, c.local.year);
    EXPECT_EQ(got.month, c.local.month);
    EXPECT_EQ(got.day, c.local.day);
    EXPECT_EQ(got.weekday, c.local.weekday);
    EXPECT_EQ(got.hour, c.local.hour);
    EXPECT_EQ(got.minute, c.local.minute);
    EXPECT_EQ(got.summer, c.local.summer);
  }
}

TEST(Dcf77EncoderTest, BitLogHasOneLinePerFrameWithoutTheUnpulsedSecond) {
  const SysMinutes leap = utc_minute(2017, 1, 1, 0, 0);
  Dcf77Options options;
  options.leap_second_before = sys_seconds{leap};
  auto frames = dcf77_frames(leap - minutes{2}, 2, options);
  frames[0].bits[3] = std::nullopt;
  const std::string log = dcf77_bit_log(frames);
  const std::size_t first_end = log.find('\n');
  ASSERT_EQ(first_end, 59U);
  EXPECT_EQ(log.size(), 59U + 1U + 60U + 1U);
  EXPECT_EQ(log.substr(0, 59), pulsed_bits(frames[0]));
  EXPECT_EQ(log[3], '_');
  EXPECT_EQ(log.substr(60, 60), pulsed_bits(frames[1]));
  EXPECT_EQ(log[60 + 59], '0');  // the inserted leap second
  EXPECT_EQ(log.back(), '\n');
}

TEST(Dcf77EncoderTest, EdgeLogHasAPulsePerMarkedSecondAndClosesTheLastMinute) {
  auto frames = dcf77_frames(utc_minute(2024, 3, 5, 13, 36), 1);
  frames[0].bits[2] = std::nullopt;
  const std::string log = dcf77_edge_log(frames);
  // 59 pulses of two edges, then the rising edge of the next second 0.
  const std::string head =
      "D true 1000000 0\n"
      "D false 1100000 1\n"  // bit 0 = 0
      "D true 2000000 2\n"
      "D false 2100000 3\n"  // bit 1 = 0
      "D true 3000000 4\n"
      "D false 3300000 5\n";  // bit 2 undetermined
  EXPECT_EQ(log.substr(0, head.size()), head);
  // Second 20 is 1: 200 ms.
  EXPECT_NE(log.find("D true 21000000 40\nD false 21200000 41\n"), std::string::npos);
  // Second 58 is the last pulse; second 59 is silent; the next minute starts
  // at second 60.
  const std::string tail =
      "D true 59000000 116\n"
      "D false 59200000 117\n"  // bit 58, the date parity, is 1
      "D true 61000000 118\n";
  ASSERT_GE(log.size(), tail.size());
  EXPECT_EQ(log.substr(log.size() - tail.size()), tail);
}

TEST(Dcf77EncoderTest, EdgeLogOptionsShapeTheEdges) {
  const auto frames = dcf77_frames(utc_minute(2024, 3, 5, 13, 36), 2);
  EdgeLogOptions options;
  options.start_us = 4294967295U - 1500000U;  // the counter wraps during second 1
  options.zero_us = 120000;
  options.glitch_after_rise_us = 5000;
  options.skip_seconds = 1;
  const std::string log = dcf77_edge_log(frames, options);
  const std::string head =
      "D true 4294467295 0\n"  // second 1 starts 1000000 after second 0
      "D false 4294472295 1\n"
      "D true 4294477295 2\n"
      "D false 4294587295 3\n"
      "D true 499999 4\n"  // wrapped: second 2
      "D false 504999 5\n"
      "D true 509999 6\n"
      "D false 619999 7\n";
  EXPECT_EQ(log.substr(0, head.size()), head);
  // Two minutes of 59 pulses, less the skipped one, four edges each, and the
  // closing edge.
  std::size_t lines = 0;
  for (const char c : log) {
    lines += c == '\n' ? 1 : 0;
  }
  EXPECT_EQ(lines, (2U * 59U - 1U) * 4U + 1U);
}

TEST(Dcf77EncoderTest, EdgeLogOfNoFramesIsEmpty) { EXPECT_EQ(dcf77_edge_log({}), ""); }

}  // namespace
}  // namespace quillfen
