#include "src/options/option_parser.hpp"

#include <unicode/uchar.h>

#include <algorithm>

#include "src/lib/utf8.hpp"

namespace quillfen {
namespace {

bool is_printable(char32_t c) {
  if (c == U' ') {
    return true;
  }
  switch (u_charType(static_cast<UChar32>(c))) {
    case U_CONTROL_CHAR:         // Cc
    case U_FORMAT_CHAR:          // Cf
    case U_SURROGATE:            // Cs
    case U_PRIVATE_USE_CHAR:     // Co
    case U_UNASSIGNED:           // Cn
    case U_LINE_SEPARATOR:       // Zl
    case U_PARAGRAPH_SEPARATOR:  // Zp
    case U_SPACE_SEPARATOR:      // Zs
      return false;
    default:
      return true;
  }
}

void append_hex_escape(std::string& out, char32_t c) {
  static constexpr char kDigits[] = "0123456789abcdef";
  out += "\\u{";
  int shift = 28;
  while (shift > 0 && ((c >> shift) & 0xF) == 0) {
    shift -= 4;
  }
  for (; shift >= 0; shift -= 4) {
    out += kDigits[(c >> shift) & 0xF];
  }
  out += '}';
}

}  // namespace

std::string character_literal(char32_t c) {
  std::string out = "'";
  switch (c) {
    case U'\'':
      out += "\\'";
      break;
    case U'\\':
      out += "\\\\";
      break;
    case U'\t':
      out += "\\t";
      break;
    case U'\r':
      out += "\\r";
      break;
    case U'\n':
      out += "\\n";
      break;
    case U'\0':
      out += "\\0";
      break;
    default:
      // A grapheme extender (a combining mark) would fuse with the opening
      // quote, so it is shown by its code point even though it prints.
      if (c > 0x10FFFF || !is_printable(c) ||
          u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_GRAPHEME_EXTEND)) {
        append_hex_escape(out, c);
      } else {
        append_utf8(out, c);
      }
  }
  out += '\'';
  return out;
}

std::string message(const Error& error) {
  const char* prefix = error.kind == OptionErrorKind::MissingArgument
                           ? "option requires an argument -- "
                           : "unknown option -- ";
  return prefix + character_literal(error.culprit);
}

std::string debug_form(const Error& error) {
  const char* kind =
      error.kind == OptionErrorKind::MissingArgument ? "MissingArgument" : "UnknownOption";
  return "Error { culprit: " + character_literal(error.culprit) + ", kind: " + kind + " }";
}

std::variant<std::vector<std::u32string>, InvalidArgument> split_arguments(
    std::span<const char* const> arguments) {
  std::vector<std::u32string> split;
  split.reserve(arguments.size());
  for (std::size_t position = 0; position < arguments.size(); ++position) {
    std::optional<std::u32string> code_points = decode_utf8(arguments[position]);
    if (!code_points) {
      return InvalidArgument{position};
    }
    split.push_back(std::move(*code_points));
  }
  return split;
}

OptionParser::OptionParser(std::vector<std::u32string> arguments, std::u32string_view option_string)
    : arguments_(std::move(arguments)) {
  for (std::size_t i = 0; i < option_string.size();) {
    const char32_t letter = option_string[i];
    const bool with_argument = i + 1 < option_string.size() && option_string[i + 1] == U':';
    const auto entry = std::find_if(option_table_.begin(), option_table_.end(),
                                    [letter](const auto& e) { return e.first == letter; });
    if (entry != option_table_.end()) {
      entry->second = with_argument;
    } else {
      option_table_.emplace_back(letter, with_argument);
    }
    i += with_argument ? 2 : 1;
  }
}

std::optional<bool> OptionParser::takes_argument(char32_t c) const {
  for (const auto& [letter, with_argument] : option_table_) {
    if (letter == c) {
      return with_argument;
    }
  }
  return std::nullopt;
}

OptionResult OptionParser::next_option() {
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
  const std::u32string& current = arguments_[index_];
  const char32_t c = current[point_];
  ++point_;
  const bool more = point_ < current.size();

  const std::optional<bool> with_argument = takes_argument(c);
  if (!with_argument) {
    if (!more) {
      ++index_;
      point_ = 0;
    }
    return Error{c, OptionErrorKind::UnknownOption};
  }
  if (!*with_argument) {
    if (!more) {
      ++index_;
      point_ = 0;
    }
    return ParsedOption{c, std::nullopt};
  }
  if (more) {
    std::string attached = encode_utf8(std::u32string_view(current).substr(point_));
    ++index_;
    point_ = 0;
    return ParsedOption{c, std::move(attached)};
  }
  ++index_;
  point_ = 0;
  if (index_ >= arguments_.size()) {
    return Error{c, OptionErrorKind::MissingArgument};
  }
  std::string detached = encode_utf8(arguments_[index_]);
  ++index_;
  return ParsedOption{c, std::move(detached)};
}

}  // namespace quillfen
