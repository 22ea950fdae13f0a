// The reception overview against the per-minute report of the same run: the
// logs come from the test encoders with faults injected at known seconds,
// and every count the overview gives is checked against the lines of the
// report, read by the rules of what a minute, a decoded and a clean minute
// are, and the hour strip against the faulted minutes.
#include "src/overview/reception_overview.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "src/analyzers/analyze.hpp"
#include "src/testing/fault_checks.hpp"
#include "synth/dcf77_encoder.hpp"
#include "synth/msf_encoder.hpp"
#include "synth/utc_minute.hpp"

namespace quillfen {
namespace {

using namespace std::chrono;

// What the report of a run says, read from its text alone.
struct ReadReport {
  std::size_t minutes = 0;
  std::size_t decoded = 0;
  std::size_t clean = 0;
  std::map<std::string, std::size_t> lines;  // complaint lines, numbers as N
  // Per decoded minute: "YY-MM-DD hh:mm" of its date-time line, and whether
  // it was clean.
  std::vector<std::pair<std::string, bool>> decoded_minutes;
};

std::string line_kind(const std::string& line) {
  if (line.starts_with("Minute is ")) {
    return "Minute is N seconds instead of N seconds long";
  }
  return line;
}

// Reads a report by the rules: a block begins at a "first_minute=" line
// (and, in a DCF77 per-bit report, at every bits line: a minute too short to
// decode has only its empty line); it is decoded when its date and time are
// complete and its seconds equal its length (a DCF77 missing leap second
// counts); clean when decoded, without complaint lines in it, without a
// minute-length line since the block before, and without a wrap line of its
// own (DCF77: since the block before; MSF: right after it).
ReadReport read_report(std::string_view text, Station station, LogKind log) {
  std::set<std::string> complaints;
  for (std::size_t kind = 0; kind < kComplaintKinds; ++kind) {
    complaints.insert(std::string(complaint_text(static_cast<Complaint>(kind))));
  }
  const std::vector<std::string> lines = e2e::report_lines(text);
  ReadReport read;
  bool length_since_block = false;
  bool wrap_since_block = false;
  // The MSF block read last, still open for its wrap line.
  bool open_msf_block_clean = false;
  bool open_msf_block = false;
  const auto close_msf_block = [&] {
    if (open_msf_block) {
      read.clean += open_msf_block_clean ? 1 : 0;
      if (!read.decoded_minutes.empty() && open_msf_block_clean) {
        read.decoded_minutes.back().second = true;
      }
    }
    open_msf_block = false;
  };
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line.starts_with("Minute is ")) {
      ++read.lines[line_kind(line)];
      length_since_block = true;
      continue;
    }
    if (line == "increase_second() == false") {
      ++read.lines[line];
      if (station == Station::Msf && open_msf_block) {
        open_msf_block_clean = false;
      } else {
        wrap_since_block = true;
      }
      continue;
    }
    const bool bits_line = station == Station::Dcf77 && log == LogKind::Bits && !line.empty() &&
                           line.find_first_not_of("01_ ") == std::string::npos;
    if (bits_line) {
      // The minute's own lines follow: its length line, third-party line,
      // then its block or its empty line.
      std::size_t next = i + 1;
      while (next < lines.size() && (lines[next].starts_with("Minute is ") ||
                                     lines[next].starts_with("Third-party buffer="))) {
        if (lines[next].starts_with("Minute is ")) {
          ++read.lines[line_kind(lines[next])];
          length_since_block = true;
        }
        ++next;
      }
      i = next - 1;
      if (next < lines.size() && lines[next].empty()) {
        ++read.minutes;
        length_since_block = false;
        wrap_since_block = false;
        i = next;
      }
      continue;
    }
    if (!line.starts_with("first_minute=")) {
      continue;
    }
    close_msf_block();
    ++read.minutes;
    std::istringstream first(line);
    std::string first_minute, seconds_field, length_field;
    first >> first_minute >> seconds_field >> length_field;
    const int seconds = std::stoi(seconds_field.substr(seconds_field.find('=') + 1));
    const int length = std::stoi(length_field.substr(length_field.find('=') + 1));
    const std::string& date_time = lines[i + 1];
    std::istringstream fields(date_time);
    std::string date, weekday, time;
    fields >> date >> weekday >> time;
    const bool complete = date.find('*') == std::string::npos &&
                          time.find('*') == std::string::npos && weekday != "?";
    const bool missing_leap = station == Station::Dcf77 && seconds == 60 && length == 61 &&
                              date_time.find("missing") != std::string::npos;
    const bool decoded = complete && (seconds == length || missing_leap);
    std::size_t next = i + 2;
    bool block_complaints = false;
    while (next < lines.size() && complaints.contains(lines[next]) &&
           lines[next] != "increase_second() == false" && !lines[next].starts_with("Minute is")) {
      ++read.lines[lines[next]];
      block_complaints = true;
      ++next;
    }
    i = next - 1;
    const bool clean = decoded && !block_complaints && !length_since_block && !wrap_since_block;
    length_since_block = false;
    wrap_since_block = false;
    if (decoded) {
      ++read.decoded;
      read.decoded_minutes.emplace_back(date + " " + time, clean && station != Station::Msf);
    }
    if (station == Station::Msf) {
      open_msf_block = true;
      open_msf_block_clean = clean;
    } else {
      read.clean += clean ? 1 : 0;
    }
  }
  close_msf_block();
  return read;
}

