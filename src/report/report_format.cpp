#include "src/report/report_format.hpp"

#include "base/check.hpp"
#include "src/report/complaints.hpp"

namespace quillfen {
namespace {

// Two digits with a leading zero, or "**" for a field not decoded yet.
void put_two_digits(OutputBuffer& out, std::optional<std::uint8_t> value) {
  if (!value) {
    out.put("**");
    return;
  }
  if (*value >= 100) {
    // Only a year could hold more than two digits, and a record keeps it 0..99.
    out.put_decimal(*value);
    return;
  }
  out.put(static_cast<char>('0' + *value / 10));
  out.put(static_cast<char>('0' + *value % 10));
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

void format_datetime(OutputBuffer& out, const DateTimeRecord& record, std::uint8_t sunday_value,
                     bool utc) {
  put_two_digits(out, record.year());
  out.put('-');
  put_two_digits(out, record.month());
  out.put('-');
  put_two_digits(out, record.day());
  out.put(' ');
  if (const std::optional<std::uint8_t> weekday = record.weekday()) {
    out.put(weekday_name(*weekday, sunday_value));
  } else {
    out.put('?');
  }
  out.put(' ');
  put_two_digits(out, record.hour());
  out.put(':');
  put_two_digits(out, record.minute());
  out.put(' ');
  put_dst_text(out, record.dst(), utc);
}

void put_dst_text(OutputBuffer& out, std::optional<std::uint8_t> dst, bool utc) {
  out.put('[');
  if (dst.has_value()) {
    if (*dst & DST_ANNOUNCED) {
      out.put("announced,");
    }
    if (*dst & DST_PROCESSED) {
      out.put("processed,");
    }
    if (*dst & DST_JUMP) {
      out.put("jump,");
    }
    if (utc) {
      out.put("UTC");
    } else {
      out.put(*dst & DST_SUMMER ? std::string_view("summer") : std::string_view("winter"));
    }
  }
  out.put(']');
}

void put_bit(OutputBuffer& out, Bit bit) {
  out.put(!bit.has_value() ? std::string_view("None")
                           : (*bit ? std::string_view("Some(true)") : std::string_view("Some(false)")));
}

JumpMessages jump_messages(const DateTimeRecord& record) {
  JumpMessages messages{};
  for (const Complaint complaint : jump_complaints(record)) {
    messages.items[messages.count++] = complaint_text(complaint);
  }
  return messages;
}

}  // namespace quillfen
