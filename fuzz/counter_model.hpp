// The rule of both decoders' increase_second, as a model the decoder fuzz
// targets check the receivers against.
#ifndef QUILLFEN_FUZZ_COUNTER_MODEL_HPP_
#define QUILLFEN_FUZZ_COUNTER_MODEL_HPP_

#include <cstdint>
#include <utility>

namespace quillfen::fuzz {

// increase_second from `second` with the new-minute flag and the minute
// length taken before the counter moves: the result and the new second. A
// new minute starts at 0; otherwise the counter goes up by one and wraps to 0
// with a false result at the minute length or at 62.
inline std::pair<bool, std::uint8_t> model_increase(std::uint8_t second, bool new_minute,
                                                    std::uint8_t length) {
  if (new_minute) {
    return {true, 0};
  }
  const int next = second + 1;
  if (next == length || next == 62) {
    return {false, 0};
  }
  return {true, static_cast<std::uint8_t>(next)};
}

}  // namespace quillfen::fuzz

#endif  // QUILLFEN_FUZZ_COUNTER_MODEL_HPP_
