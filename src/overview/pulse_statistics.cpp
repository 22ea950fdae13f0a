#include "src/overview/pulse_statistics.hpp"

#include <algorithm>

namespace quillfen {
namespace {

// The decoders' pulse bounds, in microseconds (pulse_statistics_test checks
// them against the decoders themselves).
constexpr std::uint32_t kDcf77OnePulse = 150000;
constexpr std::uint32_t kDcf77Overlong = 250000;
constexpr std::uint32_t kMsfShortEnd = 150000;
constexpr std::uint32_t kMsfA1B0End = 250000;
constexpr std::uint32_t kMsfA1B1End = 350000;
constexpr std::uint32_t kMsfMarkerEnd = 550000;
// Spike limits at and above the shortest 1 pulse are ignored by both decoders.
constexpr std::uint32_t kDefaultSpikeLimit = 30000;
constexpr std::uint32_t kSpikeLimitBound = 150000;

constexpr std::uint32_t kSecond = 1000000;
// A second marker period counts when within this much of a whole second.
constexpr std::uint32_t kPeriodTolerance = 50000;

}  // namespace

std::uint32_t effective_spike_limit(std::optional<std::uint32_t> requested) {
  return requested.has_value() && *requested < kSpikeLimitBound ? *requested : kDefaultSpikeLimit;
}

PulseClasses pulse_classes(Station station, std::uint32_t spike_limit) {
  if (station == Station::Dcf77) {
    return {{{{"0", spike_limit, kDcf77OnePulse}, {"1", kDcf77OnePulse, kDcf77Overlong}}}, 2};
  }
  return {{{{"100 ms", spike_limit, kMsfShortEnd},
            {"200 ms", kMsfShortEnd, kMsfA1B0End},
            {"300 ms", kMsfA1B0End, kMsfA1B1End},
            {"500 ms", kMsfA1B1End, kMsfMarkerEnd}}},
          4};
}

PulseStatistics::PulseStatistics(Station station, std::uint32_t spike_limit)
    : classes_(pulse_classes(station, spike_limit)),
      spike_limit_(spike_limit),
      outside_from_(classes_.items[classes_.count - 1].upper) {}

void PulseStatistics::second_marker() {
  if (second_began_.has_value() && !fault_since_) {
    const std::uint32_t period = when_ - *second_began_;  // modulo 2^32
    const std::uint64_t seconds = (std::uint64_t{period} + kSecond / 2) / kSecond;
    if (seconds >= 1 && seconds <= 2) {
      const std::uint32_t whole = static_cast<std::uint32_t>(seconds) * kSecond;
      const std::uint32_t off = period > whole ? period - whole : whole - period;
      if (off <= kPeriodTolerance) {
        clock_microseconds_ += period;
        clock_seconds_ += seconds;
      }
    }
  }
  second_began_ = when_;
  fault_since_ = false;
}

std::uint64_t PulseStatistics::outside_classes() const {
  std::uint64_t count = long_pulses_;
  for (std::size_t ms = outside_from_ / 1000; ms < kPulseMilliseconds; ++ms) {
    count += pulse_ms_[ms];
  }
  return count;
}

ClassStatistics PulseStatistics::class_statistics(const PulseClass& pulse_class) const {
  ClassStatistics stats{pulse_class, 0, std::nullopt, std::nullopt, std::nullopt, 0, false};
  // Bounds are whole milliseconds (a spike limit need not be: its partial
  // millisecond counts with the class, as the decoder takes those pulses).
  const std::size_t first = pulse_class.lower / 1000;
  const std::size_t end = std::min<std::size_t>(pulse_class.upper / 1000, kPulseMilliseconds);
  for (std::size_t ms = first; ms < end; ++ms) {
    stats.count += pulse_ms_[ms];
  }
  if (stats.count == 0) {
    return stats;
  }
  // The lower median: the length of pulse number ceil(count / 2).
  const std::uint64_t half = (stats.count + 1) / 2;
  std::uint64_t seen = 0;
  for (std::size_t ms = first; ms < end; ++ms) {
    seen += pulse_ms_[ms];
    if (seen >= half) {
      stats.median_ms = static_cast<std::uint32_t>(ms);
      break;
    }
  }
  const std::uint32_t median_us = *stats.median_ms * 1000;
  const std::uint32_t below = median_us >= pulse_class.lower ? median_us - pulse_class.lower : 0;
  const std::uint32_t above = pulse_class.upper - median_us;
  stats.margin_below_ms = below / 1000;
  stats.margin_above_ms = above / 1000;
  const std::size_t near_lower = std::min<std::size_t>(end, (pulse_class.lower + kThresholdWarning) / 1000);
  const std::size_t near_upper =
      std::max<std::size_t>(near_lower, (pulse_class.upper - std::min(pulse_class.upper, kThresholdWarning)) / 1000);
  for (std::size_t ms = first; ms < end; ++ms) {
    if (ms < near_lower || ms >= near_upper) {
      stats.near_threshold_count += pulse_ms_[ms];
    }
  }
  stats.near_threshold = stats.near_threshold_count * 100 >= stats.count;
  return stats;
}

std::optional<double> PulseStatistics::clock_ppm() const {
  if (clock_seconds_ == 0) {
    return std::nullopt;
  }
  const double mean_period =
      static_cast<double>(clock_microseconds_) / static_cast<double>(clock_seconds_);
  return mean_period - static_cast<double>(kSecond);
}

}  // namespace quillfen
