// A parser of single-letter command-line options in the manner of POSIX
// getopt: clustered options (-ue), attached or detached arguments (-fname,
// -f name), no long options, no permutation of operands. It works on
// characters (Unicode code points), so an option letter or a culprit may be
// any character, not a byte of one.
#ifndef QUILLFEN_SRC_OPTIONS_OPTION_PARSER_HPP_
#define QUILLFEN_SRC_OPTIONS_OPTION_PARSER_HPP_

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace quillfen {

// One option found: its letter and, for an option declared with a colon, its
// argument (always present for those, never for the others).
struct ParsedOption {
  char32_t letter;
  std::optional<std::string> argument;  // UTF-8

  bool operator==(const ParsedOption&) const = default;
};

enum class OptionErrorKind {
  MissingArgument,  // the option takes an argument and none is left
  UnknownOption,    // the character is not an option letter
};

// A failed option.
struct Error {
  char32_t culprit;  // the option character that failed
  OptionErrorKind kind;

  bool operator==(const Error&) const = default;
};

// The end of the options: no argument left, an operand, a lone "-", an
// empty argument, or the argument after "--".
struct EndOfOptions {
  bool operator==(const EndOfOptions&) const = default;
};

using OptionResult = std::variant<EndOfOptions, ParsedOption, Error>;

// "option requires an argument -- 'f'" or "unknown option -- 'x'".
std::string message(const Error& error);

// "Error { culprit: 'f', kind: MissingArgument }" or
// "Error { culprit: 'x', kind: UnknownOption }".
std::string debug_form(const Error& error);

// `c` as a character literal between single quotes: a single quote and a
// backslash are escaped with a backslash; tab, carriage return, line feed
// and U+0000 are written \t, \r, \n and \0; a character that is not
// printable (general category Cc, Cf, Cs, Co, Cn, Zl, Zp or Zs, except the
// space U+0020) or that has the Grapheme_Extend property is written \u{...}
// with its code point in lower-case hex without leading zeros. Everything
// else, the double quote included, is written as itself in UTF-8.
std::string character_literal(char32_t c);

// The command-line arguments split into code points, for an OptionParser.
// `position` names the first argument that is not valid UTF-8 (0 being the
// program name).
struct InvalidArgument {
  std::size_t position;
};
std::variant<std::vector<std::u32string>, InvalidArgument> split_arguments(
    std::span<const char* const> arguments);

class OptionParser {
 public:
  // `arguments`: every command-line argument split into code points, the
  // first (the program name) included; it is never parsed.
  // `option_string`: the option letters, each followed by a colon when the
  // option takes an argument; a later entry for a letter replaces an earlier
  // one, and a colon that follows no letter is an option letter itself.
  OptionParser(std::vector<std::u32string> arguments, std::u32string_view option_string);

  // The next option, an error, or the end of the options. Callers stop at
  // the first end or error.
  //
  // A detached argument is the next argument whole, whatever it looks like
  // ("-f -u" gives f with "-u"). An operand, a lone "-" or an empty argument
  // ends the options and stays unread; "--" ends them and is skipped. A
  // second dash ("--x") is an option character like any other.
  OptionResult next_option();

  // Position of the argument being parsed. After an end from "--" it is just
  // past the "--"; after any other end it is the argument that ended parsing
  // (or the number of arguments).
  std::size_t index() const { return index_; }

 private:
  // Whether `c` is an option letter, and if so whether it takes an argument.
  std::optional<bool> takes_argument(char32_t c) const;

  std::vector<std::u32string> arguments_;
  std::vector<std::pair<char32_t, bool>> option_table_;
  std::size_t index_ = 1;
  // Position of the next character in the current argument; 0 while no
  // option cluster is open.
  std::size_t point_ = 0;
};

}  // namespace quillfen

#endif  // QUILLFEN_SRC_OPTIONS_OPTION_PARSER_HPP_
