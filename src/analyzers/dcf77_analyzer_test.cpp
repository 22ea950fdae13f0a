#include "src/analyzers/analyze.hpp"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "src/testing/fault_checks.hpp"
#include "src/testing/program_run.hpp"
#include "synth/dcf77_encoder.hpp"
#include "synth/utc_minute.hpp"

namespace quillfen {
namespace {

using namespace std::chrono;
using SysMinutes = sys_time<minutes>;

std::string decimal(std::uint64_t value) { return std::to_string(value); }

std::string two_digits(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02u", value);
  return text;
}

std::string hex4(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04x", value);
  return text;
}

std::string bit_text(Bit bit) {
  return !bit.has_value() ? "None" : (*bit ? "Some(true)" : "Some(false)");
}

// The pulsed seconds of a frame as the characters of a per-bit log.
std::string frame_bits(const Dcf77Frame& frame) {
  std::string bits;
  for (std::size_t s = 0; s + 1 < frame.length; ++s) {
    bits += !frame.bits[s].has_value() ? '_' : (*frame.bits[s] ? '1' : '0');
  }
  return bits;
}

// A per-bit report line: the bits stored from second 0 on, with a blank in
// front of the first second of every field of the time code.
std::string spaced_bits(std::string_view bits) {
  static constexpr std::array<std::size_t, 15> kFieldStarts = {1,  15, 16, 19, 20, 21, 28, 29,
                                                               35, 36, 42, 45, 50, 58, 59};
  std::string line;
  for (std::size_t s = 0; s < bits.size(); ++s) {
    for (const std::size_t start : kFieldStarts) {
      if (s == start) {
        line += ' ';
      }
    }
    line += bits[s];
  }
  return line;
}

// Compares two reports line by line so that a failure names the first line
// that differs, then compares them whole.
void expect_report(std::string_view actual, std::string_view expected) {
  std::size_t line = 1;
  std::size_t a = 0;
  std::size_t e = 0;
  while (a < actual.size() && e < expected.size()) {
    const std::size_t a_end = actual.find('\n', a);
    const std::size_t e_end = expected.find('\n', e);
    const std::string_view a_line =
        actual.substr(a, a_end == std::string_view::npos ? a_end : a_end - a);
    const std::string_view e_line =
        expected.substr(e, e_end == std::string_view::npos ? e_end : e_end - e);
    if (a_line != e_line) {
      ADD_FAILURE() << "report line " << line << " differs\n  actual:   \"" << a_line
                    << "\"\n  expected: \"" << e_line << "\"";
      return;
    }
    if (a_end == std::string_view::npos || e_end == std::string_view::npos) {
      break;
    }
    a = a_end + 1;
    e = e_end + 1;
    ++line;
  }
  EXPECT_EQ(actual.size(), expected.size()) << "reports differ in length after line " << line;
  EXPECT_EQ(actual, expected);
}

// The first block of a log whose first minute could not be decoded at all:
// nothing is known yet, not even the call bit.
constexpr std::string_view kNothingDecodedYet =
    "**-**-** ? **:** [] [] [?]\n"
    "Minute parity undetermined\n"
    "Hour parity undetermined\n"
    "Date parity undetermined\n"
    "Bit 0 is undetermined\n"
    "Bit 20 is undetermined\n";

// ---------------------------------------------------------------------------
// Per-bit logs, by hand.

// Tuesday 5 March 2024, 14:37 CET, no announcements, third-party bits 0.
constexpr std::string_view kMinute1437 =
    "00000000000000000010111101101001010010100001011000001001001";
constexpr std::string_view kSpaced1437 =
    "0 00000000000000 0 001 0 1 1110110 1 001010 0 101000 010 11000 00100100 1";

// The per-bit lines of consecutive minutes of that afternoon, from the
// encoder: index 0 carries 14:37 CET, index 1 14:38, and so on.
std::string line_of_minute(int index) {
  const auto frames = dcf77_frames(utc_minute(2024, 3, 5, 13, 36 + index), 1);
  return frame_bits(frames.at(0));
}

TEST(Dcf77BitsTest, EncoderAgreesWithTheHandWrittenMinute) {
  EXPECT_EQ(line_of_minute(0), kMinute1437);
  EXPECT_EQ(spaced_bits(kMinute1437), kSpaced1437);
}

// The report of the minute above as the first minute of a log, with its
// date-time line.
std::string report_of_1437(std::string_view datetime) {
  return std::string(kSpaced1437) +
         "\n"
         "Third-party buffer=0x0000\n"
         "first_minute=false seconds=60 this_minute_length=60 next_minute_length=60\n" +
         std::string(datetime) + "\n\n";
}

TEST(Dcf77BitsTest, TuesdayAt1437InEitherModeAndInUtc) {
  struct Case {
    bool toggle_mode;
    bool show_utc;
    std::string_view datetime;
  };
  const Case cases[] = {
      {false, false, "24-03-05 Tuesday 14:37 [winter] [] []"},
      {true, false, "24-03-05 Tuesday 14:37 [winter] [] []"},
      {false, true, "24-03-05 Tuesday 13:37 [UTC] [] []"},
      {true, true, "24-03-05 Tuesday 13:37 [UTC] [] []"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "toggle " << c.toggle_mode << " utc " << c.show_utc);
    const Report report =
        analyze_dcf77_bits(std::string(kMinute1437) + "\n", c.toggle_mode, c.show_utc);
    expect_report(report.text, report_of_1437(c.datetime));
    EXPECT_FALSE(report.bad_line.has_value());
  }
}

TEST(Dcf77BitsTest, EmptyLogGivesNoReport) {
  EXPECT_EQ(analyze_dcf77_bits("", false, false).text, "");
  EXPECT_EQ(analyze_dcf77_bits("", true, true).text, "");
}

// `bits` with `junk` put before every `every`-th character.
std::string interleave(std::string_view bits, std::string_view junk, std::size_t every) {
  std::string text;
  for (std::size_t i = 0; i < bits.size(); ++i) {
    if (i % every == 0) {
      text += junk;
    }
    text += bits[i];
  }
  return text;
}

TEST(Dcf77BitsTest, CharactersOtherThanBitsAndLineFeedsAreIgnored) {
  const std::string clean = std::string(kMinute1437) + "\n";
  const std::string expected = report_of_1437("24-03-05 Tuesday 14:37 [winter] [] []");
  const std::string noisy[] = {
      std::string(kMinute1437) + "\r\n",  // CR LF line ends
      interleave(kMinute1437, " ", 5) + "\t\n",
      interleave(kMinute1437, "x", 3) + "Z\n",
      interleave(kMinute1437, "\xc3\xa9", 7) + "\xe2\x82\xac\n",  // two- and three-byte UTF-8
      interleave(kMinute1437, "\r", 1) + "\r\n",
      clean + "0101",  // bits after the last line feed are dropped
  };
  for (const std::string& log : noisy) {
    SCOPED_TRACE(log);
    expect_report(analyze_dcf77_bits(log, false, false).text, expected);
  }
}

TEST(Dcf77BitsTest, MinutesOfTheWrongLength) {
  const std::string m37(kMinute1437);
  const std::string m38 = line_of_minute(1);
  const std::string m39 = line_of_minute(2);
  const std::string block_1437 = report_of_1437("24-03-05 Tuesday 14:37 [winter] [] []");
  const std::string tail_1439 = spaced_bits(m39) +
                                "\n"
                                "Third-party buffer=0x0000\n"
                                "first_minute=false seconds=60 this_minute_length=60 "
                                "next_minute_length=60\n"
                                "24-03-05 Tuesday 14:39 [winter] [] []\n";
  struct Case {
    const char* name;
    std::string log;
    std::string expected;
  };
  const Case cases[] = {
      // The third-party bits 1..14 are complete once second 15 is reached.
      {"14 bits: no third-party data yet", "01000000000000\n",
       "0 1000000000000\n"
       "Minute is 15 seconds instead of 60 seconds long\n"
       "\n"},
      {"15 bits: the third-party data is complete", "010000000000001\n",
       "0 10000000000001\n"
       "Minute is 16 seconds instead of 60 seconds long\n"
       "Third-party buffer=0x2001\n"
       "\n"},
      {"15 bits, one of them undetermined", "01000000_000001\n",
       "0 1000000_000001\n"
       "Minute is 16 seconds instead of 60 seconds long\n"
       "\n"},
      {"58 bits: not decoded, only the third-party line", m37.substr(0, 58) + "\n",
       spaced_bits(m37.substr(0, 58)) + "\n"
                                        "Minute is 59 seconds instead of 60 seconds long\n"
                                        "Third-party buffer=0x0000\n"
                                        "\n"},
      {"60 bits: the counter wraps, the minute is decoded as 1 second long", m37 + "1\n",
       "increase_second() == false\n" + std::string(kSpaced1437) +
           " 1\n"
           "Minute is 1 seconds instead of 60 seconds long\n"
           "Third-party buffer=0x0000\n"
           "first_minute=true seconds=1 this_minute_length=60 next_minute_length=60\n" +
           std::string(kNothingDecodedYet) + "\n"},
      // A short minute is not decoded, but its minute marker is a minute
      // boundary all the same: the clock advances over it, so 14:39 comes as
      // expected.
      {"58 bits between good minutes: the clock runs on",
       m37 + "\n" + m38.substr(0, 58) + "\n" + m39 + "\n",
       block_1437 + spaced_bits(m38.substr(0, 58)) +
           "\n"
           "Minute is 59 seconds instead of 60 seconds long\n"
           "Third-party buffer=0x0000\n"
           "\n" +
           tail_1439 + "\n"},
      // A long minute runs past its end: the wrap advances the clock, and the
      // minute is passed to the decoder, which decodes nothing and does not
      // advance the clock a second time; the previous minute's parities stand.
      {"60 bits between good minutes: the clock runs on", m37 + "\n" + m38 + "0\n" + m39 + "\n",
       block_1437 + "increase_second() == false\n" + spaced_bits(m38) +
           " 0\n"
           "Minute is 1 seconds instead of 60 seconds long\n"
           "Third-party buffer=0x0000\n"
           "first_minute=false seconds=1 this_minute_length=60 next_minute_length=60\n"
           "24-03-05 Tuesday 14:38 [winter] [] []\n"
           "\n" +
           tail_1439 + "\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    expect_report(analyze_dcf77_bits(c.log, false, false).text, c.expected);
  }
}

TEST(Dcf77BitsTest, ResetInTheMiddleOfALineStartsTheMinuteAgainButKeepsTheLine) {
  const std::string m38 = line_of_minute(1);
  const std::string m39 = line_of_minute(2);
  // The "1" was stored at second 0 before the reset; the bits after it are
  // stored, and spaced, from second 0 again. The reset leaves first_minute
  // false, so the reports say so from the start, and as the clock was
  // emptied the first minute after it is taken without comparison.
  const std::string log = std::string("1*") + m38 + "\n" + m39 + "\n";
  const std::string expected = std::string("1") + spaced_bits(m38) +
                               "\n"
                               "Third-party buffer=0x0000\n"
                               "first_minute=false seconds=60 this_minute_length=60 "
                               "next_minute_length=60\n"
                               "24-03-05 Tuesday 14:38 [winter] [] []\n"
                               "\n" +
                               spaced_bits(m39) +
                               "\n"
                               "Third-party buffer=0x0000\n"
                               "first_minute=false seconds=60 this_minute_length=60 "
                               "next_minute_length=60\n"
                               "24-03-05 Tuesday 14:39 [winter] [] []\n"
                               "\n";
  expect_report(analyze_dcf77_bits(log, false, false).text, expected);
}

// A bad hour parity: loose mode takes minute and date on their own parities,
// strict mode takes nothing. Per-bit logs are loose and edge logs strict
// unless the mode is toggled.
TEST(Dcf77ModeTest, BadHourParityInLooseAndStrictMode) {
  auto frames = dcf77_frames(utc_minute(2024, 3, 5, 13, 36), 1);
  frames[0].bits[35] = !*frames[0].bits[35];
  const std::string loose =
      "first_minute=true seconds=60 this_minute_length=60 next_minute_length=60\n"
      "24-03-05 Tuesday **:37 [winter] [] []\n"
      "Hour parity bad\n"
      "\n";
  const std::string strict =
      "first_minute=true seconds=60 this_minute_length=60 next_minute_length=60\n"
      "**-**-** ? **:** [winter] [] []\n"
      "Hour parity bad\n"
      "\n";
  struct Case {
    bool edges;
    bool toggle_mode;
    const std::string& block;
  };
  const Case cases[] = {
      {false, false, loose},
      {false, true, strict},
      {true, false, strict},
      {true, true, loose},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "edges " << c.edges << " toggle " << c.toggle_mode);
    const std::string text =
        c.edges ? analyze_dcf77_edges(dcf77_edge_log(frames), c.toggle_mode, false, {}).text
                : analyze_dcf77_bits(dcf77_bit_log(frames), c.toggle_mode, false).text;
    ASSERT_GE(text.size(), c.block.size());
    EXPECT_EQ(text.substr(text.size() - c.block.size()), c.block);
  }
}

// 14:59 with a leap second announced, but the date parity failed: the clock
// knows the time and the leap-second state, and expects a 61-second minute,
// but without a date it cannot be converted to UTC.
TEST(Dcf77BitsTest, UtcOfAnIncompleteClockIsTheEmptyRecord) {
  Dcf77Options options;
  options.leap_second_before = sys_seconds{utc_minute(2024, 3, 5, 14, 0)};
  auto frames = dcf77_frames(utc_minute(2024, 3, 5, 13, 58), 1, options);
  ASSERT_EQ(frames[0].bits[19], true);
  frames[0].bits[58] = !*frames[0].bits[58];
  const std::string head = spaced_bits(frame_bits(frames[0])) +
                           "\n"
                           "Third-party buffer=0x0000\n"
                           "first_minute=true seconds=60 this_minute_length=60 "
                           "next_minute_length=61\n";
  expect_report(analyze_dcf77_bits(dcf77_bit_log(frames), false, false).text,
                head + "**-**-** ? 14:59 [winter] [announced] []\nDate parity bad\n\n");
  expect_report(analyze_dcf77_bits(dcf77_bit_log(frames), false, true).text,
                head + "**-**-** ? **:** [] [] []\nDate parity bad\n\n");
}

// ---------------------------------------------------------------------------
// Edge logs, by hand.

// "D" lines of seconds 0..last of a minute that starts at `start_us`, with
// 100 ms pulses except 200 ms at the seconds in `ones`; the rising edge of
// second k+1 closes second k. Ticks are the second plus `tick_offset`.
std::string hand_edges(std::uint32_t start_us, int last, std::uint32_t tick_offset,
                       const std::vector<int>& ones = {}) {
  std::string log;
  for (int k = 0; k <= last; ++k) {
    const std::uint32_t rise = start_us + static_cast<std::uint32_t>(k) * 1000000;
    bool one = false;
    for (const int s : ones) {
      one = one || s == k;
    }
    const std::uint32_t tick = static_cast<std::uint32_t>(k) + tick_offset;
    log += "D true " + decimal(rise) + " " + decimal(tick) + "\n";
    log += "D false " + decimal(rise + (one ? 200000 : 100000)) + " " + decimal(tick) + "\n";
  }
  return log;
}

TEST(Dcf77EdgesTest, EdgeLineOfANormalSecond) {
  // Rising edges every second from 1000000 on; after the edge at 5000000 the
  // second counter is at 4.
  const std::string log = hand_edges(1000000, 4, 7) + "D true 6000000 12\n";
  const Report report = analyze_dcf77_edges(log, false, false, {});
  expect_report(report.text,
                "<true/1000000/7><false/1100000/7><true/2000000/8> 0[Some(false)][1000000]\n"
                "<false/2100000/8><true/3000000/9> 1[Some(false)][1000000]\n"
                "<false/3100000/9><true/4000000/10> 2[Some(false)][1000000]\n"
                "<false/4100000/10><true/5000000/11> 3[Some(false)][1000000]\n"
                "<false/5100000/11><true/6000000/12> 4[Some(false)][1000000]\n");
  EXPECT_FALSE(report.bad_line.has_value());
}

TEST(Dcf77EdgesTest, StepIntoTheUnpulsedLastSecond) {
  // The first edge, at time 0, only starts the clock; the rising edge at
  // 58000000 takes the counter to 58, and the end of that 200 ms pulse is
  // followed by the step into the unpulsed second 59.
  const std::string log = hand_edges(0, 58, 12, {58});
  const std::string text = analyze_dcf77_edges(log, false, false, {}).text;
  const std::string tail =
      "<false/57100000/69><true/58000000/70> 57[Some(false)][1000000]\n"
      "<false/58200000/70> 58[Some(true)][200000]\n"
      "increase_second,second,new_minute,tick=true,59,false,70\n";
  ASSERT_GE(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}

TEST(Dcf77EdgesTest, CommentsAreEchoedAndMsfLinesLeaveNoTrace) {
  const std::string log =
      "# receiver log\n"
      "M true 500 1\n"
      "D true 7000000 2\n"
      "  # second comment\r\n"
      "M false 1100000 3\n"
      "D false 7100000 4\n"
      "M true 1900000 5\n"
      "D true 8000000 6\n"
      "#\n";
  // The first DCF77 edge adds nothing to the elapsed time, however late it
  // comes; the MSF edges between the DCF77 ones change neither time stamp nor
  // elapsed time.
  expect_report(analyze_dcf77_edges(log, false, false, {}).text,
                "# receiver log\n"
                "  # second comment\n"
                "<true/7000000/2><false/7100000/4><true/8000000/6> 0[Some(false)][1000000]\n"
                "#\n");
}

TEST(Dcf77EdgesTest, MalformedLineStopsTheAnalysis) {
  const std::string log =
      "# before\n"
      "D true 1000000 1\n"
      "D true 1100000\n"
      "D false 1200000 3\n"
      "bad line\n";
  const Report report = analyze_dcf77_edges(log, false, false, {});
  EXPECT_EQ(report.text, "# before\n");
  EXPECT_EQ(report.bad_line, "parse_raw_line: invalid file format at line 3, missing 'tick'\n");
}

TEST(Dcf77EdgesTest, MalformedMsfLineStopsTheAnalysisToo) {
  const Report report =
      analyze_dcf77_edges("# a\n# b\nM true -1 4\n# never seen\n", false, false, {});
  EXPECT_EQ(report.text, "# a\n# b\n");
  EXPECT_EQ(report.bad_line,
            "parse_raw_line: invalid file format at line 3, 'when' is not a u32: invalid digit "
            "found in string\n");
}

TEST(Dcf77EdgesTest, EmptyLogGivesNoReport) {
  const Report report = analyze_dcf77_edges("", false, false, {});
  EXPECT_EQ(report.text, "");
  EXPECT_FALSE(report.bad_line.has_value());
}

TEST(Dcf77EdgesTest, SpikeLimit) {
  const auto frames = dcf77_frames(utc_minute(2024, 3, 5, 13, 36), 3);
  // Every rising edge rings for 5 ms + 5 ms.
  EdgeLogOptions ringing;
  ringing.glitch_after_rise_us = 5000;
  const std::string log = dcf77_edge_log(frames, ringing);
  const std::string filtered = analyze_dcf77_edges(log, false, false, {}).text;
  ASSERT_NE(filtered.find("24-03-05 Tuesday 14:39 [winter] [] []\n"), std::string::npos);
  // 150000 and above would swallow the pulses themselves; such a limit is
  // ignored and the default of 30000 stays.
  EXPECT_EQ(analyze_dcf77_edges(log, false, false, 150000).text, filtered);
  EXPECT_EQ(analyze_dcf77_edges(log, false, false, 4294967295U).text, filtered);
  EXPECT_EQ(analyze_dcf77_edges(log, false, false, 5001).text, filtered);
  // At the glitch length the ringing counts as edges: the glitch ends the
  // pulse of second 58 too early.
  EXPECT_NE(analyze_dcf77_edges(log, false, false, 5000).text, filtered);
  EXPECT_NE(analyze_dcf77_edges(log, false, false, 0).text, filtered);
  // Just below the length of a 0 pulse, the zeros are lost as spikes and no
  // minute can be decoded.
  const std::string clean = dcf77_edge_log(frames);
  EXPECT_NE(analyze_dcf77_edges(clean, false, false, {}).text.find("14:39"), std::string::npos);
  EXPECT_EQ(analyze_dcf77_edges(clean, false, false, 149999).text.find("14:39"), std::string::npos);
}

// A pulse in the unpulsed second 59 hides the minute marker: the counter runs
// past the end of the minute, the clock is advanced without decoding, and the
// minutes after it are counted one second late until the next marker.
TEST(Dcf77EdgesTest, LostMinuteMarkerKeepsTheClockRunning) {
  const auto frames = dcf77_frames(utc_minute(2024, 3, 5, 13, 36), 4);  // 14:37 .. 14:40
  const std::string clean = dcf77_edge_log(frames);
  // Every frame has 59 pulses of two lines each; tick = line number from 0.
  const auto tick = [](int frame, int second, bool rise) {
    return (59 * frame + second) * 2 + (rise ? 0 : 1);
  };
  std::size_t insert_at = 0;
  for (int line = 0; line <= tick(1, 58, false); ++line) {
    insert_at = clean.find('\n', insert_at) + 1;
  }
  const std::string log = clean.substr(0, insert_at) +
                          "D true 120000000 9000\n"  // second 59 of frame 1
                          "D false 120100000 9001\n" +
                          clean.substr(insert_at);
  const std::string text = analyze_dcf77_edges(log, false, false, {}).text;
  std::string without_edge_lines;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] != '<') {
      without_edge_lines += line + "\n";
    }
  }
  const auto step = [](int t) {
    return "increase_second,second,new_minute,tick=true,59,false," + decimal(t) + "\n";
  };
  const auto block = [](int seconds, std::string_view time) {
    return "Third-party buffer=0x0000\nfirst_minute=false seconds=" + decimal(seconds) +
           " this_minute_length=60 next_minute_length=60\n24-03-05 Tuesday " + std::string(time) +
           " [winter] [] []\n\n";
  };
  std::string expected = step(tick(0, 58, false)) + block(60, "14:37");
  // Frame 1 ends without a marker; the clock goes to 14:38 on its own. Frame 2
  // is counted from second 1, so its second 57 is the last pulsed one and its
  // second 58 wraps the counter again (14:39).
  expected += step(tick(1, 58, false)) + step(tick(2, 57, false));
  // The marker before frame 3 ends a 1-second minute: not decoded, and the
  // clock, already advanced, stays.
  expected += block(1, "14:39");
  expected += step(tick(3, 58, false)) + block(60, "14:40");
  expect_report(without_edge_lines, expected);
}

