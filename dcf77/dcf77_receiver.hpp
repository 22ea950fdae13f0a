// The DCF77 receiver step: one Dcf77Decoder with the whole calling sequence
// around it. It takes one character of a per-bit log or one edge of the
// demodulated signal at a time and returns what happened as plain values:
// the data of an edge line, the once-a-minute line about the second counter,
// and at the end of each minute everything the minute showed.
//
// The sequence it owns:
//   - per-bit logs: a bit character stores its bit at the current second, a
//     line feed is the minute marker, "*" resets the decoder; after each of
//     the first two the second counter moves on, the third-party bits are
//     captured right after second 15 has been left, and the minute ends at
//     the line feed;
//   - edge logs: the decoder classifies every edge; only an edge it took is
//     acted on (the first edge and spikes leave its flags as the previous
//     edge set them). After the second marker of the last pulsed second
//     (get_second() == get_minute_length() - 2) the receiver steps into the
//     unpulsed last second itself, since no edge starts it; when an edge
//     starts a new second the counter moves on, and a new minute is decoded.
//     Where a leap second was announced but the minute marker comes after
//     second 58 all the same (the leap second did not come), the step into
//     second 59 is made then, and the minute is decoded as a 60-second one.
//
// The clock advances at most once per minute of signal (ClockAdvance): a
// minute boundary advances it only when 30 seconds or more have been counted
// since it last advanced. Boundaries are a minute's report (decode_time adds
// the minute only then), a second counter that ran past the end of a minute
// (a lost minute marker: the clock is advanced without decoding), and a
// per-bit minute too short to decode. So a pulse lost in mid-minute, whose
// gap looks like a minute marker, or a lost marker does not make the next
// minute look as if the time had jumped.
//
// A fixed-size value: no heap, no exceptions, no I/O, constant time per call,
// so that receiver firmware can run the same code as the log analyzer.
#ifndef QUILLFEN_DCF77_DCF77_RECEIVER_HPP_
#define QUILLFEN_DCF77_DCF77_RECEIVER_HPP_

#include <cstdint>
#include <optional>

#include "datetime/bit_field.hpp"
#include "datetime/date_time_record.hpp"
#include "datetime/reception.hpp"
#include "dcf77/dcf77_decoder.hpp"

namespace quillfen {

// What decode_time left in the decoder for one minute.
struct Dcf77Reading {
  // No complete date and time decoded yet: the clock was not compared.
  bool first_minute;
  std::uint8_t this_minute_length;  // 61 after a processed leap second, else 60
  std::uint8_t next_minute_length;  // 61 when a leap second ends the next minute
  // The decoder's clock: the local time (CET or CEST) of the minute that
  // began at the minute marker, with its jump flags.
  DateTimeRecord clock;
  // The clock in UTC; absent until the clock holds a complete date, time and
  // daylight-saving state.
  std::optional<DateTimeRecord> utc;
  // After a processed leap second: whether its bit was 1.
  std::optional<bool> leap_second_is_one;
  ParityCheck minute_parity;
  ParityCheck hour_parity;
  ParityCheck date_parity;
  Bit bit_0;     // always 0 when received right
  Bit call_bit;  // bit 15
  Bit bit_20;    // always 1 when received right

  bool operator==(const Dcf77Reading&) const = default;
};

// Everything one minute of DCF77 signal showed.
struct Dcf77Minute {
  // Seconds counted in the minute (the index of its last second plus one).
  std::uint8_t seconds;
  // Per-bit logs: the minute's length differed from what the clock expected.
  // Edge logs never report it.
  std::optional<MinuteLength> wrong_length;
  // Bits 1..14, when second 15 was passed with all of them received.
  std::optional<std::uint16_t> third_party;
  // Per-bit logs: the second counter ran past the end of the minute at least
  // once before its minute marker (each time is a `wrapped` step, at which
  // the clock may have been advanced).
  bool wrapped;
  // What decode_time made of the minute; absent when the minute was too
  // short to hand to it (per-bit logs only).
  std::optional<Dcf77Reading> reading;

  bool operator==(const Dcf77Minute&) const = default;
};

// The data of one edge line: the second whose marker the edges belong to,
// the bit stored for it, and the microseconds since the previous edge line.
struct Dcf77EdgeLine {
  std::uint8_t second;
  Bit bit;
  std::uint32_t elapsed;

  bool operator==(const Dcf77EdgeLine&) const = default;
};

// The step into the unpulsed last second of a minute: the result of that
// increase_second, the new second and the new-minute flag after it.
struct Dcf77CounterLine {
  bool increased;
  std::uint8_t second;
  bool new_minute;

  bool operator==(const Dcf77CounterLine&) const = default;
};

// What one per-bit log character did, in report order: the character was
// stored (or ended the line), the second counter wrapped, the minute ended.
struct Dcf77BitStep {
  // Written out so that a step is not cleared byte by byte for every
  // character or edge: only the members below are set, and the minute's
  // storage stays untouched while it is absent.
  Dcf77BitStep() {}

