// Lower-casing an option argument, such as a station name, so that "DCF77",
// "Dcf77" and "dcf77" name the same station.
#ifndef QUILLFEN_SRC_OPTIONS_LOWER_CASE_HPP_
#define QUILLFEN_SRC_OPTIONS_LOWER_CASE_HPP_

#include <string>
#include <string_view>

namespace quillfen {

// The full Unicode lower case of the UTF-8 `text` (one character may become
// several, as "İ" becomes "i̇"), the same in every locale.
// REQUIRES: `text` is valid UTF-8.
std::string to_lower(std::string_view text);

}  // namespace quillfen

#endif  // QUILLFEN_SRC_OPTIONS_LOWER_CASE_HPP_
