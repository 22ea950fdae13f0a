// The faults a receiver shows, as settings, and the ones that act on whole
// seconds: bit errors, undetermined bits and lost pulses. The faults of the
// signal's shape (pulse lengths, spikes, noise, fading) are in
// edge_synthesizer.hpp. Every rate is a probability from 0 to 1.
#ifndef QUILLFEN_SYNTH_FAULTS_HPP_
#define QUILLFEN_SYNTH_FAULTS_HPP_

#include <cstdint>
#include <vector>

#include "synth/random.hpp"
#include "synth/transmitter.hpp"

namespace quillfen {

// A second of the log: `minute` counts from 0, the minute that holds START;
// `second` is the second within that minute.
struct LogSecond {
  std::int64_t minute;
  unsigned second;

  bool operator==(const LogSecond&) const = default;
};

// Lengths of spikes and ringing, in microseconds, both included.
struct GlitchRange {
  std::uint32_t shortest = 1000;
  std::uint32_t longest = 20000;

  bool operator==(const GlitchRange&) const = default;
};

struct FaultSettings {
  // Per second: the bit is flipped (MSF: A and B each on their own).
  double bit_error_rate = 0;
  // Per second: the bit (MSF: the pair) is undetermined.
  double undetermined_rate = 0;
  // Per pulsed second, and at the given seconds: the receiver misses the
  // second's pulse(s). A per-bit log then lacks that second's character.
  double lost_pulse_rate = 0;
  std::vector<LogSecond> lost_pulses;

  // Edge logs only. Every pulse ends this much later (negative: earlier).
  std::int32_t pulse_bias_us = 0;
  // Every edge of a pulse moves by a whole number of microseconds drawn
  // evenly from -jitter_us..jitter_us.
  std::uint32_t jitter_us = 0;
  // Per second: a spike (the level inverted for a glitch length) at a random
  // moment of the second.
  double spike_rate = 0;
  // Per edge of a pulse: ringing, one to three short returns to the previous
  // level, each after and lasting a glitch length.
  double ringing_rate = 0;
  GlitchRange glitch;
  // Per second: a pulse of a neighbouring transmitter, 200 or 400 ms long, at
  // a random moment of the second, added to the signal.
  double extra_pulse_rate = 0;
  // Per second: a noise burst of 0.5 to 3 s from the start of the second, in
  // which the level changes every 2 to 40 ms.
  double noise_rate = 0;
  // Per second: from the start of the second, the level sticks high or low
  // (either with equal chance) for fade_seconds.
  double fade_rate = 0;
  std::uint32_t fade_seconds = 10;

  bool operator==(const FaultSettings&) const = default;
};

// The stream numbers of the faults' random numbers (see random.hpp).
enum class FaultStream : std::uint64_t {
  BitError = 1,
  Undetermined,
  LostPulse,
  Jitter,
  Spike,
  Ringing,
  ExtraPulse,
  Noise,
  Fade,
  Comment,
};

Random fault_random(std::uint64_t seed, FaultStream stream);

// Applies bit errors, undetermined bits and lost pulses to the minutes of a
// log, one minute after the other.
class SecondFaults {
 public:
  SecondFaults(const FaultSettings& settings, std::uint64_t seed);

  // `minute` is minute number `index` of the log (see LogSecond). Turns
  // symbols into their faulty forms: a flipped bit (Zero and One, MSF pairs by
  // flipping A or B), Undetermined, or Lost for a pulsed second. The DCF77
  // unpulsed second and the MSF minute marker keep their symbol except that
  // the marker's pulse can be lost.
  void apply(SentMinute& minute, std::int64_t index);

 private:
  const FaultSettings& settings_;
  Random bit_errors_;
  Random undetermined_;
  Random lost_;
};

}  // namespace quillfen

#endif  // QUILLFEN_SYNTH_FAULTS_HPP_
