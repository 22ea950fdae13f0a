// End-to-end runs of the built quillfen-synth, alone and piped (through a
// file) into the built quillfen: round trips that decode every minute to the
// time the encoders take from the calendar, faults that show where they were
// put, reproducible seeds, and rejected command lines.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "src/testing/program_run.hpp"
#include "synth/dcf77_encoder.hpp"
#include "synth/msf_encoder.hpp"

namespace quillfen {
namespace {

using namespace std::chrono;
using Minutes = sys_time<minutes>;

e2e::ProgramRun synth(std::vector<std::string> args) {
  args.insert(args.begin(), "quillfen-synth");
  return e2e::run_program(QUILLFEN_SYNTH_BINARY, args);
}

// quillfen's report of `log`, which goes through a temporary file.
std::string analyze(const std::string& log, std::vector<std::string> args) {
  char path[] = "/tmp/quillfen_synth_test_XXXXXX";
  const int fd = mkstemp(path);
  EXPECT_GE(fd, 0);
  close(fd);
  std::ofstream(path, std::ios::binary) << log;
  args.insert(args.begin(), "quillfen");
  args.insert(args.end(), {"-f", path});
  const e2e::ProgramRun run = e2e::run_quillfen(args);
  std::remove(path);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.status, 0);
  return run.out;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
    lines.push_back(text.substr(at, end - at));
  }
  return lines;
}

// "YY-MM-DD Weekday hh:mm [...zone]": the date, time and the last word of the
// bracket (summer, winter or UTC) of a report's date-time lines; lines of a
// minute that decoded nothing ("**") are left out.
std::vector<std::string> decoded_minutes(const std::string& report) {
  std::vector<std::string> out;
  for (const std::string& line : lines_of(report)) {
    if (line.size() < 20 || line[2] != '-' || line[5] != '-' || line[0] == '*' ||
        line.find(" [") == std::string::npos) {
      continue;
    }
    const std::size_t open = line.find(" [");
    const std::size_t close = line.find(']', open);
    const std::string bracket = line.substr(open + 2, close - open - 2);
    out.push_back(line.substr(0, open) + " " + bracket.substr(bracket.rfind(',') + 1));
  }
  return out;
}

std::string two(unsigned v) {
  char text[4];
  std::snprintf(text, sizeof text, "%02u", v % 100);
  return text;
}

const char* const kWeekdays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                 "Thursday", "Friday", "Saturday", "Sunday"};

// What the frame sent during `sent` carries, as the report shows it.
std::string expected_minute(bool dcf77, Minutes sent, bool utc) {
  const Minutes carried = sent + 1min;
  if (utc) {
    const sys_days day = floor<days>(carried);
    const year_month_day date{day};
    const hh_mm_ss time{carried - day};
    return two(static_cast<unsigned>(static_cast<int>(date.year()))) + "-" +
           two(static_cast<unsigned>(date.month())) + "-" + two(static_cast<unsigned>(date.day())) +
           " " + kWeekdays[weekday{day}.c_encoding()] + " " +
           two(static_cast<unsigned>(time.hours().count())) + ":" +
           two(static_cast<unsigned>(time.minutes().count())) + " UTC";
  }
  unsigned y, mo, d, wd, h, mi;
  bool summer;
  if (dcf77) {
    const CivilMinute c = dcf77_local_time(carried);
    y = static_cast<unsigned>(c.year), mo = c.month, d = c.day, wd = c.weekday, h = c.hour,
    mi = c.minute, summer = c.summer;
  } else {
    const MsfCivilMinute c = msf_local_time(carried);
    y = static_cast<unsigned>(c.year), mo = c.month, d = c.day, wd = c.weekday, h = c.hour,
    mi = c.minute, summer = c.summer;
  }
  return two(y) + "-" + two(mo) + "-" + two(d) + " " + kWeekdays[wd] + " " + two(h) + ":" +
         two(mi) + (summer ? " summer" : " winter");
}

struct Stretch {
  const char* name;
  const char* start;
  Minutes first;
  int minutes;
};

