#include "synth/edge_synthesizer.hpp"

#include <algorithm>
#include <cstddef>

namespace quillfen {
namespace {

constexpr std::int64_t kSecond = 1000000;
constexpr std::int64_t kMs = 1000;

struct Pulse {
  std::int64_t begin_us;
  std::int64_t end_us;
};

// The clean pulses of one second, relative to its start; at most two.
std::size_t pulses_of(SynthStation station, Symbol symbol, Pulse (&out)[2]) {
  const auto one = [&](std::int64_t length_ms) {
    out[0] = {0, length_ms * kMs};
    return std::size_t{1};
  };
  if (station == SynthStation::Dcf77) {
    switch (symbol) {
      case Symbol::Zero: return one(100);
      case Symbol::One: return one(200);
      case Symbol::Undetermined: return one(300);
      default: return 0;
    }
  }
  switch (symbol) {
    case Symbol::Marker: return one(500);
    case Symbol::A0B0: return one(100);
    case Symbol::A1B0: return one(200);
    case Symbol::A1B1: return one(300);
    case Symbol::Undetermined: return one(700);
    case Symbol::A0B1:
      out[0] = {0, 100 * kMs};
      out[1] = {200 * kMs, 300 * kMs};
      return 2;
    default: return 0;
  }
}

}  // namespace

EdgeSynthesizer::EdgeSynthesizer(SynthStation station, const FaultSettings& faults,
                                 std::uint64_t seed)
    : station_(station),
      faults_(faults),
      jitter_(fault_random(seed, FaultStream::Jitter)),
      spikes_(fault_random(seed, FaultStream::Spike)),
      ringing_(fault_random(seed, FaultStream::Ringing)),
      extra_pulses_(fault_random(seed, FaultStream::ExtraPulse)),
      noise_bursts_(fault_random(seed, FaultStream::Noise)),
      fades_(fault_random(seed, FaultStream::Fade)) {}

std::int64_t EdgeSynthesizer::glitch_length() {
  return ringing_.uniform(faults_.glitch.shortest, faults_.glitch.longest);
}

void EdgeSynthesizer::add_ringing(std::int64_t edge_us) {
  if (!ringing_.chance(faults_.ringing_rate)) {
    return;
  }
  const std::int64_t count = ringing_.uniform(1, 3);
  std::int64_t at = edge_us;
  for (std::int64_t i = 0; i < count; ++i) {
    at += glitch_length();
    add(at, Layer::Invert);
    at += glitch_length();
    add(at, Layer::Invert);
  }
}

void EdgeSynthesizer::add_pulse(std::int64_t begin_us, std::int64_t end_us) {
  end_us += faults_.pulse_bias_us;
  if (faults_.jitter_us != 0) {
    const std::int64_t j = faults_.jitter_us;
    begin_us += jitter_.uniform(-j, j);
    end_us += jitter_.uniform(-j, j);
  }
  if (end_us <= begin_us) {
    return;  // shortened to nothing
  }
  add(begin_us, Layer::PulseOn);
  add(end_us, Layer::PulseOff);
  add_ringing(begin_us);
  add_ringing(end_us);
}

void EdgeSynthesizer::add_second_faults(std::int64_t start_us) {
  if (spikes_.chance(faults_.spike_rate)) {
    const std::int64_t at = start_us + spikes_.uniform(0, kSecond - 1);
    add(at, Layer::Invert);
    add(at + spikes_.uniform(faults_.glitch.shortest, faults_.glitch.longest), Layer::Invert);
  }
  if (extra_pulses_.chance(faults_.extra_pulse_rate)) {
    const std::int64_t length = extra_pulses_.chance(0.5) ? 200 * kMs : 400 * kMs;
    const std::int64_t at = start_us + extra_pulses_.uniform(0, kSecond - length);
    add(at, Layer::ExtraOn);
    add(at + length, Layer::ExtraOff);
  }
  if (noise_bursts_.chance(faults_.noise_rate)) {
    const std::int64_t end = start_us + noise_bursts_.uniform(500 * kMs, 3 * kSecond);
    add(start_us, Layer::NoiseOn);
    for (std::int64_t at = start_us + noise_bursts_.uniform(2 * kMs, 40 * kMs); at < end;
         at += noise_bursts_.uniform(2 * kMs, 40 * kMs)) {
      add(at, Layer::NoiseToggle);
    }
    add(end, Layer::NoiseOff);
  }
  if (fades_.chance(faults_.fade_rate)) {
    const std::int64_t end = start_us + std::int64_t{faults_.fade_seconds} * kSecond;
    const bool high = fades_.chance(0.5);
    add(start_us, high ? Layer::FadeHighOn : Layer::FadeLowOn);
    add(end, high ? Layer::FadeHighOff : Layer::FadeLowOff);
  }
}

void EdgeSynthesizer::add_minute(const SentMinute& minute, std::int64_t start_us,
                                 std::vector<Edge>& out) {
  for (std::size_t s = 0; s < minute.length; ++s) {
    const std::int64_t second_start = start_us + static_cast<std::int64_t>(s) * kSecond;
    Pulse pulses[2];
    const std::size_t count = pulses_of(station_, minute.seconds[s], pulses);
    for (std::size_t p = 0; p < count; ++p) {
      add_pulse(second_start + pulses[p].begin_us, second_start + pulses[p].end_us);
    }
    add_second_faults(second_start);
  }
  const std::int64_t next_start = start_us + std::int64_t{minute.length} * kSecond;
  sweep(next_start - faults_.jitter_us, false, out);
}

void EdgeSynthesizer::finish(std::int64_t end_us, std::vector<Edge>& out) {
  add(end_us, Layer::PulseOn);
  sweep(end_us, true, out);
  pending_.clear();
}

bool EdgeSynthesizer::level() const {
  if (noise_ > 0) {
    return noise_level_;
  }
  if (fade_low_ > 0) {
    return false;
  }
  if (fade_high_ > 0) {
    return true;
  }
  return (pulses_ > 0 || extra_ > 0) != inverted_;
}

void EdgeSynthesizer::sweep(std::int64_t horizon, bool inclusive, std::vector<Edge>& out) {
  const auto due = [&](const Event& e) { return inclusive ? e.at_us <= horizon : e.at_us < horizon; };
  // Events due first, in time order; the rest stays for later minutes.
  const auto split = std::stable_partition(pending_.begin(), pending_.end(), due);
  std::stable_sort(pending_.begin(), split,
                   [](const Event& a, const Event& b) { return a.at_us < b.at_us; });
  for (auto it = pending_.begin(); it != split;) {
    const std::int64_t at = it->at_us;
    for (; it != split && it->at_us == at; ++it) {
      switch (it->layer) {
        case Layer::PulseOn: ++pulses_; break;
        case Layer::PulseOff: --pulses_; break;
        case Layer::ExtraOn: ++extra_; break;
        case Layer::ExtraOff: --extra_; break;
        case Layer::Invert: inverted_ = !inverted_; break;
        case Layer::FadeHighOn: ++fade_high_; break;
        case Layer::FadeHighOff: --fade_high_; break;
        case Layer::FadeLowOn: ++fade_low_; break;
        case Layer::FadeLowOff: --fade_low_; break;
        case Layer::NoiseOn:
          if (noise_++ == 0) noise_level_ = last_level_;
          break;
        case Layer::NoiseOff: --noise_; break;
        case Layer::NoiseToggle: noise_level_ = !noise_level_; break;
      }
    }
    const bool now = level();
    if (now != last_level_) {
      out.push_back({at, now});
      last_level_ = now;
    }
  }
  pending_.erase(pending_.begin(), split);
}

}  // namespace quillfen
