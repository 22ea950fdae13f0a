#include "src/options/lower_case.hpp"

#include <gtest/gtest.h>

namespace quillfen {
namespace {

TEST(ToLower, FullUnicodeLowerCase) {
  const struct {
    std::string_view text;
    std::string_view lower;
  } cases[] = {
      {"DCF77", "dcf77"},
      {"MsF", "msf"},
      {"", ""},
      {"\xc3\x89T\xc3\x89", "\xc3\xa9t\xc3\xa9"},  // ÉTÉ
      {"\xce\xa3\xce\x91", "\xcf\x83\xce\xb1"},    // ΣΑ: σ, not the final ς, before a letter
      // İ becomes two characters, i and a combining dot above: the full
      // mapping of the root locale, not Turkish rules.
      {"\xc4\xb0", "i\xcc\x87"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(to_lower(c.text), c.lower) << c.text;
  }
}

}  // namespace
}  // namespace quillfen
