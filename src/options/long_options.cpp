#include "src/options/long_options.hpp"

#include <cstddef>
#include <variant>

#include "src/options/option_parser.hpp"

namespace quillfen {
namespace {

// The short option a long option stands for, or nothing.
std::u32string_view short_form(const std::u32string& argument) {
  if (argument == U"--help") return U"-h";
  if (argument == U"--version") return U"-V";
  return {};
}

}  // namespace

std::vector<std::u32string> with_long_options_as_short(std::vector<std::u32string> arguments,
                                                       std::u32string_view option_string) {
  // The parser itself says where options stand: a long option at an option
  // position is a cluster whose first character, the second '-', is unknown.
  // Each replacement changes what follows it (-V may be an option letter
  // that "--version" was not), so the walk starts again after each one; there
  // are at most as many walks as arguments.
  for (;;) {
    OptionParser parser(arguments, option_string);
    bool replaced = false;
    for (;;) {
      const std::size_t at = parser.index();
      const OptionResult result = parser.next_option();
      const Error* error = std::get_if<Error>(&result);
      if (error == nullptr) {
        if (std::holds_alternative<EndOfOptions>(result)) return arguments;
        continue;
      }
      if (error->culprit == U'-' && error->kind == OptionErrorKind::UnknownOption &&
          at < arguments.size()) {
        const std::u32string_view replacement = short_form(arguments[at]);
        if (!replacement.empty()) {
          arguments[at] = replacement;
          replaced = true;
        }
      }
      break;
    }
    if (!replaced) return arguments;
  }
}

}  // namespace quillfen
