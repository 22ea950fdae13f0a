#include "src/lib/report_format.hpp"

#include <optional>

#include "base/check.hpp"

namespace quillfen {
namespace {

// Two digits with a leading zero, or "**" for a field not decoded yet.
void append_two_digits(std::string& out, std::optional<std::uint8_t> value) {
  if (!value) {
    out.append("**");
    return;
  }
  if (*value >= 100) {
    // Only a year could hold more than two digits, and a record keeps it 0..99.
    out.append(std::to_string(*value));
    return;
  }
  out.push_back(static_cast<char>('0' + *value / 10));
  out.push_back(static_cast<char>('0' + *value % 10));
}

std::string_view weekday_name(std::uint8_t weekday, std::uint8_t sunday_value) {
  static constexpr std::string_view kMondayToSaturday[] = {"Monday",   "Tuesday", "Wednesday",
                                                           "Thursday", "Friday",  "Saturday"};
  if (weekday >= 1 && weekday <= 6) {
    return kMondayToSaturday[weekday - 1];
  }
  QUILLFEN_CHECK(weekday == sunday_value && (weekday == 0 || weekday == 7));
  return "Sunday";
}

}  // namespace

void format_datetime(std::string& out, const DateTimeRecord& record, std::uint8_t sunday_value,
                     bool dst_present, std::uint8_t dst_flags, bool utc) {
  append_two_digits(out, record.year());
  out.push_back('-');
  append_two_digits(out, record.month());
  out.push_back('-');
  append_two_digits(out, record.day());
  out.push_back(' ');
  if (const std::optional<std::uint8_t> weekday = record.weekday()) {
    out.append(weekday_name(*weekday, sunday_value));
  } else {
    out.push_back('?');
  }
  out.push_back(' ');
  append_two_digits(out, record.hour());
  out.push_back(':');
  append_two_digits(out, record.minute());
  out.append(" [");
  if (dst_present) {
    if (dst_flags & DST_ANNOUNCED) {
      out.append("announced,");
    }
    if (dst_flags & DST_PROCESSED) {
      out.append("processed,");
    }
    if (dst_flags & DST_JUMP) {
      out.append("jump,");
    }
    if (utc) {
      out.append("UTC");
    } else {
      out.append(dst_flags & DST_SUMMER ? "summer" : "winter");
    }
  }
  out.push_back(']');
}

void append_bit(std::string& out, Bit bit) {
  out.append(!bit.has_value() ? "None" : (*bit ? "Some(true)" : "Some(false)"));
}

JumpMessages jump_messages(const DateTimeRecord& record) {
  JumpMessages messages{};
  const auto add_if = [&messages](bool jumped, std::string_view text) {
    if (jumped) {
      messages.items[messages.count++] = text;
    }
  };
  add_if(record.jump_year(), "Year jumped");
  add_if(record.jump_month(), "Month jumped");
  add_if(record.jump_day(), "Day-of-month jumped");
  add_if(record.jump_weekday(), "Day-of-week jumped");
  add_if(record.jump_hour(), "Hour jumped");
  add_if(record.jump_minute(), "Minute jumped");
  return messages;
}

}  // namespace quillfen
