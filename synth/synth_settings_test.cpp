#include "synth/synth_settings.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <variant>
#include <vector>

namespace quillfen {
namespace {

using namespace std::chrono;

std::variant<SynthSettings, SynthExit> parse(std::vector<std::string> args) {
  args.insert(args.begin(), "quillfen-synth");
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  return parse_synth_command_line(argv);
}

SynthSettings settings_of(std::vector<std::string> args) {
  auto parsed = parse(std::move(args));
  if (const auto* exit = std::get_if<SynthExit>(&parsed)) {
    ADD_FAILURE() << "rejected: " << exit->err;
    return {};
  }
  return std::get<SynthSettings>(parsed);
}

TEST(SynthSettingsTest, ClusteredAttachedAndDetachedArguments) {
  const SynthSettings s = settings_of({"-sMSF", "-et", "2016-12-31T23:30:15Z", "-n60", "-r", "9",
                                       "-d", "-4", "-d", "6@2017-01-01", "-c4294967000", "-k",
                                       "+7", "-p", "-12.5", "-b", "30000", "-j", "5000", "-l",
                                       "0.01", "-l", "3:20", "-l", "59:60", "-G", "1-2", "-wo",
                                       "-L", "2030-06-30:-1", "-m", "1e-3"});
  EXPECT_EQ(s.station, SynthStation::Msf);
  EXPECT_TRUE(s.edge_log);
  EXPECT_EQ(s.start, sys_days{2016y / December / 31} + 23h + 30min + 15s);
  EXPECT_EQ(s.minutes, 60);
  EXPECT_EQ(s.seed, 9U);
  EXPECT_EQ(s.transmitter.station, SynthStation::Msf);
  EXPECT_EQ(s.transmitter.dut1, -4);
  ASSERT_EQ(s.transmitter.dut1_changes.size(), 1U);
  EXPECT_EQ(s.transmitter.dut1_changes[0].from, sys_days{2017y / January / 1});
  EXPECT_EQ(s.transmitter.dut1_changes[0].tenths, 6);
  EXPECT_EQ(s.edge.counter_at_start, 4294967000U);
  EXPECT_EQ(s.edge.first_tick, 7U);
  EXPECT_EQ(s.edge.rate_error_ppm, -12.5);
  EXPECT_EQ(s.edge.comment_rate, 1e-3);
  EXPECT_TRUE(s.edge.other_station);
  EXPECT_TRUE(s.crlf);
  EXPECT_EQ(s.faults.pulse_bias_us, 30000);
  EXPECT_EQ(s.faults.jitter_us, 5000U);
  EXPECT_EQ(s.faults.lost_pulse_rate, 0.01);
  EXPECT_EQ(s.faults.lost_pulses, (std::vector<LogSecond>{{3, 20}, {59, 60}}));
  EXPECT_EQ(s.faults.glitch, (GlitchRange{1, 2}));
  // The 27 known leap seconds and the negative one.
  ASSERT_EQ(s.transmitter.leap_seconds.size(), 28U);
  EXPECT_EQ(s.transmitter.leap_seconds.back(),
            (LeapSecond{sys_days{2030y / June / 30}, LeapKind::Negative}));
}

TEST(SynthSettingsTest, DefaultsAndDcf77Options) {
  const SynthSettings s =
      settings_of({"-s", "dcf77", "-t", "2025-03-30T00:00Z", "-n", "1", "-P", "16383", "-C",
                   "-L", "2016-12-31:missing", "-i", "1", "-U", "0"});
  EXPECT_FALSE(s.edge_log);
  EXPECT_EQ(s.seed, 1U);
  EXPECT_EQ(s.transmitter.third_party, 16383);
  EXPECT_TRUE(s.transmitter.call_bit);
  EXPECT_EQ(s.transmitter.leap_seconds.size(), 27U);
  EXPECT_EQ(s.transmitter.leap_seconds.back().kind, LeapKind::Missing);
  EXPECT_EQ(s.faults.bit_error_rate, 1);
  EXPECT_EQ(s.edge, EdgeLogSettings{});
}

TEST(SynthSettingsTest, HelpWithoutArgumentsOrWithH) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{}, {"-h"}, {"-s", "msf", "-h"}}) {
    const auto parsed = parse(args);
    ASSERT_TRUE(std::holds_alternative<SynthExit>(parsed));
    const SynthExit& exit = std::get<SynthExit>(parsed);
    EXPECT_EQ(exit.status, 0);
    EXPECT_EQ(exit.err, "");
    EXPECT_EQ(exit.out, synth_help_text("quillfen-synth"));
  }
  EXPECT_TRUE(synth_help_text("q").starts_with("Usage: q -s dcf77|msf [-e] -t START -n MINUTES"));
}