// ---------------------------------------------------------------------------
// Round trips: logs of real calendar minutes from the encoder, and the report
// that the rules give for them.

struct Scenario {
  const char* name;
  SysMinutes first_utc;  // frame 0 is sent during this minute
  int count;             // number of frames
  Dcf77Options options = {};
  bool leap_second_is_one = false;  // send the inserted leap second as a 1
  // 0: the log starts at a minute marker. Otherwise only the last this many
  // pulsed seconds of frame 0 are in the log.
  unsigned partial_pulses = 0;
  std::uint32_t glitch_us = 0;       // edge logs: ringing after every rising edge
  std::uint32_t start_us = 1000000;  // edge logs: time stamp of the first second
  // Edge logs: every edge moved by up to this many microseconds either way
  // (its ringing with it), so pulses and pauses vary by up to twice as much.
  std::uint32_t jitter_us = 0;
};

// `log` (an edge log from the encoder) with every edge moved by a random
// offset within +-`max_us`; an edge less than 20 ms after the one before it
// (ringing) moves with it. The same seed gives the same log.
std::string jittered(const std::string& log, std::uint32_t max_us, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<std::int64_t> offset(-std::int64_t{max_us}, max_us);
  std::istringstream lines(log);
  std::string kind, level;
  std::uint32_t when = 0, tick = 0, previous = 0;
  std::int64_t shift = 0;
  std::string out;
  bool first = true;
  while (lines >> kind >> level >> when >> tick) {
    if (first || static_cast<std::uint32_t>(when - previous) >= 20000) {
      shift = offset(random);
    }
    first = false;
    previous = when;
    const auto moved = static_cast<std::uint32_t>(static_cast<std::int64_t>(when) + shift);
    out += kind + " " + level + " " + decimal(moved) + " " + decimal(tick) + "\n";
  }
  return out;
}

