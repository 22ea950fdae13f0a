// The MSF receiver step: one MsfDecoder with the whole calling sequence
// around it. It takes one character of a per-bit log or one edge of the
// demodulated signal at a time and returns what happened as plain values:
// the data of an edge line, and at the end of each minute everything the
// minute showed.
//
// The sequence it owns:
//   - per-bit logs: "4" is the minute marker (second 0), a digit 0..3 the A
//     and B bits of the current second, "_" an undetermined second, "*" a
//     reset. A minute ends and is decoded at its last second (second + 1 ==
//     get_minute_length()); a completed end-of-minute marker makes the next
//     second the first of a new minute; then the second counter moves on;
//   - edge logs: the decoder classifies every edge; only an edge it took is
//     acted on (the first edge and spikes leave its flags as the previous
//     edge set them). An edge that starts a new second moves the counter on,
//     and a counter that ran past the end of the minute (a lost end-of-minute
//     marker) advances the clock without decoding; the falling edge that
//     completes the end-of-minute marker ends the minute, which is decoded
//     while its last second is still running.
//
// The clock advances at most once per minute of signal (ClockAdvance): a
// minute boundary advances it only when 30 seconds or more have been counted
// since it last advanced. Boundaries are a minute's report (decode_time adds
// the minute only then), a second counter that ran past the end of a minute,
// and, in edge logs, a minute marker that sets the counter back to 0 from
// another second (the minute's end-of-minute marker was lost). So a lost or
// misread marker does not make the next minute look as if the time had
// jumped.
//
// A fixed-size value: no heap, no exceptions, no I/O, constant time per call,
// so that receiver firmware can run the same code as the log analyzer.
#ifndef QUILLFEN_MSF_MSF_RECEIVER_HPP_
#define QUILLFEN_MSF_MSF_RECEIVER_HPP_

#include <cstdint>
#include <optional>

#include "datetime/bit_field.hpp"
#include "datetime/date_time_record.hpp"
#include "datetime/reception.hpp"
#include "msf/msf_decoder.hpp"

namespace quillfen {

// What decode_time left in the decoder for one minute.
struct MsfReading {
  // No complete date and time decoded yet: the clock was not compared.
  bool first_minute;
  std::uint8_t minute_length;  // 59, 60 or 61, from the end-of-minute marker
  // The decoder's clock: the UK time (GMT or BST) of the minute that begins
  // after this one, with its jump flags and DUT1.
  DateTimeRecord clock;
  // The clock in UTC; absent until it holds a complete date, time and
  // daylight-saving state.
  std::optional<DateTimeRecord> utc;
  // The end-of-minute marker 01111110 was received completely.
  bool marker_complete;
  ParityCheck year_parity;
  ParityCheck month_day_parity;
  ParityCheck weekday_parity;
  ParityCheck hour_minute_parity;

  bool operator==(const MsfReading&) const = default;
};

// Everything one minute of MSF signal showed.
struct MsfMinute {
  // Seconds of the minute as the receiver counted them.
  std::uint8_t seconds;
  MsfReading reading;

  bool operator==(const MsfMinute&) const = default;
};

// The data of one edge line: the second that an edge starting a new second
// ended, its A and B bits, and the microseconds since the previous edge line.
struct MsfEdgeLine {
  std::uint8_t second;
  Bit bit_a;
  Bit bit_b;
  std::uint32_t elapsed;

  bool operator==(const MsfEdgeLine&) const = default;
};

// What one per-bit log character did, in report order.
struct MsfBitStep {
  // Written out so that a step is not cleared byte by byte for every
  // character or edge: only the members below are set, and the minute's
  // storage stays untouched while it is absent.
  MsfBitStep() {}

  bool reset = false;           // "*": the decoder was reset
  std::optional<BitEcho> echo;  // "0".."4" or "_", at the second it was stored at
  // The minute ended at this second (its last second; the end-of-minute
  // marker may still be missing). Valid until the receiver's next step.
  Lent<MsfMinute> minute;
  // Not the last second of a minute, but the seconds since the last
  // completed end-of-minute marker do not make a minute: the marker came
  // early, or a minute marker came out of place.
  std::optional<MinuteLength> wrong_length;
  // The end-of-minute marker was completed: a new minute begins next.
  bool end_of_minute = false;
  // increase_second refused: the counter ran past the end of the minute (the
  // clock was advanced without decoding where that was due).
  bool wrapped = false;
};

// What one edge did, in report order.
struct MsfEdgeStep {
  // Written out so that a step is not cleared byte by byte for every
  // character or edge: only the members below are set, and the minute's
  // storage stays untouched while it is absent.
  MsfEdgeStep() {}

