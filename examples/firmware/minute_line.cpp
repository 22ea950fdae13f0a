#include "examples/firmware/minute_line.hpp"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

#include "base/check.hpp"
#include "datetime/date_time_record.hpp"

namespace quillfen::firmware {

namespace {

// Both stations' numberings give Sunday as 0 or 7 and Monday..Saturday as
// 1..6, so the weekday modulo 7 names the day in either.
constexpr std::array<std::string_view, 7> kWeekdayNames = {"Sun", "Mon", "Tue", "Wed",
                                                           "Thu", "Fri", "Sat"};

void add_two_digits(TextLine& line, std::optional<std::uint8_t> value) {
  if (value.has_value()) {
    line.add_decimal(*value, 2);
  } else {
    line.add("--");
  }
}

void add_time(TextLine& line, const DateTimeRecord& clock) {
  add_two_digits(line, clock.hour());
  line.add(":");
  add_two_digits(line, clock.minute());
}

// Weekday, date, local time and zone, and the same minute in UTC.
void add_clock(TextLine& line, const DateTimeRecord& clock, std::string_view winter_zone,
               std::string_view summer_zone) {
  const std::optional<std::uint8_t> weekday = clock.weekday();
  line.add(weekday.has_value() ? kWeekdayNames[*weekday % 7] : "---");
  line.add(" ");
  add_two_digits(line, clock.year());
  line.add("-");
  add_two_digits(line, clock.month());
  line.add("-");
  add_two_digits(line, clock.day());
  line.add(" ");
  add_time(line, clock);
  line.add(" ");
  const std::optional<std::uint8_t> dst = clock.dst();
  line.add(!dst.has_value() ? "?" : ((*dst & DST_SUMMER) != 0 ? summer_zone : winter_zone));
}

void add_utc(TextLine& line, const std::optional<DateTimeRecord>& utc) {
  if (utc.has_value()) {
    line.add(" (");
    add_time(line, *utc);
    line.add(" UTC)");
  }
}

void add_flag(TextLine& line, std::optional<std::uint8_t> flags, std::uint8_t bit,
              std::string_view text) {
  if (flags.has_value() && (*flags & bit) != 0) {
    line.add(" ");
    line.add(text);
  }
}

void add_state(TextLine& line, const DateTimeRecord& clock) {
  add_flag(line, clock.dst(), DST_ANNOUNCED, "DST announced");
  add_flag(line, clock.dst(), DST_PROCESSED, "DST processed");
  add_flag(line, clock.dst(), DST_JUMP, "DST jump");
  add_flag(line, clock.leap_second(), LEAP_ANNOUNCED, "leap second announced");
  add_flag(line, clock.leap_second(), LEAP_PROCESSED, "leap second processed");
  add_flag(line, clock.leap_second(), LEAP_MISSING, "leap second missing");

  const std::array<std::pair<bool, std::string_view>, 7> jumps = {{
      {clock.jump_year(), "year"},
      {clock.jump_month(), "month"},
      {clock.jump_day(), "day"},
      {clock.jump_weekday(), "weekday"},
      {clock.jump_hour(), "hour"},
      {clock.jump_minute(), "minute"},
      {clock.jump_dut1(), "DUT1"},
  }};
  std::string_view lead = " jump";
  for (const auto& [jumped, name] : jumps) {
    if (jumped) {
      line.add(lead);
      line.add(" ");
      line.add(name);
      lead = "";
    }
  }
}

void add_parity(TextLine& line, ParityCheck check, std::string_view name) {
  if (check == ParityCheck::Good) {
    return;
  }
  line.add(" ");
  line.add(name);
  line.add(check == ParityCheck::Bad ? " parity bad" : " parity undetermined");
}

void add_dut1(TextLine& line, std::optional<std::int8_t> dut1) {
  if (!dut1.has_value()) {
    return;
  }
  // Tenths of a second, -99..99.
  const int tenths = *dut1;
  const unsigned magnitude = static_cast<unsigned>(tenths < 0 ? -tenths : tenths);
  line.add(tenths < 0 ? " DUT1 -" : " DUT1 +");
  line.add_decimal(magnitude / 10);
  line.add(".");
  line.add_decimal(magnitude % 10);
  line.add(" s");
}

}  // namespace

TextLine dcf77_minute_line(const Dcf77Minute& minute) {
  QUILLFEN_CHECK(minute.reading.has_value());
  const Dcf77Reading& reading = *minute.reading;
  TextLine line;
  line.add("DCF77 ");
  if (reading.first_minute) {
    line.add("no time yet");
    return line;
  }
  add_clock(line, reading.clock, "CET", "CEST");
  add_utc(line, reading.utc);
  add_state(line, reading.clock);
  add_parity(line, reading.minute_parity, "minute");
  add_parity(line, reading.hour_parity, "hour");
  add_parity(line, reading.date_parity, "date");
  return line;
}

TextLine msf_minute_line(const MsfMinute& minute) {
  const MsfReading& reading = minute.reading;
  TextLine line;
  line.add("MSF ");
  if (reading.first_minute) {
    line.add("no time yet");
    return line;
  }
  add_clock(line, reading.clock, "GMT", "BST");
  add_utc(line, reading.utc);
  add_state(line, reading.clock);
  add_dut1(line, reading.clock.dut1());
  add_parity(line, reading.year_parity, "year");
  add_parity(line, reading.month_day_parity, "month and day");
  add_parity(line, reading.weekday_parity, "weekday");
  add_parity(line, reading.hour_minute_parity, "hour and minute");
  return line;
}

}  // namespace quillfen::firmware
