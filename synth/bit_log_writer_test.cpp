#include "synth/bit_log_writer.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "synth/transmitter.hpp"

namespace quillfen {
namespace {

using namespace std::chrono;

SentMinute minute_of(SynthStation station) {
  TransmitterSettings settings;
  settings.station = station;
  // Sunday 2024-07-14 15:30 BST, as the MSF encoder's test works it out by hand.
  const sys_time<minutes> first = sys_time<minutes>{sys_days{2024y / July / 14}} + 14h + 29min;
  return sent_minutes(settings, first, 1).at(0);
}

TEST(BitLogWriterTest, OneLinePerMinute) {
  std::string log;
  append_bit_minute(log, minute_of(SynthStation::Msf), 0, false);
  EXPECT_EQ(log, "400000000000000000010010000111010100000010101011000001313130\n");
  std::string dcf77;
  append_bit_minute(dcf77, minute_of(SynthStation::Dcf77), 0, false);
  EXPECT_EQ(dcf77.size(), 60U);  // 59 pulsed seconds and the line feed
  EXPECT_EQ(dcf77.substr(17, 4), "1001");  // CEST, start of time
}

TEST(BitLogWriterTest, PartialMinuteCrlfAndLostSeconds) {
  SentMinute minute = minute_of(SynthStation::Msf);
  std::string whole;
  append_bit_minute(whole, minute, 0, false);
  std::string tail;
  append_bit_minute(tail, minute, 52, true);
  EXPECT_EQ(tail, whole.substr(52, 8) + "\r\n");
  minute.seconds[0] = Symbol::Lost;
  minute.seconds[53] = Symbol::Lost;
  minute.seconds[54] = Symbol::Undetermined;
  std::string faulty;
  append_bit_minute(faulty, minute, 0, false);
  EXPECT_EQ(faulty, whole.substr(1, 52) + "_" + whole.substr(55));
}

}  // namespace
}  // namespace quillfen