TEST(SynthProgramTest, RoundTripsDecodeEveryMinuteToTheCalendarsTime) {
  const auto at = [](sys_days day, hours h, minutes m) { return Minutes{day} + h + m; };
  const Stretch stretches[] = {
      {"summer time begins", "2025-03-30T00:30Z", at(2025y / March / 30, 0h, 30min), 60},
      {"summer time ends", "2025-10-26T00:30Z", at(2025y / October / 26, 0h, 30min), 60},
      {"leap second", "2016-12-31T23:30Z", at(2016y / December / 31, 23h, 30min), 60},
      {"into 2000-02-29", "2000-02-28T22:50Z", at(2000y / February / 28, 22h, 50min), 80},
      {"out of 2000-02-29", "2000-02-29T22:50Z", at(2000y / February / 29, 22h, 50min), 80},
      {"into 2100-03-01", "2100-02-28T22:50Z", at(2100y / February / 28, 22h, 50min), 80},
  };
  for (const Stretch& s : stretches) {
    for (const bool dcf77 : {true, false}) {
      for (const bool edges : {false, true}) {
        std::vector<std::string> args = {"-s", dcf77 ? "dcf77" : "msf", "-t", s.start, "-n",
                                         std::to_string(s.minutes)};
        if (edges) args.push_back("-e");
        const e2e::ProgramRun log = synth(args);
        ASSERT_EQ(log.status, 0);
        for (const bool utc : {false, true}) {
          for (const bool toggle : {false, true}) {
            SCOPED_TRACE(testing::Message() << s.name << (dcf77 ? " dcf77" : " msf")
                                            << (edges ? " edges" : " bits") << (utc ? " -u" : "")
                                            << (toggle ? " -M" : ""));
            std::vector<std::string> q = {"-s", dcf77 ? "dcf77" : "msf"};
            if (edges) q.push_back("-e");
            if (utc) q.push_back("-u");
            if (toggle) q.push_back("-M");
            const std::string report = analyze(log.out, q);
            const std::vector<std::string> got = decoded_minutes(report);
            std::vector<std::string> expected;
            for (int k = 0; k < s.minutes; ++k) {
              expected.push_back(expected_minute(dcf77, s.first + minutes{k}, utc));
            }
            EXPECT_EQ(got, expected);
            for (const std::string& line : lines_of(report)) {
              EXPECT_EQ(line.find("parity"), std::string::npos) << line;
              EXPECT_EQ(line.find("jumped"), std::string::npos) << line;
              EXPECT_EQ(line.find("Minute is"), std::string::npos) << line;
            }
          }
        }
      }
    }
  }
}

// A receiver with 130/230 ms pulses, a counter that wraps, and jitter:
// quillfen still decodes every minute.
TEST(SynthProgramTest, BiasJitterAndACounterWrapStillDecode) {
  for (const char* station : {"dcf77", "msf"}) {
    SCOPED_TRACE(station);
    const bool dcf77 = station[0] == 'd';
    const e2e::ProgramRun log =
        synth({"-s", station, "-e", "-t", "2025-06-01T00:00Z", "-n", "30", "-b", "30000", "-j",
               "3000", "-c", "4294000000", "-r", "3"});
    ASSERT_EQ(log.status, 0);
    const Minutes first{sys_days{2025y / June / 1}};
    std::vector<std::string> expected;
    for (int k = 0; k < 30; ++k) expected.push_back(expected_minute(dcf77, first + minutes{k}, false));
    EXPECT_EQ(decoded_minutes(analyze(log.out, {"-s", station, "-e"})), expected);
  }
}

TEST(SynthProgramTest, ALostPulseShowsAtItsSecond) {
  // Minute 2, second 20: DCF77 bit 19 of that frame (the leap-second
  // announcement) is 0, so second 19's pulse ends at 139.1 s and the next
  // rise is second 21's, at 141 s; the 1.9 s gap is taken for the minute
  // marker, and the minute ends after 20 seconds. Two edges per pulsed
  // second: that rise is edge 2 * (2 * 59 + 20) = 276, counting from 0.
  const e2e::ProgramRun edge_log =
      synth({"-s", "dcf77", "-e", "-t", "2025-06-01T12:00Z", "-n", "4", "-l", "2:20"});
  const std::vector<std::string> report = lines_of(analyze(edge_log.out, {"-s", "dcf77", "-e"}));
  const std::string edge_line = "<false/139100000/275><true/141000000/276> 19[Some(false)][2000000]";
  std::size_t at = 0;
  while (at < report.size() && report[at] != edge_line) ++at;
  ASSERT_LT(at + 2, report.size()) << "no edge line " << edge_line;
  EXPECT_EQ(report[at + 2], "first_minute=false seconds=20 this_minute_length=60 next_minute_length=60");
  std::size_t edge_lines = 0;
  for (const std::string& line : lines_of(edge_log.out)) edge_lines += line[0] == 'D' ? 1 : 0;
  EXPECT_EQ(edge_lines, 4U * 59U * 2U - 2U + 1U);

  // In a per-bit log the second's character is missing: 58 bits, and that
  // minute's complaint.
  const e2e::ProgramRun bit_log =
      synth({"-s", "dcf77", "-t", "2025-06-01T12:00Z", "-n", "4", "-l", "1:20"});
  const std::vector<std::string> bit_lines = lines_of(bit_log.out);
  ASSERT_EQ(bit_lines.size(), 4U);
  EXPECT_EQ(bit_lines[1].size(), 58U);
  const std::string bits_report = analyze(bit_log.out, {"-s", "dcf77"});
  EXPECT_NE(bits_report.find("Minute is 59 seconds instead of 60 seconds long\n"), std::string::npos);
}