  bool reset = false;              // "*": the decoder was reset
  std::optional<BitEcho> echo;     // "0", "1", "_" or the line feed, at its second
  bool wrapped = false;            // increase_second refused: no minute marker came
  Lent<Dcf77Minute> minute;        // valid until the receiver's next step
};

// What one edge did, in report order.
struct Dcf77EdgeStep {
  // Written out so that a step is not cleared byte by byte for every
  // character or edge: only the members below are set, and the minute's
  // storage stays untouched while it is absent.
  Dcf77EdgeStep() {}

  EdgeMeasure measure{};
  // The edge line of the last pulsed second, made before stepping into the
  // unpulsed last second, and the counter line of that step.
  std::optional<Dcf77EdgeLine> last_second_line;
  std::optional<Dcf77CounterLine> counter;
  // The edge line of the second that this edge ended (it began a new one).
  std::optional<Dcf77EdgeLine> second_line;
  // The second counter ran past the end of the minute: the minute marker was
  // lost, and the clock was advanced without decoding where that was due.
  bool wrapped = false;
  Lent<Dcf77Minute> minute;  // valid until the receiver's next step
};

class Dcf77Receiver {
 public:
  // The letter of this station's lines in an edge log.
  static constexpr char kStationLetter = 'D';

  // `strict`: decode in strict mode (every field only when every check of the
  // minute passed) rather than loose mode. A present `spike_limit` goes to the
  // decoder's set_spike_limit (which ignores 150000 and more).
  explicit Dcf77Receiver(bool strict, std::optional<std::uint32_t> spike_limit = std::nullopt);

  // One character of a per-bit log. "0", "1", "_" (undetermined): the bit of
  // the current second; a line feed: the minute marker, which ends the
  // minute; "*": reset (nothing else happens). Every other character is
  // ignored and gives an empty step.
  //
  // A minute ending at a line feed reports `wrong_length` when its seconds
  // differ from the expected length, and is handed to decode_time when it had
  // that length, when the counter wrapped during it, or when it lasted 60
  // seconds where an announced leap second made 61 expected (the leap second
  // did not come); otherwise `reading` is absent.
  [[gnu::always_inline]] Dcf77BitStep take_bit(char c) {
    // Inline: it runs for every character of a per-bit log; the rare cases
    // are calls.
    Dcf77BitStep step;
    if (c == '0' || c == '1' || c == '_') {
      decoder_.set_current_bit(c == '_' ? Bit{} : Bit{c == '1'});
      decoder_.set_new_minute(false);
      step.echo = BitEcho{c, decoder_.get_second()};
      move_on(step);
    } else if (c == '\n') {
      step = take_line_feed();
    } else if (c == '*') {
      reset();
      step.reset = true;
    }
    return step;
  }

  // One edge: `is_high` is the level after it, `when` its time stamp in
  // microseconds (differences taken modulo 2^32). The edge lines' elapsed
  // time sums the differences between this station's edges, the first edge
  // of a log counting 0 (as does any edge after one stamped 0).
  Dcf77EdgeStep take_edge(bool is_high, std::uint32_t when);

  const Dcf77Decoder& decoder() const { return decoder_; }

 private:
  bool step_second() {
    advance_.stepped();
    return decoder_.increase_second();
  }
  void advance_without_decoding();
  // Per-bit logs: after a character, the counter moves on to the next second,
  // and the third-party bits are captured right after second 15 was left.
  void move_on(Dcf77BitStep& step) {
    if (!step_second()) {
      counter_wrapped(step);
    }
    if (decoder_.get_previous_second() == 15) {
      capture_third_party();
    }
  }
  void counter_wrapped(Dcf77BitStep& step);
  void capture_third_party();
  void reset();
  Dcf77BitStep take_line_feed();
  Lent<Dcf77Minute> end_minute(std::uint8_t seconds, bool decode,
                               std::optional<MinuteLength> wrong_length);
  Dcf77EdgeLine edge_line();
  Dcf77CounterLine step_into_last_second();

  Dcf77Decoder decoder_;
  bool strict_;
  std::optional<std::uint16_t> third_party_;
  bool wrapped_ = false;
  ClockAdvance advance_;
  // The last minute that ended, lent to the caller with its step.
  Dcf77Minute minute_{};
  // Edge logs.
  EdgeTimer timer_;
};

// Receiver firmware keeps one per station in static memory; growth is a
// decision (272 bytes on Cortex-M and x86-64, the last minute included).
static_assert(sizeof(Dcf77Receiver) <= 288);

}  // namespace quillfen

#endif  // QUILLFEN_DCF77_DCF77_RECEIVER_HPP_
