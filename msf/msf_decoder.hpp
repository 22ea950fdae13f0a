// The MSF decoder: turns the received MSF signal into the A and B bits of one
// minute and decodes them into a running date and time.
//
// Every second of the MSF time code carries two bits, A and B; second 0 carries
// the minute marker. The signal comes either as edges of the demodulated
// receiver output (level after the edge, time stamp in microseconds) or as bit
// pairs the receiver already classified. A high period is one carrier-off
// pulse, and every second begins with a rising edge:
//
//   ~100 ms pulse                        A = 0, B = 0
//   ~200 ms pulse                        A = 1, B = 0
//   ~300 ms pulse                        A = 1, B = 1
//   ~100 ms, ~100 ms low, ~100 ms pulse  A = 0, B = 1
//   ~500 ms pulse                        minute marker (second 0)
//
// The end of a minute is recognised by the end-of-minute marker 01111110 in
// bits 52A..59A, collected in a shift register of the latest A bits; its
// position tells a 59-, 60- or 61-second minute (negative or positive leap
// second) apart.
//
// The decoder is passive: it never advances on its own. Its caller (an MSF
// analyzer) feeds edges or bits, reads `get_new_second` / `get_new_minute`,
// calls `increase_second` and, at the end of each minute, `decode_time`:
//
//   edge log:    handle_new_edge for each edge; increase_second whenever
//                get_new_second() is set after a taken edge; decode_time when a
//                taken falling edge leaves get_new_minute() set (second still at
//                the last second of the minute, before the increase_second that
//                starts the next one).
//   per-bit log: per second either set_minute_marker (second 0) or
//                set_current_bit_a then set_current_bit_b; decode_time when
//                get_second() + 1 == get_minute_length(); set_new_minute(true)
//                when get_end_of_minute_marker() == 0x7E; then increase_second.
//
// A fixed-size value: no heap, no exceptions, no I/O; every operation is
// constant time. `second` stays within 0..61 whatever the input, so every
// buffer access is in range.
#ifndef QUILLFEN_MSF_MSF_DECODER_HPP_
#define QUILLFEN_MSF_MSF_DECODER_HPP_

#include <cstdint>
#include <optional>

#include "datetime/bit_field.hpp"
#include "datetime/date_time_record.hpp"

namespace quillfen {

class MsfDecoder {
 public:
  // The shift register value of a complete end-of-minute marker, 01111110.
  static constexpr std::uint8_t kEndOfMinuteMarker = 0x7E;
  // The spike limit after construction, in microseconds.
  static constexpr std::uint32_t kDefaultSpikeLimit = 30000;

  // "new": second 0, both bit buffers undetermined, shift register 0, no
  // parity results, first_minute true, new_minute and new_second false, no edge
  // seen yet, last_interval 0, spike limit 30000 µs; the clock is an empty
  // record numbering weekdays 0 (Sunday) .. 6 (Saturday), at UTC offset 0
  // (GMT) with time_is_utc false.
  MsfDecoder();

  // Makes the decoder exactly equal to a new one (first_minute true again,
  // spike limit back to 30000 µs, the clock emptied).
  void reset();

  // Edges closer than `limit` µs to the previous edge are spikes and ignored.
  // Takes `limit` only when it is below 150000 (the shortest pulse class);
  // otherwise leaves the limit unchanged. 0 turns spike filtering off.
  void set_spike_limit(std::uint32_t limit);

  // Takes one edge: `is_high` is the level after it, `when` its time stamp in
  // µs. Gaps between time stamps are taken modulo 2^32, so the receiver's
  // counter may wrap.
  //
  // Returns true when the decoder took the edge; false for the very first edge
  // (which only starts the clock) and for a spike (an edge less than the spike
  // limit after the previous edge). Neither changes anything but the time the
  // next edge is measured from: a spike leaves the bits, the register,
  // `second`, `new_second`, `new_minute` and `last_interval` as the previous
  // edge left them, so a caller must act on the flags only after a taken edge.
  //
  // A taken rising edge ends a low time G (the gap since the previous edge):
  // G >= 1500000 means the signal was lost: both bits of the current second
  // become undetermined, the register is cleared, new_minute is cleared, and
  // new_second is left as it was. Otherwise new_second = (G > 450000): only the
  // first pulse of a second follows such a long low time.
  //
  // A taken falling edge ends a pulse of length P; Q = last_interval(), the
  // low time before the pulse. new_second becomes false, then:
  //   P < 150000, Q in 1..149999           A=0 B=1 (second pulse), shift in 0
  //   P < 150000, Q > 450000               A=0 B=0 (first pulse), shift in 0
  //   P < 150000, Q 0 or 150000..450000    nothing stored, register unchanged
  //     (in all three rows new_minute = (register == 0x7E))
  //   P 150000..249999, Q >= 650001        A=1 B=0, shift in 1
  //   P 250000..349999, Q >= 650001        A=1 B=1, shift in 1
  //   P 350000..549999, Q >= 650001        minute marker: second = 0, A=1 B=1
  //                                        at index 0, shift in 1
  //     (in these three rows new_minute = false)
  //   P >= 550000, or P >= 150000 with Q < 650001: both bits of the current
  //     second undetermined, register cleared, new_minute = false.
  // So a second with A = 1 right after the minute marker (low time ~500 ms)
  // is undetermined, and an A = 0, B = 1 second stores 0/0 at its first pulse
  // and overwrites it with 0/1 at its second, shifting in 0 twice.
  //
  // Bits are stored at index get_second(). A taken edge (rising or falling)
  // sets last_interval to its gap.
  bool handle_new_edge(bool is_high, std::uint32_t when);

