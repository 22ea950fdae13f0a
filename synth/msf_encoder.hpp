// An MSF transmitter in software: builds the A and B bits that the MSF station
// sends, straight from the civil calendar, and writes them as a per-bit log or
// as a mossbell edge log. It shares no code with the decoder, so a round trip
// through the decoder checks the decoder against the calendar itself. The
// tests and quillfen-synth link it; quillfen itself never does. Unlike the
// decoder libraries it allocates and may use the whole standard library.
//
// UK civil time: GMT (UTC) in winter, BST (UTC+1) in summer; the change is at
// 01:00 UTC on the last Sunday of March (to BST) and of October (back to GMT).
#ifndef QUILLFEN_SYNTH_MSF_ENCODER_HPP_
#define QUILLFEN_SYNTH_MSF_ENCODER_HPP_

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "datetime/bit_field.hpp"
#include "synth/utc_minute.hpp"

namespace quillfen {

// The bits sent during one minute. They carry the time of the NEXT minute.
//
// Layout of a 60-second frame (index = second): 0 is the minute marker
// (A = B = 1); 1B..8B DUT1 positive and 9B..16B DUT1 negative, both unary; 17A..24A
// year, 25A..29A month, 30A..35A day, 36A..38A weekday (0 = Sunday), 39A..44A
// hour, 45A..51A minute, all BCD most significant bit first; 52A..59A the
// end-of-minute marker 01111110; 53B summer-time change announced; 54B..57B odd
// parities over year, month+day, weekday, hour+minute; 58B summer time. Every
// other bit is 0.
//
// A 61-second frame (positive leap second) has an extra second A = 0, B = 0 at
// index 17 and everything from the year on one place later. A 59-second frame
// (negative leap second) drops index 16 (the last DUT1 negative bit) and has
// everything from the year on one place earlier. Entries at and beyond
// `length` are undetermined.
struct MsfFrame {
  std::array<Bit, 61> a;
  std::array<Bit, 61> b;
  std::uint8_t length;  // 59, 60 or 61
};

struct MsfOptions {
  // A UTC instant on a minute boundary (in practice 00:00 UTC on 1 January or
  // 1 July) before which a leap second falls: the frame sent during the minute
  // before it lasts 61 seconds, or 59 with `negative_leap`. MSF has no leap
  // second announcement, so no other frame changes.
  std::optional<std::chrono::sys_seconds> leap_second_before;
  bool negative_leap = false;
  // DUT1 in tenths of a second, -8..8.
  std::int8_t dut1 = 0;
  // (minute, value): every frame that carries this UTC minute or a later one
  // sends `value` instead of `dut1`.
  std::optional<std::pair<sys_minutes, std::int8_t>> dut1_change;
};

// Frames for `count` consecutive minutes: frame k is sent during UTC minute
// first_utc + k and carries the UK local time of minute first_utc + k + 1. 58B
// tells whether that carried minute is in BST; 53B is set in the 60 frames sent
// during the hour before a change (the frame that carries the first minute of
// the new time included).
// None when count <= 0.
// REQUIRES: DUT1 values within -8..8 (checked).
std::vector<MsfFrame> msf_frames(sys_minutes first_utc, int count, const MsfOptions& options = {});

// Per-bit log text: per frame "4" for the minute marker, then one digit A + 2B
// per second ("_" where A or B is undetermined), then "\n" (which readers
// ignore; it only keeps one minute per line).
std::string msf_bit_log(const std::vector<MsfFrame>& frames);

// How `msf_edge_log` shapes the signal. Every second starts with a rising edge;
// a high period is one carrier-off pulse.
struct MsfEdgeLogOptions {
  // Time stamp of the rising edge that starts second 0 of the first frame;
  // second k of the log starts at start_us + k * 1000000, modulo 2^32.
  std::uint32_t start_us = 1000000;
  std::uint32_t marker_us = 500000;  // second 0: one pulse
  std::uint32_t a0b0_us = 100000;    // A = 0, B = 0: one pulse
  std::uint32_t a1b0_us = 200000;    // A = 1, B = 0: one pulse
  std::uint32_t a1b1_us = 300000;    // A = 1, B = 1: one pulse
  // A = 0, B = 1: two pulses of a0b0_us separated by this much low level.
  std::uint32_t a0b1_gap_us = 100000;
  // A second whose A or B is undetermined: one pulse of this length, which a
  // receiver cannot classify.
  std::uint32_t undetermined_us = 700000;
  // 0: no glitches. Otherwise, right after the rising edge that starts each
  // second, a glitch pair: low after this many microseconds, high again after
  // as many more.
  std::uint32_t glitch_after_rise_us = 0;
  // 0: no glitch. Otherwise, after the falling edge of the last second of each
  // frame (the one that completes the end-of-minute marker): high after this
  // many microseconds, low again after as many more.
  std::uint32_t glitch_after_minute_end_us = 0;
  // Ends the log with the rising edge that would start the next minute, so that
  // the last second of the last frame is complete.
  bool closing_edge = true;
};

// Edge log text: "M true <when> <tick>\n" and "M false <when> <tick>\n" lines,
// tick counting the lines from 1.
std::string msf_edge_log(const std::vector<MsfFrame>& frames,
                         const MsfEdgeLogOptions& options = {});

// The UK civil time of a UTC minute, as an MSF frame carries it.
struct MsfCivilMinute {
  int year;          // four digits
  unsigned month;    // 1..12
  unsigned day;      // 1..31
  unsigned weekday;  // 0 = Sunday .. 6 = Saturday
  unsigned hour;
  unsigned minute;
  bool summer;  // BST
};
MsfCivilMinute msf_local_time(sys_minutes utc);

// Whether BST is in effect at a UTC instant.
bool msf_is_summer_time(sys_minutes utc);

}  // namespace quillfen

#endif  // QUILLFEN_SYNTH_MSF_ENCODER_HPP_
