#include "fuzz/models.hpp"

#include <array>

namespace quillfen::fuzz {

// ---- Text ------------------------------------------------------------------

namespace {

// Decodes the sequence starting at `bytes[at]`; nothing when it is not
// strict UTF-8.
std::optional<CodePoint> decode_one(std::string_view bytes, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) {
    return CodePoint{lead, at, 1};
  }
  std::size_t length;
  char32_t value;
  char32_t smallest;
  if ((lead & 0xE0) == 0xC0) {
    length = 2;
    value = lead & 0x1F;
    smallest = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    value = lead & 0x0F;
    smallest = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    value = lead & 0x07;
    smallest = 0x10000;
  } else {
    return std::nullopt;  // a continuation byte, or 0xF8..0xFF
  }
  if (bytes.size() - at < length) {
    return std::nullopt;
  }
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) {
      return std::nullopt;
    }
    value = (value << 6) | (byte(at + i) & 0x3F);
  }
  if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    return std::nullopt;
  }
  return CodePoint{value, at, length};
}

}  // namespace

bool model_is_utf8(std::string_view bytes) {
  std::size_t at = 0;
  while (at < bytes.size()) {
    const std::optional<CodePoint> c = decode_one(bytes, at);
    if (!c) {
      return false;
    }
    at += c->length;
  }
  return true;
}

std::vector<CodePoint> model_code_points(std::string_view bytes) {
  std::vector<CodePoint> result;
  std::size_t at = 0;
  while (at < bytes.size()) {
    const std::optional<CodePoint> c = decode_one(bytes, at);
    if (!c) {
      break;  // not reached for valid input
    }
    result.push_back(*c);
    at += c->length;
  }
  return result;
}

std::string model_utf8(char32_t c) {
  std::string out;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

// ---- Edge logs ---------------------------------------------------------------

std::vector<ModelLine> model_split_lines(std::string_view text) {
  std::vector<ModelLine> lines;
  std::size_t begin = 0;
  while (begin < text.size()) {
    const std::size_t line_feed = text.find('\n', begin);
    if (line_feed == std::string_view::npos) {
      lines.push_back({text.substr(begin), begin, text.size()});
      break;
    }
    std::string_view line = text.substr(begin, line_feed - begin);
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    lines.push_back({line, begin, line_feed + 1});
    begin = line_feed + 1;
  }
  return lines;
}

std::variant<std::uint32_t, std::string> model_u32(std::string_view text) {
  if (text.empty()) {
    return std::string("cannot parse integer from empty string");
  }
  if (text.size() > 1 && text[0] == '+') {
    text.remove_prefix(1);
  }
  std::uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') {
      return std::string("invalid digit found in string");
    }
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > 0xFFFFFFFFu) {
      return std::string("number too large to fit in target type");
    }
  }
  return static_cast<std::uint32_t>(value);
}

namespace {

bool is_white_space(char32_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F ||
         c == 0x3000;
}

// The first `kMaxFields` fields of `line` and whether there are that many.
constexpr std::size_t kMaxFields = 4;
struct Fields {
  std::array<std::string_view, kMaxFields> items;
  std::size_t count = 0;
};

Fields fields_of(std::string_view line) {
  Fields fields;
  std::optional<std::size_t> field_begin;
  std::size_t at = 0;
  while (at < line.size() && fields.count < kMaxFields) {
    const std::optional<CodePoint> c = decode_one(line, at);
    if (!c) {
      break;  // not reached for valid input
    }
    if (is_white_space(c->value)) {
      if (field_begin) {
        fields.items[fields.count++] = line.substr(*field_begin, at - *field_begin);
        field_begin.reset();
      }
    } else if (!field_begin) {
      field_begin = at;
    }
    at += c->length;
  }
  if (field_begin && fields.count < kMaxFields) {
    fields.items[fields.count++] = line.substr(*field_begin, at - *field_begin);
  }
  return fields;
}

std::string line_message(std::uint32_t line_number, std::string_view what) {
  return "parse_raw_line: invalid file format at line " + std::to_string(line_number) + ", " +
         std::string(what) + "\n";
}

}  // namespace

std::variant<EdgeLogLine, std::string> model_parse_line(std::string_view line,
                                                        std::uint32_t line_number) {
  const Fields found = fields_of(line);
  const auto& fields = found.items;
  if (found.count == 0 || (fields[0] != "D" && fields[0] != "M" && fields[0] != "#")) {
    return "parse_raw_line: invalid start of line " + std::to_string(line_number) +
           ", missing D/M/#\n";
  }
  if (fields[0] == "#") {
    return EdgeLogLine{EdgeLineKind::Comment, std::nullopt, std::nullopt, line};
  }
  if (found.count < 2) {
    return line_message(line_number, "missing 'is_high'");
  }
  if (found.count < 3) {
    return line_message(line_number, "missing 'when'");
  }
  if (found.count < 4) {
    return line_message(line_number, "missing 'tick'");
  }
  if (fields[1] != "true" && fields[1] != "false") {
    return line_message(line_number,
                        "'is_high' is not a boolean: provided string was not `true` or `false`");
  }
  const auto when = model_u32(fields[2]);
  if (const auto* reason = std::get_if<std::string>(&when)) {
    return line_message(line_number, "'when' is not a u32: " + *reason);
  }
  const auto tick = model_u32(fields[3]);
  if (const auto* reason = std::get_if<std::string>(&tick)) {
    return line_message(line_number, "'tick' is not a u32: " + *reason);
  }
  return EdgeLogLine{
      EdgeLineKind::Edge, fields[0] == "D" ? 'D' : 'M',
      EdgeSample{fields[1] == "true", std::get<std::uint32_t>(when), std::get<std::uint32_t>(tick)},
      std::nullopt};
}

