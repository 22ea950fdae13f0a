#include "synth/faults.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <algorithm>
#include <cstddef>
#include <string>

namespace quillfen {
namespace {

using namespace std::chrono;

SentMinute minute_of(SynthStation station) {
  TransmitterSettings settings;
  settings.station = station;
  const sys_time<minutes> first = sys_time<minutes>{sys_days{2024y / July / 14}} + 14h + 29min;
  return sent_minutes(settings, first, 1).at(0);
}

TEST(FaultsTest, NoFaultsChangeNothing) {
  for (const SynthStation station : {SynthStation::Dcf77, SynthStation::Msf}) {
    const SentMinute clean = minute_of(station);
    SentMinute minute = clean;
    const FaultSettings none;
    SecondFaults faults(none, 1);
    faults.apply(minute, 0);
    EXPECT_EQ(minute.seconds, clean.seconds);
  }
}

TEST(FaultsTest, EveryBitFlippedAtRateOne) {
  FaultSettings settings;
  settings.bit_error_rate = 1;
  SecondFaults faults(settings, 1);
  SentMinute dcf77 = minute_of(SynthStation::Dcf77);
  const SentMinute clean_dcf77 = dcf77;
  faults.apply(dcf77, 0);
  SentMinute msf = minute_of(SynthStation::Msf);
  const SentMinute clean_msf = msf;
  faults.apply(msf, 1);
  for (std::size_t s = 0; s < 60; ++s) {
    SCOPED_TRACE(s);
    const Symbol d = clean_dcf77.seconds[s];
    EXPECT_EQ(dcf77.seconds[s], d == Symbol::Zero  ? Symbol::One
                                : d == Symbol::One ? Symbol::Zero
                                                   : d);
    // Both bits of an MSF second flip: A0B0 <-> A1B1, A1B0 <-> A0B1.
    const Symbol m = clean_msf.seconds[s];
    const Symbol flipped = m == Symbol::A0B0   ? Symbol::A1B1
                           : m == Symbol::A1B1 ? Symbol::A0B0
                           : m == Symbol::A1B0 ? Symbol::A0B1
                           : m == Symbol::A0B1 ? Symbol::A1B0
                                               : m;
    EXPECT_EQ(msf.seconds[s], flipped);
  }
  EXPECT_EQ(msf.seconds[0], Symbol::Marker);
  EXPECT_EQ(dcf77.seconds[59], Symbol::Silent);
}

TEST(FaultsTest, UndeterminedBitsLeaveMarkersAlone) {
  FaultSettings settings;
  settings.undetermined_rate = 1;
  SecondFaults faults(settings, 1);
  SentMinute msf = minute_of(SynthStation::Msf);
  faults.apply(msf, 0);
  EXPECT_EQ(msf.seconds[0], Symbol::Marker);
  for (std::size_t s = 1; s < 60; ++s) EXPECT_EQ(msf.seconds[s], Symbol::Undetermined) << s;
}

TEST(FaultsTest, LostPulsesAtTheirSecondsOnly) {
  FaultSettings settings;
  settings.lost_pulses = {{2, 20}, {2, 0}, {2, 59}, {3, 5}};
  SecondFaults faults(settings, 1);
  for (std::int64_t index = 0; index < 4; ++index) {
    SentMinute dcf77 = minute_of(SynthStation::Dcf77);
    const SentMinute clean = dcf77;
    faults.apply(dcf77, index);
    for (std::size_t s = 0; s < 60; ++s) {
      const bool lost = (index == 2 && (s == 20 || s == 0)) || (index == 3 && s == 5);
      // Second 59 carries no pulse, so there is nothing to lose.
      EXPECT_EQ(dcf77.seconds[s], lost ? Symbol::Lost : clean.seconds[s]) << index << ":" << s;
    }
  }
}

TEST(FaultsTest, RatesAreReproducibleAndNearTheirValue) {
  FaultSettings settings;
  settings.lost_pulse_rate = 0.1;
  const auto count_lost = [&](std::uint64_t seed) {
    SecondFaults faults(settings, seed);
    std::string pattern;
    for (std::int64_t index = 0; index < 100; ++index) {
      SentMinute minute = minute_of(SynthStation::Msf);
      faults.apply(minute, index);
      for (std::size_t s = 0; s < 60; ++s) pattern += minute.seconds[s] == Symbol::Lost ? 'L' : '.';
    }
    return pattern;
  };
  const std::string once = count_lost(5);
  EXPECT_EQ(once, count_lost(5));
  EXPECT_NE(once, count_lost(6));
  EXPECT_NEAR(std::count(once.begin(), once.end(), 'L'), 600, 100);
}

}  // namespace
}  // namespace quillfen