std::vector<Dcf77Frame> scenario_frames(const Scenario& s) {
  auto frames = dcf77_frames(s.first_utc, s.count, s.options);
  if (s.leap_second_is_one) {
    for (Dcf77Frame& frame : frames) {
      if (frame.length == 61) {
        frame.bits[59] = true;
      }
    }
  }
  return frames;
}

bool summer_time_changes_at(SysMinutes utc) {
  return dcf77_local_time(utc).summer != dcf77_local_time(utc - minutes{1}).summer;
}

std::optional<SysMinutes> leap_second_at(const Scenario& s) {
  if (!s.options.leap_second_before.has_value()) {
    return std::nullopt;
  }
  return floor<minutes>(*s.options.leap_second_before);
}

// The date-time line for the minute `carried`, as the clock should hold it
// after a clean log: the announcement is believed from minute 1 of the hour
// before a change on, and the change is processed at the top of the hour.
std::string datetime_line(const Scenario& s, const Dcf77Frame& frame, SysMinutes carried,
                          bool show_utc) {
  static constexpr const char* kWeekdays[] = {"",         "Monday", "Tuesday",  "Wednesday",
                                              "Thursday", "Friday", "Saturday", "Sunday"};
  int full_year = 0;
  unsigned month_number = 0, day_number = 0, weekday = 0, hour = 0, minute = 0;
  if (show_utc) {
    const sys_days day = floor<days>(carried);
    const year_month_day date{day};
    const hh_mm_ss<minutes> time{carried - day};
    full_year = static_cast<int>(date.year());
    month_number = static_cast<unsigned>(date.month());
    day_number = static_cast<unsigned>(date.day());
    weekday = std::chrono::weekday{day}.iso_encoding();
    hour = static_cast<unsigned>(time.hours().count());
    minute = static_cast<unsigned>(time.minutes().count());
  } else {
    const CivilMinute local = dcf77_local_time(carried);
    full_year = local.year;
    month_number = local.month;
    day_number = local.day;
    weekday = local.weekday;
    hour = local.hour;
    minute = local.minute;
  }
  bool change_ahead = false;
  for (int j = 1; j < 60; ++j) {
    change_ahead = change_ahead || summer_time_changes_at(carried + minutes{j});
  }
  std::string line = two_digits(static_cast<unsigned>(full_year % 100)) + "-" +
                     two_digits(month_number) + "-" + two_digits(day_number) + " " +
                     kWeekdays[weekday] + " " + two_digits(hour) + ":" + two_digits(minute) + " [";
  line += change_ahead ? "announced," : "";
  line += summer_time_changes_at(carried) ? "processed," : "";
  line += show_utc ? "UTC" : (dcf77_local_time(carried).summer ? "summer" : "winter");
  line += "] [";
  if (const auto leap = leap_second_at(s)) {
    if (carried > *leap - minutes{60} && carried < *leap) {
      line += "announced";
    } else if (carried == *leap) {
      line += "processed";
      line += frame.bits[59] == true ? ",one" : "";
      line += s.options.leap_second_missing ? ",missing" : "";
    }
  }
  line += "] [";
  line += s.options.call_bit ? "call" : "";
  line += "]\n";
  return line;
}

