#include "synth/random.hpp"

namespace quillfen {
namespace {

// SplitMix64's finaliser: nearby seeds and stream numbers give unrelated
// engine seeds.
std::uint64_t mix(std::uint64_t x) {
  x += 0x9e3779b97f4a7c15ULL;
  x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
  x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
  return x ^ (x >> 31);
}

}  // namespace

Random::Random(std::uint64_t seed, std::uint64_t stream) : engine_(mix(mix(seed) ^ stream)) {}

bool Random::chance(double rate) {
  if (rate <= 0) {
    return false;
  }
  // 53 random bits as a fraction in [0, 1).
  const double fraction = static_cast<double>(engine_() >> 11) * 0x1.0p-53;
  return fraction < rate;
}

std::int64_t Random::uniform(std::int64_t low, std::int64_t high) {
  const std::uint64_t span = static_cast<std::uint64_t>(high) - static_cast<std::uint64_t>(low);
  if (span == ~std::uint64_t{0}) {
    return static_cast<std::int64_t>(engine_());
  }
  // The remainder's bias is below 2^-40 for the spans used here.
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(low) + engine_() % (span + 1));
}

}  // namespace quillfen
