#include "synth/edge_synthesizer.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iterator>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "synth/dcf77_encoder.hpp"
#include "synth/msf_encoder.hpp"
#include "synth/transmitter.hpp"

namespace quillfen {
namespace {

using namespace std::chrono;
using Minutes = sys_time<minutes>;

const Minutes kFirst = Minutes{sys_days{2016y / December / 31}} + 23h + 57min;
constexpr std::int64_t kSecond = 1000000;

std::vector<SentMinute> minutes_of(SynthStation station, int count) {
  TransmitterSettings settings;
  settings.station = station;
  settings.leap_seconds = leap_schedule({});
  return sent_minutes(settings, kFirst, count);
}

std::vector<Edge> edges_of(SynthStation station, const FaultSettings& faults,
                           const std::vector<SentMinute>& minutes_, std::uint64_t seed = 1) {
  EdgeSynthesizer synthesizer(station, faults, seed);
  std::vector<Edge> edges;
  std::int64_t start = 0;
  for (const SentMinute& minute : minutes_) {
    synthesizer.add_minute(minute, start, edges);
    start += minute.length * kSecond;
  }
  synthesizer.finish(start, edges);
  return edges;
}

// The edges of an encoder's edge log whose counter starts at 0.
std::vector<Edge> encoder_edges(const std::string& log) {
  std::vector<Edge> edges;
  std::size_t at = 0;
  while (at < log.size()) {
    const std::size_t end = log.find('\n', at);
    const std::string line = log.substr(at, end - at);
    const bool high = line.substr(2, 4) == "true";
    const std::size_t when_at = high ? 7 : 8;
    edges.push_back({std::stoll(line.substr(when_at, line.find(' ', when_at) - when_at)), high});
    at = end + 1;
  }
  return edges;
}

// Around the 2016 leap second (a 61-second minute in both stations).
TEST(EdgeSynthesizerTest, CleanSignalIsTheEncodersEdgeLog) {
  const FaultSettings none;
  Dcf77Options dcf77;
  dcf77.leap_second_before = sys_seconds{sys_days{2017y / January / 1}};
  EdgeLogOptions dcf77_log;
  dcf77_log.start_us = 0;
  EXPECT_EQ(edges_of(SynthStation::Dcf77, none, minutes_of(SynthStation::Dcf77, 5)),
            encoder_edges(dcf77_edge_log(dcf77_frames(kFirst, 5, dcf77), dcf77_log)));
  MsfOptions msf;
  msf.leap_second_before = dcf77.leap_second_before;
  MsfEdgeLogOptions msf_log;
  msf_log.start_us = 0;
  EXPECT_EQ(edges_of(SynthStation::Msf, none, minutes_of(SynthStation::Msf, 5)),
            encoder_edges(msf_edge_log(msf_frames(kFirst, 5, msf), msf_log)));
}

// Pulse lengths between a rising edge and the falling edge after it.
std::vector<std::int64_t> pulse_lengths(const std::vector<Edge>& edges) {
  std::vector<std::int64_t> lengths;
  for (std::size_t i = 0; i + 1 < edges.size(); ++i) {
    if (edges[i].is_high && !edges[i + 1].is_high) {
      lengths.push_back(edges[i + 1].at_us - edges[i].at_us);
    }
  }
  return lengths;
}

TEST(EdgeSynthesizerTest, BiasLengthensEveryPulse) {
  FaultSettings faults;
  faults.pulse_bias_us = 30000;
  const auto minutes_ = minutes_of(SynthStation::Dcf77, 3);
  const auto clean = pulse_lengths(edges_of(SynthStation::Dcf77, FaultSettings{}, minutes_));
  const auto biased = pulse_lengths(edges_of(SynthStation::Dcf77, faults, minutes_));
  ASSERT_EQ(clean.size(), biased.size());
  for (std::size_t i = 0; i < clean.size(); ++i) {
    EXPECT_EQ(biased[i], clean[i] + 30000) << i;
    EXPECT_TRUE(biased[i] == 130000 || biased[i] == 230000) << i;
  }
  // Shortened to nothing: no pulses, only the closing edge.
  faults.pulse_bias_us = -300000;
  EXPECT_EQ(edges_of(SynthStation::Dcf77, faults, minutes_).size(), 1U);
}

TEST(EdgeSynthesizerTest, JitterMovesEachEdgeWithinItsBound) {
  FaultSettings faults;
  faults.jitter_us = 5000;
  const auto minutes_ = minutes_of(SynthStation::Msf, 4);
  const auto clean = edges_of(SynthStation::Msf, FaultSettings{}, minutes_);
  const auto jittered = edges_of(SynthStation::Msf, faults, minutes_);
  ASSERT_EQ(clean.size(), jittered.size());
  std::size_t moved = 0;
  for (std::size_t i = 0; i < clean.size(); ++i) {
    EXPECT_EQ(jittered[i].is_high, clean[i].is_high);
    EXPECT_LE(std::abs(jittered[i].at_us - clean[i].at_us), 5000) << i;
    moved += jittered[i].at_us != clean[i].at_us ? 1 : 0;
    if (i > 0) {
      EXPECT_LT(jittered[i - 1].at_us, jittered[i].at_us);
    }
  }
  EXPECT_GT(moved, clean.size() / 2);
}

// Every edge of the result alternates in level and comes in time order,
// whatever the faults do.
void expect_well_formed(const std::vector<Edge>& edges) {
  for (std::size_t i = 0; i < edges.size(); ++i) {
    EXPECT_EQ(edges[i].is_high, i % 2 == 0) << i;
    if (i > 0) {
      EXPECT_LT(edges[i - 1].at_us, edges[i].at_us) << i;
    }
  }
}

TEST(EdgeSynthesizerTest, SpikesAndRingingAreShortInversions) {
  FaultSettings faults;
  faults.spike_rate = 1;
  faults.ringing_rate = 0.5;
  faults.glitch = {2000, 3000};
  const auto minutes_ = minutes_of(SynthStation::Dcf77, 3);
  const auto clean = edges_of(SynthStation::Dcf77, FaultSettings{}, minutes_);
  const auto glitched = edges_of(SynthStation::Dcf77, faults, minutes_);
  expect_well_formed(glitched);
  // At least one spike a second adds two edges; ringing adds more.
  EXPECT_GE(glitched.size(), clean.size() + 2 * 180);
  // An inversion toggles the level twice within a glitch length, so every
  // edge time that differs between the two signals has another differing one
  // at most a glitch length away: a spike is two edges, or moves a clean edge.
  std::vector<std::int64_t> clean_times, glitched_times, differing;
  for (const Edge& e : clean) clean_times.push_back(e.at_us);
  for (const Edge& e : glitched) glitched_times.push_back(e.at_us);
  std::set_symmetric_difference(clean_times.begin(), clean_times.end(), glitched_times.begin(),
                                glitched_times.end(), std::back_inserter(differing));
  ASSERT_FALSE(differing.empty());
  for (std::size_t i = 0; i < differing.size(); ++i) {
    const bool near_before = i > 0 && differing[i] - differing[i - 1] <= 3000;
    const bool near_after = i + 1 < differing.size() && differing[i + 1] - differing[i] <= 3000;
    EXPECT_TRUE(near_before || near_after) << differing[i];
  }
}

TEST(EdgeSynthesizerTest, ExtraPulsesNoiseAndFadesStayWellFormed) {
  const auto minutes_ = minutes_of(SynthStation::Msf, 5);
  FaultSettings faults;
  faults.extra_pulse_rate = 0.2;
  faults.noise_rate = 0.02;
  faults.fade_rate = 0.01;
  faults.fade_seconds = 7;
  faults.jitter_us = 2000;
  faults.pulse_bias_us = -20000;
  expect_well_formed(edges_of(SynthStation::Msf, faults, minutes_, 3));
  EXPECT_EQ(edges_of(SynthStation::Msf, faults, minutes_, 3),
            edges_of(SynthStation::Msf, faults, minutes_, 3));
  EXPECT_NE(edges_of(SynthStation::Msf, faults, minutes_, 3),
            edges_of(SynthStation::Msf, faults, minutes_, 4));
}

std::int64_t longest_gap(const std::vector<Edge>& edges) {
  std::int64_t longest = 0;
  for (std::size_t i = 1; i < edges.size(); ++i) {
    longest = std::max(longest, edges[i].at_us - edges[i - 1].at_us);
  }
  return longest;
}

TEST(EdgeSynthesizerTest, AFadeHoldsTheLevelForItsLength) {
  const auto minutes_ = minutes_of(SynthStation::Dcf77, 30);
  // Without fades the level changes at least every 1.9 s.
  EXPECT_LT(longest_gap(edges_of(SynthStation::Dcf77, FaultSettings{}, minutes_)), 2 * kSecond);
  FaultSettings faults;
  faults.fade_rate = 0.002;
  faults.fade_seconds = 20;
  const auto faded = edges_of(SynthStation::Dcf77, faults, minutes_);
  expect_well_formed(faded);
  EXPECT_GE(longest_gap(faded), 20 * kSecond - 300000);
}

TEST(EdgeSynthesizerTest, ALostSecondHasNoEdges) {
  auto minutes_ = minutes_of(SynthStation::Dcf77, 2);
  minutes_[1].seconds[20] = Symbol::Lost;
  const auto edges = edges_of(SynthStation::Dcf77, FaultSettings{}, minutes_);
  const std::int64_t second_start = (minutes_[0].length + 20) * kSecond;
  for (const Edge& edge : edges) {
    EXPECT_FALSE(edge.at_us >= second_start && edge.at_us < second_start + kSecond);
  }
  EXPECT_EQ(edges.size(), 2U * 59U * 2U - 2U + 1U);
}

}  // namespace
}  // namespace quillfen