// The block of a fully decoded minute of a clean log: no parity, bit or jump
// complaints.
std::string minute_block(const Scenario& s, const Dcf77Frame& frame, SysMinutes carried,
                         bool show_utc) {
  const auto leap = leap_second_at(s);
  const unsigned this_length = leap == carried ? 61 : 60;
  const unsigned next_length = leap == carried + minutes{1} ? 61 : 60;
  return "Third-party buffer=0x" + hex4(s.options.third_party & 0x3fffU) +
         "\n"
         "first_minute=false seconds=" +
         decimal(frame.length) + " this_minute_length=" + decimal(this_length) +
         " next_minute_length=" + decimal(next_length) + "\n" +
         datetime_line(s, frame, carried, show_utc) + "\n";
}

// The third-party line of a partial first minute: its first 15 pulsed
// seconds are taken for seconds 0..14 of a minute.
std::string partial_third_party_line(const Scenario& s, const Dcf77Frame& frame) {
  const std::size_t first = 59 - s.partial_pulses;
  unsigned value = 0;
  for (std::size_t i = 1; i <= 14; ++i) {
    value |= (frame.bits[first + i] == true ? 1U : 0U) << (i - 1);
  }
  return "Third-party buffer=0x" + hex4(value) + "\n";
}

std::string bit_log(const Scenario& s, const std::vector<Dcf77Frame>& frames) {
  const std::string log = dcf77_bit_log(frames);
  return s.partial_pulses == 0 ? log : log.substr(59 - s.partial_pulses);
}

