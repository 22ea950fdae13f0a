#include "src/lib/edge_log.hpp"

#include <charconv>

#include "src/lib/u32.hpp"

namespace quillfen {
namespace {

struct CodePointRange {
  char32_t first;
  char32_t last;
};

// The Unicode White_Space set, which separates the fields of a line.
constexpr CodePointRange kWhiteSpace[] = {
    {0x0009, 0x000D}, {0x0020, 0x0020}, {0x0085, 0x0085}, {0x00A0, 0x00A0}, {0x1680, 0x1680},
    {0x2000, 0x200A}, {0x2028, 0x2029}, {0x202F, 0x202F}, {0x205F, 0x205F}, {0x3000, 0x3000},
};

bool is_white_space(char32_t c) {
  for (const CodePointRange& range : kWhiteSpace) {
    if (c >= range.first && c <= range.last) {
      return true;
    }
  }
  return false;
}

// Length in bytes of the white-space character that `text` (not empty) starts
// with, or 0 when it starts with anything else. ASCII is answered from the
// byte alone; only a multi-byte character is decoded, and never past the end
// of `text`. A continuation byte is never taken for the start of white space,
// so the caller may step over other characters byte by byte.
std::size_t white_space_length(std::string_view text) {
  const auto lead = static_cast<unsigned char>(text.front());
  if (lead < 0x80) {
    return (lead >= 0x09 && lead <= 0x0D) || lead == 0x20 ? 1 : 0;
  }
  std::size_t length;
  char32_t code_point;
  if ((lead & 0xE0) == 0xC0) {
    length = 2;
    code_point = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    code_point = lead & 0x0F;
  } else {
    // Four-byte characters (beyond U+FFFF) hold no white space.
    return 0;
  }
  if (text.size() < length) {
    return 0;
  }
  for (std::size_t i = 1; i < length; ++i) {
    code_point = (code_point << 6) | (static_cast<unsigned char>(text[i]) & 0x3F);
  }
  return is_white_space(code_point) ? length : 0;
}

// Hands out the fields of a line one by one, left to right.
class FieldReader {
 public:
  explicit FieldReader(std::string_view line) : rest_(line) {}

  // The next field, or nothing when only white space is left.
  std::optional<std::string_view> next() {
    while (!rest_.empty()) {
      const std::size_t length = white_space_length(rest_);
      if (length == 0) {
        break;
      }
      rest_.remove_prefix(length);
    }
    if (rest_.empty()) {
      return std::nullopt;
    }
    std::size_t end = 1;
    while (end < rest_.size() && white_space_length(rest_.substr(end)) == 0) {
      ++end;
    }
    const std::string_view field = rest_.substr(0, end);
    rest_.remove_prefix(end);
    return field;
  }

 private:
  std::string_view rest_;
};

constexpr std::string_view kInvalidStart = "parse_raw_line: invalid start of line ";
constexpr std::string_view kInvalidFormat = "parse_raw_line: invalid file format at line ";
constexpr std::string_view kNotBoolean = "provided string was not `true` or `false`";

// "<head><line_number><tail><reason>\n".
std::string message(std::string_view head, std::uint32_t line_number, std::string_view tail,
                    std::string_view reason = {}) {
  char digits[10];
  char* const digits_end = std::to_chars(digits, digits + sizeof digits, line_number).ptr;
  std::string text;
  text.reserve(head.size() + sizeof digits + tail.size() + reason.size() + 1);
  text.append(head).append(digits, digits_end).append(tail).append(reason).push_back('\n');
  return text;
}

}  // namespace

std::variant<EdgeLogLine, std::string> parse_raw_line(std::string_view line,
                                                      std::uint32_t line_number) {
  FieldReader fields(line);
  const std::optional<std::string_view> kind_field = fields.next();
  if (kind_field == "#") {
    return EdgeLogLine{EdgeLineKind::Comment, std::nullopt, std::nullopt, line};
  }
  if (!kind_field.has_value() || kind_field->size() != 1 ||
      kStationLetters.find(kind_field->front()) == std::string_view::npos) {
    return message(kInvalidStart, line_number, ", missing D/M/#");
  }
  const char station = kind_field->front();

  // Every field must be there before any value is judged, so a missing field
  // is reported even when an earlier field is bad.
  const std::optional<std::string_view> is_high_field = fields.next();
  if (!is_high_field) {
    return message(kInvalidFormat, line_number, ", missing 'is_high'");
  }
  const bool is_high = *is_high_field == "true";
  const bool is_boolean = is_high || *is_high_field == "false";
  const std::optional<std::string_view> when_field = fields.next();
  if (!when_field) {
    return message(kInvalidFormat, line_number, ", missing 'when'");
  }
  const std::variant<std::uint32_t, std::string_view> when = parse_u32(*when_field);
  const std::optional<std::string_view> tick_field = fields.next();
  if (!tick_field) {
    return message(kInvalidFormat, line_number, ", missing 'tick'");
  }
  const std::variant<std::uint32_t, std::string_view> tick = parse_u32(*tick_field);

  if (!is_boolean) {
    return message(kInvalidFormat, line_number, ", 'is_high' is not a boolean: ", kNotBoolean);
  }
  if (const auto* reason = std::get_if<std::string_view>(&when)) {
    return message(kInvalidFormat, line_number, ", 'when' is not a u32: ", *reason);
  }
  if (const auto* reason = std::get_if<std::string_view>(&tick)) {
    return message(kInvalidFormat, line_number, ", 'tick' is not a u32: ", *reason);
  }
  return EdgeLogLine{
      EdgeLineKind::Edge, station,
      EdgeSample{is_high, std::get<std::uint32_t>(when), std::get<std::uint32_t>(tick)},
      std::nullopt};
}

}  // namespace quillfen
