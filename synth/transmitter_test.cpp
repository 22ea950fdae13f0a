#include "synth/transmitter.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

#include "synth/bit_log_writer.hpp"
#include "synth/dcf77_encoder.hpp"
#include "synth/msf_encoder.hpp"

namespace quillfen {
namespace {

using namespace std::chrono;
using Minutes = sys_time<minutes>;

std::string bits_of(const std::vector<SentMinute>& minutes_) {
  std::string log;
  for (const SentMinute& m : minutes_) append_bit_minute(log, m, 0, false);
  return log;
}

// The schedule's hour-by-hour calls to the encoder give the same minutes as one
// call with the same leap second, also when the hour boundaries of the calls
// fall inside the announcement hour and at the leap second itself.
TEST(TransmitterTest, Dcf77MinutesEqualTheEncodersAroundALeapSecond) {
  const sys_days day{2016y / December / 31};
  for (const LeapKind kind : {LeapKind::Inserted, LeapKind::Missing}) {
    SCOPED_TRACE(static_cast<int>(kind));
    TransmitterSettings settings;
    settings.station = SynthStation::Dcf77;
    settings.leap_seconds = leap_schedule({{{day, kind}}});
    settings.third_party = 0x1234;
    settings.call_bit = true;
    for (const int offset : {0, 17, 59, 60, 61}) {
      const Minutes first = Minutes{day} + 22h + minutes{offset};
      Dcf77Options options;
      options.leap_second_before = sys_seconds{day + days{1}};
      options.leap_second_missing = kind == LeapKind::Missing;
      options.third_party = 0x1234;
      options.call_bit = true;
      EXPECT_EQ(bits_of(sent_minutes(settings, first, 150)),
                dcf77_bit_log(dcf77_frames(first, 150, options)))
          << offset;
    }
  }
}

TEST(TransmitterTest, MsfMinutesEqualTheEncodersWithLeapSecondsAndDut1Changes) {
  const sys_days day{2016y / December / 31};
  for (const LeapKind kind : {LeapKind::Inserted, LeapKind::Negative}) {
    TransmitterSettings settings;
    settings.station = SynthStation::Msf;
    settings.leap_seconds = leap_schedule({{{day, kind}}});
    settings.dut1 = -4;
    settings.dut1_changes = {{day + days{1}, 6}};
    for (const int offset : {0, 30, 60, 119}) {
      const Minutes first = Minutes{day} + 22h + minutes{offset};
      MsfOptions options;
      options.leap_second_before = sys_seconds{day + days{1}};
      options.negative_leap = kind == LeapKind::Negative;
      options.dut1 = -4;
      options.dut1_change = {{Minutes{day + days{1}}, 6}};
      EXPECT_EQ(bits_of(sent_minutes(settings, first, 130)),
                msf_bit_log(msf_frames(first, 130, options)))
          << offset;
    }
  }
}

// A whole year through the built-in table: 1972 had two leap seconds, at the
// ends of June and December, and no other minute is longer.
TEST(TransmitterTest, TheYear1972HasTwoLongMinutesWhereTheTableSays) {
  for (const SynthStation station : {SynthStation::Dcf77, SynthStation::Msf}) {
    TransmitterSettings settings;
    settings.station = station;
    settings.leap_seconds = leap_schedule({});
    const Minutes first{sys_days{1972y / January / 1}};
    const auto year = sent_minutes(settings, first, 366 * 1440);
    std::vector<Minutes> long_minutes;
    for (std::size_t k = 0; k < year.size(); ++k) {
      EXPECT_TRUE(year[k].length == 60 || year[k].length == 61);
      if (year[k].length == 61) long_minutes.push_back(first + minutes{k});
    }
    const std::vector<Minutes> expected = {Minutes{sys_days{1972y / July / 1}} - 1min,
                                           Minutes{sys_days{1973y / January / 1}} - 1min};
    EXPECT_EQ(long_minutes, expected);
  }
}

TEST(TransmitterTest, SymbolsOfAMinute) {
  TransmitterSettings settings;
  settings.station = SynthStation::Dcf77;
  const Minutes first = Minutes{sys_days{2024y / March / 5}} + 13h + 36min;
  const SentMinute dcf77 = sent_minutes(settings, first, 1).at(0);
  EXPECT_EQ(dcf77.length, 60);
  EXPECT_EQ(dcf77.seconds[20], Symbol::One);
  EXPECT_EQ(dcf77.seconds[0], Symbol::Zero);
  EXPECT_EQ(dcf77.seconds[59], Symbol::Silent);
  settings.station = SynthStation::Msf;
  const SentMinute msf = sent_minutes(settings, first, 1).at(0);
  EXPECT_EQ(msf.seconds[0], Symbol::Marker);
  EXPECT_EQ(msf.seconds[52], Symbol::A0B0);
  EXPECT_EQ(msf.seconds[53], Symbol::A1B0);
  EXPECT_TRUE(sent_minutes(settings, first, 0).empty());
}

}  // namespace
}  // namespace quillfen