std::string expected_bits_report(const Scenario& s, const std::vector<Dcf77Frame>& frames,
                                 bool show_utc) {
  std::string out;
  for (std::size_t k = 0; k < frames.size(); ++k) {
    const SysMinutes carried = s.first_utc + minutes{k + 1};
    const std::string bits = frame_bits(frames[k]);
    if (k == 0 && s.partial_pulses != 0) {
      // Nothing to decode; third-party data once second 15 was passed.
      out += spaced_bits(bits.substr(59 - s.partial_pulses)) + "\nMinute is " +
             decimal(s.partial_pulses + 1) + " seconds instead of 60 seconds long\n";
      if (s.partial_pulses >= 15) {
        out += partial_third_party_line(s, frames[0]);
      }
      out += "\n";
      continue;
    }
    out += spaced_bits(bits) + "\n";
    if (leap_second_at(s) == carried && frames[k].length == 60) {
      out += "Minute is 60 seconds instead of 61 seconds long\n";
    }
    out += minute_block(s, frames[k], carried, show_utc);
  }
  return out;
}

struct LoggedEdge {
  std::string text;  // as the edge line shows it: "<true/when/tick>"
  std::uint32_t when;
  std::uint32_t tick;
};

// The edges of an edge log from the encoder: "D <level> <when> <tick>" lines.
std::vector<LoggedEdge> logged_edges(const std::string& log) {
  std::vector<LoggedEdge> edges;
  std::istringstream lines(log);
  std::string kind, level;
  std::uint32_t when = 0, tick = 0;
  while (lines >> kind >> level >> when >> tick) {
    edges.push_back({"<" + level + "/" + decimal(when) + "/" + decimal(tick) + ">", when, tick});
  }
  return edges;
}

// What a clean edge log gives: the receiver sees a rising edge at the start
// of every pulsed second and a falling edge at the end of its pulse; every
// rising edge but the very first one closes the second before it with an edge
// line, and the end of the last pulse of a minute is followed by the step into
// the unpulsed last second.
std::string expected_edge_report(const Scenario& s, const std::vector<Dcf77Frame>& frames,
                                 const std::string& log, bool show_utc) {
  const std::vector<LoggedEdge> edges = logged_edges(log);
  std::size_t next = 0;
  const auto take = [&]() -> const LoggedEdge& {
    EXPECT_LT(next, edges.size());
    return edges.at(next++);
  };
  std::array<Bit, 62> stored{};  // what the receiver holds for each second
  unsigned second = 0;           // the receiver's second counter
  std::string out, pending;
  std::uint32_t line_start = edges.at(0).when;  // the first edge counts from itself
  const auto edge_line = [&](std::uint32_t now) {
    out += pending + " " + decimal(second) + "[" + bit_text(stored.at(second)) + "][" +
           decimal(now - line_start) + "]\n";
    pending.clear();
    line_start = now;
  };
  const auto close_minute = [&](std::size_t k) {
    if (k == 0 && s.partial_pulses != 0) {
      // The first pulse only starts the receiver's clock, so the counter
      // leaves second 15 only when a 17th pulse begins.
      if (s.partial_pulses >= 16) {
        out += partial_third_party_line(s, frames[0]);
      }
      out += "first_minute=true seconds=" + decimal(second + 1) +
             " this_minute_length=60 next_minute_length=60\n" + std::string(kNothingDecodedYet) +
             "\n";
    } else {
      out += minute_block(s, frames[k], s.first_utc + minutes{k + 1}, show_utc);
    }
  };

  // The frame that carries the top of the hour at which an announced leap
  // second did not come: the receiver expects 61 seconds, so it steps into
  // second 59 only when the minute marker comes at second 58.
  const auto leap_second_missed = [&](std::size_t k) {
    return s.options.leap_second_missing && leap_second_at(s) == s.first_utc + minutes{k + 1};
  };
  const auto counter_line = [&](std::uint32_t tick) {
    out += "increase_second,second,new_minute,tick=true," + decimal(second + 1) + ",false," +
           decimal(tick) + "\n";
    ++second;
  };
  // The minute marker at the start of frame k + 1 (or after the last frame)
  // closes the second before it and frame k.
  const auto close_with_marker = [&](std::size_t k, const LoggedEdge& rise) {
    edge_line(rise.when);
    if (leap_second_missed(k)) {
      counter_line(rise.tick);
      edge_line(rise.when);
    }
    close_minute(k);
  };

  bool first_edge = true;
  for (std::size_t k = 0; k < frames.size(); ++k) {
    const Dcf77Frame& frame = frames[k];
    const unsigned first_pulse = k == 0 && s.partial_pulses != 0 ? 59 - s.partial_pulses : 0;
    for (unsigned p = first_pulse; p + 1 < frame.length; ++p) {
      const LoggedEdge& rise = take();
      pending += rise.text;
      if (!first_edge) {
        if (p == 0) {
          close_with_marker(k - 1, rise);
          second = 0;
        } else {
          edge_line(rise.when);
          ++second;
        }
      }
      first_edge = false;
      if (s.glitch_us != 0) {
        pending += take().text;
        pending += take().text;
      }
      const LoggedEdge& fall = take();
      pending += fall.text;
      stored.at(second) = frame.bits[p];
      if (second + 2 == frame.length && !leap_second_missed(k)) {
        edge_line(fall.when);
        counter_line(fall.tick);
      }
    }
  }
  const LoggedEdge& marker = take();  // the minute marker closing the last frame
  pending += marker.text;
  close_with_marker(frames.size() - 1, marker);
  EXPECT_EQ(next, edges.size());
  return out;
}

