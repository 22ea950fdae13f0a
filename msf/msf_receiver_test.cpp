#include "msf/msf_receiver.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "synth/msf_encoder.hpp"
#include "synth/utc_minute.hpp"

namespace quillfen {
namespace {

void expect_clock_shows(const DateTimeRecord& clock, sys_minutes carried) {
  const MsfCivilMinute civil = msf_local_time(carried);
  EXPECT_EQ(clock.year(), civil.year % 100);
  EXPECT_EQ(clock.month(), civil.month);
  EXPECT_EQ(clock.day(), civil.day);
  EXPECT_EQ(clock.weekday(), civil.weekday);
  EXPECT_EQ(clock.hour(), civil.hour);
  EXPECT_EQ(clock.minute(), civil.minute);
}

// A step kept for later, with a copy of the minute the receiver lent with it.
template <typename Step>
struct Kept : Step {
  std::optional<MsfMinute> kept_minute;
};

template <typename Step>
Kept<Step> keep(const Step& step) {
  Kept<Step> kept;
  static_cast<Step&>(kept) = step;
  if (step.minute) kept.kept_minute = *step.minute;
  kept.minute = {};
  return kept;
}

std::vector<Kept<MsfBitStep>> bit_steps(MsfReceiver& receiver, std::string_view log) {
  std::vector<Kept<MsfBitStep>> steps;
  for (const char c : log) steps.push_back(keep(receiver.take_bit(c)));
  return steps;
}

TEST(MsfReceiverBits, AMinuteEndsAtItsLastSecond) {
  // 2024-07-14 15:30 BST with DUT1 +2, sent from 14:29 UTC.
  MsfOptions options;
  options.dut1 = 2;
  const std::vector<MsfFrame> frames = msf_frames(utc_minute(2024, 7, 14, 14, 29), 1, options);
  std::string log = msf_bit_log(frames);
  ASSERT_EQ(log.back(), '\n');
  MsfReceiver receiver(false);
  const auto steps = bit_steps(receiver, log);
  ASSERT_EQ(steps.size(), 61u);
  for (std::size_t s = 0; s < 60; ++s) {
    ASSERT_TRUE(steps[s].echo.has_value()) << s;
    EXPECT_EQ(steps[s].echo->second, s);
    EXPECT_EQ(steps[s].kept_minute.has_value(), s == 59);
    EXPECT_EQ(steps[s].end_of_minute, s == 59);
    EXPECT_FALSE(steps[s].wrong_length.has_value() || steps[s].wrapped);
  }
  // The line feed means nothing here.
  EXPECT_FALSE(steps[60].echo || steps[60].kept_minute || steps[60].end_of_minute);

  const MsfMinute& minute = *steps[59].kept_minute;
  EXPECT_EQ(minute.seconds, 60);
  EXPECT_EQ(minute.reading.minute_length, 60);
  EXPECT_TRUE(minute.reading.marker_complete);
  EXPECT_FALSE(minute.reading.first_minute);
  expect_clock_shows(minute.reading.clock, utc_minute(2024, 7, 14, 14, 30));
  EXPECT_EQ(minute.reading.clock.dut1(), 2);
  ASSERT_TRUE(minute.reading.utc.has_value());
  EXPECT_EQ(minute.reading.utc->hour(), 14);
  for (const ParityCheck parity :
       {minute.reading.year_parity, minute.reading.month_day_parity, minute.reading.weekday_parity,
        minute.reading.hour_minute_parity}) {
    EXPECT_EQ(parity, ParityCheck::Good);
  }
}

TEST(MsfReceiverBits, MisplacedMarkersAreMinutesOfTheWrongLength) {
  const std::vector<MsfFrame> frames = msf_frames(utc_minute(2024, 7, 14, 14, 29), 2, {});
  const std::string log = msf_bit_log(frames);
  const std::string first = log.substr(0, 61);  // "4", 59 digits, "\n"
  const std::string second = log.substr(61);

  {
    // The log begins 23 seconds before the end of a minute: the marker is
    // complete after 23 seconds.
    MsfReceiver receiver(false);
    const auto steps = bit_steps(receiver, first.substr(37) + second);
    EXPECT_EQ(steps[22].wrong_length, (MinuteLength{23, 60}));
    EXPECT_TRUE(steps[22].end_of_minute);
    EXPECT_FALSE(steps[22].kept_minute.has_value());
  }
  {
    // A minute whose last eight A bits are not the marker: reported at its
    // last second, then the counter runs past its end; two such minutes make
    // the next minute marker 119 seconds after the last completed marker.
    std::string bad = first;
    bad[59] = '3';  // 59A = 1 instead of 0
    MsfReceiver receiver(false);
    const auto steps = bit_steps(receiver, first + bad + bad + second);
    std::vector<std::size_t> minutes, wraps;
    std::vector<MinuteLength> lengths;
    for (std::size_t i = 0; i < steps.size(); ++i) {
      if (steps[i].kept_minute) minutes.push_back(i);
      if (steps[i].wrapped) wraps.push_back(i);
      if (steps[i].wrong_length) lengths.push_back(*steps[i].wrong_length);
    }
    EXPECT_EQ(minutes, (std::vector<std::size_t>{59, 120, 181, 242}));
    EXPECT_EQ(wraps, (std::vector<std::size_t>{120, 181}));
    EXPECT_EQ(lengths, (std::vector<MinuteLength>{{119, 60}}));
    EXPECT_FALSE(steps[120].kept_minute->reading.marker_complete);
  }
}

TEST(MsfReceiverBits, ResetMakesANewDecoder) {
  MsfReceiver receiver(true);
  bit_steps(receiver, msf_bit_log(msf_frames(utc_minute(2024, 7, 14, 14, 29), 1, {})));
  ASSERT_FALSE(receiver.decoder().get_first_minute());
  const MsfBitStep step = receiver.take_bit('*');
  EXPECT_TRUE(step.reset);
  EXPECT_EQ(receiver.decoder(), MsfDecoder());
}

std::vector<Kept<MsfEdgeStep>> edge_steps(MsfReceiver& receiver, std::string_view log) {
  std::vector<Kept<MsfEdgeStep>> steps;
  while (!log.empty()) {
    const std::size_t end = log.find('\n');
    const std::string line{log.substr(0, end)};
    log.remove_prefix(end == std::string_view::npos ? log.size() : end + 1);
    char level[8] = {};
    unsigned long when = 0;
    unsigned long tick = 0;
    EXPECT_EQ(std::sscanf(line.c_str(), "M %7s %lu %lu", level, &when, &tick), 3) << line;
    steps.push_back(keep(
        receiver.take_edge(std::string_view{level} == "true", static_cast<std::uint32_t>(when))));
  }
  return steps;
}

TEST(MsfReceiverEdges, EdgeLinesAndMinutesOfACleanLog) {
  const sys_minutes first = utc_minute(2025, 1, 6, 14, 3);
  const std::vector<MsfFrame> frames = msf_frames(first, 3, {});
  MsfReceiver receiver(true);
  const auto steps = edge_steps(receiver, msf_edge_log(frames));
  EXPECT_EQ(steps.front().measure.fate, EdgeFate::First);
  std::vector<MsfMinute> minutes;
  std::vector<std::uint8_t> line_seconds;
  for (const auto& step : steps) {
    EXPECT_NE(step.measure.fate, EdgeFate::Spike);
    EXPECT_FALSE(step.wrapped);
    if (step.edge_line) {
      EXPECT_TRUE(step.measure.is_high);
      EXPECT_EQ(step.edge_line->elapsed, 1000000u);
      line_seconds.push_back(step.edge_line->second);
    }
    if (step.kept_minute) {
      // At the falling edge that completes the marker, second 59 running.
      EXPECT_FALSE(step.measure.is_high);
      EXPECT_FALSE(step.edge_line.has_value());
      minutes.push_back(*step.kept_minute);
    }
  }
  // Every second of the three minutes ends with an edge line.
  ASSERT_EQ(line_seconds.size(), 180u);
  for (std::size_t i = 0; i < line_seconds.size(); ++i) {
    EXPECT_EQ(line_seconds[i], i % 60) << i;
  }
  ASSERT_EQ(minutes.size(), 3u);
  for (std::size_t k = 0; k < 3; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(minutes[k].seconds, 60);
    EXPECT_TRUE(minutes[k].reading.marker_complete);
    expect_clock_shows(minutes[k].reading.clock, first + std::chrono::minutes{k + 1});
  }
}

TEST(MsfReceiverEdges, AGlitchAfterTheMarkerIsASpikeAndNoSecondMinute) {
  const std::vector<MsfFrame> frames = msf_frames(utc_minute(2025, 1, 6, 14, 3), 2, {});
  MsfEdgeLogOptions options;
  options.glitch_after_minute_end_us = 4000;
  MsfReceiver receiver(true);
  int spikes = 0;
  int minutes = 0;
  for (const auto& step : edge_steps(receiver, msf_edge_log(frames, options))) {
    if (step.measure.fate == EdgeFate::Spike) {
      ++spikes;
      EXPECT_FALSE(step.edge_line || step.kept_minute);
    }
    minutes += step.kept_minute ? 1 : 0;
  }
  EXPECT_EQ(spikes, 2 * 2);
  EXPECT_EQ(minutes, 2);
}

}  // namespace
}  // namespace quillfen
