// The command line: the input, split at NUL bytes, is the argument list
// (the first piece being the program name, as the system passes it). When
// the program name starts with the byte 0x01, the rest of it is used as the
// option string instead of quillfen's own "hf:s:ueE:M".
//
// The arguments go through split_arguments as the program entry does, then
// through an OptionParser until the end of the options or an error, exactly
// as the entry consumes them. Everything is compared with plain models:
//   - split_arguments gives the code points of every argument, or names the
//     first argument that is not valid UTF-8;
//   - every next_option result equals that of a step-by-step model of the
//     getopt rules, and the parser ends after at most one call per character;
//   - every option letter is one of the option string, and the argument is
//     there exactly for the options declared with a colon;
//   - an -E argument reads as a number exactly as the model reads it;
//   - the message and debug forms of an error are built from the culprit's
//     character literal, and the literal of every character of the arguments
//     follows the escaping rules.
#include <unicode/uchar.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "fuzz/fuzz_check.hpp"
#include "fuzz/models.hpp"
#include "src/lib/u32.hpp"
#include "src/options/option_parser.hpp"

namespace quillfen::fuzz {
namespace {

// The option table as the option string defines it: a letter followed by a
// colon takes an argument; a later entry replaces an earlier one.
std::vector<std::pair<char32_t, bool>> model_table(std::u32string_view option_string) {
  std::vector<std::pair<char32_t, bool>> table;
  std::size_t i = 0;
  while (i < option_string.size()) {
    const char32_t letter = option_string[i];
    const bool takes_argument = i + 1 < option_string.size() && option_string[i + 1] == U':';
    std::erase_if(table, [letter](const auto& entry) { return entry.first == letter; });
    table.emplace_back(letter, takes_argument);
    i += takes_argument ? 2 : 1;
  }
  return table;
}

std::optional<bool> lookup(const std::vector<std::pair<char32_t, bool>>& table, char32_t c) {
  for (const auto& [letter, takes_argument] : table) {
    if (letter == c) {
      return takes_argument;
    }
  }
  return std::nullopt;
}

std::string to_utf8(std::u32string_view text) {
  std::string out;
  for (const char32_t c : text) out += model_utf8(c);
  return out;
}

// getopt, one call at a time.
class ModelParser {
 public:
  ModelParser(std::vector<std::u32string> arguments, std::u32string_view option_string)
      : arguments_(std::move(arguments)), table_(model_table(option_string)) {}

  OptionResult next() {
    if (point_ == 0) {
      if (index_ >= arguments_.size()) {
        return EndOfOptions{};
      }
      const std::u32string& argument = arguments_[index_];
      if (argument.size() < 2 || argument[0] != U'-') {
        return EndOfOptions{};
      }
      if (argument == U"--") {
        ++index_;
        return EndOfOptions{};
      }
      point_ = 1;
    }
    const std::u32string& argument = arguments_[index_];
    const char32_t c = argument[point_++];
    const bool more = point_ < argument.size();
    const std::optional<bool> takes_argument = lookup(table_, c);
    if (!more) {
      ++index_;
      point_ = 0;
    }
    if (!takes_argument) {
      return Error{c, OptionErrorKind::UnknownOption};
    }
    if (!*takes_argument) {
      return ParsedOption{c, std::nullopt};
    }
    if (more) {
      const std::string rest = to_utf8(std::u32string_view(argument).substr(point_));
      ++index_;
      point_ = 0;
      return ParsedOption{c, rest};
    }
    if (index_ >= arguments_.size()) {
      return Error{c, OptionErrorKind::MissingArgument};
    }
    return ParsedOption{c, to_utf8(arguments_[index_++])};
  }

 private:
  std::vector<std::u32string> arguments_;
  std::vector<std::pair<char32_t, bool>> table_;
  std::size_t index_ = 1;
  std::size_t point_ = 0;
};

// The literal of `c`: escapes for the quote, the backslash, tab, carriage
// return, line feed and NUL; \u{hex} for characters that do not print
// (control, format, surrogate, private use, unassigned, separators other than
// the space) and for combining marks (Grapheme_Extend).
std::string model_literal(char32_t c) {
  switch (c) {
    case U'\'':
      return "'\\''";
    case U'\\':
      return "'\\\\'";
    case U'\t':
      return "'\\t'";
    case U'\r':
      return "'\\r'";
    case U'\n':
      return "'\\n'";
    case 0:
      return "'\\0'";
    default:
      break;
  }
  bool printable = true;
  switch (u_charType(static_cast<UChar32>(c))) {
    case U_CONTROL_CHAR:
    case U_FORMAT_CHAR:
    case U_SURROGATE:
    case U_PRIVATE_USE_CHAR:
    case U_UNASSIGNED:
    case U_LINE_SEPARATOR:
    case U_PARAGRAPH_SEPARATOR:
      printable = false;
      break;
    case U_SPACE_SEPARATOR:
      printable = c == U' ';
      break;
    default:
      break;
  }
  if (!printable || u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_GRAPHEME_EXTEND)) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string digits;
    for (char32_t rest = c; rest != 0 || digits.empty(); rest >>= 4) {
      digits.insert(digits.begin(), kHex[rest & 0xF]);
    }
    return "'\\u{" + digits + "}'";
  }
  return "'" + model_utf8(c) + "'";
}