void PrintTo(const Scenario& s, std::ostream* os) { *os << s.name; }

class Dcf77RoundTripTest : public testing::TestWithParam<std::tuple<Scenario, bool, bool, bool>> {};

TEST_P(Dcf77RoundTripTest, ReportsTheTrueTimeOfEveryMinute) {
  const auto& [s, edges, show_utc, toggle_mode] = GetParam();
  const std::vector<Dcf77Frame> frames = scenario_frames(s);
  if (edges) {
    EdgeLogOptions edge_options;
    edge_options.glitch_after_rise_us = s.glitch_us;
    edge_options.start_us = s.start_us;
    edge_options.skip_seconds = s.partial_pulses == 0 ? 0 : 59 - s.partial_pulses;
    std::string log = dcf77_edge_log(frames, edge_options);
    if (s.jitter_us != 0) {
      log = jittered(log, s.jitter_us, 2016);
    }
    const Report report = analyze_dcf77_edges(log, toggle_mode, show_utc, {});
    expect_report(report.text, expected_edge_report(s, frames, log, show_utc));
    EXPECT_FALSE(report.bad_line.has_value());
  } else {
    const Report report = analyze_dcf77_bits(bit_log(s, frames), toggle_mode, show_utc);
    expect_report(report.text, expected_bits_report(s, frames, show_utc));
  }
}

Dcf77Options leap_second(SysMinutes before, bool missing = false) {
  Dcf77Options options;
  options.leap_second_before = sys_seconds{before};
  options.leap_second_missing = missing;
  return options;
}

Dcf77Options third_party_and_call(std::uint16_t third_party) {
  Dcf77Options options;
  options.third_party = third_party;
  options.call_bit = true;
  return options;
}

const Scenario kScenarios[] = {
    // Local midnight into 2025 at 23:00 UTC, then UTC midnight.
    {.name = "NewYear2025", .first_utc = utc_minute(2024, 12, 31, 22, 50), .count = 80},
    // Summer time: local midnight into May at 22:00 UTC.
    {.name = "EndOfApril2025", .first_utc = utc_minute(2025, 4, 30, 21, 50), .count = 140},
    // Every minute of Thursday 29 February 2024, local and UTC.
    {.name = "LeapDay2024", .first_utc = utc_minute(2024, 2, 28, 22, 50), .count = 1520},
    // Winter to summer time at 01:00 UTC: 01:59 CET is followed by 03:00 CEST.
    {.name = "SummerTimeBegins2025", .first_utc = utc_minute(2025, 3, 29, 23, 50), .count = 140},
    // Summer to winter time at 01:00 UTC: 02:59 CEST is followed by 02:00 CET.
    {.name = "SummerTimeEnds2025", .first_utc = utc_minute(2025, 10, 25, 23, 50), .count = 140},
    // The log starts in the middle of the announcement hour.
    {.name = "LogStartsWithinTheAnnouncement",
     .first_utc = utc_minute(2025, 3, 30, 0, 30),
     .count = 40},
    // The leap second at the end of 2016: 00:59:60 CET.
    {.name = "LeapSecond2016",
     .first_utc = utc_minute(2016, 12, 31, 22, 50),
     .count = 80,
     .options = leap_second(utc_minute(2017, 1, 1, 0, 0))},
    {.name = "LeapSecondSentAsOne",
     .first_utc = utc_minute(2016, 12, 31, 23, 50),
     .count = 15,
     .options = leap_second(utc_minute(2017, 1, 1, 0, 0)),
     .leap_second_is_one = true},
    // Announced through the hour, but the minute that should carry the leap
    // second has the normal 59 bits; two hours follow.
    {.name = "LeapSecondMissing",
     .first_utc = utc_minute(2016, 12, 31, 22, 55),
     .count = 185,
     .options = leap_second(utc_minute(2017, 1, 1, 0, 0), true)},
    // The same with 20 ms of jitter on every pulse and pause, and ringing of
    // 5 ms + 5 ms after every rising edge.
    {.name = "LeapSecondMissingJitterAndRinging",
     .first_utc = utc_minute(2016, 12, 31, 23, 45),
     .count = 20,
     .options = leap_second(utc_minute(2017, 1, 1, 0, 0), true),
     .glitch_us = 5000,
     .jitter_us = 10000},
    {.name = "ThirdPartyDataAndCallBit",
     .first_utc = utc_minute(2024, 3, 5, 13, 30),
     .count = 5,
     .options = third_party_and_call(419)},
    {.name = "FirstMinutePartial",
     .first_utc = utc_minute(2024, 3, 5, 13, 30),
     .count = 4,
     .partial_pulses = 14},
    // Ringing of 5 ms + 5 ms after every rising edge, for a whole hour.
    {.name = "GlitchAfterEveryRisingEdge",
     .first_utc = utc_minute(2025, 3, 30, 0, 0),
     .count = 70,
     .glitch_us = 5000},
    {.name = "FirstMinutePartialWithThirdPartyData",
     .first_utc = utc_minute(2024, 3, 5, 13, 30),
     .count = 2,
     .partial_pulses = 16},
    {.name = "GlitchesFromAPartialMinuteOn",
     .first_utc = utc_minute(2024, 3, 5, 13, 30),
     .count = 3,
     .partial_pulses = 14,
     .glitch_us = 5000},
    // The receiver's microsecond counter wraps during the first minute.
    {.name = "CounterWraps",
     .first_utc = utc_minute(2024, 3, 5, 13, 30),
     .count = 3,
     .start_us = 4264467296U},
};

INSTANTIATE_TEST_SUITE_P(Calendar, Dcf77RoundTripTest,
                         testing::Combine(testing::ValuesIn(kScenarios), testing::Bool(),
                                          testing::Bool(), testing::Bool()),
                         [](const testing::TestParamInfo<Dcf77RoundTripTest::ParamType>& info) {
                           return std::string(std::get<0>(info.param).name) +
                                  (std::get<1>(info.param) ? "_Edges" : "_Bits") +
                                  (std::get<2>(info.param) ? "_Utc" : "_Local") +
                                  (std::get<3>(info.param) ? "_Toggled" : "_Default");
                         });

