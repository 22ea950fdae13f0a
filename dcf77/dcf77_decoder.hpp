// The DCF77 decoder: from received edges or bits to the bits of a minute, and
// from the bits of a minute to date, time, daylight-saving and leap-second
// state.
//
// Signal convention: a high period of the demodulated receiver output is the
// second marker at the start of a second; its length carries the bit (about
// 100 ms for 0, about 200 ms for 1). The last second of a minute (59, or 60
// in a minute with an inserted leap second) has no marker, so the low period
// before second 0 of the next minute is about a second longer than usual:
// that long gap is the minute marker.
//
// Bit layout of a minute (index = second in the bit buffer; multi-bit fields
// least significant bit first):
//   0 start of minute, always 0     1-14 third-party data     15 call bit
//   16 summer-time change announced 17 CEST in force          18 CET in force
//   19 leap second announced        20 start of time, always 1
//   21-27 minute BCD, 28 even parity over 21-28
//   29-34 hour BCD, 35 even parity over 29-35
//   36-41 day of month BCD, 42-44 weekday (Monday 1 .. Sunday 7),
//   45-49 month BCD, 50-57 year of the century BCD, 58 even parity over 36-58
//   59 the inserted leap second (only in a 61-second minute)
// The time sent during a minute is that of the minute beginning at the next
// minute marker.
//
// The decoder is passive: it never advances on its own. A caller feeds it
// edges (handle_new_edge) or bits (set_current_bit, set_new_minute), calls
// increase_second at the right moments and decode_time at each new minute.
// Per edge log: handle_new_edge for each edge; increase_second whenever
// get_new_second() is true after an edge the decoder took, and once more after
// the last second marker of a minute (when get_second() equals
// get_minute_length() - 2), because no marker starts the final second;
// decode_time when get_new_minute() is true after that increase_second.
// Per bit log: set_current_bit and set_new_minute(false) for a bit,
// set_new_minute(true) for the end of a minute, increase_second after each;
// decode_time at the end of a minute.
//
// A fixed-size value without heap storage; no operation fails or throws, and
// get_second() stays within 0..61 whatever the input.
#ifndef QUILLFEN_DCF77_DCF77_DECODER_HPP_
#define QUILLFEN_DCF77_DCF77_DECODER_HPP_

#include <cstdint>
#include <optional>
#include <type_traits>

#include "datetime/bit_field.hpp"
#include "datetime/date_time_record.hpp"

namespace quillfen {

class Dcf77Decoder {
 public:
  // A decoder that has seen nothing: every bit undetermined, second 0,
  // first_minute true, spike limit 30000 us, an empty clock numbering weekdays
  // 1 (Monday) .. 7 (Sunday) with a UTC offset of 60 minutes (CET) and
  // time_is_utc false.
  Dcf77Decoder();

  // Returns every field to its value after construction, except that
  // get_first_minute() becomes false (a reset in a log does not make the next
  // minute a first one).
  void reset();

  // Edges closer than `limit` microseconds to the previous edge are spikes.
  // A limit of 150000 or more (the shortest 1 pulse) is ignored and the limit
  // stays as it was; 0 turns spike filtering off.
  void set_spike_limit(std::uint32_t limit);

  // Takes one edge of the demodulated signal: `is_high` is the level after the
  // edge, `when` its time stamp in microseconds. The gap to the previous edge
  // is taken modulo 2^32, so the counter may wrap between two edges.
  //   - The very first edge only starts the clock: nothing but the time of the
  //     previous edge changes. Returns false.
  //   - Every later edge, spike or not, becomes the previous edge, so the gap
  //     of the edge after a spike is measured from the spike.
  //   - gap < spike limit: a spike; no bit and no flag changes. Returns false.
  //   - rising edge (a second marker begins; the gap is the low time):
  //     gap >= 2500000: the signal was lost; the current bit becomes
  //     undetermined and get_new_second()/get_new_minute() keep their values.
  //     Otherwise get_new_minute() = gap >= 1500001 and get_new_second() =
  //     gap >= 750001.
  //   - falling edge (a marker ends; the gap is its length): get_new_second()
  //     becomes false and the current bit becomes 0 when gap < 150000, 1 when
  //     150000 <= gap < 250000, undetermined when gap >= 250000.
  //     get_new_minute() keeps its value until the next marker begins.
  // Returns true for every edge it took (neither the first edge nor a spike);
  // callers act on the flags only after such an edge.
  bool handle_new_edge(bool is_high, std::uint32_t when);

