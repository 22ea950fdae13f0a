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
  // The parser itself says where options stand. It reads the list with every
  // long option already replaced: -h and -V take no argument, so an
  // argument's role (option, option argument, operand) stays what it was,
  // except that a replaced word at an option position no longer ends the
  // parse with an error. One walk then tells which replacements to keep.
  std::vector<std::u32string> replaced = arguments;
  for (std::size_t i = 1; i < replaced.size(); ++i) {
    if (const std::u32string_view short_option = short_form(replaced[i]); !short_option.empty()) {
      replaced[i] = short_option;
    }
  }
  OptionParser parser(replaced, option_string);
  for (;;) {
    const std::size_t at = parser.index();
    const OptionResult result = parser.next_option();
    const ParsedOption* option = std::get_if<ParsedOption>(&result);
    if (option == nullptr) {
      // The end of the options or an error: nothing after it is an option.
      return arguments;
    }
    // A replaced word read whole as its one option letter stood where an
    // option may stand.
    if (!option->argument && parser.index() == at + 1 && replaced[at] != arguments[at] &&
        replaced[at].size() == 2 && replaced[at][1] == option->letter) {
      arguments[at] = replaced[at];
    }
  }
}

}  // namespace quillfen