// The three lines around the missing leap second, checked by hand as well.
TEST(Dcf77BitsTest, MissingLeapSecondIsReportedOnceAndDecodingGoesOn) {
  const auto frames = dcf77_frames(utc_minute(2016, 12, 31, 23, 57), 4,
                                   leap_second(utc_minute(2017, 1, 1, 0, 0), true));
  const std::string text = analyze_dcf77_bits(dcf77_bit_log(frames), false, false).text;
  EXPECT_NE(text.find("first_minute=false seconds=60 this_minute_length=60 next_minute_length=61\n"
                      "17-01-01 Sunday 00:59 [winter] [announced] []\n"),
            std::string::npos);
  EXPECT_NE(text.find("Minute is 60 seconds instead of 61 seconds long\n"
                      "Third-party buffer=0x0000\n"
                      "first_minute=false seconds=60 this_minute_length=61 next_minute_length=60\n"
                      "17-01-01 Sunday 01:00 [winter] [processed,missing] []\n"
                      "\n"),
            std::string::npos);
  EXPECT_NE(text.find("17-01-01 Sunday 01:01 [winter] [] []\n\n"), std::string::npos);
  EXPECT_EQ(text.find("Minute is"), text.rfind("Minute is"));
}

// ---------------------------------------------------------------------------
// Reception faults that split or merge minutes must not look like jumps of the
// broadcast time: the clock advances once per minute of signal.

// Twelve minutes around a fault in frame 5: across local midnight into 2025
// (where a false advance would show in every field) and in an ordinary hour.
const SysMinutes kFaultLogStarts[] = {utc_minute(2024, 12, 31, 22, 53),
                                      utc_minute(2024, 3, 5, 13, 30)};

TEST(Dcf77EdgesTest, NoFalseJumpAfterALostOrExtraPulse) {
  constexpr std::uint32_t kStart = 1000000;
  // Line of the rising edge of pulsed second p of frame k in a clean log.
  const auto rise = [](int k, int p) { return static_cast<std::size_t>((59 * k + p) * 2); };
  const auto at = [](int k, int p, std::uint32_t offset) {
    return decimal(kStart + static_cast<std::uint32_t>((60 * k + p) * 1000000) + offset);
  };
  struct Fault {
    const char* name;
    void (*apply)(std::vector<std::string>& lines, decltype(rise)&, decltype(at)&);
  };
  const Fault faults[] = {
      // The commonest fault: the 1.9 s gap looks like a minute marker.
      {"one pulse lost in mid-minute",
       [](std::vector<std::string>& lines, decltype(rise)& r, decltype(at)&) {
         lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(r(5, 30)),
                     lines.begin() + static_cast<std::ptrdiff_t>(r(5, 30) + 2));
       }},
      // A 40 ms noise pulse 1.1 s into the minute gap: the counter runs past
      // the minute's end, and no minute marker is seen.
      {"noise pulse late in the minute gap",
       [](std::vector<std::string>& lines, decltype(rise)& r, decltype(at)& t) {
         lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(r(5, 58) + 2),
                      {"D true " + t(5, 59, 300000) + " 0", "D false " + t(5, 59, 340000) + " 0"});
       }},
      // The marker of second 0 lost: the signal seems lost for 2.8 s.
      {"pulse of second 0 lost",
       [](std::vector<std::string>& lines, decltype(rise)& r, decltype(at)&) {
         lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(r(6, 0)),
                     lines.begin() + static_cast<std::ptrdiff_t>(r(6, 0) + 2));
       }},
  };
  for (const SysMinutes first : kFaultLogStarts) {
    const std::vector<Dcf77Frame> frames = dcf77_frames(first, 12);
    const std::string clean_log = dcf77_edge_log(frames);
    for (const Fault& fault : faults) {
      std::vector<std::string> lines = e2e::report_lines(clean_log);
      fault.apply(lines, rise, at);
      const std::string log = e2e::joined(lines);
      for (const bool show_utc : {false, true}) {
        SCOPED_TRACE(testing::Message() << fault.name << " from "
                                        << first.time_since_epoch().count() << " min"
                                        << (show_utc ? " -u" : ""));
        e2e::expect_no_false_jump(analyze_dcf77_edges(log, false, show_utc, {}).text,
                             analyze_dcf77_edges(clean_log, false, show_utc, {}).text, 20);
      }
    }
  }
}

TEST(Dcf77BitsTest, NoFalseJumpAfterALostOrExtraBit) {
  for (const SysMinutes first : kFaultLogStarts) {
    const std::vector<Dcf77Frame> frames = dcf77_frames(first, 12);
    const std::string clean_log = dcf77_bit_log(frames);
    std::vector<std::string> lost = e2e::report_lines(clean_log);
    lost.at(5).erase(30, 1);
    std::vector<std::string> extra = e2e::report_lines(clean_log);
    extra.at(5) = extra.at(5).substr(0, 30) + "0" + extra.at(5).substr(30);
    for (const auto& faulted : {lost, extra}) {
      for (const bool show_utc : {false, true}) {
        SCOPED_TRACE(testing::Message() << faulted.at(5).size() << " bits"
                                        << (show_utc ? " -u" : ""));
        const std::string report = analyze_dcf77_bits(e2e::joined(faulted), false, show_utc).text;
        e2e::expect_no_false_jump(report, analyze_dcf77_bits(clean_log, false, show_utc).text, 30);
        // The faulted minute keeps its own line.
        EXPECT_NE(report.find(faulted.at(5).size() == 58
                                  ? "Minute is 59 seconds instead of 60 seconds long\n"
                                  : "Minute is 1 seconds instead of 60 seconds long\n"),
                  std::string::npos);
      }
    }
  }
}

// The minute blocks of a report: every run of lines from a "Third-party
// buffer" line to the empty line that ends it.
std::vector<std::string> minute_blocks(std::string_view report) {
  std::vector<std::string> blocks;
  std::size_t at = 0;
  while ((at = report.find("Third-party buffer=", at)) != std::string_view::npos) {
    const std::size_t end = report.find("\n\n", at);
    blocks.emplace_back(report.substr(at, end + 2 - at));
    at = end + 2;
  }
  return blocks;
}

