#include "msf/msf_decoder.hpp"

#include <cstddef>

namespace quillfen {
namespace {

// Pulse and gap classes, in microseconds.
constexpr std::uint32_t kLostSignal = 1500000;     // low this long: no signal
constexpr std::uint32_t kNewSecondLow = 450000;    // low longer: a second begins
constexpr std::uint32_t kShortPulseEnd = 150000;   // below: a 100 ms pulse
constexpr std::uint32_t kA1B0PulseEnd = 250000;    // below: a 200 ms pulse
constexpr std::uint32_t kA1B1PulseEnd = 350000;    // below: a 300 ms pulse
constexpr std::uint32_t kMarkerPulseEnd = 550000;  // below: the 500 ms minute marker
// A long pulse is trusted only after a low time above this: the rest of a
// second after a pulse of at most 300 ms. The minute marker leaves only about
// 500 ms of low time before second 1.
constexpr std::uint32_t kLongPulseMinLow = 650001;

std::optional<std::uint8_t> narrow(std::optional<std::uint32_t> value) {
  if (!value || *value > 0xFF) return std::nullopt;
  return static_cast<std::uint8_t>(*value);
}

}  // namespace

MsfDecoder::MsfDecoder() : datetime_(0, 6) { datetime_.set_utc_offset(0, false); }

void MsfDecoder::reset() { *this = MsfDecoder(); }

void MsfDecoder::set_spike_limit(std::uint32_t limit) {
  if (limit < kShortPulseEnd) spike_limit_ = limit;
}

void MsfDecoder::store_current_bits(Bit a, Bit b) {
  bit_buffer_a_.set(second_, a);
  bit_buffer_b_.set(second_, b);
}

bool MsfDecoder::handle_new_edge(bool is_high, std::uint32_t when) {
  if (before_first_edge_) {
    before_first_edge_ = false;
    last_edge_time_ = when;
    return false;
  }
  const std::uint32_t gap = when - last_edge_time_;  // modulo 2^32
  // The edge after a spike is measured from the spike.
  last_edge_time_ = when;
  if (gap < spike_limit_) return false;

  if (is_high) {
    if (gap >= kLostSignal) {
      store_current_bits(std::nullopt, std::nullopt);
      end_of_minute_marker_ = 0;
      new_minute_ = false;
    } else {
      new_second_ = gap > kNewSecondLow;
    }
  } else {
    classify_pulse(gap);
  }
  last_interval_ = gap;
  return true;
}

void MsfDecoder::classify_pulse(std::uint32_t pulse_length) {
  const std::uint32_t low_before = last_interval_;
  new_second_ = false;
  if (pulse_length < kShortPulseEnd) {
    if (low_before >= 1 && low_before < kShortPulseEnd) {
      // The second short pulse of an A = 0, B = 1 second.
      store_current_bits(false, true);
      shift_into_marker(false);
    } else if (low_before > kNewSecondLow) {
      store_current_bits(false, false);
      shift_into_marker(false);
    }
    // A short pulse after a medium low time is not placed in any second.
    new_minute_ = end_of_minute_marker_ == kEndOfMinuteMarker;
    return;
  }
  if (pulse_length < kMarkerPulseEnd && low_before >= kLongPulseMinLow) {
    if (pulse_length < kA1B0PulseEnd) {
      store_current_bits(true, false);
    } else if (pulse_length < kA1B1PulseEnd) {
      store_current_bits(true, true);
    } else {
      // The minute marker resynchronises the count wherever it stood.
      second_ = 0;
      store_current_bits(true, true);
    }
    shift_into_marker(true);
    new_minute_ = false;
    return;
  }
  store_current_bits(std::nullopt, std::nullopt);
  end_of_minute_marker_ = 0;
  new_minute_ = false;
}

void MsfDecoder::set_minute_marker() {
  second_ = 0;
  store_current_bits(true, true);
  shift_into_marker(true);
  new_minute_ = false;
}

bool MsfDecoder::increase_minute() {
  datetime_.clear_jumps();
  return datetime_.bump_minute();
}

void MsfDecoder::decode_time(bool add_minute, bool strict) {
  datetime_.clear_jumps();
  const std::uint8_t length = get_minute_length();
  // Until a minute has been trusted there is no clock to advance or to compare
  // the new fields with.
  bool check = true;
  if (add_minute) {
    check = first_minute_ ? false : datetime_.bump_minute();
  }
  if (second_ + 1 != length) return;

  // Positions from the year on move with a leap second; 0..16 never do (only
  // index 16 is dropped from a 59-second minute).
  const int shift = length - 60;
  const auto at = [shift](int position) {
    const int index = position + shift;
    return static_cast<std::size_t>(index);
  };
  const PackedBits& a = bit_buffer_a_;
  const PackedBits& b = bit_buffer_b_;

  year_parity_ = get_parity(a, at(17), at(24), b[at(54)]);
  month_day_parity_ = get_parity(a, at(25), at(35), b[at(55)]);
  weekday_parity_ = get_parity(a, at(36), at(38), b[at(56)]);
  hour_minute_parity_ = get_parity(a, at(39), at(51), b[at(57)]);

  const std::optional<std::uint8_t> dut1_positive = get_unary_value(b, 1, 8);
  const std::optional<std::uint8_t> dut1_negative = get_unary_value(b, 9, length == 59 ? 15 : 16);
  const bool dut1_valid =
      dut1_positive && dut1_negative && (*dut1_positive == 0 || *dut1_negative == 0);

  const bool all_good = year_parity_ == true && month_day_parity_ == true &&
                        weekday_parity_ == true && hour_minute_parity_ == true && dut1_valid &&
                        end_of_minute_marker_ == kEndOfMinuteMarker;
  const bool check_jump = check && !first_minute_;
  const auto accept = [strict, all_good](std::optional<bool> parity) {
    return strict ? all_good : parity == true;
  };

  datetime_.set_year(narrow(get_bcd_value(a, at(24), at(17))), accept(year_parity_), check_jump);
  datetime_.set_month(narrow(get_bcd_value(a, at(29), at(25))), accept(month_day_parity_),
                      check_jump);
  datetime_.set_weekday(narrow(get_bcd_value(a, at(38), at(36))), accept(weekday_parity_),
                        check_jump);
  datetime_.set_day(narrow(get_bcd_value(a, at(35), at(30))), accept(month_day_parity_),
                    check_jump);
  datetime_.set_hour(narrow(get_bcd_value(a, at(44), at(39))), accept(hour_minute_parity_),
                     check_jump);
  datetime_.set_minute(narrow(get_bcd_value(a, at(51), at(45))), accept(hour_minute_parity_),
                       check_jump);
  datetime_.set_dst(b[at(58)], b[at(53)], check_jump);
  std::optional<std::int8_t> dut1;
  if (dut1_valid) dut1 = static_cast<std::int8_t>(*dut1_positive - *dut1_negative);
  datetime_.set_dut1(dut1, dut1_valid, check_jump);

  const DateTimeRecord& clock = datetime_;
  const bool complete = clock.year() && clock.month() && clock.day() && clock.weekday() &&
                        clock.hour() && clock.minute() && clock.dst();
  if (complete && (strict ? all_good : clock.dut1().has_value())) first_minute_ = false;
  datetime_.bump_minutes_running();
}

}  // namespace quillfen
