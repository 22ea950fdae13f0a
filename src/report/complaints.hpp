// The complaint lines of the report: every line that tells of a reception
// fault, as one list of kinds, so that the report, a summary and a JSON
// output name and count exactly the same things.
#ifndef QUILLFEN_SRC_REPORT_COMPLAINTS_HPP_
#define QUILLFEN_SRC_REPORT_COMPLAINTS_HPP_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "datetime/date_time_record.hpp"
#include "dcf77/dcf77_receiver.hpp"
#include "msf/msf_receiver.hpp"

namespace quillfen {

// In the order a minute block prints them (a block holds the kinds of one
// station only). The last two stand outside minute blocks, in per-bit logs.
enum class Complaint : std::uint8_t {
  // DCF77 blocks.
  MinuteParityBad,
  MinuteParityUndetermined,
  HourParityBad,
  HourParityUndetermined,
  DateParityBad,
  DateParityUndetermined,
  Bit0Wrong,
  Bit0Undetermined,
  Bit20Wrong,
  Bit20Undetermined,
  // MSF blocks.
  EndOfMinuteMarkerAbsent,
  YearParityBad,
  YearParityUndetermined,
  MonthDayParityBad,
  MonthDayParityUndetermined,
  WeekdayParityBad,
  WeekdayParityUndetermined,
  HourMinuteParityBad,
  HourMinuteParityUndetermined,
  // Both stations' blocks.
  YearJumped,
  MonthJumped,
  DayJumped,
  WeekdayJumped,
  HourJumped,
  MinuteJumped,
  // MSF blocks, last.
  Dut1Jumped,
  // Per-bit logs, before a block or between blocks.
  WrongLength,
  SecondCounterWrapped,
};

inline constexpr std::size_t kComplaintKinds = static_cast<std::size_t>(Complaint::SecondCounterWrapped) + 1;

// The line as the report prints it, without its line feed. For WrongLength,
// whose line carries two numbers, the text with both numbers replaced by N:
// "Minute is N seconds instead of N seconds long".
std::string_view complaint_text(Complaint complaint);

// A fixed-size list of complaints, in report order.
struct ComplaintList {
  std::array<Complaint, 16> items;  // items[0..count) are the complaints
  std::uint8_t count = 0;

  void add(Complaint complaint) { items[count++] = complaint; }
  auto begin() const { return items.begin(); }
  auto end() const { return items.begin() + count; }
  bool empty() const { return count == 0; }
};

// The jump complaints of a record's jump flags, Year to Minute (not DUT1).
ComplaintList jump_complaints(const DateTimeRecord& record);

// The complaint lines of a decoded minute's block, in the order it prints
// them. With `show_utc` the jump lines come from the UTC copy of the clock
// (none when the clock cannot be converted), as the block shows it; an MSF
// DUT1 jump is always judged on the station's own clock.
ComplaintList block_complaints(const Dcf77Reading& reading, bool show_utc);
ComplaintList block_complaints(const MsfReading& reading, bool show_utc);

}  // namespace quillfen

#endif  // QUILLFEN_SRC_REPORT_COMPLAINTS_HPP_
