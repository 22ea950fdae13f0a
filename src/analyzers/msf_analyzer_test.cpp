#include "src/analyzers/analyze.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "src/testing/fault_checks.hpp"
#include "src/testing/program_run.hpp"
#include "synth/msf_encoder.hpp"
#include "synth/utc_minute.hpp"

namespace quillfen {
namespace {

using std::chrono::days;
using std::chrono::hours;
using std::chrono::minutes;
using std::chrono::sys_days;

// ---- Helpers --------------------------------------------------------------

// Splits a report into its lines; every report line ends with a line feed, so
// a trailing fragment without one is kept as a line of its own and shows up
// in the comparison.
std::vector<std::string> lines_of(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) {
      lines.emplace_back(std::string(text.substr(start)) + "<no line feed>");
      break;
    }
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// Compares line by line and names the first line that differs, so that a
// failure in a long report points at the place instead of printing both.
void expect_lines(std::string_view report, const std::vector<std::string>& expected) {
  const std::vector<std::string> actual = lines_of(report);
  const std::size_t common = std::min(actual.size(), expected.size());
  for (std::size_t i = 0; i < common; ++i) {
    if (actual[i] != expected[i]) {
      ADD_FAILURE() << "first difference at report line " << i + 1 << "\n  actual:   " << actual[i]
                    << "\n  expected: " << expected[i]
                    << (i > 0 ? "\n  after:    " + expected[i - 1] : std::string());
      return;
    }
  }
  EXPECT_EQ(actual.size(), expected.size())
      << "reports agree on " << common
      << " lines; next actual: " << (common < actual.size() ? actual[common] : "(none)")
      << "; next expected: " << (common < expected.size() ? expected[common] : "(none)");
}

std::size_t count_lines_starting(std::string_view report, std::string_view prefix) {
  std::size_t count = 0;
  for (const std::string& line : lines_of(report)) {
    count += line.starts_with(prefix) ? 1 : 0;
  }
  return count;
}

// The per-bit characters of one frame: "4" and one digit A + 2B per second.
std::string frame_chars(const MsfFrame& frame) {
  std::string chars = msf_bit_log({frame});
  chars.pop_back();  // the line feed the encoder adds after each frame
  return chars;
}

// The bits line of a minute: its characters in the fields of the MSF time code,
// minute marker, DUT1 positive, DUT1 negative (which gains or loses the leap
// second), year, month, day, weekday, hour, minute, end-of-minute marker.
std::string grouped(std::string_view chars) {
  const int leap = static_cast<int>(chars.size()) - 60;
  const int widths[] = {1, 8, 8 + leap, 8, 5, 6, 3, 6, 7, 8};
  std::string line;
  std::size_t at = 0;
  for (const int width : widths) {
    if (!line.empty()) line += ' ';
    line += chars.substr(at, static_cast<std::size_t>(width));
    at += static_cast<std::size_t>(width);
  }
  return line;
}

std::string two_digits(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02u", value);
  return text;
}

// Station options: a constant DUT1, optionally changing to `new_dut1` from
// the minute `change` on, and optionally a leap second before `leap`.
MsfOptions station(std::int8_t dut1, std::optional<sys_minutes> change = std::nullopt,
                   std::int8_t new_dut1 = 0, std::optional<sys_minutes> leap = std::nullopt,
                   bool negative_leap = false) {
  MsfOptions options;
  options.dut1 = dut1;
  if (change) options.dut1_change = std::pair{*change, new_dut1};
  if (leap) options.leap_second_before = std::chrono::sys_seconds{*leap};
  options.negative_leap = negative_leap;
  return options;
}

constexpr const char* kWeekdayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                         "Thursday", "Friday", "Saturday"};

// ---- What a clean log must report, from the calendar ------------------------

struct Scenario {
  const char* name;
  sys_minutes first_sent;  // UTC minute during which the first frame is sent
  int count;
  MsfOptions options;
};

std::int8_t dut1_carried(const Scenario& scenario, sys_minutes carried) {
  const auto& change = scenario.options.dut1_change;
  return change && carried >= change->first ? change->second : scenario.options.dut1;
}

// The date-time and DUT1 line for the minute a frame carries. The UK changes
// between GMT and BST at 01:00 UTC; 53B is set through the hour before, so
// from the second minute of that hour on the announcement is believed, and
// the minute right after the change shows it processed (when the minute
// before it was decoded, so that the announcement was known).
std::string datetime_line(const Scenario& scenario, sys_minutes carried, bool show_utc,
                          bool first_in_log) {
  const bool summer = msf_is_summer_time(carried);
  const bool announced = summer != msf_is_summer_time(carried + minutes{59});
  const bool processed = !first_in_log && summer != msf_is_summer_time(carried - minutes{1});

  unsigned year_ = 0, month = 0, day = 0, weekday = 0, hour = 0, minute = 0;
  if (show_utc) {
    const sys_days date = std::chrono::floor<days>(carried);
    const std::chrono::year_month_day ymd{date};
    const std::chrono::hh_mm_ss time{carried - date};
    year_ = static_cast<unsigned>(static_cast<int>(ymd.year()) % 100);
    month = static_cast<unsigned>(ymd.month());
    day = static_cast<unsigned>(ymd.day());
    weekday = std::chrono::weekday{date}.c_encoding();
    hour = static_cast<unsigned>(time.hours().count());
    minute = static_cast<unsigned>(time.minutes().count());
  } else {
    const MsfCivilMinute local = msf_local_time(carried);
    year_ = static_cast<unsigned>(local.year % 100);
    month = local.month;
    day = local.day;
    weekday = local.weekday;
    hour = local.hour;
    minute = local.minute;
  }
  std::string line = two_digits(year_) + "-" + two_digits(month) + "-" + two_digits(day) + " " +
                     kWeekdayNames[weekday] + " " + two_digits(hour) + ":" + two_digits(minute) +
                     " [";
  if (announced) line += "announced,";
  if (processed) line += "processed,";
  line += show_utc ? "UTC" : summer ? "summer" : "winter";
  line += "] DUT1=" + std::to_string(dut1_carried(scenario, carried));
  return line;
}

// The block of report_msf_minute for frame k of a clean log, without the
// empty line that follows it.
std::vector<std::string> expected_block(const Scenario& scenario, int k, std::uint8_t length,
                                        bool show_utc) {
  const sys_minutes carried = scenario.first_sent + minutes{k + 1};
  const std::string seconds = std::to_string(length);
  std::vector<std::string> block = {
      "first_minute=false seconds=" + seconds + " minute_length=" + seconds,
      datetime_line(scenario, carried, show_utc, k == 0)};
  // DUT1 may change at any minute, but a change at 00:00 UTC is the expected
  // one and not flagged.
  const bool dut1_changed =
      k > 0 && dut1_carried(scenario, carried) != dut1_carried(scenario, carried - minutes{1});
  const bool midnight_utc = carried == std::chrono::floor<days>(carried);
  if (dut1_changed && !midnight_utc) block.emplace_back("DUT1 jumped");
  return block;
}

std::vector<std::string> expected_bits_report(const Scenario& scenario,
                                              const std::vector<MsfFrame>& frames, bool show_utc) {
  std::vector<std::string> lines;
  for (int k = 0; k < static_cast<int>(frames.size()); ++k) {
    const MsfFrame& frame = frames[static_cast<std::size_t>(k)];
    lines.push_back(grouped(frame_chars(frame)));
    for (std::string& line : expected_block(scenario, k, frame.length, show_utc)) {
      lines.push_back(std::move(line));
    }
    lines.emplace_back();
  }
  return lines;
}

struct LoggedEdge {
  bool is_high;
  std::uint32_t when;
  std::string text;  // "<true/when/tick>"
};

// Reads back the "M" lines that msf_edge_log wrote.
std::vector<LoggedEdge> edges_of(std::string_view log) {
  std::vector<LoggedEdge> edges;
  for (const std::string& line : lines_of(log)) {
    const bool is_high = line.starts_with("M true ");
    const std::size_t when_at = is_high ? 7 : 8;
    const std::size_t tick_at = line.find(' ', when_at);
    const std::string when = line.substr(when_at, tick_at - when_at);
    const std::string tick = line.substr(tick_at + 1);
    std::string text = "<";
    text += is_high ? "true" : "false";
    text += "/" + when;
    text += "/" + tick;
    text += ">";
    edges.push_back({is_high, static_cast<std::uint32_t>(std::stoul(when)), text});
  }
  return edges;
}

std::string bit_text(Bit bit) { return !bit ? "None" : *bit ? "Some(true)" : "Some(false)"; }

// The report of a clean edge log: a line per second, made when the rising edge
// that starts the next second arrives (the encoder starts second n at
// start_us + n * 1000000), holding every edge since the previous line; the
// minute's block at the falling edge that ends its last pulse, so before the
// line of the last second. The very first edge only starts the receiver's
// clock, so second 0 of the first frame was not classified. A frame listed in
// `markerless` has its end-of-minute marker spoilt and gets no block.
std::vector<std::string> expected_edge_report(const Scenario& scenario,
                                              const std::vector<MsfFrame>& frames,
                                              const std::string& log, std::uint32_t start_us,
                                              bool show_utc, const std::set<int>& markerless = {}) {
  const std::vector<LoggedEdge> edges = edges_of(log);
  std::vector<std::string> lines;
  std::string pending;
  std::size_t next_edge = 0;
  std::uint32_t second_start = start_us;
  for (int k = 0; k < static_cast<int>(frames.size()); ++k) {
    const MsfFrame& frame = frames[static_cast<std::size_t>(k)];
    for (std::size_t s = 0; s < frame.length; ++s) {
      // Gather the edges up to the rise that starts the next second.
      const std::uint32_t next_start = second_start + 1000000u;
      while (true) {
        const LoggedEdge& edge = edges.at(next_edge++);
        pending += edge.text;
        if (edge.is_high && edge.when == next_start) break;
      }
      if (s + 1 == frame.length && !markerless.contains(k)) {
        for (std::string& line : expected_block(scenario, k, frame.length, show_utc)) {
          lines.push_back(std::move(line));
        }
        lines.emplace_back();
      }
      const bool unclassified = k == 0 && s == 0;
      lines.push_back(pending + " " + std::to_string(s) + "[" +
                      (unclassified ? "None" : bit_text(frame.a[s])) + "][" +
                      (unclassified ? "None" : bit_text(frame.b[s])) + "][1000000]");
      pending.clear();
      second_start = next_start;
    }
  }
  EXPECT_EQ(next_edge, edges.size()) << "edges left over after the last frame";
  return lines;
}

// ---- The worked minute: Sunday 14 July 2024, 15:30 BST, DUT1 +0.2 s --------

// "4", DUT1 bits 1B and 2B, year 24, month 07, day 14, weekday 0, hour 15,
// minute 30, then the end-of-minute marker 0 1 1 1 1 1 1 0 in A with
// 53B = 0 (no change announced), odd parities 54B = 1, 55B = 0, 56B = 1,
// 57B = 0, and 58B = 1 (summer time).
// clang-format off
constexpr std::string_view kWorkedMinute =
    "4" "22000000" "00000000" "00100100" "00111" "010100" "000" "010101" "0110000" "01313130";
// clang-format on

std::string with_char(std::string_view chars, std::size_t index, char c) {
  std::string changed(chars);
  changed[index] = c;
  return changed;
}

TEST(MsfBitsReport, WorkedMinute) {
  ASSERT_EQ(kWorkedMinute.size(), 60u);
  struct Case {
    const char* name;
    std::string log;
    bool toggle_mode;
    bool show_utc;
    std::vector<std::string> expected;
  };
  const std::string sixty_one =
      std::string(kWorkedMinute.substr(0, 17)) + "0" + std::string(kWorkedMinute.substr(17));
  const std::string fifty_nine =
      std::string(kWorkedMinute.substr(0, 16)) + std::string(kWorkedMinute.substr(17));
  // 57B (hour/minute parity) flipped: digit A + 2B goes from 1 to 3.
  const std::string bad_hour_parity = with_char(kWorkedMinute, 57, '3');
  const std::vector<Case> cases = {
      {"loose",
       std::string(kWorkedMinute),
       false,
       false,
       {"4 22000000 00000000 00100100 00111 010100 000 010101 0110000 01313130",
        "first_minute=false seconds=60 minute_length=60", "24-07-14 Sunday 15:30 [summer] DUT1=2",
        ""}},
      {"strict",
       std::string(kWorkedMinute),
       true,
       false,
       {"4 22000000 00000000 00100100 00111 010100 000 010101 0110000 01313130",
        "first_minute=false seconds=60 minute_length=60", "24-07-14 Sunday 15:30 [summer] DUT1=2",
        ""}},
      {"utc",
       std::string(kWorkedMinute),
       false,
       true,
       {"4 22000000 00000000 00100100 00111 010100 000 010101 0110000 01313130",
        "first_minute=false seconds=60 minute_length=60", "24-07-14 Sunday 14:30 [UTC] DUT1=2",
        ""}},
      // Ignored characters change nothing: line ends, letters, other digits,
      // non-ASCII text.
      {"noise",
       "x4 220000\r\n00 00000000 5001001009\xc3\xa9 00111 010100 000 010101 0110000 "
       "01313130\n",
       false,
       false,
       {"4 22000000 00000000 00100100 00111 010100 000 010101 0110000 01313130",
        "first_minute=false seconds=60 minute_length=60", "24-07-14 Sunday 15:30 [summer] DUT1=2",
        ""}},
      // A positive leap second: one more second at index 17, the fields from the
      // year on one place later, the DUT1 negative group one character longer.
      {"61 seconds",
       sixty_one,
       false,
       false,
       {"4 22000000 000000000 00100100 00111 010100 000 010101 0110000 01313130",
        "first_minute=false seconds=61 minute_length=61", "24-07-14 Sunday 15:30 [summer] DUT1=2",
        ""}},
      // A negative leap second: index 16 dropped, the fields one place earlier.
      {"59 seconds",
       fifty_nine,
       false,
       false,
       {"4 22000000 0000000 00100100 00111 010100 000 010101 0110000 01313130",
        "first_minute=false seconds=59 minute_length=59", "24-07-14 Sunday 15:30 [summer] DUT1=2",
        ""}},
      // Loose mode keeps everything but the hour and minute, so the date is
      // shown without a time and the decoder still waits for its first minute.
      {"bad parity loose",
       bad_hour_parity,
       false,
       false,
       {"4 22000000 00000000 00100100 00111 010100 000 010101 0110000 01313330",
        "first_minute=true seconds=60 minute_length=60", "24-07-14 Sunday **:** [summer] DUT1=2",
        "Hour/minute parity bad", ""}},
      // Strict mode takes no field at all, but summer time and DUT1 need no
      // parity.
      {"bad parity strict",
       bad_hour_parity,
       true,
       false,
       {"4 22000000 00000000 00100100 00111 010100 000 010101 0110000 01313330",
        "first_minute=true seconds=60 minute_length=60", "**-**-** ? **:** [summer] DUT1=2",
        "Hour/minute parity bad", ""}},
      // Without an hour there is no UTC time: the empty record and no DUT1.
      {"bad parity utc",
       bad_hour_parity,
       false,
       true,
       {"4 22000000 00000000 00100100 00111 010100 000 010101 0110000 01313330",
        "first_minute=true seconds=60 minute_length=60", "**-**-** ? **:** [] DUT1=?",
        "Hour/minute parity bad", ""}},
      // An undetermined second in the year: neither the year nor its parity can
      // be read, and without a year the day cannot be checked against its month.
      {"undetermined",
       with_char(kWorkedMinute, 20, '_'),
       false,
       false,
       {"4 22000000 00000000 001_0100 00111 010100 000 010101 0110000 01313130",
        "first_minute=true seconds=60 minute_length=60", "**-07-** Sunday 15:30 [summer] DUT1=2",
        "Year parity undetermined", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Report report = analyze_msf_bits(c.log, c.toggle_mode, c.show_utc);
    expect_lines(report.text, c.expected);
    EXPECT_FALSE(report.bad_line.has_value());
  }
}

TEST(MsfBitsReport, EmptyLogGivesNothing) {
  EXPECT_EQ(analyze_msf_bits("", false, false).text, "");
  EXPECT_EQ(analyze_msf_bits("\n\n  x", false, true).text, "");
}

// ---- Per-bit logs with irregular minutes --------------------------------------

// Four minutes of Tuesday 14 January 2025 from 10:20 GMT (frame k carries
// 10:21 + k), DUT1 -0.3 s.
const Scenario kJanuary = {"January", utc_minute(2025, 1, 14, 10, 20), 4, station(-3)};

class MsfBitsIrregular : public ::testing::Test {
 protected:
  MsfBitsIrregular() : frames_(msf_frames(kJanuary.first_sent, kJanuary.count, kJanuary.options)) {}

  std::string chars(int k) const { return frame_chars(frames_.at(static_cast<std::size_t>(k))); }
  // Frame k with its end-of-minute marker spoilt: 55A cleared, 55B kept.
  std::string without_marker(int k) const {
    std::string spoilt = chars(k);
    spoilt[55] = static_cast<char>(spoilt[55] - 1);
    return spoilt;
  }
  // The bits line, the block and the separating empty line of frame k.
  std::vector<std::string> minute(int k, bool first_in_log = false) const {
    std::vector<std::string> lines = {grouped(chars(k)),
                                      "first_minute=false seconds=60 minute_length=60",
                                      datetime_line(kJanuary, carried(k), false, first_in_log), ""};
    return lines;
  }
  sys_minutes carried(int k) const { return kJanuary.first_sent + minutes{k + 1}; }

  std::vector<MsfFrame> frames_;
};

std::vector<std::string> concat(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST_F(MsfBitsIrregular, CleanLogOneLinePerMinuteOrAllInOne) {
  const std::vector<std::string> expected = concat({minute(0, true), minute(1), minute(2)});
  const std::string log = chars(0) + "\n" + chars(1) + "\n" + chars(2) + "\n";
  expect_lines(analyze_msf_bits(log, false, false).text, expected);
  // Line breaks carry no meaning.
  expect_lines(analyze_msf_bits(chars(0) + chars(1) + chars(2), false, false).text, expected);
}

TEST_F(MsfBitsIrregular, PartialFirstMinute) {
  // The log starts at second 37: the end-of-minute marker completes after 23
  // characters, which is reported, and the next minute marker starts cleanly.
  const std::string log = chars(0).substr(37) + "\n" + chars(1) + "\n" + chars(2) + "\n";
  expect_lines(
      analyze_msf_bits(log, false, false).text,
      concat(
          {{"Minute is 23 seconds instead of 60 seconds long", ""}, minute(1, true), minute(2)}));
}

TEST_F(MsfBitsIrregular, LogStartingAtSecondOneLooksLikeNegativeLeapSecond) {
  // Without the "4" every second lands one place early and the marker completes
  // at index 58: a 59-second minute, decoded with the fields one place earlier,
  // which is exactly where they are. DUT1 would be read one place off too, so
  // this minute carries DUT1 0.
  const Scenario scenario = {"zero DUT1", kJanuary.first_sent, 2, {}};
  const std::vector<MsfFrame> frames = msf_frames(scenario.first_sent, 2, scenario.options);
  const std::string first = frame_chars(frames[0]).substr(1);
  const std::string second = frame_chars(frames[1]);
  expect_lines(analyze_msf_bits(first + second, false, false).text,
               {grouped(first), "first_minute=false seconds=59 minute_length=59",
                datetime_line(scenario, scenario.first_sent + minutes{1}, false, true), "",
                grouped(second), "first_minute=false seconds=60 minute_length=60",
                datetime_line(scenario, scenario.first_sent + minutes{2}, false, false), ""});
}

TEST_F(MsfBitsIrregular, MissingEndOfMinuteMarkerOnce) {
  // The minute without its marker is still reported at its last second; the
  // counter then runs past the minute. The next "4" comes 60 seconds after the
  // last completed marker, so no minute-length line.
  const std::string log = chars(0) + without_marker(1) + chars(2) + chars(3);
  expect_lines(
      analyze_msf_bits(log, false, false).text,
      concat({minute(0, true),
              {grouped(without_marker(1)), "first_minute=false seconds=60 minute_length=60",
               datetime_line(kJanuary, carried(1), false, false), "End-of-minute marker absent",
               "increase_second() == false"},
              minute(2),
              minute(3)}));
}

TEST_F(MsfBitsIrregular, MissingEndOfMinuteMarkerTwice) {
  // Two minutes in a row without the marker: the next "4" comes 119 seconds
  // after the last completed marker.
  const std::string log = chars(0) + without_marker(1) + without_marker(2) + chars(3);
  const auto markerless = [&](int k) {
    return std::vector<std::string>{grouped(without_marker(k)),
                                    "first_minute=false seconds=60 minute_length=60",
                                    datetime_line(kJanuary, carried(k), false, false),
                                    "End-of-minute marker absent", "increase_second() == false"};
  };
  expect_lines(analyze_msf_bits(log, false, false).text,
               concat({minute(0, true),
                       markerless(1),
                       markerless(2),
                       {"Minute is 119 seconds instead of 60 seconds long"},
                       minute(3)}));
}

TEST_F(MsfBitsIrregular, CountOfSecondsWithoutMarkerDoesNotWrap) {
  // Five markerless minutes: 5 x 59 + 1 = 296 seconds, more than an 8-bit
  // count can hold.
  std::string log = chars(0);
  for (int k = 0; k < 5; ++k) log += without_marker(1);
  log += chars(2);
  const std::string report = analyze_msf_bits(log, false, false).text;
  EXPECT_NE(report.find("\nMinute is 296 seconds instead of 60 seconds long\n"), std::string::npos)
      << report;
}

TEST_F(MsfBitsIrregular, ResetStartsAFreshDecoder) {
  // Minute 1 is cut by a reset after its second 29; its remaining 30 seconds
  // are stored from index 0, so the marker completes after 30 seconds. Minute
  // 2 is missing from the log, but the reset made minute 3 a first minute
  // again: it is taken without comparison, so no jump.
  const std::string one = chars(1);
  const std::string log = chars(0) + one.substr(0, 30) + "*" + one.substr(30) + chars(3);
  expect_lines(analyze_msf_bits(log, false, false).text,
               concat({minute(0, true),
                       {"Minute is 30 seconds instead of 60 seconds long", ""},
                       minute(3, true)}));
}

TEST_F(MsfBitsIrregular, SkippedMinuteWithoutResetJumps) {
  const std::string log = chars(0) + chars(1) + chars(3);
  std::vector<std::string> three = minute(3);
  three.insert(three.end() - 1, "Minute jumped");
  expect_lines(analyze_msf_bits(log, false, false).text,
               concat({minute(0, true), minute(1), three}));
}

// ---- Edge logs: exact lines of a hand-made log --------------------------------

TEST(MsfEdgesReport, HandMadeLog) {
  const std::string log =
      "# receiver started\n"       // 1: echoed
      "M true 1000000 1\n"         // 2: first edge, only starts the clock
      "M false 1500000 2\n"        // 3: 500 ms with nothing known before it
      "D true 1200000 7\n"         // 4: DCF77, skipped
      "M true 2000000 3\n"         // 5: second 1 begins
      "M false 2100000 4\n"        // 6: first pulse of A=0 B=1
      "M true 2200000 5\n"         // 7: 100 ms low: not a new second
      "M false 2300000 6\n"        // 8: second pulse
      "   #  between seconds\r\n"  // 9: echoed without its line end
      "M true 3000000 7\n"         // 10: second 2 begins
      "M false 3200000 8\n"        // 11: 200 ms: A=1 B=0
      "M true 3210000 9\n"         // 12: spike
      "M false 3220000 10\n"       // 13: spike
      "M true 4000000 11\n"        // 14: second 3 begins, 780 ms after the spike
      "M false 4300000 12\n"       // 15: 300 ms: A=1 B=1
      "M true 5000000 13\n"        // 16: second 4 begins
      "M false 5010000 14\n"       // 17: spike right after the rising edge
      "M true 5020000 15\n"        // 18: spike: no second begins here
      "M false 5100000 16\n"       // 19: A=0 B=0 (80 ms after the spike)
      "M true 6000000 17\n";       // 20: second 5 begins
  const Report report = analyze_msf_edges(log, false, false, std::nullopt);
  // Long edge lines are written as two adjacent literals.
  // NOLINTBEGIN(bugprone-suspicious-missing-comma)
  expect_lines(report.text,
               {"# receiver started",
                "<true/1000000/1><false/1500000/2><true/2000000/3> 0[None][None][1000000]",
                "   #  between seconds",
                "<false/2100000/4><true/2200000/5><false/2300000/6><true/3000000/7> "
                "1[Some(false)][Some(true)][1000000]",
                "<false/3200000/8><true/3210000/9><false/3220000/10><true/4000000/11> "
                "2[Some(true)][Some(false)][1000000]",
                "<false/4300000/12><true/5000000/13> 3[Some(true)][Some(true)][1000000]",
                "<false/5010000/14><true/5020000/15><false/5100000/16><true/6000000/17> "
                "4[Some(false)][Some(false)][1000000]"});
  // NOLINTEND(bugprone-suspicious-missing-comma)
  EXPECT_FALSE(report.bad_line.has_value());
}

TEST(MsfEdgesReport, BadLineEndsTheAnalysis) {
  struct Case {
    const char* name;
    std::string log;
    std::vector<std::string> expected;
    std::string message;
  };
  const std::string start =
      "# one\n"
      "M true 1000000 1\n"
      "M false 1500000 2\n"
      "M true 2000000 3\n";
  const std::string first_line =
      "<true/1000000/1><false/1500000/2><true/2000000/3> "
      "0[None][None][1000000]";
  const std::vector<Case> cases = {
      {"bad is_high",
       start + "M True 2100000 4\nM true 3000000 5\n",
       {"# one", first_line},
       "parse_raw_line: invalid file format at line 5, 'is_high' is not a boolean: provided "
       "string was not `true` or `false`\n"},
      // A bad line of the other station ends an MSF analysis as well.
      {"bad DCF77 line",
       start + "D true\n# never echoed\n",
       {"# one", first_line},
       "parse_raw_line: invalid file format at line 5, missing 'when'\n"},
      {"empty line",
       "# one\n\n# two\n",
       {"# one"},
       "parse_raw_line: invalid start of line 2, missing D/M/#\n"},
      {"first line", "#comment\n", {}, "parse_raw_line: invalid start of line 1, missing D/M/#\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Report report = analyze_msf_edges(c.log, false, false, std::nullopt);
    expect_lines(report.text, c.expected);
    EXPECT_EQ(report.bad_line, std::optional<std::string>(c.message));
  }
}

TEST(MsfEdgesReport, EmptyLogGivesNothing) {
  const Report report = analyze_msf_edges("", false, false, std::nullopt);
  EXPECT_EQ(report.text, "");
  EXPECT_FALSE(report.bad_line.has_value());
}

// ---- Round trips from the calendar --------------------------------------------

// Pulses 40 ms longer than usual, each with a 40 ms glitch pair right after its
// start; the second pulse of an A = 0, B = 1 second follows after 60 ms so that
// the low time before the next second stays above 650 ms.
MsfEdgeLogOptions long_pulses_with_glitches() {
  MsfEdgeLogOptions options;
  options.a0b0_us = 140000;
  options.a1b0_us = 250000;
  options.a1b1_us = 340000;
  options.a0b1_gap_us = 60000;
  options.glitch_after_rise_us = 40000;
  return options;
}

// The usual signal with one change.
MsfEdgeLogOptions starting_at(std::uint32_t start_us) {
  MsfEdgeLogOptions options;
  options.start_us = start_us;
  return options;
}
MsfEdgeLogOptions glitch_after_rise(std::uint32_t glitch_us) {
  MsfEdgeLogOptions options;
  options.glitch_after_rise_us = glitch_us;
  return options;
}
MsfEdgeLogOptions glitch_after_minute_end(std::uint32_t glitch_us) {
  MsfEdgeLogOptions options;
  options.glitch_after_minute_end_us = glitch_us;
  return options;
}

const std::vector<Scenario>& round_trip_scenarios() {
  static const std::vector<Scenario> scenarios = {
      {"midnight, month and year end", utc_minute(2024, 12, 31, 23, 55), 10, station(1)},
      {"29 February of a leap year", utc_minute(2024, 2, 28, 23, 57), 5, station(-8)},
      // 23:58 BST on 30 April.
      {"end of a 30-day month", utc_minute(2025, 4, 30, 22, 57), 4, station(8)},
      {"to BST", utc_minute(2025, 3, 29, 23, 50), 80, station(2)},
      {"back to GMT", utc_minute(2025, 10, 25, 23, 55), 75, station(-1)},
      {"DUT1 change at 00:00 UTC in winter", utc_minute(2025, 1, 6, 23, 57), 5,
       station(-2, utc_minute(2025, 1, 7, 0, 0), 3)},
      {"DUT1 change at 00:00 UTC in summer (01:00 BST)", utc_minute(2025, 7, 3, 23, 57), 5,
       station(0, utc_minute(2025, 7, 4, 0, 0), -4)},
      {"DUT1 change during the day", utc_minute(2025, 1, 6, 12, 30), 5,
       station(2, utc_minute(2025, 1, 6, 12, 33), 1)},
      {"positive leap second", utc_minute(2016, 12, 31, 23, 56), 6,
       station(-4, utc_minute(2017, 1, 1, 0, 0), 6, utc_minute(2017, 1, 1, 0, 0))},
      {"negative leap second", utc_minute(2025, 6, 30, 23, 56), 6,
       station(5, utc_minute(2025, 7, 1, 0, 0), -5, utc_minute(2025, 7, 1, 0, 0), true)},
  };
  return scenarios;
}

const Scenario& scenario_named(std::string_view name) {
  for (const Scenario& scenario : round_trip_scenarios()) {
    if (scenario.name == name) return scenario;
  }
  ADD_FAILURE() << "no scenario " << name;
  return round_trip_scenarios().front();
}

TEST(MsfRoundTrip, LeapSecondScenariosHoldALeapMinute) {
  // Guards the table: the leap-second scenarios really contain a 61-second and
  // a 59-second minute.
  for (const auto& [name, length] :
       {std::pair{"positive leap second", 61}, std::pair{"negative leap second", 59}}) {
    const Scenario& s = scenario_named(name);
    const std::vector<MsfFrame> frames = msf_frames(s.first_sent, s.count, s.options);
    EXPECT_EQ(frames.at(3).length, length) << name;
  }
}

TEST(MsfRoundTrip, PerBitLogs) {
  for (const Scenario& scenario : round_trip_scenarios()) {
    const std::vector<MsfFrame> frames =
        msf_frames(scenario.first_sent, scenario.count, scenario.options);
    const std::string log = msf_bit_log(frames);
    for (const bool toggle_mode : {false, true}) {
      for (const bool show_utc : {false, true}) {
        SCOPED_TRACE(std::string(scenario.name) + (toggle_mode ? ", strict" : ", loose") +
                     (show_utc ? ", UTC" : ", local"));
        const Report report = analyze_msf_bits(log, toggle_mode, show_utc);
        expect_lines(report.text, expected_bits_report(scenario, frames, show_utc));
      }
    }
  }
}

TEST(MsfRoundTrip, EdgeLogs) {
  struct Shape {
    const char* name;
    MsfEdgeLogOptions options;
    std::optional<std::uint32_t> spike_limit;
  };
  const std::vector<Shape> shapes = {
      {"clean", {}, std::nullopt},
      // The receiver's counter wraps during the first second.
      {"counter wraps", starting_at(4294000000u), std::nullopt},
      // Ringing on every pulse start: each glitch shows in the edge lines but
      // counts as no second.
      {"glitch after every rise", glitch_after_rise(5000), std::nullopt},
      // A glitch right after the edge that completes the end-of-minute marker
      // must not report the minute a second time.
      {"glitch after the minute's last pulse", glitch_after_minute_end(5000), std::nullopt},
      // 40 ms glitches pass the default filter but not a limit of 45 ms (the
      // pulses are longer, so that they stay long enough after the glitch).
      {"wider glitches with a wider limit", long_pulses_with_glitches(), 45000},
  };
  for (const Scenario& scenario : round_trip_scenarios()) {
    const std::vector<MsfFrame> frames =
        msf_frames(scenario.first_sent, scenario.count, scenario.options);
    for (const Shape& shape : shapes) {
      const std::string log = msf_edge_log(frames, shape.options);
      for (const bool show_utc : {false, true}) {
        const std::vector<std::string> expected =
            expected_edge_report(scenario, frames, log, shape.options.start_us, show_utc);
        for (const bool toggle_mode : {false, true}) {
          SCOPED_TRACE(std::string(scenario.name) + ", " + shape.name +
                       (toggle_mode ? ", loose" : ", strict") + (show_utc ? ", UTC" : ", local"));
          const Report report = analyze_msf_edges(log, toggle_mode, show_utc, shape.spike_limit);
          expect_lines(report.text, expected);
          EXPECT_EQ(count_lines_starting(report.text, "first_minute="), frames.size());
          EXPECT_FALSE(report.bad_line.has_value());
        }
      }
    }
  }
}

TEST(MsfRoundTrip, GlitchesBeyondTheSpikeLimitSpoilTheMinutes) {
  // The same 40 ms glitches with the default limit (and with a limit of
  // 150000 µs, which is ignored): each glitch is taken as a pulse, so the
  // minutes can no longer be read.
  const Scenario& scenario = round_trip_scenarios()[0];
  const std::vector<MsfFrame> frames =
      msf_frames(scenario.first_sent, scenario.count, scenario.options);
  const std::string log = msf_edge_log(frames, long_pulses_with_glitches());
  for (const std::optional<std::uint32_t> limit :
       {std::optional<std::uint32_t>{}, std::optional<std::uint32_t>{150000}}) {
    const std::string report = analyze_msf_edges(log, false, false, limit).text;
    EXPECT_EQ(count_lines_starting(report, "first_minute=false"), 0u);
  }
}

TEST(MsfRoundTrip, CommentsAndDcf77LinesInAnEdgeLog) {
  // Comments are echoed where they stand; "D" lines change nothing, not even
  // the time the next MSF edge is measured from.
  const Scenario& scenario = round_trip_scenarios()[0];
  const std::vector<MsfFrame> frames = msf_frames(scenario.first_sent, 2, scenario.options);
  const std::string clean = msf_edge_log(frames);
  const std::vector<std::string> clean_lines = lines_of(clean);
  // After edge line 3 (the rise of second 1) and after the rise of second 0 of
  // the second frame.
  std::size_t second_frame_rise = 0;
  for (std::size_t i = 0; i < clean_lines.size(); ++i) {
    if (clean_lines[i].starts_with("M true 61000000 ")) second_frame_rise = i;
  }
  ASSERT_NE(second_frame_rise, 0u);
  std::string log;
  for (std::size_t i = 0; i < clean_lines.size(); ++i) {
    log += clean_lines[i] + "\n";
    if (i == 2) log += "# first comment\nD true 7 8\nD false 9 10\n";
    if (i == second_frame_rise) log += "D true 1 2\n# second comment ...\n";
  }
  std::vector<std::string> expected =
      expected_edge_report(scenario, frames, clean, MsfEdgeLogOptions{}.start_us, false);
  // The first comment follows the line of second 0, the second one the line of
  // second 59 of the first frame (made at that rise).
  expected.insert(expected.begin() + 1, "# first comment");
  std::size_t after_second_59 = 0;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    if (expected[i].ends_with(" 59[Some(false)][Some(false)][1000000]")) {
      after_second_59 = i + 1;
      break;
    }
  }
  expected.insert(expected.begin() + static_cast<std::ptrdiff_t>(after_second_59),
                  "# second comment ...");
  expect_lines(analyze_msf_edges(log, false, false, std::nullopt).text, expected);
}

TEST(MsfRoundTrip, EdgeLogWithoutEndOfMinuteMarkers) {
  // A minute whose end-of-minute marker is lost is never reported in an edge
  // log: its second counter runs past the end of the minute, and that wrap
  // advances the clock by the lost minute instead. The next minute that is
  // reported follows on from there, so it shows the true time and no jump,
  // also when two markers in a row are lost across New Year.
  const Scenario& scenario = scenario_named("midnight, month and year end");
  const std::vector<std::set<int>> cases = {{2}, {2, 3}};
  for (const std::set<int>& markerless : cases) {
    SCOPED_TRACE(markerless.size());
    std::vector<MsfFrame> frames =
        msf_frames(scenario.first_sent, scenario.count, scenario.options);
    for (const int k : markerless) frames.at(static_cast<std::size_t>(k)).a[55] = false;
    const std::string log = msf_edge_log(frames);
    for (const bool show_utc : {false, true}) {
      const std::string report = analyze_msf_edges(log, false, show_utc, std::nullopt).text;
      expect_lines(report, expected_edge_report(scenario, frames, log,
                                                MsfEdgeLogOptions{}.start_us, show_utc,
                                                markerless));
      EXPECT_EQ(report.find("jumped"), std::string::npos);
    }
  }
}

// Reception faults that lose the end-of-minute marker must not look like
// jumps of the broadcast time: the clock advances once per minute of signal.
// Twelve minutes around a fault in frame 5: across midnight into 2025 (where
// a false advance would show in every field) and in an ordinary hour.
TEST(MsfRoundTrip, NoFalseJumpAfterALostOrMisreadMarker) {
  constexpr std::uint32_t kStart = 1000000;
  // The time stamp of second p of frame k, plus `offset`.
  const auto at = [](int k, int p, std::uint32_t offset) {
    return kStart + static_cast<std::uint32_t>((60 * k + p) * 1000000) + offset;
  };
  const auto when_of = [](const std::string& line) {
    return static_cast<std::uint32_t>(std::stoul(line.substr(line.find(' ', 2) + 1)));
  };
  struct Fault {
    const char* name;
    int misread_a55;  // 1: frame 5 sends 55A as 0, so its marker reads 01101110
    std::uint32_t lost_second;  // nonzero: the pulses of this second of frame 5 are lost
    std::uint32_t noise_second;  // nonzero: a 40 ms noise pulse 600 ms into it
  };
  const Fault faults[] = {
      {"one misread bit of the end-of-minute marker", 1, 0, 0},
      {"the pulse of second 55 lost", 0, 55, 0},
      {"a noise pulse in second 53", 0, 0, 53},
  };
  for (const sys_minutes first : {utc_minute(2024, 12, 31, 23, 53), utc_minute(2025, 1, 6, 14, 3)}) {
    for (const Fault& fault : faults) {
      std::vector<MsfFrame> frames = msf_frames(first, 12, {});
      const std::string clean_log = msf_edge_log(frames);
      if (fault.misread_a55 != 0) frames[5].a[55] = false;
      std::vector<std::string> lines = e2e::report_lines(msf_edge_log(frames));
      if (fault.lost_second != 0) {
        const std::uint32_t from = at(5, static_cast<int>(fault.lost_second), 0);
        std::erase_if(lines, [&](const std::string& line) {
          return when_of(line) - from < 1000000;
        });
      }
      if (fault.noise_second != 0) {
        const std::uint32_t noise = at(5, static_cast<int>(fault.noise_second), 600000);
        const auto after = std::find_if(lines.begin(), lines.end(), [&](const std::string& line) {
          return when_of(line) > noise;
        });
        lines.insert(after, {"M true " + std::to_string(noise) + " 0",
                             "M false " + std::to_string(noise + 40000) + " 0"});
      }
      const std::string log = e2e::joined(lines);
      for (const bool show_utc : {false, true}) {
        SCOPED_TRACE(testing::Message() << fault.name << " from "
                                        << first.time_since_epoch().count() << " min"
                                        << (show_utc ? " -u" : ""));
        e2e::expect_no_false_jump(analyze_msf_edges(log, false, show_utc, std::nullopt).text,
                                  analyze_msf_edges(clean_log, false, show_utc, std::nullopt).text,
                                  10);
      }
    }
  }
}

TEST(MsfEdgesReport, StrictUnlessToggled) {
  // The first minute with a bad hour/minute parity: strict mode takes no field
  // of it, loose mode all but hour and minute.
  const Scenario& scenario = scenario_named("midnight, month and year end");
  std::vector<MsfFrame> frames = msf_frames(scenario.first_sent, 1, scenario.options);
  frames[0].b[57] = !*frames[0].b[57];
  const std::string log = msf_edge_log(frames);
  const auto block_of = [](const std::string& report) {
    const std::vector<std::string> lines = lines_of(report);
    const auto first = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
      return line.starts_with("first_minute=");
    });
    return std::vector<std::string>(first, std::find(first, lines.end(), ""));
  };
  EXPECT_EQ(
      block_of(analyze_msf_edges(log, false, false, std::nullopt).text),
      (std::vector<std::string>{"first_minute=true seconds=60 minute_length=60",
                                "**-**-** ? **:** [winter] DUT1=1", "Hour/minute parity bad"}));
  EXPECT_EQ(block_of(analyze_msf_edges(log, true, false, std::nullopt).text),
            (std::vector<std::string>{"first_minute=true seconds=60 minute_length=60",
                                      "24-12-31 Tuesday **:** [winter] DUT1=1",
                                      "Hour/minute parity bad"}));
}

// ---- End to end: the program on the logs in testdata/ ------------------------

TEST(MsfEndToEnd, FixtureLogs) {
  struct Case {
    const char* log;
    std::vector<std::string> options;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"msf-bits-partial.log", {"-s", "msf"}, "msf-bits-partial.expected"},
      {"msf-bits-markerless.log", {"-M", "-s", "MSF"}, "msf-bits-markerless.expected"},
      {"msf-bits-reset.log", {"-u", "-s", "msf"}, "msf-bits-reset.expected"},
      {"msf-edges-interleaved.log", {"-e", "-s", "msf"}, "msf-edges-interleaved.expected"},
      {"msf-edges-interleaved.log",
       {"-ueM", "-E", "150000", "-s", "msf"},
       "msf-edges-interleaved-utc.expected"},
      {"msf-edges-bad-line.log", {"-e", "-s", "msf"}, "msf-edges-bad-line.expected"},
  };
  const std::string dir = QUILLFEN_TESTDATA "/";
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.log) + " -> " + c.expected);
    std::vector<std::string> args = {"quillfen"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back("-f");
    args.push_back(dir + c.log);
    const e2e::ProgramRun run = e2e::run_quillfen(args);
    const e2e::ProgramRun expected = e2e::read_expected_run(dir + c.expected);
    expect_lines(run.out, lines_of(expected.out));
    EXPECT_EQ(run.out, expected.out);
    EXPECT_EQ(run.err, expected.err);
    EXPECT_EQ(run.status, expected.status);
  }
}

}  // namespace
}  // namespace quillfen