  // Stores `value` as the bit of the current second.
  void set_current_bit(Bit value) { bit_buffer_.set(second_, value); }
  // The bit stored for the current second. Bits are never cleared between
  // minutes: until a bit is stored in this minute, the entry holds the one of
  // an earlier minute.
  Bit get_current_bit() const { return bit_buffer_[second_]; }

  // For bit logs, where no edges exist: whether the character just read ended
  // the minute (the minute marker).
  void set_new_minute(bool value) { new_minute_ = value; }

  // Moves to the next second, with L = get_minute_length() taken before
  // anything changes: get_previous_second() becomes the current second; on a
  // new minute the second becomes 0 and the result is true; otherwise the
  // second goes up by one and, when it reaches L or 62, wraps to 0 with the
  // result false (the minute ran past its end without a minute marker).
  // After a minute of L seconds with its marker, get_previous_second() is
  // L - 1.
  bool increase_second() {
    const std::uint8_t length = minute_length_;
    previous_second_ = second_;
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
  // marker was lost: clears the clock's jump flags, then returns whether the
  // clock could be advanced (false while it is incomplete).
  bool increase_minute();

  // Length of the minute being received: 61 when the clock reads minute 59
  // and a leap second is announced (LEAP_ANNOUNCED), otherwise 60. Never 59.
  std::uint8_t get_minute_length() const { return minute_length_; }
  // After decode_time: length of the minute just decoded, 61 when the clock
  // shows a processed leap second (LEAP_PROCESSED, also when the leap second
  // was missing), otherwise 60.
  std::uint8_t get_this_minute_length() const;
  // After decode_time: length of the minute now beginning; the same rule as
  // get_minute_length.
  std::uint8_t get_next_minute_length() const;

  // The third-party data of the current minute: bits 1..14 as a binary number,
  // bit 1 weighing 1. Returns nothing when get_previous_second() < 14 (the
  // bits have not all been received) or any of bits 1..14 is undetermined.
  // Meant to be called right after the increase_second that leaves second 15.
  std::optional<std::uint16_t> read_third_party_buffer() const;

  // Decodes the minute just received into the clock. Call after the
  // increase_second that saw the new minute, so that get_previous_second() is
  // the index of the minute's last second.
  //
  // `add_minute`: the clock has not yet been advanced for this minute (false
  // when increase_minute already advanced it). With add_minute true the clock
  // is advanced by one minute unless get_first_minute() is true.
  // `strict`: accept every field of the minute only when all checks pass
  // (three parities good, bit 0 = 0, bit 20 = 1, bits 17/18 determined and
  // different); otherwise (loose) the minute, hour and date groups are each
  // accepted on their own parity. Even parity: a parity result of false is
  // good.
  //
  // The expected length L is 61 when the clock (before advancing) reads minute
  // 59 with a leap second announced, or, with add_minute false, reads minute 0
  // with a leap second announced; otherwise 60. Always: jump flags cleared,
  // clock advanced as above, get_third_party_buffer() recomputed.
  // A minute whose length differs from L is not decoded any further: parities,
  // bit copies, get_leap_second_is_one() and get_first_minute() keep their
  // values. The exception is a minute of 60 seconds where 61 were expected:
  // the announced leap second did not come, and the minute is decoded as a
  // 60-second one (the clock records LEAP_PROCESSED and LEAP_MISSING at the
  // top of the hour, and get_leap_second_is_one() becomes absent).
  // A decoded minute updates the parities and the copies of bits 0, 15 and
  // 20; offers minute, hour, weekday, month, year and day (in that order) to
  // the clock, which takes accepted values in range and flags a jump where a
  // taken value differs from the advanced clock (no jumps while
  // get_first_minute() is true or when the clock could not be advanced);
  // updates daylight-saving (bits 17, 18, 16) and leap-second (bit 19) state;
  // sets get_leap_second_is_one() after a processed leap second (bit 59 is 1;
  // an undetermined bit counts as not 1) and clears it otherwise; and clears
  // get_first_minute() for good once bits 0 and 20 are right (in strict mode:
  // all checks pass) and the clock holds a complete date, time and
  // daylight-saving state.
  void decode_time(bool add_minute, bool strict);

  // ---- Read accessors ------------------------------------------------------

  // Index of the current second in the bit buffer, 0..61.
  std::uint8_t get_second() const { return second_; }
  // The second before the last increase_second.
  std::uint8_t get_previous_second() const { return previous_second_; }
  // The last edge (or bit-log character) began a new minute.
  bool get_new_minute() const { return new_minute_; }
  // The last edge began a new second.
  bool get_new_second() const { return new_second_; }
  // No complete date and time has been decoded since construction.
  bool get_first_minute() const { return first_minute_; }
  // The clock: the date and time of the minute that began at the last decoded
  // minute marker.
  const DateTimeRecord& get_datetime() const { return datetime_; }
  // Bits 1..14 of the minute given to the last decode_time, as by
  // read_third_party_buffer.
  std::optional<std::uint16_t> get_third_party_buffer() const { return third_party_buffer_; }
  // After a minute with a processed leap second: whether its inserted second
  // was 1. Absent otherwise, and when the leap second was missing.
  std::optional<bool> get_leap_second_is_one() const { return leap_second_is_one_; }
  // Parity results of the last decoded minute: absent when a bit was
  // undetermined, false when good, true when bad.
  std::optional<bool> get_minute_parity() const { return minute_parity_; }
  std::optional<bool> get_hour_parity() const { return hour_parity_; }
  std::optional<bool> get_date_parity() const { return date_parity_; }
  // Bits 0, 15 (call bit) and 20 of the last decoded minute.
  Bit get_bit_0() const { return bit_0_; }
  Bit get_call_bit() const { return call_bit_; }
  Bit get_bit_20() const { return bit_20_; }
  // Edges closer than this many microseconds to the previous one are spikes.
  std::uint32_t get_spike_limit() const { return spike_limit_; }

  // Field by field equality, the clock included.
  bool operator==(const Dcf77Decoder&) const = default;

 private:
  // 61 when `clock` reads `minute` with a leap second announced, else 60.
  static std::uint8_t leap_minute_length(const DateTimeRecord& clock, std::uint8_t minute);
  // decode_time but for the minute length kept for the next minute.
  void decode_minute(bool add_minute, bool strict);

  std::optional<std::uint16_t> third_party_buffer_;
  std::uint32_t last_edge_time_ = 0;
  std::uint32_t spike_limit_ = 30000;
  DateTimeRecord datetime_;
  PackedBits bit_buffer_{};
  bool first_minute_ = true;
  bool new_minute_ = false;
  bool new_second_ = false;
  bool before_first_edge_ = true;
  std::optional<bool> leap_second_is_one_;
  std::optional<bool> minute_parity_;
  std::optional<bool> hour_parity_;
  std::optional<bool> date_parity_;
  Bit bit_0_;
  Bit call_bit_;
  Bit bit_20_;
  std::uint8_t previous_second_ = 0;
  std::uint8_t second_ = 0;
  // get_minute_length(): it follows from the clock alone, and is worked out
  // again whenever the clock changes, rather than for every second.
  std::uint8_t minute_length_ = 60;
};

// Analyzers keep the decoder on their stack and tests copy it freely.
static_assert(std::is_trivially_copyable_v<Dcf77Decoder>);
// RAM budget of a receiver's DCF77 state, on the host and on Cortex-M alike
// (96 bytes today): growing past it is a decision, not an accident.
static_assert(sizeof(Dcf77Decoder) <= 112);

}  // namespace quillfen

#endif  // QUILLFEN_DCF77_DCF77_DECODER_HPP_
