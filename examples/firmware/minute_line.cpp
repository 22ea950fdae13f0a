#include "examples/firmware/minute_line.hpp"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

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
  if (const std::optional<DateTimeRecord> utc = clock.get_utc()) {
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

// `good` is the parity result that means the check passed: false for
// DCF77's even parity, true for MSF's odd parity.
void add_parity(TextLine& line, std::optional<bool> result, bool good, std::string_view name) {
  if (result == good) {
    return;
  }
  line.add(" ");
  line.add(name);
  line.add(result.has_value() ? " parity bad" : " parity undetermined");
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

TextLine dcf77_minute_line(const Dcf77Decoder& decoder) {
  TextLine line;
  line.add("DCF77 ");
  if (decoder.get_first_minute()) {
    line.add("no time yet");
    return line;
  }
  const DateTimeRecord& clock = decoder.get_datetime();
  add_clock(line, clock, "CET", "CEST");
  add_state(line, clock);
  constexpr bool kEvenParityGood = false;
  add_parity(line, decoder.get_minute_parity(), kEvenParityGood, "minute");
  add_parity(line, decoder.get_hour_parity(), kEvenParityGood, "hour");
  add_parity(line, decoder.get_date_parity(), kEvenParityGood, "date");
  return line;
}

TextLine msf_minute_line(const MsfDecoder& decoder) {
  TextLine line;
  line.add("MSF ");
  if (decoder.get_first_minute()) {
    line.add("no time yet");
    return line;
  }
  const DateTimeRecord& clock = decoder.get_datetime();
  add_clock(line, clock, "GMT", "BST");
  add_state(line, clock);
  add_dut1(line, clock.dut1());
  constexpr bool kOddParityGood = true;
  add_parity(line, decoder.get_year_parity(), kOddParityGood, "year");
  add_parity(line, decoder.get_month_day_parity(), kOddParityGood, "month and day");
  add_parity(line, decoder.get_weekday_parity(), kOddParityGood, "weekday");
  add_parity(line, decoder.get_hour_minute_parity(), kOddParityGood, "hour and minute");
  return line;
}

}  // namespace quillfen::firmware