  // The length in µs of the interval (high or low) that ended at the last
  // taken edge; 0 before the second taken edge.
  std::uint32_t last_interval() const { return last_interval_; }

  // Per-bit input. Stores `value` as the A bit of the current second; a
  // determined value is shifted into the end-of-minute register, an
  // undetermined one clears the register. new_minute becomes false.
  [[gnu::always_inline]] void set_current_bit_a(Bit value) {
    bit_buffer_a_.set(second_, value);
    if (value) {
      shift_into_marker(*value);
    } else {
      end_of_minute_marker_ = 0;
    }
    new_minute_ = false;
  }
  // Stores `value` as the B bit of the current second; new_minute becomes
  // false. The register is untouched.
  [[gnu::always_inline]] void set_current_bit_b(Bit value) {
    bit_buffer_b_.set(second_, value);
    new_minute_ = false;
  }
  // The minute marker was received: second = 0, A = B = 1 at index 0, 1 is
  // shifted into the register, new_minute becomes false.
  void set_minute_marker();
  // Sets new_minute (per-bit logs have no edges to set it).
  void set_new_minute(bool value) { new_minute_ = value; }

  // The A or B bit stored at the current second.
  Bit get_current_bit_a() const { return bit_buffer_a_[second_]; }
  Bit get_current_bit_b() const { return bit_buffer_b_[second_]; }

  // Moves to the next second. With new_minute set: second = 0 and true
  // (new_minute itself stays set until a later edge, bit or marker clears or
  // recomputes it). Otherwise second + 1; when that equals the minute length
  // (get_minute_length(), taken before the counter moves) or 62, second = 0
  // and false: the counter ran past the end of the minute without an
  // end-of-minute marker.
  [[gnu::always_inline]] bool increase_second() {
    const std::uint8_t length = get_minute_length();
    if (new_minute_) {
      second_ = 0;
      return true;
    }
    ++second_;
    if (second_ == length || second_ == kBitBufferSize) {
      second_ = 0;
      return false;
    }
    return true;
  }

  // Advances the clock by one minute without decoding, for a minute whose
  // end-of-minute marker was lost: clears the clock's jump flags, then returns
  // whether the clock could be advanced (false, and the clock unchanged, when
  // it is not complete yet). After true the next decode_time must not add a
  // minute again.
  bool increase_minute();

  // Length of the minute being received, from second s and register m:
  //   s + 1 when s is 58, 59 or 60 and m == 0x7E (59: negative leap second,
  //     60: normal, 61: positive leap second);
  //   61 when s is 59 and the low seven bits of m are 0111111 (the marker is
  //     one second late: a leap second was inserted and the final 0 follows);
  //   60 otherwise.
  [[gnu::always_inline]] std::uint8_t get_minute_length() const {
    if ((second_ == 58 || second_ == 59 || second_ == 60) &&
        end_of_minute_marker_ == kEndOfMinuteMarker) {
      return static_cast<std::uint8_t>(second_ + 1);
    }
    // 0111111 at second 59: the marker is one second late, so a leap second
    // was inserted and its final 0 comes in second 60.
    if (second_ == 59 && (end_of_minute_marker_ & 0x7F) == 0x3F) return 61;
    return 60;
  }