// Runs the overview and the report on the same log and compares them.
ReceptionOverview expect_agrees_with_report(const Settings& settings, const std::string& log) {
  ReceptionOverview overview(settings);
  const std::optional<std::string> bad_line = analyze(settings, log, overview);
  const Report report = report_of(settings, log);
  EXPECT_EQ(bad_line, report.bad_line);
  const ReadReport read = read_report(report.text, settings.station, settings.log);
  EXPECT_EQ(overview.minutes(), read.minutes);
  EXPECT_EQ(overview.decoded(), read.decoded);
  EXPECT_EQ(overview.clean(), read.clean);
  for (const Complaint complaint : station_complaints(settings.station)) {
    const std::string text(complaint_text(complaint));
    SCOPED_TRACE(text);
    const auto printed = read.lines.find(text);
    EXPECT_EQ(overview.complaints()[static_cast<std::size_t>(complaint)],
              printed == read.lines.end() ? 0 : printed->second);
  }
  // Every decoded minute of the report is in the hour strip at its time, as
  // clean or not.
  std::map<std::string, std::string> strip;  // "YY-MM-DD hh:mm" -> character
  for (const HourRow& row : overview.hours().rows()) {
    for (int minute = 0; minute < 60; ++minute) {
      if (row.classes[static_cast<std::size_t>(minute)].has_value()) {
        char key[32];
        std::snprintf(key, sizeof key, "%02d-%02u-%02u %02u:%02d", row.start.year % 100,
                      unsigned{row.start.month}, unsigned{row.start.day}, unsigned{row.start.hour},
                      minute);
        strip[key] += row.strip()[static_cast<std::size_t>(minute)];
      }
    }
  }
  std::size_t placed = 0;
  for (const auto& [time, clean] : read.decoded_minutes) {
    SCOPED_TRACE(time);
    EXPECT_TRUE(strip.contains(time));
    if (strip[time].size() == 1) {
      EXPECT_EQ(strip[time] == ".", clean);
    }
    ++placed;
  }
  EXPECT_EQ(placed + overview.hours().no_time_minutes(), overview.minutes());
  return overview;
}

// The hour strip character at a local time "YYYY-MM-DDTHH" and minute.
char strip_at(const ReceptionOverview& overview, std::string_view hour, int minute) {
  for (const HourRow& row : overview.hours().rows()) {
    if (iso_text(row.start).starts_with(hour)) {
      return row.strip()[static_cast<std::size_t>(minute)];
    }
  }
  return '-';
}

// DCF77, 10:00 UTC on Wednesday 5 March 2025 (11:00 CET) for three hours.
// Frame k is sent in UTC minute 10:00 + k and carries the CET time of the
// next minute, 11:01 + k.
std::string faulted_dcf77_bits() {
  std::vector<Dcf77Frame> frames = dcf77_frames(utc_minute(2025, 3, 5, 10, 0), 180);
  frames[10].bits[28] = !*frames[10].bits[28];  // minute parity bad: 11:11
  frames[100].bits[20] = std::nullopt;          // bit 20 undetermined: 12:41
  std::vector<std::string> lines = e2e::report_lines(dcf77_bit_log(frames));
  lines[20].erase(30, 1);                       // a lost pulse: 11:21 has 59 seconds
  lines[40] = lines[40].substr(0, 10) + "*" + lines[40].substr(10);  // a reset in 11:41
  lines[60] += "0";                             // one second too many: the counter wraps
  return e2e::joined(lines);
}