  EdgeMeasure measure{};
  std::optional<MsfEdgeLine> edge_line;
  // The second counter ran past the end of the minute: the end-of-minute
  // marker was lost, and the clock was advanced without decoding where that
  // was due.
  bool wrapped = false;
  Lent<MsfMinute> minute;  // valid until the receiver's next step
};

class MsfReceiver {
 public:
  // The letter of this station's lines in an edge log.
  static constexpr char kStationLetter = 'M';

  // `strict`: decode in strict mode (every field only when every check of the
  // minute passed) rather than loose mode. A present `spike_limit` goes to the
  // decoder's set_spike_limit (which ignores 150000 and more).
  explicit MsfReceiver(bool strict, std::optional<std::uint32_t> spike_limit = std::nullopt);

  // One character of a per-bit log: "0".."3" the digit A + 2 x B, "4" the
  // minute marker, "_" undetermined, "*" reset (the whole decoder, first
  // minute included; nothing else happens). Every other character, line
  // feeds included, is ignored and gives an empty step.
  //
  // `wrong_length` counts the seconds received (the index plus one when the
  // end-of-minute marker came early; the bit characters since the last
  // completed marker plus one at an out-of-place minute marker, never
  // wrapped) against the minute's length.
  [[gnu::always_inline]] MsfBitStep take_bit(char c) {
    // Inline: it runs for every character of a per-bit log; the rare cases
    // are calls.
    MsfBitStep step;
    std::uint8_t index = 0;
    if ((c >= '0' && c <= '3') || c == '_') {
      // The digit A + 2 x B; "_" leaves both undetermined.
      const bool determined = c != '_';
      const int digit = c - '0';
      decoder_.set_current_bit_a(determined ? Bit{(digit & 1) != 0} : Bit{});
      decoder_.set_current_bit_b(determined ? Bit{(digit & 2) != 0} : Bit{});
      index = decoder_.get_second();
      ++bits_since_marker_;
    } else if (c == '4') {
      decoder_.set_minute_marker();
    } else {
      if (c == '*') {
        reset();
        step.reset = true;
      }
      return step;
    }
    step.echo = BitEcho{c, index};
    // Most seconds are neither the last of their minute nor the end of its
    // marker, and no minute marker.
    if (c != '4' && index + 1 != decoder_.get_minute_length() &&
        decoder_.get_end_of_minute_marker() != MsfDecoder::kEndOfMinuteMarker) {
      counter_moves_on(step);
    } else {
      end_of_bits(step, c, index);
    }
    return step;
  }

  // One edge: `is_high` is the level after it, `when` its time stamp in
  // microseconds (differences taken modulo 2^32). The edge lines' elapsed
  // time sums the differences between this station's edges, the first edge
  // of a log counting 0 (as does any edge after one stamped 0).
  MsfEdgeStep take_edge(bool is_high, std::uint32_t when);

  const MsfDecoder& decoder() const { return decoder_; }

 private:
  [[gnu::always_inline]] bool step_second() {
    advance_.stepped();
    return decoder_.increase_second();
  }
  [[gnu::always_inline]] void counter_moves_on(MsfBitStep& step) {
    if (!step_second()) {
      counter_wrapped(step);
    }
  }
  void counter_wrapped(MsfBitStep& step);
  // Per-bit logs: the end of a minute, a completed end-of-minute marker or a
  // minute marker at second `index`, and then the counter moves on.
  void end_of_bits(MsfBitStep& step, char c, std::uint8_t index);
  void reset();
  void advance_without_decoding();
  Lent<MsfMinute> end_minute(std::uint8_t seconds);

  MsfDecoder decoder_;
  bool strict_;
  // Per-bit logs: bit characters ("0".."3", "_") since the last completed
  // end-of-minute marker. Never wrapped, so that after a long stretch without
  // a marker it still tells how long the "minute" was.
  std::uint64_t bits_since_marker_ = 0;
  ClockAdvance advance_;
  // The last minute that ended, lent to the caller with its step.
  std::optional<MsfMinute> minute_;
  // Edge logs.
  EdgeTimer timer_;
};

// Receiver firmware keeps one per station in static memory; growth is a
// decision (240 bytes on Cortex-M and x86-64, the last minute included).
static_assert(sizeof(MsfReceiver) <= 256);

}  // namespace quillfen

#endif  // QUILLFEN_MSF_MSF_RECEIVER_HPP_