TEST(SynthSettingsTest, BadCommandLinesGiveOneMessageAndStatusOne) {
  const std::vector<std::string> kBase = {"-s", "dcf77", "-t", "2025-01-01T00:00Z", "-n", "10"};
  struct Case {
    std::vector<std::string> extra;  // after kBase, or instead of it when `alone`
    bool alone;
    std::string message;
  };
  const Case cases[] = {
      {{"-q"}, false, "Error: Error { culprit: 'q', kind: UnknownOption }"},
      {{"-n"}, false, "Error: Error { culprit: 'n', kind: MissingArgument }"},
      {{"-t", "2025-02-29T00:00Z"}, false,
       "start '2025-02-29T00:00Z' is not a UTC instant like 2016-12-31T23:30Z or "
       "2016-12-31T23:30:15Z"},
      {{"-t", "yesterday"}, false,
       "start 'yesterday' is not a UTC instant like 2016-12-31T23:30Z or 2016-12-31T23:30:15Z"},
      {{"-n", "-5"}, false, "minutes '-5' is not a whole number from 1 to 5259600 (ten years)"},
      {{"-n", "0"}, false, "minutes '0' is not a whole number from 1 to 5259600 (ten years)"},
      {{"-n", "5259601"}, false,
       "minutes '5259601' is not a whole number from 1 to 5259600 (ten years)"},
      {{"-n", "99999999999999999999"}, false,
       "minutes '99999999999999999999' is not a whole number from 1 to 5259600 (ten years)"},
      {{"-i", "1.5"}, false, "rate '1.5' of -i is not a number from 0 to 1"},
      {{"-U", "-0.1"}, false, "rate '-0.1' of -U is not a number from 0 to 1"},
      {{"-i", "nan"}, false, "rate 'nan' of -i is not a number from 0 to 1"},
      {{"-e", "-g", "2"}, false, "rate '2' of -g is not a number from 0 to 1"},
      {{"-l", "1.01"}, false,
       "lost pulses '1.01' are not a rate from 0 to 1 or MINUTE:SECOND of the log"},
      {{"-l", "3:61"}, false,
       "lost pulses '3:61' are not a rate from 0 to 1 or MINUTE:SECOND of the log"},
      {{"-l", "10:0"}, false, "lost pulse at '10:0' is after the log's last minute 9"},
      {{"-r", "-1"}, false, "seed '-1' is not an unsigned 64-bit number"},
      {{"-L", "2016-12-31:late"}, false,
       "leap second '2016-12-31:late' is not DATE, DATE:missing or DATE:-1 with DATE like "
       "2016-12-31"},
      {{"-L", "2030-06-30:-1"}, false,
       "leap second '2030-06-30:-1': only msf sends a negative leap second"},
      {{"-P", "16384"}, false, "third-party bits '16384' are not a number from 0 to 16383"},
      {{"-d", "1"}, false, "-d is for msf only"},
      {{"-b", "30000"}, false, "-b needs an edge log (-e)"},
      {{"-o"}, false, "-o needs an edge log (-e)"},
      {{"-e", "-c", "4294967296"}, false,
       "counter '4294967296' is not an u32: number too large to fit in target type"},
      {{"-e", "-k", "x"}, false, "tick 'x' is not an u32: invalid digit found in string"},
      {{"-e", "-j", "50001"}, false, "jitter '50001' is not microseconds from 0 to 50000"},
      {{"-e", "-b", "-500001"}, false,
       "pulse bias '-500001' is not microseconds from -500000 to 500000"},
      {{"-e", "-G", "20-10"}, false,
       "glitch lengths '20-10' are not MIN-MAX microseconds with 1 <= MIN <= MAX <= 100000"},
      {{"-e", "-Z", "0"}, false, "fade length '0' is not seconds from 1 to 3600"},
      {{"-e", "-p", "1000.5"}, false, "clock rate error '1000.5' is not ppm from -1000 to 1000"},
      {{"extra"}, false, "unexpected argument 'extra'"},
      {{"-s", "dcf77", "-n", "1"}, true, "start not given: -t START"},
      {{"-t", "2025-01-01T00:00Z", "-n", "1"}, true, "station not given: -s dcf77 or -s msf"},
      {{"-s", "msf", "-t", "2025-01-01T00:00Z"}, true, "number of minutes not given: -n MINUTES"},
      {{"-s", "wwvb", "-t", "2025-01-01T00:00Z", "-n", "1"}, true,
       "station must be 'dcf77' or 'msf' but is 'wwvb'"},
      {{"-s", "msf", "-t", "2025-01-01T00:00Z", "-n", "1", "-C"}, true, "-C is for dcf77 only"},
      {{"-s", "msf", "-t", "2025-01-01T00:00Z", "-n", "1", "-L", "2016-12-31:missing"}, true,
       "leap second '2016-12-31:missing': only dcf77 announces a leap second that can go "
       "missing"},
      {{"-s", "msf", "-t", "2025-01-01T00:00Z", "-n", "1", "-d", "9"}, true,
       "DUT1 '9' is not tenths of a second from -8 to 8, or that @DATE with DATE like "
       "2025-10-26"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.alone ? std::vector<std::string>{} : kBase;
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    const auto parsed = parse(args);
    ASSERT_TRUE(std::holds_alternative<SynthExit>(parsed)) << c.message;
    const SynthExit& exit = std::get<SynthExit>(parsed);
    EXPECT_EQ(exit.err, c.message + "\n");
    EXPECT_EQ(exit.out, "");
    EXPECT_EQ(exit.status, 1);
  }
}

TEST(SynthSettingsTest, ArgumentsMustBeUtf8) {
  const char* const argv[] = {"quillfen-synth", "-s", "dcf77", "-t", "\xff"};
  const auto parsed = parse_synth_command_line(argv);
  ASSERT_TRUE(std::holds_alternative<SynthExit>(parsed));
  EXPECT_EQ(std::get<SynthExit>(parsed).err, "Error: argument 4 is not valid UTF-8\n");
}

}  // namespace
}  // namespace quillfen
