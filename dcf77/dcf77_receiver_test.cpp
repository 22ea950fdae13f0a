#include "dcf77/dcf77_receiver.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "synth/dcf77_encoder.hpp"
#include "synth/utc_minute.hpp"

namespace quillfen {
namespace {

using namespace std::chrono;
using SysMinutes = sys_time<minutes>;

// Tuesday 5 March 2024, 14:37 CET, no announcements, third-party bits 0.
constexpr std::string_view kMinute1437 =
    "00000000000000000010111101101001010010100001011000001001001";

void expect_clock_shows(const DateTimeRecord& clock, const CivilMinute& civil) {
  EXPECT_EQ(clock.year(), civil.year % 100);
  EXPECT_EQ(clock.month(), civil.month);
  EXPECT_EQ(clock.day(), civil.day);
  EXPECT_EQ(clock.weekday(), civil.weekday);
  EXPECT_EQ(clock.hour(), civil.hour);
  EXPECT_EQ(clock.minute(), civil.minute);
}

TEST(Dcf77ReceiverBits, AWholeMinuteIsDecodedAtItsLineFeed) {
  for (const bool strict : {false, true}) {
    Dcf77Receiver receiver(strict);
    const std::string log = std::string(kMinute1437) + "\n";
    std::vector<Dcf77BitStep> steps;
    for (const char c : log) steps.push_back(receiver.take_bit(c));

    ASSERT_EQ(steps.size(), 60u);
    for (std::size_t s = 0; s < steps.size(); ++s) {
      ASSERT_TRUE(steps[s].echo.has_value()) << s;
      EXPECT_EQ(steps[s].echo->character, log[s]);
      EXPECT_EQ(steps[s].echo->second, s);  // stored at the second it arrived in
      EXPECT_FALSE(steps[s].wrapped);
      EXPECT_EQ(steps[s].minute.has_value(), s == 59);
    }
    const Dcf77Minute& minute = *steps.back().minute;
    EXPECT_EQ(minute.seconds, 60);
    EXPECT_FALSE(minute.wrong_length.has_value());
    EXPECT_EQ(minute.third_party, std::optional<std::uint16_t>(0));
    EXPECT_FALSE(minute.wrapped);
    ASSERT_TRUE(minute.reading.has_value());
    const Dcf77Reading& reading = *minute.reading;
    EXPECT_FALSE(reading.first_minute);
    EXPECT_EQ(reading.this_minute_length, 60);
    EXPECT_EQ(reading.next_minute_length, 60);
    expect_clock_shows(reading.clock, {2024, 3, 5, 2, 14, 37, false});
    ASSERT_TRUE(reading.utc.has_value());
    EXPECT_EQ(reading.utc->hour(), 13);
    EXPECT_EQ(reading.minute_parity, ParityCheck::Good);
    EXPECT_EQ(reading.hour_parity, ParityCheck::Good);
    EXPECT_EQ(reading.date_parity, ParityCheck::Good);
    EXPECT_EQ(reading.bit_0, Bit{false});
    EXPECT_EQ(reading.call_bit, Bit{false});
    EXPECT_EQ(reading.bit_20, Bit{true});
    EXPECT_EQ(reading.clock, receiver.decoder().get_datetime());
  }
}

TEST(Dcf77ReceiverBits, IgnoredCharactersAndResets) {
  Dcf77Receiver receiver(false);
  for (const char c : std::string_view("x \r\t9\x80")) {
    const Dcf77BitStep step = receiver.take_bit(c);
    EXPECT_FALSE(step.reset || step.echo || step.wrapped || step.minute) << int{c};
  }
  receiver.take_bit('1');
  receiver.take_bit('0');
  EXPECT_EQ(receiver.decoder().get_second(), 2);
  const Dcf77BitStep reset = receiver.take_bit('*');
  EXPECT_TRUE(reset.reset);
  EXPECT_FALSE(reset.echo || reset.minute);
  EXPECT_EQ(receiver.decoder().get_second(), 0);
  EXPECT_FALSE(receiver.decoder().get_first_minute());  // a reset is no first minute
}

TEST(Dcf77ReceiverBits, MinutesOfTheWrongLength) {
  const std::string m37(kMinute1437);
  struct Case {
    std::string log;
    std::uint8_t seconds;
    bool decoded;
    bool wrapped;
  };
  std::string lost = m37.substr(1);
  lost.push_back('\n');
  std::string extra = m37;
  extra.append("1\n");
  const Case cases[] = {
      // One bit lost: too short to decode.
      {lost, 59, false, false},
      // Three seconds of a minute: the log began late.
      {"001\n", 4, false, false},
      // One bit too many: stored at second 59, where the counter runs past
      // the minute's end and starts over, so the line feed finds second 0.
      {extra, 1, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.log);
    Dcf77Receiver receiver(false);
    bool wrapped_step = false;
    std::optional<Dcf77Minute> minute;
    for (const char ch : c.log) {
      const Dcf77BitStep step = receiver.take_bit(ch);
      wrapped_step = wrapped_step || step.wrapped;
      if (step.minute) minute = *step.minute;
    }
    ASSERT_TRUE(minute.has_value());
    EXPECT_EQ(minute->seconds, c.seconds);
    EXPECT_EQ(minute->wrong_length, (MinuteLength{c.seconds, 60}));
    EXPECT_EQ(minute->reading.has_value(), c.decoded);
    EXPECT_EQ(minute->wrapped, c.wrapped);
    EXPECT_EQ(wrapped_step, c.wrapped);
  }
}

// A step kept for later, with a copy of the minute the receiver lent with it.
struct KeptStep : Dcf77EdgeStep {
  std::optional<Dcf77Minute> kept_minute;
};

// Feeds an edge log made by the encoder ("D true|false <when> <tick>" lines)
// and returns every step.
std::vector<KeptStep> edge_steps(Dcf77Receiver& receiver, std::string_view log) {
  std::vector<KeptStep> steps;
  while (!log.empty()) {
    const std::size_t end = log.find('\n');
    const std::string line(log.substr(0, end));
    log.remove_prefix(end == std::string_view::npos ? log.size() : end + 1);
    const bool is_high = line.rfind("D true ", 0) == 0;
    const std::size_t when_at = line.find(' ', 2) + 1;
    KeptStep kept;
    static_cast<Dcf77EdgeStep&>(kept) =
        receiver.take_edge(is_high, static_cast<std::uint32_t>(std::stoul(line.substr(when_at))));
    if (kept.minute) kept.kept_minute = *kept.minute;
    kept.minute = {};
    steps.push_back(kept);
  }
  return steps;
}

TEST(Dcf77ReceiverEdges, EveryEdgeOfThreeCleanMinutes) {
  const SysMinutes first = utc_minute(2024, 3, 5, 13, 36);
  const std::vector<Dcf77Frame> frames = dcf77_frames(first, 3);
  Dcf77Receiver receiver(true);
  const std::vector<KeptStep> steps = edge_steps(receiver, dcf77_edge_log(frames));

  // Per minute 59 pulses of two edges, and the closing rising edge.
  ASSERT_EQ(steps.size(), 3u * 59 * 2 + 1);
  EXPECT_EQ(steps[0].measure.fate, EdgeFate::First);
  int second_lines = 0;
  int counter_lines = 0;
  std::vector<Dcf77Minute> decoded;
  for (std::size_t i = 1; i < steps.size(); ++i) {
    const KeptStep& step = steps[i];
    EXPECT_EQ(step.measure.fate, EdgeFate::Taken);
    EXPECT_FALSE(step.wrapped);
    if (step.second_line) {
      // A rising edge ends the second before it, a second after the last;
      // the line of the unpulsed second 59 counts from the end of the pulse
      // of second 58 (100 or 200 ms after its start).
      EXPECT_TRUE(step.measure.is_high);
      if (step.second_line->second == 59) {
        EXPECT_TRUE(step.second_line->elapsed == 1800000u || step.second_line->elapsed == 1900000u)
            << step.second_line->elapsed;
      } else {
        EXPECT_EQ(step.second_line->elapsed, 1000000u);
      }
      ++second_lines;
    }
    if (step.counter) {
      // After the marker of second 58 the receiver steps into second 59.
      ASSERT_TRUE(step.last_second_line.has_value());
      EXPECT_EQ(step.last_second_line->second, 58);
      EXPECT_EQ(step.counter->second, 59);
      EXPECT_TRUE(step.counter->increased);
      EXPECT_FALSE(step.counter->new_minute);
      EXPECT_FALSE(step.measure.is_high);
      ++counter_lines;
    }
    if (step.kept_minute) decoded.push_back(*step.kept_minute);
  }
  EXPECT_EQ(counter_lines, 3);
  EXPECT_EQ(second_lines, 3 * 59);
  ASSERT_EQ(decoded.size(), 3u);
  for (int k = 0; k < 3; ++k) {
    SCOPED_TRACE(k);
    const Dcf77Minute& minute = decoded[static_cast<std::size_t>(k)];
    EXPECT_EQ(minute.seconds, 60);
    ASSERT_TRUE(minute.reading.has_value());
    expect_clock_shows(minute.reading->clock, dcf77_local_time(first + minutes{k + 1}));
    EXPECT_FALSE(minute.reading->first_minute);
  }
}

TEST(Dcf77ReceiverEdges, SpikesOnlyShowAsMeasuredEdges) {
  // A clean minute, then the same with a 5 ms glitch pair after every rise.
  const std::vector<Dcf77Frame> frames = dcf77_frames(utc_minute(2024, 3, 5, 13, 36), 2);
  Dcf77Receiver clean(true);
  EdgeLogOptions glitchy_options;
  glitchy_options.glitch_after_rise_us = 5000;
  Dcf77Receiver glitchy(true);
  const std::vector<KeptStep> clean_steps = edge_steps(clean, dcf77_edge_log(frames));
  const std::vector<KeptStep> glitchy_steps =
      edge_steps(glitchy, dcf77_edge_log(frames, glitchy_options));
  std::vector<KeptStep> taken;
  int spikes = 0;
  for (const KeptStep& step : glitchy_steps) {
    if (step.measure.fate == EdgeFate::Spike) {
      ++spikes;
      EXPECT_EQ(step.measure.gap, 5000u);
      EXPECT_FALSE(step.last_second_line || step.counter || step.second_line || step.kept_minute);
    } else {
      taken.push_back(step);
    }
  }
  EXPECT_EQ(spikes, 2 * 2 * 59);
  ASSERT_EQ(taken.size(), clean_steps.size());
  for (std::size_t i = 0; i < taken.size(); ++i) {
    EXPECT_EQ(taken[i].second_line.has_value(), clean_steps[i].second_line.has_value()) << i;
    EXPECT_EQ(taken[i].kept_minute, clean_steps[i].kept_minute) << i;
  }
  EXPECT_EQ(glitchy.decoder().get_datetime(), clean.decoder().get_datetime());
}

}  // namespace
}  // namespace quillfen
