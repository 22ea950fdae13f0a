// The texts that both stations' report blocks build from a DateTimeRecord:
// the date-time text and the jump messages, and the way a received bit is
// shown.
#ifndef QUILLFEN_SRC_REPORT_REPORT_FORMAT_HPP_
#define QUILLFEN_SRC_REPORT_REPORT_FORMAT_HPP_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "datetime/bit_field.hpp"
#include "datetime/date_time_record.hpp"
#include "src/report/output_buffer.hpp"

namespace quillfen {

// Appends the date-time text of `record`, without a line end:
//
//   "YY-MM-DD Weekday hh:mm [dst]"     e.g. "24-03-31 Sunday 03:00 [processed,summer]"
//
// Year, month, day, hour and minute are two digits with a leading zero, or
// "**" when absent. The weekday is its English name, or "?" when absent;
// `sunday_value` is the number the station uses for Sunday (7 for DCF77, 0 for
// MSF), so 1..6 are Monday..Saturday in both numberings. The bracket is
// put_dst_text of the record's daylight-saving flags.
// REQUIRES: a present weekday is 1..6, or equals `sunday_value` and that is 0
// or 7 (checked: a record holds only its station's weekdays, and each writer
// passes its own station's Sunday).
void format_datetime(OutputBuffer& out, const DateTimeRecord& record, std::uint8_t sunday_value,
                     bool utc);

// Appends the bracket of the date-time text: "[]" when `dst` is absent, even
// with `utc` set; otherwise "[" then "announced,", "processed," and "jump,"
// for the DST_ANNOUNCED, DST_PROCESSED and DST_JUMP bits that are set, in that
// order, then "UTC" when `utc` is true, else "summer" when DST_SUMMER is set,
// else "winter", then "]".
void put_dst_text(OutputBuffer& out, std::optional<std::uint8_t> dst, bool utc);

// Appends a received bit as the report shows it: "Some(false)" for 0,
// "Some(true)" for 1 and "None" for an undetermined bit.
void put_bit(OutputBuffer& out, Bit bit);

// The messages of the jump flags set in a record, in a fixed-size list.
struct JumpMessages {
  std::array<std::string_view, 6> items;  // items[0..count) are the messages
  std::size_t count;

  auto begin() const { return items.begin(); }
  auto end() const { return items.begin() + static_cast<std::ptrdiff_t>(count); }
};

// One message per jump flag that is set, always in this order: "Year jumped",
// "Month jumped", "Day-of-month jumped", "Day-of-week jumped", "Hour jumped",
// "Minute jumped". No flag set gives an empty list. jump_dut1 has no message
// here (the MSF block reports DUT1 itself). The texts are static and carry no
// line end.
JumpMessages jump_messages(const DateTimeRecord& record);

}  // namespace quillfen

#endif  // QUILLFEN_SRC_REPORT_REPORT_FORMAT_HPP_
