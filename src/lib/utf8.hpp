// UTF-8 checking, decoding and encoding for command-line arguments and log
// files. Valid UTF-8 here is the strict form: no overlong sequences, no
// surrogate code points (U+D800 to U+DFFF) and nothing above U+10FFFF.
#ifndef QUILLFEN_SRC_LIB_UTF8_HPP_
#define QUILLFEN_SRC_LIB_UTF8_HPP_

#include <optional>
#include <string>
#include <string_view>

namespace quillfen {

// True when `bytes` is valid UTF-8 as described above. The empty text is
// valid. Never allocates; runs of ASCII are checked eight bytes at a time, so
// a whole log file can be checked quickly.
bool is_valid_utf8(std::string_view bytes);

// The code points of `bytes`, or nothing when `bytes` is not valid UTF-8.
std::optional<std::u32string> decode_utf8(std::string_view bytes);

// Appends the UTF-8 form of `code_point` to `out`.
// REQUIRES: `code_point` is at most U+10FFFF and not a surrogate.
void append_utf8(std::string& out, char32_t code_point);

// The UTF-8 form of `code_points`.
// REQUIRES: every code point is at most U+10FFFF and not a surrogate.
std::string encode_utf8(std::u32string_view code_points);

}  // namespace quillfen

#endif  // QUILLFEN_SRC_LIB_UTF8_HPP_
