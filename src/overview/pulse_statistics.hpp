// Pulse statistics of an edge log: what the pulses of the demodulated signal
// really look like, measured as the decoder measures them, against the
// decoder's classes, and how fast the logger's clock runs.
//
// A pulse is a high time (DCF77: the second marker, 100 ms for a 0 and 200 ms
// for a 1; MSF: a carrier-off pulse of 100, 200, 300 or 500 ms); it is
// measured at the falling edge that ends it, from the edge before, as the
// decoder does (a spike included). A gap is a low time, measured at the
// rising edge that ends it. Spikes (edges closer to the previous one than the
// spike limit) are counted, not measured. Fixed-size counters: nothing is
// allocated per edge.
#ifndef QUILLFEN_SRC_OVERVIEW_PULSE_STATISTICS_HPP_
#define QUILLFEN_SRC_OVERVIEW_PULSE_STATISTICS_HPP_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "datetime/reception.hpp"
#include "src/analyzers/settings.hpp"

namespace quillfen {

// A class of pulse lengths the decoder tells apart: pulses from `lower`
// (included) to `upper` (excluded) microseconds. The lower bound of the
// shortest class is the spike limit.
struct PulseClass {
  std::string_view name;  // "0", "1"; "100 ms", "200 ms", "300 ms", "500 ms"
  std::uint32_t lower;
  std::uint32_t upper;
};

// The decoder's pulse classes of a station: DCF77 0 below 150 ms and 1 below
// 250 ms (longer pulses are undetermined); MSF 100 ms below 150 ms, 200 ms
// below 250 ms, 300 ms below 350 ms and the 500 ms minute marker below 550
// ms (longer pulses are undetermined).
struct PulseClasses {
  std::array<PulseClass, 4> items;  // items[0..count), shortest first
  std::size_t count;

  std::span<const PulseClass> span() const { return {items.data(), count}; }
};
PulseClasses pulse_classes(Station station, std::uint32_t spike_limit);

// The spike limit a decoder uses when given `requested` (-E): values of
// 150000 and more are ignored, absent gives the default 30000.
std::uint32_t effective_spike_limit(std::optional<std::uint32_t> requested);

// A pulse this close to a bound of its class (at most this many
// microseconds inside it) is near a threshold: a little more jitter or drift
// and the decoder reads it as something else. A class is warned about when
// at least 1 % of its pulses are near a threshold.
inline constexpr std::uint32_t kThresholdWarning = 20000;

struct ClassStatistics {
  PulseClass pulse_class;
  std::uint64_t count;
  // The median length, to the millisecond below (absent without pulses).
  std::optional<std::uint32_t> median_ms;
  // Median minus lower bound, upper bound minus median, in milliseconds.
  std::optional<std::uint32_t> margin_below_ms;
  std::optional<std::uint32_t> margin_above_ms;
  // Pulses within kThresholdWarning of either bound (to the millisecond:
  // from the lower bound to 20 ms above it, from 20 ms below the upper bound).
  std::uint64_t near_threshold_count;
  // At least 1 % of the class's pulses are near a threshold.
  bool near_threshold;
};

class PulseStatistics {
 public:
  // Histogram ranges: pulses below 1 s, gaps below 3 s, in 1 ms steps
  // (printed in 10 ms bins); longer ones are counted apart.
  static constexpr std::size_t kPulseMilliseconds = 1000;
  static constexpr std::size_t kGapMilliseconds = 3000;

  PulseStatistics(Station station, std::uint32_t spike_limit);

  // An edge at `when`, before its step: the moment a second may begin.
  void edge(std::uint32_t when) { when_ = when; }
  // How the decoder took that edge, and whether it began a new second (the
  // receiver made an edge line for the second it ended).
  void take(const EdgeMeasure& measure, bool began_second) {
    if (measure.fate == EdgeFate::Spike) {
      ++spikes_;
      fault_since_ = true;
    } else if (measure.fate == EdgeFate::Taken) {
      const std::uint32_t ms = measure.gap / 1000;
      if (!measure.is_high) {
        // A falling edge ends a pulse.
        ++pulses_;
        ++(ms < kPulseMilliseconds ? pulse_ms_[ms] : long_pulses_);
        fault_since_ = fault_since_ || measure.gap >= outside_from_;
      } else {
        ++(ms < kGapMilliseconds ? gap_ms_[ms] : long_gaps_);
        if (began_second) {
          second_marker();
        }
      }
    }
  }

  std::uint64_t spikes() const { return spikes_; }
  std::uint64_t pulses() const { return pulses_; }
  // Pulses longer than every class (the decoder leaves their bit undetermined).
  std::uint64_t outside_classes() const;
  // Pulse and gap counts per millisecond of length.
  const std::array<std::uint64_t, kPulseMilliseconds>& pulse_histogram() const {
    return pulse_ms_;
  }
  const std::array<std::uint64_t, kGapMilliseconds>& gap_histogram() const { return gap_ms_; }
  std::uint64_t long_pulses() const { return long_pulses_; }  // 1 s and more
  std::uint64_t long_gaps() const { return long_gaps_; }      // 3 s and more
  std::uint32_t spike_limit() const { return spike_limit_; }
  std::span<const PulseClass> classes() const { return classes_.span(); }
  ClassStatistics class_statistics(const PulseClass& pulse_class) const;

  // The logger's clock rate against true time, in parts per million
  // (positive: its time stamps run fast), from the mean period of the second
  // markers over the seconds without faults: between two edges that began a
  // second, with no spike and no pulse outside every class between them, and
  // lasting within 50 ms of one or two whole seconds (DCF77's unpulsed last
  // second makes two). Absent when no such second was seen.
  std::optional<double> clock_ppm() const;
  std::uint64_t clock_seconds() const { return clock_seconds_; }

 private:
  void second_marker();

  PulseClasses classes_;
  std::uint32_t spike_limit_;
  std::uint32_t outside_from_;  // the upper bound of the longest class
  std::uint32_t when_ = 0;
  std::uint64_t spikes_ = 0;
  std::uint64_t pulses_ = 0;
  std::uint64_t long_pulses_ = 0;
  std::uint64_t long_gaps_ = 0;
  std::array<std::uint64_t, kPulseMilliseconds> pulse_ms_{};
  std::array<std::uint64_t, kGapMilliseconds> gap_ms_{};
  // The second markers.
  std::optional<std::uint32_t> second_began_;
  bool fault_since_ = false;
  std::uint64_t clock_microseconds_ = 0;
  std::uint64_t clock_seconds_ = 0;
};

}  // namespace quillfen

#endif  // QUILLFEN_SRC_OVERVIEW_PULSE_STATISTICS_HPP_
