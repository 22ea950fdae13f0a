// The minutes a station sends over a stretch of UTC, from the encoders, as one
// symbol per second: what a receiver would see in each second before any
// fault. Both log writers and the fault injection work on these symbols, so
// neither needs to know a station's frame layout.
#ifndef QUILLFEN_SYNTH_TRANSMITTER_HPP_
#define QUILLFEN_SYNTH_TRANSMITTER_HPP_

#include <array>
#include <chrono>
#include <cstdint>
#include <vector>

#include "synth/leap_seconds.hpp"

namespace quillfen {

enum class SynthStation { Dcf77, Msf };

// What one second carries.
enum class Symbol : std::uint8_t {
  Zero,          // DCF77 bit 0
  One,           // DCF77 bit 1
  Undetermined,  // a bit (DCF77) or bit pair (MSF) a receiver could not tell
  Silent,        // DCF77: the unpulsed last second of a minute
  Marker,        // MSF: second 0, the minute marker
  A0B0,          // MSF bit pairs
  A1B0,
  A0B1,
  A1B1,
  Lost,  // the receiver missed the pulse(s) of this second
};

struct SentMinute {
  std::uint8_t length;  // seconds: 60, 61 with a leap second, 59 (MSF) with a negative one
  std::array<Symbol, 61> seconds;  // [0, length) are meaningful
};

// From `from` (00:00 UTC of that day) on, MSF sends `tenths` as DUT1.
struct Dut1Change {
  std::chrono::sys_days from;
  std::int8_t tenths;
};

// What the station sends besides the time.
struct TransmitterSettings {
  SynthStation station = SynthStation::Dcf77;
  std::vector<LeapSecond> leap_seconds;  // in date order, e.g. from leap_schedule
  std::int8_t dut1 = 0;                  // MSF, tenths of a second, -8..8
  std::vector<Dut1Change> dut1_changes;  // MSF, in date order, values -8..8
  std::uint16_t third_party = 0;         // DCF77 bits 1..14 (low 14 bits)
  bool call_bit = false;                 // DCF77 bit 15
};

// The minutes sent during UTC minutes first, first + 1, ..., first + count - 1
// (none when count <= 0). Minute k carries the time of minute first + k + 1,
// as the station sends it: the summer-time rules of its zone, every leap
// second of the schedule (DCF77 announces each during the hour before it; a
// Negative kind is ignored by DCF77 and a Missing kind by MSF), and for MSF
// the DUT1 in effect for the carried minute.
// REQUIRES: at most one leap second and one DUT1 change per UTC day.
std::vector<SentMinute> sent_minutes(const TransmitterSettings& settings,
                                     std::chrono::sys_time<std::chrono::minutes> first,
                                     int count);

}  // namespace quillfen

#endif  // QUILLFEN_SYNTH_TRANSMITTER_HPP_
