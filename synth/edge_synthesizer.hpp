// The demodulated signal of a receiver as edges, from the minutes a station
// sends and the faults of the signal's shape.
//
// A high level is a pulse (DCF77: the second marker, 100 ms for a 0 and 200 ms
// for a 1; MSF: a carrier-off pulse, 500 ms for the minute marker, 100/200/300
// ms for A0B0/A1B0/A1B1, two 100 ms pulses 100 ms apart for A0B1). A second
// whose bit is undetermined gets a pulse no receiver can classify: 300 ms for
// DCF77, 700 ms for MSF. These are the lengths the encoders' edge logs use.
//
// The level is built from layers: the station's pulses (with bias, jitter and
// lost pulses applied), pulses of a neighbouring transmitter added to them,
// spikes and ringing that invert the level for a moment, fades that hold it
// high or low, and noise bursts that replace it. Edges come out in time order
// as soon as nothing later can change them, so a log of any length is made in
// a small, constant amount of memory.
#ifndef QUILLFEN_SYNTH_EDGE_SYNTHESIZER_HPP_
#define QUILLFEN_SYNTH_EDGE_SYNTHESIZER_HPP_

#include <cstdint>
#include <vector>

#include "synth/faults.hpp"
#include "synth/random.hpp"
#include "synth/transmitter.hpp"

namespace quillfen {

// A change of the level at a moment of true time, in microseconds from the
// start of the log's first minute.
struct Edge {
  std::int64_t at_us;
  bool is_high;  // the level after the edge

  bool operator==(const Edge&) const = default;
};

class EdgeSynthesizer {
 public:
  // `faults` must outlive the synthesizer; the second faults (bit errors,
  // lost pulses) are applied to the minutes beforehand, not here.
  EdgeSynthesizer(SynthStation station, const FaultSettings& faults, std::uint64_t seed);

  // Adds the signal of `minute`, whose second 0 starts at `start_us`, and
  // appends to `out` every edge before (start of the next minute − jitter):
  // later minutes cannot change those any more.
  // REQUIRES: minutes are added in order, each starting where the last ended.
  void add_minute(const SentMinute& minute, std::int64_t start_us, std::vector<Edge>& out);

  // Ends the signal with the rising edge of the pulse that starts the next
  // minute at `end_us`, so that the last minute is complete, and appends the
  // remaining edges up to and including `end_us`. Nothing after it is kept.
  void finish(std::int64_t end_us, std::vector<Edge>& out);

 private:
  enum class Layer : std::uint8_t {
    PulseOn, PulseOff, ExtraOn, ExtraOff, Invert, FadeHighOn, FadeHighOff, FadeLowOn, FadeLowOff,
    NoiseOn, NoiseOff, NoiseToggle,
  };
  struct Event {
    std::int64_t at_us;
    Layer layer;
  };

  void add_pulse(std::int64_t begin_us, std::int64_t end_us);
  void add_second_faults(std::int64_t second_start_us);
  void add_ringing(std::int64_t edge_us);
  void add(std::int64_t at_us, Layer layer) { pending_.push_back({at_us, layer}); }
  std::int64_t glitch_length();
  // Sweeps the pending events before `horizon` (or up to and including it).
  void sweep(std::int64_t horizon, bool inclusive, std::vector<Edge>& out);
  bool level() const;

  SynthStation station_;
  const FaultSettings& faults_;
  Random jitter_;
  Random spikes_;
  Random ringing_;
  Random extra_pulses_;
  Random noise_bursts_;
  Random fades_;
  std::vector<Event> pending_;
  // The sweep's state: how many pulses of each layer are on, the inversions,
  // the noise level.
  int pulses_ = 0;
  int extra_ = 0;
  bool inverted_ = false;
  int fade_high_ = 0;
  int fade_low_ = 0;
  int noise_ = 0;
  bool noise_level_ = false;
  bool last_level_ = false;
};

}  // namespace quillfen

#endif  // QUILLFEN_SYNTH_EDGE_SYNTHESIZER_HPP_
