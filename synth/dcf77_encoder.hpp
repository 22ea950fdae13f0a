// A DCF77 transmitter in software, for quillfen-synth and the tests.
//
// It encodes minutes straight from the civil calendar of std::chrono and the
// EU summer-time rules, without using the decoder or the date-time core, so
// that a round trip through the decoder is checked against an independent
// source. Never linked into quillfen itself.
//
// Local time is CET (UTC+1) in winter and CEST (UTC+2) in summer; summer time
// starts and ends at 01:00 UTC on the last Sunday of March and of October.
//
// Bit layout of one minute (second = index): 0 start of minute, always 0;
// 1-14 third-party data (bit 1 least significant); 15 call bit; 16 summer-time
// change announced; 17 CEST; 18 CET; 19 leap second announced; 20 start of
// time, always 1; 21-27 minute BCD; 28 even parity over 21-28; 29-34 hour BCD;
// 35 even parity over 29-35; 36-41 day of month BCD; 42-44 weekday (Monday 1
// .. Sunday 7); 45-49 month BCD; 50-57 year of the century BCD; 58 even parity
// over 36-58; 59 the inserted leap second (0), only in a 61-second minute.
// The last second of a minute carries no pulse; the long gap before the next
// second 0 is the minute marker.
#ifndef QUILLFEN_SYNTH_DCF77_ENCODER_HPP_
#define QUILLFEN_SYNTH_DCF77_ENCODER_HPP_

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "datetime/bit_field.hpp"

namespace quillfen {

// The bits sent during one minute. They carry the time of the NEXT minute.
struct Dcf77Frame {
  // Seconds 0..58 always hold 0 or 1; index 59 holds the inserted leap second
  // (0) in a 61-second minute and is undetermined otherwise; index 60 is
  // always undetermined (the unpulsed last second). Tests may overwrite bits
  // to simulate reception faults.
  std::array<Bit, 61> bits;
  // 60, or 61 with an inserted leap second.
  std::uint8_t length;
};

struct Dcf77Options {
  // UTC instant (normally the top of an hour) before which a leap second is
  // inserted: the frame sent during the minute before it lasts 61 seconds,
  // and bit 19 is set in the frames sent during the 60 minutes before it.
  std::optional<std::chrono::sys_seconds> leap_second_before;
  // Announce the leap second as above, but send a normal 60-second minute
  // where it was due.
  bool leap_second_missing = false;
  // Value of bits 1..14 (only the low 14 bits are sent) and of bit 15, in
  // every frame.
  std::uint16_t third_party = 0;
  bool call_bit = false;
};

// Frames for `count` consecutive minutes (none when count <= 0): frame k is
// sent during UTC minute first_utc + k and carries the local time of minute
// first_utc + k + 1. Bit 16 is set in the frames sent during the 60 minutes
// before a summer-time change; bits 17/18 follow the offset of the carried
// minute, so the frame sent during the last minute before a change already
// carries the new offset.
std::vector<Dcf77Frame> dcf77_frames(std::chrono::sys_time<std::chrono::minutes> first_utc,
                                     int count, const Dcf77Options& options = {});

// Per-bit log text: per frame, "0", "1" or "_" (undetermined) for each pulsed
// second (59 characters, 60 in a 61-second minute), then "\n" for the minute
// marker that ends it.
std::string dcf77_bit_log(const std::vector<Dcf77Frame>& frames);

struct EdgeLogOptions {
  // Time stamp of the start of second 0 of the first frame; second k of the
  // whole log (counted over all frames) starts at start_us + k * 1000000,
  // modulo 2^32.
  std::uint32_t start_us = 1000000;
  // Pulse lengths for a 0, a 1 and an undetermined bit.
  std::uint32_t zero_us = 100000;
  std::uint32_t one_us = 200000;
  std::uint32_t undetermined_us = 300000;
  // 0: clean edges. Otherwise every rising edge is followed by a glitch pair:
  // a falling edge this many microseconds after it and a rising edge as many
  // again later (the real falling edge still ends the pulse at its length).
  // REQUIRES: 2 * glitch_after_rise_us < every pulse length.
  std::uint32_t glitch_after_rise_us = 0;
  // Leave out the edges of the first this many seconds of the log, as when a
  // receiver log starts in the middle of a minute. Later time stamps are not
  // moved.
  std::uint32_t skip_seconds = 0;
};

// Edge log text, one "D true <when> <tick>\n" line per rising edge and one
// "D false <when> <tick>\n" line per falling edge, in time order. Each pulsed
// second gives a rising edge at its start and a falling edge after its pulse
// length; the unpulsed last second of a frame gives none. The log ends with
// the rising edge that starts the second 0 after the last frame, so that the
// last frame is closed by its minute marker. <tick> numbers the lines from 0.
std::string dcf77_edge_log(const std::vector<Dcf77Frame>& frames,
                           const EdgeLogOptions& options = {});

// The civil time a frame carries, for checking reports.
struct CivilMinute {
  int year;          // full year, e.g. 2024
  unsigned month;    // 1..12
  unsigned day;      // 1..31
  unsigned weekday;  // station numbering: Monday 1 .. Sunday 7
  unsigned hour;     // 0..23
  unsigned minute;   // 0..59
  bool summer;       // CEST (UTC+2) rather than CET (UTC+1)
};

// The DCF77 local time (CET or CEST) of the UTC minute `utc`.
CivilMinute dcf77_local_time(std::chrono::sys_time<std::chrono::minutes> utc);

}  // namespace quillfen

#endif  // QUILLFEN_SYNTH_DCF77_ENCODER_HPP_
