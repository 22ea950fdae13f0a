#include "synth/faults.hpp"

#include <algorithm>
#include <cstddef>

namespace quillfen {
namespace {

bool is_bit(Symbol s) { return s != Symbol::Silent && s != Symbol::Marker && s != Symbol::Lost; }

Symbol flip_a(Symbol s) {
  switch (s) {
    case Symbol::A0B0: return Symbol::A1B0;
    case Symbol::A1B0: return Symbol::A0B0;
    case Symbol::A0B1: return Symbol::A1B1;
    case Symbol::A1B1: return Symbol::A0B1;
    case Symbol::Zero: return Symbol::One;
    case Symbol::One: return Symbol::Zero;
    default: return s;
  }
}

Symbol flip_b(Symbol s) {
  switch (s) {
    case Symbol::A0B0: return Symbol::A0B1;
    case Symbol::A0B1: return Symbol::A0B0;
    case Symbol::A1B0: return Symbol::A1B1;
    case Symbol::A1B1: return Symbol::A1B0;
    default: return s;
  }
}

bool is_msf_pair(Symbol s) {
  return s == Symbol::A0B0 || s == Symbol::A1B0 || s == Symbol::A0B1 || s == Symbol::A1B1;
}

}  // namespace

Random fault_random(std::uint64_t seed, FaultStream stream) {
  return Random(seed, static_cast<std::uint64_t>(stream));
}

SecondFaults::SecondFaults(const FaultSettings& settings, std::uint64_t seed)
    : settings_(settings),
      bit_errors_(fault_random(seed, FaultStream::BitError)),
      undetermined_(fault_random(seed, FaultStream::Undetermined)),
      lost_(fault_random(seed, FaultStream::LostPulse)) {}

void SecondFaults::apply(SentMinute& minute, std::int64_t index) {
  for (std::size_t s = 0; s < minute.length; ++s) {
    Symbol& symbol = minute.seconds[s];
    if (is_bit(symbol) && symbol != Symbol::Undetermined) {
      if (bit_errors_.chance(settings_.bit_error_rate)) {
        symbol = flip_a(symbol);
      }
      if (is_msf_pair(symbol) && bit_errors_.chance(settings_.bit_error_rate)) {
        symbol = flip_b(symbol);
      }
    }
    if (is_bit(symbol) && undetermined_.chance(settings_.undetermined_rate)) {
      symbol = Symbol::Undetermined;
    }
    if (symbol == Symbol::Silent) {
      continue;
    }
    const LogSecond here{index, static_cast<unsigned>(s)};
    if (lost_.chance(settings_.lost_pulse_rate) ||
        std::find(settings_.lost_pulses.begin(), settings_.lost_pulses.end(), here) !=
            settings_.lost_pulses.end()) {
      symbol = Symbol::Lost;
    }
  }
}

}  // namespace quillfen