TEST(SynthProgramTest, UndeterminedBitsShowAsUndeterminedParities) {
  const e2e::ProgramRun log = synth({"-s", "msf", "-t", "2025-06-01T12:00Z", "-n", "3", "-U", "1"});
  EXPECT_EQ(lines_of(log.out)[0], "4" + std::string(59, '_'));
  const std::string report = analyze(log.out, {"-s", "msf"});
  EXPECT_NE(report.find("Year parity undetermined\n"), std::string::npos);
  EXPECT_NE(report.find("Hour/minute parity undetermined\n"), std::string::npos);
}

TEST(SynthProgramTest, ASeedGivesTheSameBytesAndAnotherSeedOthers) {
  const std::vector<std::string> noisy = {"-s", "msf", "-e", "-t", "2025-01-01T00:00Z", "-n",
                                          "20", "-j", "4000", "-g", "0.1", "-N", "0.01", "-x",
                                          "0.05", "-F", "0.005", "-i", "0.01", "-l", "0.01",
                                          "-m", "0.01", "-p", "30", "-o", "-r"};
  auto with_seed = [&](const char* seed) {
    auto args = noisy;
    args.push_back(seed);
    return synth(args);
  };
  const e2e::ProgramRun one = with_seed("11");
  EXPECT_EQ(one.status, 0);
  EXPECT_EQ(one.err, "");
  EXPECT_EQ(with_seed("11").out, one.out);
  EXPECT_NE(with_seed("12").out, one.out);
}

TEST(SynthProgramTest, RejectedCommandLinesWriteNothingToStandardOutput) {
  const std::vector<std::vector<std::string>> cases = {
      {"-s", "dcf77", "-t", "2025-01-01T00:00Z", "-n", "5", "-q"},
      {"-s", "dcf77", "-t", "2025-13-01T00:00Z", "-n", "5"},
      {"-s", "dcf77", "-t", "2025-01-01T00:00Z", "-n", "-5"},
      {"-s", "dcf77", "-t", "2025-01-01T00:00Z", "-n", "6000000"},
      {"-s", "dcf77", "-t", "2025-01-01T00:00Z", "-n", "5", "-i", "2"},
  };
  const char* const messages[] = {
      "Error: Error { culprit: 'q', kind: UnknownOption }\n",
      "start '2025-13-01T00:00Z' is not a UTC instant like 2016-12-31T23:30Z or "
      "2016-12-31T23:30:15Z\n",
      "minutes '-5' is not a whole number from 1 to 5259600 (ten years)\n",
      "minutes '6000000' is not a whole number from 1 to 5259600 (ten years)\n",
      "rate '2' of -i is not a number from 0 to 1\n",
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const e2e::ProgramRun run = synth(cases[i]);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, messages[i]);
    EXPECT_EQ(run.status, 1);
  }
  const e2e::ProgramRun help = synth({});
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(help.out.starts_with("Usage: quillfen-synth -s dcf77|msf [-e] -t START"));
}

TEST(SynthProgramTest, AReaderThatStopsEarlyEndsTheRunQuietly) {
  const e2e::ProgramRun run = e2e::run_program(
      QUILLFEN_SYNTH_BINARY, {"quillfen-synth", "-s", "dcf77", "-t", "2025-01-01T00:00Z", "-n",
                              "500000"},
      std::nullopt, e2e::StdoutTo::kClosedPipe);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.status, 0);
  const e2e::ProgramRun full = e2e::run_program(
      QUILLFEN_SYNTH_BINARY, {"quillfen-synth", "-s", "dcf77", "-t", "2025-01-01T00:00Z", "-n",
                              "10"},
      std::nullopt, e2e::StdoutTo::kDevFull);
  EXPECT_EQ(full.err, "Could not write to standard output: No space left on device (os error 28)\n");
  EXPECT_EQ(full.status, 1);
}

}  // namespace
}  // namespace quillfen