  // Decodes the minute just received into the clock, in this order:
  //   1. clears the clock's jump flags;
  //   2. advances the clock by one minute when `add_minute` is true (the
  //      caller has not advanced it with increase_minute) and a first complete
  //      minute has been decoded; jumps are checked against the advanced clock
  //      only when it could be advanced (with add_minute false they are
  //      always checked, once past the first minute);
  //   3. stops here, decoding nothing, unless get_second() + 1 equals the
  //      minute length L; the parity results then stay those of the previous
  //      decoded minute;
  //   4. reads the fields with every position from the year on shifted by
  //      L - 60 (a positive leap second sits at index 17, a negative one drops
  //      index 16): year 17A..24A, month 25A..29A, day 30A..35A, weekday
  //      36A..38A (0 = Sunday), hour 39A..44A, minute 45A..51A, all BCD most
  //      significant bit first; DUT1 = count of the unary run in 1B..8B minus
  //      that in 9B..16B (9B..15B when L is 59), valid when both runs are
  //      determined and at most one is non-zero; summer time 58B, change
  //      announced 53B; odd parities 54B (year), 55B (month and day), 56B
  //      (weekday), 57B (hour and minute), each true (good), false (bad) or
  //      absent (a bit undetermined), stored for the parity accessors;
  //   5. takes year, month, weekday, day, hour and minute into the clock when
  //      every check passed (four good parities, valid DUT1, complete
  //      end-of-minute marker) in `strict` mode, or when the field's own parity
  //      is good in loose mode; the clock keeps its (advanced) value for a field
  //      not taken, and its setters still reject values out of range. Summer
  //      time and its announcement go to the clock in both modes without a
  //      parity condition (ignored when either bit is undetermined); DUT1 is
  //      taken when valid, otherwise the previous DUT1 stays;
  //   6. first_minute becomes false when the clock now holds year, month, day,
  //      weekday, hour, minute and summer-time state, and also every check
  //      passed (strict) or the clock holds a DUT1 (loose).
  // While first_minute is true no jump is ever flagged and the clock is not
  // advanced.
  void decode_time(bool add_minute, bool strict);

  // ---- Read accessors ------------------------------------------------------

  std::uint8_t get_second() const { return second_; }  // 0..61
  // The end-of-minute marker has just been completed (or set_new_minute(true)).
  bool get_new_minute() const { return new_minute_; }
  // The last taken rising edge began a new second.
  bool get_new_second() const { return new_second_; }
  // No complete date and time has been decoded yet.
  bool get_first_minute() const { return first_minute_; }
  // The clock: the date and time after the last decoded minute.
  const DateTimeRecord& get_datetime() const { return datetime_; }
  // The last eight A bits shifted in, newest in the lowest bit.
  std::uint8_t get_end_of_minute_marker() const { return end_of_minute_marker_; }
  // Odd-parity results of the last decoded minute: true good, false bad,
  // absent undetermined (also before any minute was decoded).
  std::optional<bool> get_year_parity() const { return year_parity_; }
  std::optional<bool> get_month_day_parity() const { return month_day_parity_; }
  std::optional<bool> get_weekday_parity() const { return weekday_parity_; }
  std::optional<bool> get_hour_minute_parity() const { return hour_minute_parity_; }
  std::uint32_t get_spike_limit() const { return spike_limit_; }

  // Whole-state equality (every field, the clock included).
  bool operator==(const MsfDecoder&) const = default;

 private:
  void shift_into_marker(bool a_bit) {
    end_of_minute_marker_ =
        static_cast<std::uint8_t>((end_of_minute_marker_ << 1) | (a_bit ? 1 : 0));
  }
  void store_current_bits(Bit a, Bit b);
  void classify_pulse(std::uint32_t pulse_length);

  std::uint32_t last_edge_time_ = 0;
  std::uint32_t last_interval_ = 0;
  std::uint32_t spike_limit_ = kDefaultSpikeLimit;
  DateTimeRecord datetime_;
  PackedBits bit_buffer_a_{};
  PackedBits bit_buffer_b_{};
  std::optional<bool> year_parity_;
  std::optional<bool> month_day_parity_;
  std::optional<bool> weekday_parity_;
  std::optional<bool> hour_minute_parity_;
  bool first_minute_ = true;
  bool new_minute_ = false;
  bool new_second_ = false;
  bool before_first_edge_ = true;
  std::uint8_t second_ = 0;
  std::uint8_t end_of_minute_marker_ = 0;
};

// RAM budget of a receiver's MSF state, on the host and on Cortex-M alike
// (104 bytes today): growing past it is a decision, not an accident.
static_assert(sizeof(MsfDecoder) <= 120);

}  // namespace quillfen

#endif  // QUILLFEN_MSF_MSF_DECODER_HPP_
