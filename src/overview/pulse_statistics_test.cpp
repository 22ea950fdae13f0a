#include "src/overview/pulse_statistics.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "dcf77/dcf77_decoder.hpp"
#include "msf/msf_decoder.hpp"
#include "src/analyzers/analyze.hpp"
#include "src/overview/reception_overview.hpp"
#include "synth/dcf77_encoder.hpp"
#include "synth/msf_encoder.hpp"

namespace quillfen {
namespace {

using namespace std::chrono;

// The bit a DCF77 decoder stores for a pulse of `length` microseconds.
Bit dcf77_bit_of(std::uint32_t length) {
  Dcf77Decoder decoder;
  decoder.handle_new_edge(true, 1000000);
  decoder.handle_new_edge(false, 1000000 + length);
  return decoder.get_current_bit();
}

// What an MSF decoder makes of a pulse of `length` microseconds after a
// second's low time: the A and B bits, and whether it took it for the
// minute marker (which sets the second counter back to 0).
struct MsfPulse {
  Bit a;
  Bit b;
  bool marker;
  bool operator==(const MsfPulse&) const = default;
};
MsfPulse msf_pulse_of(std::uint32_t length) {
  MsfDecoder decoder;
  decoder.handle_new_edge(true, 1000000);
  decoder.handle_new_edge(false, 1100000);
  decoder.handle_new_edge(true, 2000000);
  decoder.increase_second();
  decoder.handle_new_edge(false, 2000000 + length);
  return {decoder.get_current_bit_a(), decoder.get_current_bit_b(), decoder.get_second() == 0};
}

TEST(PulseClasses, AreTheDecodersOwnBounds) {
  const PulseClasses dcf77 = pulse_classes(Station::Dcf77, 30000);
  ASSERT_EQ(dcf77.count, 2u);
  EXPECT_EQ(dcf77.items[0].lower, 30000u);
  EXPECT_EQ(dcf77.items[0].upper, dcf77.items[1].lower);
  EXPECT_EQ(dcf77_bit_of(dcf77.items[0].upper - 1), Bit{false});
  EXPECT_EQ(dcf77_bit_of(dcf77.items[1].lower), Bit{true});
  EXPECT_EQ(dcf77_bit_of(dcf77.items[1].upper - 1), Bit{true});
  EXPECT_EQ(dcf77_bit_of(dcf77.items[1].upper), Bit{});

  const PulseClasses msf = pulse_classes(Station::Msf, 1000);
  ASSERT_EQ(msf.count, 4u);
  EXPECT_EQ(msf.items[0].lower, 1000u);
  const MsfPulse kA0B0{false, false, false}, kA1B0{true, false, false}, kA1B1{true, true, false},
      kMarker{true, true, true}, kNone{Bit{}, Bit{}, false};
  const MsfPulse expected[][2] = {
      {kA0B0, kA1B0}, {kA1B0, kA1B1}, {kA1B1, kMarker}, {kMarker, kNone}};
  for (std::size_t i = 0; i < msf.count; ++i) {
    SCOPED_TRACE(msf.items[i].name);
    if (i > 0) {
      EXPECT_EQ(msf.items[i].lower, msf.items[i - 1].upper);
    }
    EXPECT_EQ(msf_pulse_of(msf.items[i].upper - 1), expected[i][0]);
    EXPECT_EQ(msf_pulse_of(msf.items[i].upper), expected[i][1]);
  }
  EXPECT_EQ(effective_spike_limit(std::nullopt), 30000u);
  EXPECT_EQ(effective_spike_limit(149999), 149999u);
  EXPECT_EQ(effective_spike_limit(150000), 30000u);
  EXPECT_EQ(effective_spike_limit(0), 0u);
}

// Rewrites an edge log as a logger whose clock runs `ppm` fast would have
// stamped it, and adds a spike (8 ms high, 370 ms after the falling edge)
// after every `spike_every`-th falling edge. Returns the number of spikes.
std::size_t drift_and_spike(std::string& log, char station, double ppm, std::size_t spike_every) {
  std::istringstream in(log);
  std::ostringstream out;
  std::size_t falling = 0;
  std::size_t spikes = 0;
  std::uint64_t first = 0;
  bool seen = false;
  const auto stamp = [&](std::uint64_t when) {
    return static_cast<std::uint64_t>(std::llround(
        static_cast<double>(first) + static_cast<double>(when - first) * (1 + ppm / 1e6)));
  };
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    std::string letter, level;
    std::uint64_t when = 0, tick = 0;
    fields >> letter >> level >> when >> tick;
    if (!seen) {
      first = when;
      seen = true;
    }
    out << letter << ' ' << level << ' ' << stamp(when) << ' ' << tick << '\n';
    if (level == "false" && ++falling % spike_every == 0) {
      out << station << " true " << stamp(when + 370000) << " 0\n"
          << station << " false " << stamp(when + 378000) << " 0\n";
      ++spikes;
    }
  }
  log = out.str();
  return spikes;
}

TEST(PulseStatistics, KnownPulseLengthsSpikesAndClockRate) {
  const sys_time<minutes> start = sys_days{year{2025} / 5 / 1} + hours{8};
  // A cheap DCF77 module: 130/230 ms pulses; a logger 500 ppm fast; about
  // 1 % spikes of 8 ms.
  EdgeLogOptions cheap;
  cheap.zero_us = 130000;
  cheap.one_us = 230000;
  std::string dcf77 = dcf77_edge_log(dcf77_frames(start, 60), cheap);
  const std::size_t dcf77_spikes = drift_and_spike(dcf77, 'D', 500, 100);

  Settings settings = settings_for(Station::Dcf77, LogKind::Edges);
  ReceptionOverview overview(settings);
  analyze(settings, dcf77, overview);
  const PulseStatistics& pulses = overview.pulses();
  EXPECT_EQ(pulses.spikes(), dcf77_spikes);
  EXPECT_EQ(pulses.outside_classes(), 0u);
  const ClassStatistics zero = pulses.class_statistics(pulses.classes()[0]);
  const ClassStatistics one = pulses.class_statistics(pulses.classes()[1]);
  EXPECT_EQ(zero.median_ms, 130u);
  EXPECT_EQ(one.median_ms, 230u);
  EXPECT_EQ(zero.count + one.count, 60u * 59);
  EXPECT_EQ(zero.margin_below_ms, 100u);
  EXPECT_EQ(zero.margin_above_ms, 20u);
  EXPECT_EQ(one.margin_below_ms, 80u);
  EXPECT_EQ(one.margin_above_ms, 20u);
  EXPECT_TRUE(zero.near_threshold);
  EXPECT_TRUE(one.near_threshold);
  EXPECT_EQ(zero.near_threshold_count, zero.count);
  EXPECT_EQ(one.near_threshold_count, one.count);
  ASSERT_TRUE(pulses.clock_ppm().has_value());
  EXPECT_NEAR(*pulses.clock_ppm(), 500.0, 2.0);
  // The seconds around each spike are left out, every other one counts.
  EXPECT_GT(pulses.clock_seconds(), 60u * 60 * 9 / 10);
  EXPECT_LT(pulses.clock_seconds(), 60u * 60);

  // MSF: the nominal lengths, a logger 300 ppm slow, spikes filtered out.
  std::string msf = msf_edge_log(msf_frames(start, 30));
  const std::size_t msf_spikes = drift_and_spike(msf, 'M', -300, 50);
  settings.station = Station::Msf;
  ReceptionOverview msf_overview(settings);
  analyze(settings, msf, msf_overview);
  const PulseStatistics& msf_pulses = msf_overview.pulses();
  EXPECT_EQ(msf_pulses.spikes(), msf_spikes);
  const std::uint32_t medians[] = {99, 199, 299, 499};  // 300 ppm short of the whole ms
  for (std::size_t i = 0; i < 4; ++i) {
    const ClassStatistics stats = msf_pulses.class_statistics(msf_pulses.classes()[i]);
    SCOPED_TRACE(stats.pulse_class.name);
    EXPECT_EQ(stats.median_ms, medians[i]);
    EXPECT_FALSE(stats.near_threshold);
  }
  EXPECT_EQ(msf_pulses.class_statistics(msf_pulses.classes()[3]).count, 30u);  // the markers
  ASSERT_TRUE(msf_pulses.clock_ppm().has_value());
  EXPECT_NEAR(*msf_pulses.clock_ppm(), -300.0, 2.0);
}

TEST(PulseStatistics, AWarningNeedsOnePercentOfAClassNearABound) {
  for (const std::uint64_t far : {99u, 100u}) {
    SCOPED_TRACE(far);
    PulseStatistics pulses(Station::Dcf77, 30000);
    pulses.take(EdgeMeasure{EdgeFate::Taken, false, 131000}, false);  // 19 ms below 150 ms
    for (std::uint64_t i = 0; i < far; ++i) {
      pulses.take(EdgeMeasure{EdgeFate::Taken, false, 100000}, false);
    }
    const ClassStatistics zero = pulses.class_statistics(pulses.classes()[0]);
    EXPECT_EQ(zero.near_threshold_count, 1u);
    EXPECT_EQ(zero.near_threshold, far == 99);
    EXPECT_EQ(zero.median_ms, 100u);
  }
  // 49.999 ms is within 20 ms of the 30 ms spike limit, 50 ms not; 130 ms
  // is within 20 ms of 150 ms, 129.999 ms not.
  PulseStatistics edges(Station::Msf, 30000);
  edges.take(EdgeMeasure{EdgeFate::Taken, false, 49999}, false);
  edges.take(EdgeMeasure{EdgeFate::Taken, false, 50000}, false);
  edges.take(EdgeMeasure{EdgeFate::Taken, false, 129999}, false);
  edges.take(EdgeMeasure{EdgeFate::Taken, false, 130000}, false);
  EXPECT_EQ(edges.class_statistics(edges.classes()[0]).near_threshold_count, 2u);
}

TEST(PulseStatistics, PulsesOutsideEveryClassAndLongGaps) {
  PulseStatistics pulses(Station::Dcf77, 30000);
  const auto taken = [](bool is_high, std::uint32_t gap) {
    return EdgeMeasure{EdgeFate::Taken, is_high, gap};
  };
  pulses.take(EdgeMeasure{EdgeFate::First, true, 0}, false);
  pulses.take(taken(false, 250000), false);   // just outside class 1
  pulses.take(taken(false, 249999), false);   // just inside
  pulses.take(taken(false, 1200000), false);  // beyond the histogram
  pulses.take(taken(true, 3500000), false);   // a long loss of signal
  pulses.take(EdgeMeasure{EdgeFate::Spike, false, 5000}, false);
  EXPECT_EQ(pulses.pulses(), 3u);
  EXPECT_EQ(pulses.outside_classes(), 2u);
  EXPECT_EQ(pulses.long_pulses(), 1u);
  EXPECT_EQ(pulses.long_gaps(), 1u);
  EXPECT_EQ(pulses.spikes(), 1u);
  EXPECT_EQ(pulses.class_statistics(pulses.classes()[1]).count, 1u);
  EXPECT_EQ(pulses.class_statistics(pulses.classes()[0]).median_ms, std::nullopt);
  EXPECT_EQ(pulses.clock_ppm(), std::nullopt);
}

}  // namespace
}  // namespace quillfen