std::optional<FirstBadLine> model_first_bad_line(std::string_view text) {
  const std::vector<ModelLine> lines = model_split_lines(text);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    auto parsed = model_parse_line(lines[i].text, static_cast<std::uint32_t>(i + 1));
    if (auto* message = std::get_if<std::string>(&parsed)) {
      return FirstBadLine{i, std::move(*message)};
    }
  }
  return std::nullopt;
}

// ---- Calendar ----------------------------------------------------------------

std::optional<int> model_days_in_month(int year, int month, int day, int weekday) {
  if (month == 4 || month == 6 || month == 9 || month == 11) {
    return 30;
  }
  if (month != 2) {
    return 31;
  }
  if (day >= 30) {
    return std::nullopt;
  }
  if (year != 0) {
    return year % 4 == 0 ? 29 : 28;
  }
  const int monday_based = weekday == 0 ? 7 : weekday;
  if (day == 29) {
    return monday_based == 2 ? 29 : 28;
  }
  // In a February that begins on a Tuesday (2000) day d falls on weekday
  // d mod 7 + 1, Monday being 1.
  return monday_based == day % 7 + 1 ? 29 : 28;
}

namespace {

std::optional<Civil> civil_of(const DateTimeRecord& r) {
  if (!r.dst() || !r.year() || !r.month() || !r.day() || !r.weekday() || !r.hour() || !r.minute()) {
    return std::nullopt;
  }
  return Civil{*r.year(), *r.month(), *r.day(), *r.weekday(), *r.hour(), *r.minute()};
}

}  // namespace

std::optional<Civil> model_next_minute(const DateTimeRecord& record) {
  std::optional<Civil> civil = civil_of(record);
  if (!civil) {
    return std::nullopt;
  }
  Civil c = *civil;
  if (c.minute < 59) {
    ++c.minute;
    return c;
  }
  c.minute = 0;
  const int flags = *record.dst();
  int hour = (c.hour + 1) % 256;
  if ((flags & DST_ANNOUNCED) != 0) {
    hour += (flags & DST_SUMMER) != 0 ? -1 : 1;  // an hour repeated, or skipped
  }
  if (hour <= 23) {
    c.hour = hour;
    return c;
  }
  c.hour = hour - 24;
  c.weekday = c.weekday == record.max_weekday() ? record.min_weekday() : c.weekday + 1;
  const std::optional<int> days =
      model_days_in_month(*record.year(), *record.month(), *record.day(), *record.weekday());
  if (days && c.day + 1 <= *days) {
    ++c.day;
    return c;
  }
  // The last day of the month, or a day the month does not have.
  c.day = 1;
  if (c.month == 12) {
    c.month = 1;
    c.year = c.year == 99 ? 0 : c.year + 1;
  } else {
    ++c.month;
  }
  return c;
}

std::optional<Civil> model_utc(const DateTimeRecord& record) {
  std::optional<Civil> civil = civil_of(record);
  if (!civil || !record.time_is_utc() || !record.utc_offset()) {
    return std::nullopt;
  }
  Civil c = *civil;
  if (*record.time_is_utc() || record.is_utc_copy()) {
    return c;
  }
  const int offset = *record.utc_offset() + ((*record.dst() & DST_SUMMER) != 0 ? 60 : 0);
  if (offset < 0 || offset % 60 != 0 || offset > 18 * 60) {
    return std::nullopt;  // not modelled
  }
  const int hours = offset / 60;
  if (c.hour >= hours) {
    c.hour -= hours;
    return c;
  }
  c.hour += 24 - hours;
  c.weekday = c.weekday == record.min_weekday() ? record.max_weekday() : c.weekday - 1;
  if (c.day > 1) {
    --c.day;
    return c;
  }
  switch (c.month) {
    case 1:
      c.month = 12;
      c.day = 31;
      c.year = c.year == 0 ? 99 : c.year - 1;
      break;
    case 3: {
      c.month = 2;
      const bool leap = c.year != 0 ? c.year % 4 == 0 : c.weekday == 2;
      c.day = leap ? 29 : 28;
      break;
    }
    case 5:
    case 7:
    case 10:
    case 12:
      --c.month;
      c.day = 30;
      break;
    default:
      --c.month;
      c.day = 31;
      break;
  }
  return c;
}

}  // namespace quillfen::fuzz