TEST(ReceptionOverview, Dcf77BitsWithFaultsAtKnownSeconds) {
  for (const bool show_utc : {false, true}) {
    for (const bool toggle : {false, true}) {
      SCOPED_TRACE(testing::Message() << "utc " << show_utc << " toggle " << toggle);
      const ReceptionOverview overview = expect_agrees_with_report(
          settings_for(Station::Dcf77, LogKind::Bits, toggle, show_utc), faulted_dcf77_bits());
      EXPECT_EQ(overview.minutes(), 180u);
      EXPECT_EQ(overview.resets(), 1u);
      EXPECT_EQ(overview.complaints()[static_cast<std::size_t>(Complaint::MinuteParityBad)], 1u);
      EXPECT_EQ(overview.complaints()[static_cast<std::size_t>(Complaint::Bit20Undetermined)], 1u);
      EXPECT_EQ(overview.complaints()[static_cast<std::size_t>(Complaint::SecondCounterWrapped)], 1u);
      if (!show_utc) {
        EXPECT_EQ(strip_at(overview, "2025-03-05T11", 10), '.');
        EXPECT_EQ(strip_at(overview, "2025-03-05T11", 11), 'p');
        EXPECT_EQ(strip_at(overview, "2025-03-05T12", 41), 'p');
        EXPECT_EQ(strip_at(overview, "2025-03-05T11", 21), ' ');  // not decoded: no time
        EXPECT_EQ(strip_at(overview, "2025-03-05T11", 22), '.');
      } else {
        EXPECT_EQ(strip_at(overview, "2025-03-05T10", 11), 'p');
        EXPECT_EQ(strip_at(overview, "2025-03-05T11", 41), 'p');
      }
      // The first line of the log is a whole minute, so every minute is
      // placed but the one that lost a pulse, the reset one, the one with a
      // second too many and the first one after it (its counter was set back
      // to 0 by the wrap).
      EXPECT_GE(overview.hours().no_time_minutes(), 2u);
      EXPECT_EQ(overview.first_decoded().has_value(), true);
    }
  }
}

TEST(ReceptionOverview, MissingLeapSecondIsDecodedButNotClean) {
  Dcf77Options options;
  options.leap_second_before = sys_seconds{utc_minute(2025, 7, 1, 0, 0)};
  options.leap_second_missing = true;
  const std::string log = dcf77_bit_log(dcf77_frames(utc_minute(2025, 6, 30, 23, 0), 90, options));
  const ReceptionOverview overview =
      expect_agrees_with_report(settings_for(Station::Dcf77, LogKind::Bits), log);
  EXPECT_EQ(overview.complaints()[static_cast<std::size_t>(Complaint::WrongLength)], 1u);
  // 02:00 CEST on 1 July: the top of the hour the leap second was due.
  EXPECT_EQ(strip_at(overview, "2025-07-01T02", 0), 'l');
}

// MSF, 23:00 UTC on 30 April 2025 (00:00 BST on 1 May) for two hours. Frame
// k carries the BST time of minute 00:01 + k.
std::string faulted_msf_bits() {
  std::vector<MsfFrame> frames = msf_frames(utc_minute(2025, 4, 30, 23, 0), 120);
  frames[10].b[54] = !*frames[10].b[54];  // year parity bad: 00:11
  frames[50].a[53] = false;               // end-of-minute marker broken: 00:51
  std::vector<std::string> lines = e2e::report_lines(msf_bit_log(frames));
  lines[30].erase(20, 2);                 // two seconds lost: the marker comes early
  lines[70] = lines[70].substr(0, 5) + "*" + lines[70].substr(5);  // a reset
  return e2e::joined(lines);
}

TEST(ReceptionOverview, MsfBitsWithFaultsAtKnownSeconds) {
  for (const bool show_utc : {false, true}) {
    for (const bool toggle : {false, true}) {
      SCOPED_TRACE(testing::Message() << "utc " << show_utc << " toggle " << toggle);
      const ReceptionOverview overview = expect_agrees_with_report(
          settings_for(Station::Msf, LogKind::Bits, toggle, show_utc), faulted_msf_bits());
      EXPECT_EQ(overview.resets(), 1u);
      EXPECT_EQ(overview.complaints()[static_cast<std::size_t>(Complaint::YearParityBad)], 1u);
      // The early marker, and the marker of the reset minute, which comes
      // early too: the seconds after the reset were stored from second 0.
      EXPECT_EQ(overview.complaints()[static_cast<std::size_t>(Complaint::WrongLength)], 2u);
      if (!show_utc && !toggle) {
        EXPECT_EQ(strip_at(overview, "2025-05-01T00", 10), '.');
        EXPECT_EQ(strip_at(overview, "2025-05-01T00", 11), 'p');
        // The early marker has no block of its own; the minute after it is
        // not clean.
        EXPECT_EQ(strip_at(overview, "2025-05-01T00", 31), ' ');
        EXPECT_EQ(strip_at(overview, "2025-05-01T00", 32), 'l');
        EXPECT_EQ(strip_at(overview, "2025-05-01T00", 51), 'l');
      }
    }
  }
}

