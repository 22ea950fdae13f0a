// Reproducible random numbers for the faults of quillfen-synth.
//
// Every fault draws from a stream of its own, made from the user's seed and
// the fault's stream number, so one seed always gives the same log, and
// switching one fault on or off leaves the places of the others unchanged.
// The numbers come from std::mt19937_64, whose sequence the C++ standard fixes
// exactly; the mapping to ranges is done here, not by the standard library's
// distributions, which differ between implementations.
#ifndef QUILLFEN_SYNTH_RANDOM_HPP_
#define QUILLFEN_SYNTH_RANDOM_HPP_

#include <cstdint>
#include <random>

namespace quillfen {

class Random {
 public:
  Random(std::uint64_t seed, std::uint64_t stream);

  // True with probability `rate`: never for 0, always for 1.
  // REQUIRES: 0 <= rate <= 1.
  bool chance(double rate);

  // A whole number from `low` to `high`, both included.
  // REQUIRES: low <= high.
  std::int64_t uniform(std::int64_t low, std::int64_t high);

 private:
  std::mt19937_64 engine_;
};

}  // namespace quillfen

#endif  // QUILLFEN_SYNTH_RANDOM_HPP_
