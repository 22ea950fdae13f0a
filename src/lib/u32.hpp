// Reading an unsigned 32-bit decimal number, the one rule shared by the -E
// option and the `when` and `tick` fields of edge-log lines.
#ifndef QUILLFEN_SRC_LIB_U32_HPP_
#define QUILLFEN_SRC_LIB_U32_HPP_

#include <cstdint>
#include <string_view>
#include <variant>

namespace quillfen {

inline constexpr std::string_view kU32Empty = "cannot parse integer from empty string";
inline constexpr std::string_view kU32InvalidDigit = "invalid digit found in string";
inline constexpr std::string_view kU32TooLarge = "number too large to fit in target type";

// Reads `text` as an unsigned 32-bit decimal number: one leading "+" is
// skipped when `text` has more than one character, then every character must
// be a digit 0-9 (leading zeros are fine) and the value at most 4294967295.
//
// Returns the value, or the reason it cannot be read (one of the three
// constants above, pointing to static text):
//   - `text` empty: kU32Empty;
//   - otherwise the first problem met walking the digits from the left: a
//     non-digit (including a "-" sign, a second "+", or a lone "+" or "-")
//     gives kU32InvalidDigit, a digit that takes the value past 4294967295
//     gives kU32TooLarge.
// Looks only at `text`; never allocates.
std::variant<std::uint32_t, std::string_view> parse_u32(std::string_view text);

}  // namespace quillfen

#endif  // QUILLFEN_SRC_LIB_U32_HPP_