TEST(ReceptionOverview, EdgeLogsOfBothStations) {
  std::vector<Dcf77Frame> dcf77 = dcf77_frames(utc_minute(2025, 10, 26, 0, 0), 150);
  dcf77[20].bits[35] = !*dcf77[20].bits[35];  // hour parity bad
  dcf77[30].bits[5] = std::nullopt;           // an undetermined third-party bit
  dcf77[40].bits[0] = true;                   // bit 0 wrong
  EdgeLogOptions glitches;
  glitches.glitch_after_rise_us = 10000;  // spikes below the spike limit
  for (const bool show_utc : {false, true}) {
    SCOPED_TRACE(show_utc);
    const ReceptionOverview overview = expect_agrees_with_report(
        settings_for(Station::Dcf77, LogKind::Edges, false, show_utc), dcf77_edge_log(dcf77, glitches));
    // Across the end of summer time: 02:00-02:59 comes twice.
    EXPECT_EQ(overview.minutes(), 150u);
    EXPECT_EQ(overview.pulses().spikes(), 2 * 150u * 59);  // two per pulse
  }

  std::vector<MsfFrame> msf = msf_frames(utc_minute(2025, 3, 30, 0, 0), 90);
  msf[10].b[57] = !*msf[10].b[57];  // hour/minute parity bad
  msf[20].a[30] = std::nullopt;     // an undetermined second
  for (const bool show_utc : {false, true}) {
    SCOPED_TRACE(show_utc);
    expect_agrees_with_report(settings_for(Station::Msf, LogKind::Edges, false, show_utc),
                              msf_edge_log(msf));
  }
}

TEST(ReceptionOverview, LogsWithoutMinutes) {
  const struct {
    Station station;
    LogKind log;
    std::string text;
  } cases[] = {
      {Station::Dcf77, LogKind::Bits, ""},
      {Station::Msf, LogKind::Bits, ""},
      {Station::Dcf77, LogKind::Edges, "# only\n# comments\n"},
      {Station::Msf, LogKind::Edges, "M true 1000000 1\nM false 1100000 2\n"},  // other station
      {Station::Dcf77, LogKind::Edges, "M true 1000000 1\nM false 1100000 2\n"},
      {Station::Dcf77, LogKind::Bits, "0"},  // one second
      {Station::Msf, LogKind::Bits, "4"},
      {Station::Dcf77, LogKind::Edges, "D true 1000000 1\nD false 1100000 2\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const ReceptionOverview overview =
        expect_agrees_with_report(settings_for(c.station, c.log), c.text);
    EXPECT_EQ(overview.minutes(), 0u);
    EXPECT_EQ(overview.first_decoded(), std::nullopt);
    EXPECT_EQ(overview.longest_clean_run().minutes, 0u);
    EXPECT_TRUE(overview.hours().rows().empty());
    EXPECT_EQ(overview.pulses().clock_ppm(), std::nullopt);
  }
}

TEST(ReceptionOverview, LongestCleanRunAndItsEnds) {
  std::vector<Dcf77Frame> frames = dcf77_frames(utc_minute(2025, 3, 5, 10, 0), 60);
  frames[10].bits[28] = !*frames[10].bits[28];  // 11:11 not clean
  frames[30].bits[35] = !*frames[30].bits[35];  // 11:31 not clean
  const ReceptionOverview overview = expect_agrees_with_report(
      settings_for(Station::Dcf77, LogKind::Bits), dcf77_bit_log(frames));
  // 11:32 .. 12:00 is 29 minutes, longer than 11:12 .. 11:30 (19) and
  // 11:01 .. 11:10 (10).
  const CleanRun& run = overview.longest_clean_run();
  EXPECT_EQ(run.minutes, 29u);
  ASSERT_TRUE(run.from.has_value() && run.to.has_value());
  EXPECT_EQ(iso_text(*run.from), "2025-03-05T11:32+01:00");
  EXPECT_EQ(iso_text(*run.to), "2025-03-05T12:00+01:00");
  EXPECT_EQ(iso_text(*overview.first_decoded()), "2025-03-05T11:01+01:00");
  EXPECT_EQ(iso_text(*overview.last_decoded()), "2025-03-05T12:00+01:00");
  const std::vector<HourRow> rows = overview.hours().rows();
  const std::optional<std::size_t> worst = worst_hour(rows);
  ASSERT_TRUE(worst.has_value());
  EXPECT_EQ(iso_text(rows[*worst].start), "2025-03-05T11:00+01:00");
  EXPECT_EQ(rows[*worst].minutes, 59u);
  EXPECT_EQ(rows[*worst].clean, 57u);
}

}  // namespace
}  // namespace quillfen