// The announced leap second at the end of 2016 does not come: the minute
// marker arrives after second 58 where the receiver waited for second 59. It
// steps into second 59 there, and the minute is decoded as the per-bit log's
// is, with or without jitter and ringing, in local time and UTC, in either
// mode.
TEST(Dcf77EdgesTest, AnnouncedLeapSecondThatDoesNotCome) {
  const auto frames = dcf77_frames(utc_minute(2016, 12, 31, 23, 50), 75,
                                   leap_second(utc_minute(2017, 1, 1, 0, 0), true));
  // Frame 9 (sent 23:59 UTC) carries 01:00 CET, the minute the leap second
  // should have ended; its pulses are the minute's bits 0..58.
  const Dcf77Frame& missed = frames.at(9);
  ASSERT_EQ(missed.length, 60);
  EdgeLogOptions ringing;
  ringing.glitch_after_rise_us = 5000;
  for (const bool noisy : {false, true}) {
    const std::string log = noisy ? jittered(dcf77_edge_log(frames, ringing), 10000, 7)
                                  : dcf77_edge_log(frames);
    for (const bool show_utc : {false, true}) {
      for (const bool toggle_mode : {false, true}) {
        SCOPED_TRACE(testing::Message() << (noisy ? "jitter and ringing" : "clean")
                                        << (show_utc ? " -u" : "") << (toggle_mode ? " -M" : ""));
        const std::string text = analyze_dcf77_edges(log, toggle_mode, show_utc, {}).text;
        // The edges of the last pulsed second, the step into second 59 made
        // at the minute marker (tick of its rising edge), the empty line of
        // second 59, and the block.
        const std::string block_start =
            " 59[None][0]\n"
            "Third-party buffer=0x0000\n"
            "first_minute=false seconds=60 this_minute_length=61 next_minute_length=60\n" +
            std::string(show_utc ? "17-01-01 Sunday 00:00 [UTC]" : "17-01-01 Sunday 01:00 [winter]") +
            " [processed,missing] []\n\n";
        const std::size_t at = text.find(block_start);
        ASSERT_NE(at, std::string::npos);
        const std::size_t counter = text.rfind("increase_second,second,new_minute,tick=", at);
        const std::size_t line_58 = text.rfind('\n', counter - 2) + 1;
        const std::string_view before(text.data() + line_58, at - line_58);
        const std::string bit_58 = bit_text(missed.bits[58]);
        EXPECT_NE(before.find(" 58[" + bit_58 + "]["), std::string_view::npos) << before;
        // The tick of the minute marker's rising edge: the first edge of
        // frame 10, line 59 * 2 * 10 of the clean log (ringing adds two
        // lines to every pulse).
        const int marker_tick = noisy ? 59 * 4 * 10 : 59 * 2 * 10;
        EXPECT_NE(before.find("\nincrease_second,second,new_minute,tick=true,59,false," +
                              decimal(marker_tick) + "\n"),
                  std::string_view::npos)
            << before;
        // 01:01 shows no leap second; 01:59 expects a normal minute; 02:00
        // decodes normally; no complaint anywhere after the first minute.
        EXPECT_NE(text.find(show_utc ? "17-01-01 Sunday 00:01 [UTC] [] []\n\n"
                                     : "17-01-01 Sunday 01:01 [winter] [] []\n\n"),
                  std::string::npos);
        EXPECT_EQ(text.find("jumped"), std::string::npos);
        EXPECT_EQ(text.find("parity"), std::string::npos);
        // Every block but the first is the per-bit log's.
        std::vector<std::string> edge_blocks = minute_blocks(text);
        std::vector<std::string> bit_blocks =
            minute_blocks(analyze_dcf77_bits(dcf77_bit_log(frames), toggle_mode, show_utc).text);
        ASSERT_EQ(edge_blocks.size(), bit_blocks.size());
        edge_blocks.erase(edge_blocks.begin());
        bit_blocks.erase(bit_blocks.begin());
        EXPECT_EQ(edge_blocks, bit_blocks);
        EXPECT_NE(text.find(show_utc ? "17-01-01 Sunday 01:00 [UTC] [] []\n"
                                     : "17-01-01 Sunday 02:00 [winter] [] []\n"),
                  std::string::npos);
        EXPECT_NE(text.find("next_minute_length=60\n" +
                            std::string(show_utc ? "17-01-01 Sunday 00:59 [UTC]"
                                                 : "17-01-01 Sunday 01:59 [winter]")),
                  std::string::npos);
      }
    }
  }
}

// ---------------------------------------------------------------------------
// End to end: the program on the logs in testdata/, with the standard output,
// standard error and exit status written down in the matching .expected file.

struct FixtureCase {
  const char* log;
  std::vector<std::string> options;
  const char* expected;
};

TEST(Dcf77EndToEndTest, FixtureLogs) {
  const std::string dir = QUILLFEN_TESTDATA "/";
  const FixtureCase cases[] = {
      {"dcf77-bits.log", {"-s", "dcf77"}, "dcf77-bits.expected"},
      {"dcf77-bits.log", {"-u", "-s", "DCF77"}, "dcf77-bits-utc.expected"},
      {"dcf77-edges-bad-line.log", {"-e", "-s", "dcf77"}, "dcf77-edges-bad-line.expected"},
      {"dcf77-edges.log", {"-e", "-s", "dcf77"}, "dcf77-edges.expected"},
      {"dcf77-edges.log", {"-eu", "-M", "-s", "dcf77", "-E", "150000"}, "dcf77-edges-utc.expected"},
  };
  for (const FixtureCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.log << " -> " << c.expected);
    std::vector<std::string> args = {"quillfen"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back("-f");
    args.push_back(dir + c.log);
    const e2e::ProgramRun run = e2e::run_quillfen(args);
    const e2e::ProgramRun expected = e2e::read_expected_run(dir + c.expected);
    expect_report(run.out, expected.out);
    EXPECT_EQ(run.err, expected.err);
    EXPECT_EQ(run.status, expected.status);
  }
}

// The example logs under examples/ (made by scripts/make-examples) give the
// report of a clean night around the change to summer time.
TEST(Dcf77EndToEndTest, ExampleLogs) {
  const std::string dir = QUILLFEN_EXAMPLES "/";
  {
    SCOPED_TRACE("dcf77-bits.log");
    // Frames sent from 23:29 UTC on 29 March 2025, without the first 35 bits.
    const Scenario s = {.name = "bits example",
                        .first_utc = utc_minute(2025, 3, 29, 23, 29),
                        .count = 241,
                        .partial_pulses = 24};
    const e2e::ProgramRun run =
        e2e::run_quillfen({"quillfen", "-s", "dcf77", "-f", dir + "dcf77-bits.log"});
    expect_report(run.out, expected_bits_report(s, scenario_frames(s), false));
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.status, 0);
  }
  {
    SCOPED_TRACE("dcf77-edges.log");
    // Frames sent from 00:29 UTC on 30 March 2025, from second 30 on, with a
    // comment line in front.
    const Scenario s = {.name = "edges example",
                        .first_utc = utc_minute(2025, 3, 30, 0, 29),
                        .count = 61,
                        .partial_pulses = 29,
                        .start_us = 4000000000U};
    const std::string log = e2e::read_file(dir + "dcf77-edges.log");
    const std::size_t comment_end = log.find('\n') + 1;
    ASSERT_EQ(log[0], '#');
    const e2e::ProgramRun run =
        e2e::run_quillfen({"quillfen", "-e", "-s", "dcf77", "-f", dir + "dcf77-edges.log"});
    expect_report(run.out,
                  log.substr(0, comment_end) +
                      expected_edge_report(s, scenario_frames(s), log.substr(comment_end), false));
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.status, 0);
  }
}

}  // namespace
}  // namespace quillfen
