#include "src/report/complaints.hpp"

namespace quillfen {
namespace {

void add_parity(ComplaintList& list, ParityCheck check, Complaint bad, Complaint undetermined) {
  if (check == ParityCheck::Bad) {
    list.add(bad);
  } else if (check == ParityCheck::Undetermined) {
    list.add(undetermined);
  }
}

// Bit 0 of every DCF77 minute is 0 and bit 20 is 1.
void add_fixed_bit(ComplaintList& list, Bit bit, bool expected, Complaint wrong,
                   Complaint undetermined) {
  if (!bit.has_value()) {
    list.add(undetermined);
  } else if (*bit != expected) {
    list.add(wrong);
  }
}

void add_jumps(ComplaintList& list, const DateTimeRecord& record) {
  const auto add_if = [&list](bool jumped, Complaint complaint) {
    if (jumped) {
      list.add(complaint);
    }
  };
  add_if(record.jump_year(), Complaint::YearJumped);
  add_if(record.jump_month(), Complaint::MonthJumped);
  add_if(record.jump_day(), Complaint::DayJumped);
  add_if(record.jump_weekday(), Complaint::WeekdayJumped);
  add_if(record.jump_hour(), Complaint::HourJumped);
  add_if(record.jump_minute(), Complaint::MinuteJumped);
}

// The record a block shows: the clock, or with UTC output its UTC copy; a
// clock that cannot be converted shows an empty record, which has no jumps.
void add_shown_jumps(ComplaintList& list, const DateTimeRecord& clock,
                     const std::optional<DateTimeRecord>& utc, bool show_utc) {
  if (!show_utc) {
    add_jumps(list, clock);
  } else if (utc.has_value()) {
    add_jumps(list, *utc);
  }
}

}  // namespace

std::string_view complaint_text(Complaint complaint) {
  switch (complaint) {
    case Complaint::MinuteParityBad: return "Minute parity bad";
    case Complaint::MinuteParityUndetermined: return "Minute parity undetermined";
    case Complaint::HourParityBad: return "Hour parity bad";
    case Complaint::HourParityUndetermined: return "Hour parity undetermined";
    case Complaint::DateParityBad: return "Date parity bad";
    case Complaint::DateParityUndetermined: return "Date parity undetermined";
    case Complaint::Bit0Wrong: return "Bit 0 is wrong";
    case Complaint::Bit0Undetermined: return "Bit 0 is undetermined";
    case Complaint::Bit20Wrong: return "Bit 20 is wrong";
    case Complaint::Bit20Undetermined: return "Bit 20 is undetermined";
    case Complaint::EndOfMinuteMarkerAbsent: return "End-of-minute marker absent";
    case Complaint::YearParityBad: return "Year parity bad";
    case Complaint::YearParityUndetermined: return "Year parity undetermined";
    case Complaint::MonthDayParityBad: return "Month/day-of-month parity bad";
    case Complaint::MonthDayParityUndetermined: return "Month/day-of-month parity undetermined";
    case Complaint::WeekdayParityBad: return "Day-of-week parity bad";
    case Complaint::WeekdayParityUndetermined: return "Day-of-week parity undetermined";
    case Complaint::HourMinuteParityBad: return "Hour/minute parity bad";
    case Complaint::HourMinuteParityUndetermined: return "Hour/minute parity undetermined";
    case Complaint::YearJumped: return "Year jumped";
    case Complaint::MonthJumped: return "Month jumped";
    case Complaint::DayJumped: return "Day-of-month jumped";
    case Complaint::WeekdayJumped: return "Day-of-week jumped";
    case Complaint::HourJumped: return "Hour jumped";
    case Complaint::MinuteJumped: return "Minute jumped";
    case Complaint::Dut1Jumped: return "DUT1 jumped";
    case Complaint::WrongLength: return "Minute is N seconds instead of N seconds long";
    case Complaint::SecondCounterWrapped: return "increase_second() == false";
  }
  return "";
}

ComplaintList jump_complaints(const DateTimeRecord& record) {
  ComplaintList list;
  add_jumps(list, record);
  return list;
}

ComplaintList block_complaints(const Dcf77Reading& reading, bool show_utc) {
  ComplaintList list;
  add_parity(list, reading.minute_parity, Complaint::MinuteParityBad,
             Complaint::MinuteParityUndetermined);
  add_parity(list, reading.hour_parity, Complaint::HourParityBad,
             Complaint::HourParityUndetermined);
  add_parity(list, reading.date_parity, Complaint::DateParityBad,
             Complaint::DateParityUndetermined);
  add_fixed_bit(list, reading.bit_0, false, Complaint::Bit0Wrong, Complaint::Bit0Undetermined);
  add_fixed_bit(list, reading.bit_20, true, Complaint::Bit20Wrong, Complaint::Bit20Undetermined);
  add_shown_jumps(list, reading.clock, reading.utc, show_utc);
  return list;
}

ComplaintList block_complaints(const MsfReading& reading, bool show_utc) {
  ComplaintList list;
  if (!reading.marker_complete) {
    list.add(Complaint::EndOfMinuteMarkerAbsent);
  }
  add_parity(list, reading.year_parity, Complaint::YearParityBad,
             Complaint::YearParityUndetermined);
  add_parity(list, reading.month_day_parity, Complaint::MonthDayParityBad,
             Complaint::MonthDayParityUndetermined);
  add_parity(list, reading.weekday_parity, Complaint::WeekdayParityBad,
             Complaint::WeekdayParityUndetermined);
  add_parity(list, reading.hour_minute_parity, Complaint::HourMinuteParityBad,
             Complaint::HourMinuteParityUndetermined);
  add_shown_jumps(list, reading.clock, reading.utc, show_utc);
  // A UTC copy keeps the jump flags, but an empty record has none, so a DUT1
  // change is always judged on the station's own clock.
  if (reading.clock.jump_dut1()) {
    list.add(Complaint::Dut1Jumped);
  }
  return list;
}

}  // namespace quillfen
