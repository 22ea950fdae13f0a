#include "src/options/lower_case.hpp"

#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <cstdint>

namespace quillfen {

std::string to_lower(std::string_view text) {
  std::string lower;
  // The root locale: no Turkish dotless i on a machine set to Turkish.
  icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())))
      .toLower(icu::Locale::getRoot())
      .toUTF8String(lower);
  return lower;
}

}  // namespace quillfen
