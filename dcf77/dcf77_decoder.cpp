#include "dcf77/dcf77_decoder.hpp"

#include <cstddef>

namespace quillfen {

namespace {

// Pulse and gap lengths in microseconds. A 0 pulse lasts about 100 ms and a 1
// pulse about 200 ms; a second marker follows a low time of 800 to 900 ms, the
// marker after the unpulsed last second of a minute 1800 to 1900 ms.
constexpr std::uint32_t kOnePulse = 150000;
constexpr std::uint32_t kOverlongPulse = 250000;
constexpr std::uint32_t kNewSecondGap = 750001;
constexpr std::uint32_t kNewMinuteGap = 1500001;
constexpr std::uint32_t kLostSignalGap = 2500000;

// Bit positions of the time code.
constexpr std::size_t kThirdPartyFirst = 1;
constexpr std::size_t kThirdPartyLast = 14;
constexpr std::size_t kCallBit = 15;
constexpr std::size_t kDstAnnounce = 16;
constexpr std::size_t kSummerBit = 17;
constexpr std::size_t kWinterBit = 18;
constexpr std::size_t kLeapAnnounce = 19;
constexpr std::size_t kStartOfTime = 20;
constexpr std::size_t kLeapSecondBit = 59;


bool is_set(const std::optional<std::uint8_t>& flags, std::uint8_t flag) {
  return flags.has_value() && (*flags & flag) != 0;
}

std::optional<std::uint8_t> bcd_field(const PackedBits& bits, std::size_t first, std::size_t last) {
  const std::optional<std::uint32_t> value = get_bcd_value(bits, first, last);
  if (!value.has_value()) {
    return std::nullopt;
  }
  // At most eight bits with every digit checked: 99 at most.
  return static_cast<std::uint8_t>(*value);
}

std::optional<std::uint16_t> third_party_value(const PackedBits& bits,
                                               std::uint8_t previous_second) {
  if (previous_second < kThirdPartyLast) {
    return std::nullopt;
  }
  const std::optional<std::uint32_t> value =
      get_binary_value(bits, kThirdPartyFirst, kThirdPartyLast);
  if (!value.has_value()) {
    return std::nullopt;
  }
  return static_cast<std::uint16_t>(*value);
}

bool is_false(std::optional<bool> value) { return value.has_value() && !*value; }

DateTimeRecord new_clock() {
  DateTimeRecord clock(1, 7);
  clock.set_utc_offset(60, false);
  return clock;
}

}  // namespace

Dcf77Decoder::Dcf77Decoder() : datetime_(new_clock()) {}

void Dcf77Decoder::reset() {
  *this = Dcf77Decoder();
  first_minute_ = false;
}

void Dcf77Decoder::set_spike_limit(std::uint32_t limit) {
  if (limit < kOnePulse) {
    spike_limit_ = limit;
  }
}

bool Dcf77Decoder::handle_new_edge(bool is_high, std::uint32_t when) {
  if (before_first_edge_) {
    before_first_edge_ = false;
    last_edge_time_ = when;
    return false;
  }
  const std::uint32_t gap = when - last_edge_time_;  // modulo 2^32
  last_edge_time_ = when;
  if (gap < spike_limit_) {
    return false;
  }
  if (is_high) {
    if (gap >= kLostSignalGap) {
      bit_buffer_.set(second_, std::nullopt);
    } else {
      new_minute_ = gap >= kNewMinuteGap;
      new_second_ = gap >= kNewSecondGap;
    }
  } else {
    new_second_ = false;
    if (gap < kOnePulse) {
      bit_buffer_.set(second_, false);
    } else if (gap < kOverlongPulse) {
      bit_buffer_.set(second_, true);
    } else {
      bit_buffer_.set(second_, std::nullopt);
    }
  }
  return true;
}

bool Dcf77Decoder::increase_minute() {
  datetime_.clear_jumps();
  const bool advanced = datetime_.bump_minute();
  minute_length_ = leap_minute_length(datetime_, 59);
  return advanced;
}

std::uint8_t Dcf77Decoder::leap_minute_length(const DateTimeRecord& clock, std::uint8_t minute) {
  const bool leap_due = clock.leap_second().has_value() && clock.minute() == minute &&
                        is_set(clock.leap_second(), LEAP_ANNOUNCED);
  return leap_due ? 61 : 60;
}

std::uint8_t Dcf77Decoder::get_this_minute_length() const {
  return is_set(datetime_.leap_second(), LEAP_PROCESSED) ? 61 : 60;
}

std::uint8_t Dcf77Decoder::get_next_minute_length() const { return get_minute_length(); }

void Dcf77Decoder::decode_time(bool add_minute, bool strict) {
  decode_minute(add_minute, strict);
  minute_length_ = leap_minute_length(datetime_, 59);
}

std::optional<std::uint16_t> Dcf77Decoder::read_third_party_buffer() const {
  return third_party_value(bit_buffer_, previous_second_);
}

void Dcf77Decoder::decode_minute(bool add_minute, bool strict) {
  datetime_.clear_jumps();
  std::uint8_t length = leap_minute_length(datetime_, 59);

  bool added = true;
  if (add_minute) {
    added = !first_minute_ && datetime_.bump_minute();
  } else if (leap_minute_length(datetime_, 0) == 61) {
    // The clock already stands at the top of the hour the leap second ended.
    length = 61;
  }

  third_party_buffer_ = third_party_value(bit_buffer_, previous_second_);

  const unsigned seconds = previous_second_ + 1U;
  // An announced leap second that does not come leaves a normal 60-second
  // minute. Decoding it as one lets the clock run on (and record the leap
  // second as missing) instead of expecting 61 seconds for ever after.
  const bool leap_second_missing = length == 61 && seconds == 60;
  if (leap_second_missing) {
    length = 60;
  } else if (seconds != length) {
    return;
  }

  bit_0_ = bit_buffer_[0];
  call_bit_ = bit_buffer_[kCallBit];
  bit_20_ = bit_buffer_[kStartOfTime];

  minute_parity_ = get_parity(bit_buffer_, 21, 27, bit_buffer_[28]);
  hour_parity_ = get_parity(bit_buffer_, 29, 34, bit_buffer_[35]);
  date_parity_ = get_parity(bit_buffer_, 36, 57, bit_buffer_[58]);

  // Exactly one of "summer time" and "winter time" must be sent.
  const Bit summer = bit_buffer_[kSummerBit];
  const Bit winter = bit_buffer_[kWinterBit];
  const Bit dst_bit =
      summer.has_value() && winter.has_value() && *summer != *winter ? summer : std::nullopt;

  const bool bits_0_20_ok = is_false(bit_0_) && bit_20_ == Bit{true};
  const bool all_ok = is_false(minute_parity_) && is_false(hour_parity_) &&
                      is_false(date_parity_) && bits_0_20_ok && dst_bit.has_value();
  const bool check_jump = !first_minute_ && added;

  const bool minute_ok = strict ? all_ok : is_false(minute_parity_);
  const bool hour_ok = strict ? all_ok : is_false(hour_parity_);
  const bool date_ok = strict ? all_ok : is_false(date_parity_);

  datetime_.set_minute(bcd_field(bit_buffer_, 21, 27), minute_ok, check_jump);
  datetime_.set_hour(bcd_field(bit_buffer_, 29, 34), hour_ok, check_jump);
  datetime_.set_weekday(bcd_field(bit_buffer_, 42, 44), date_ok, check_jump);
  datetime_.set_month(bcd_field(bit_buffer_, 45, 49), date_ok, check_jump);
  datetime_.set_year(bcd_field(bit_buffer_, 50, 57), date_ok, check_jump);
  // Last: the day is checked against the year, month and weekday just set.
  datetime_.set_day(bcd_field(bit_buffer_, 36, 41), date_ok, check_jump);

  datetime_.set_dst(dst_bit, bit_buffer_[kDstAnnounce], check_jump);
  datetime_.set_leap_second(bit_buffer_[kLeapAnnounce], length);

  if (!leap_second_missing && is_set(datetime_.leap_second(), LEAP_PROCESSED)) {
    leap_second_is_one_ = bit_buffer_[kLeapSecondBit] == Bit{true};
  } else {
    // Also when the leap second was missing: bit 59 then holds nothing of
    // this minute.
    leap_second_is_one_ = std::nullopt;
  }

  const bool complete = datetime_.year().has_value() && datetime_.month().has_value() &&
                        datetime_.day().has_value() && datetime_.weekday().has_value() &&
                        datetime_.hour().has_value() && datetime_.minute().has_value() &&
                        datetime_.dst().has_value();
  if ((strict ? all_ok : bits_0_20_ok) && complete) {
    first_minute_ = false;
  }

  datetime_.bump_minutes_running();
}

}  // namespace quillfen