void check_error(const Error& error) {
  const std::string literal = model_literal(error.culprit);
  FUZZ_CHECK_DETAIL(character_literal(error.culprit) == literal, character_literal(error.culprit));
  const bool missing = error.kind == OptionErrorKind::MissingArgument;
  FUZZ_CHECK(message(error) ==
             (missing ? "option requires an argument -- " : "unknown option -- ") + literal);
  FUZZ_CHECK(debug_form(error) == "Error { culprit: " + literal + ", kind: " +
                                      (missing ? "MissingArgument" : "UnknownOption") + " }");
}

}  // namespace
}  // namespace quillfen::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quillfen;
  using namespace quillfen::fuzz;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> arguments;
  for (std::size_t begin = 0;;) {
    const std::size_t end = input.find('\0', begin);
    arguments.emplace_back(input.substr(begin, end == std::string_view::npos ? end : end - begin));
    if (end == std::string_view::npos) break;
    begin = end + 1;
  }
  std::vector<const char*> pointers;
  pointers.reserve(arguments.size());
  for (const std::string& argument : arguments) pointers.push_back(argument.c_str());

  // Split as the entry does, and check against the model.
  auto split = split_arguments(pointers);
  std::vector<std::u32string> expected;
  std::optional<std::size_t> first_invalid;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    if (!model_is_utf8(arguments[i])) {
      first_invalid = i;
      break;
    }
    std::u32string code_points;
    for (const CodePoint& c : model_code_points(arguments[i])) code_points.push_back(c.value);
    expected.push_back(std::move(code_points));
  }
  if (first_invalid) {
    const auto* invalid = std::get_if<InvalidArgument>(&split);
    FUZZ_CHECK(invalid != nullptr && invalid->position == *first_invalid);
    return 0;
  }
  FUZZ_CHECK(std::holds_alternative<std::vector<std::u32string>>(split));
  FUZZ_CHECK(std::get<std::vector<std::u32string>>(split) == expected);

  std::size_t characters = 0;
  for (const std::u32string& argument : expected) {
    characters += argument.size();
    for (const char32_t c : argument) {
      FUZZ_CHECK_DETAIL(character_literal(c) == model_literal(c), character_literal(c));
    }
  }

  std::u32string option_string = U"hf:s:ueE:M";
  if (!expected[0].empty() && expected[0][0] == U'\x01') {
    option_string = expected[0].substr(1);
  }
  OptionParser parser(expected, option_string);
  ModelParser model(expected, option_string);
  const std::vector<std::pair<char32_t, bool>> table = model_table(option_string);

  // Every call takes at least one character, or ends the options.
  for (std::size_t calls = 0;; ++calls) {
    FUZZ_CHECK(calls <= characters + 1);
    const OptionResult result = parser.next_option();
    FUZZ_CHECK(result == model.next());
    if (std::holds_alternative<EndOfOptions>(result)) {
      break;
    }
    if (const auto* error = std::get_if<Error>(&result)) {
      check_error(*error);
      FUZZ_CHECK(lookup(table, error->culprit).has_value() ==
                 (error->kind == OptionErrorKind::MissingArgument));
      break;
    }
    const ParsedOption& option = std::get<ParsedOption>(result);
    const std::optional<bool> takes_argument = lookup(table, option.letter);
    FUZZ_CHECK(takes_argument.has_value());
    FUZZ_CHECK(option.argument.has_value() == *takes_argument);
    if (option.letter == U'E' && option.argument) {
      const auto limit = parse_u32(*option.argument);
      const auto model_limit = model_u32(*option.argument);
      FUZZ_CHECK(limit.index() == model_limit.index());
      if (const auto* value = std::get_if<std::uint32_t>(&limit)) {
        FUZZ_CHECK(*value == std::get<std::uint32_t>(model_limit));
      } else {
        FUZZ_CHECK(std::get<std::string_view>(limit) == std::get<std::string>(model_limit));
      }
    }
  }
  return 0;
}
