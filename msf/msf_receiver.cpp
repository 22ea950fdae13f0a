#include "msf/msf_receiver.hpp"

namespace quillfen {

MsfReceiver::MsfReceiver(bool strict, std::optional<std::uint32_t> spike_limit) : strict_(strict) {
  if (spike_limit.has_value()) {
    decoder_.set_spike_limit(*spike_limit);
  }
}

void MsfReceiver::advance_without_decoding() {
  if (advance_.due() && decoder_.increase_minute()) {
    advance_.advanced();
  }
}

Lent<MsfMinute> MsfReceiver::end_minute(std::uint8_t seconds) {
  const bool add_minute = advance_.due();
  decoder_.decode_time(add_minute, strict_);
  if (add_minute) {
    advance_.advanced();
  }
  const DateTimeRecord& clock = decoder_.get_datetime();
  minute_ = MsfMinute{
      seconds,
      MsfReading{decoder_.get_first_minute(), decoder_.get_minute_length(), clock,
                 clock.get_utc(),
                 decoder_.get_end_of_minute_marker() == MsfDecoder::kEndOfMinuteMarker,
                 odd_parity_check(decoder_.get_year_parity()),
                 odd_parity_check(decoder_.get_month_day_parity()),
                 odd_parity_check(decoder_.get_weekday_parity()),
                 odd_parity_check(decoder_.get_hour_minute_parity())}};
  return Lent<MsfMinute>(*minute_);
}

void MsfReceiver::reset() {
  decoder_.reset();
  advance_.reset();
}

void MsfReceiver::end_of_bits(MsfBitStep& step, char c, std::uint8_t index) {
  const std::uint8_t length = decoder_.get_minute_length();
  const bool marker_complete =
      decoder_.get_end_of_minute_marker() == MsfDecoder::kEndOfMinuteMarker;
  if (index + 1 == length) {
    step.minute = end_minute(length);
  } else if (marker_complete) {
    // The end-of-minute marker arrived early: the log began in the middle of
    // a minute, or seconds were lost.
    step.wrong_length = MinuteLength{index + 1U, length};
  } else if (c == '4' && bits_since_marker_ != 0 && bits_since_marker_ + 1 != length) {
    // A minute marker that does not come one minute after the last completed
    // end-of-minute marker: seconds were lost or gained, or markers were
    // missed. At a minute marker the decoder stands at second 0, where the
    // length is always 60.
    step.wrong_length = MinuteLength{bits_since_marker_ + 1, length};
  }
  if (marker_complete) {
    decoder_.set_new_minute(true);
    step.end_of_minute = true;
    bits_since_marker_ = 0;
  }
  counter_moves_on(step);
}

void MsfReceiver::counter_wrapped(MsfBitStep& step) {
  // The minute ran past its end without an end-of-minute marker.
  step.wrapped = true;
  advance_without_decoding();
}

MsfEdgeStep MsfReceiver::take_edge(bool is_high, std::uint32_t when) {
  MsfEdgeStep step{};
  const std::uint8_t second_before = decoder_.get_second();
  const bool taken = decoder_.handle_new_edge(is_high, when);
  step.measure = timer_.take(is_high, when, taken);
  // A spike (and the very first edge) leaves the decoder's flags as the
  // previous edge set them. Acting on them again would count a glitch on a
  // pulse edge as one more second, or report a minute twice and so advance
  // the clock twice; the spike only shows in the next edge line.
  if (!taken) {
    return step;
  }
  // Only the minute marker's pulse sets the counter back to 0 at a falling
  // edge. Found anywhere but at second 0, nothing ended the minute before it
  // (its end-of-minute marker was lost and the counter had not wrapped): a
  // minute boundary all the same.
  if (!is_high && decoder_.get_second() == 0 && second_before != 0) {
    advance_without_decoding();
  }
  if (decoder_.get_new_second()) {
    step.edge_line = MsfEdgeLine{decoder_.get_second(), decoder_.get_current_bit_a(),
                                 decoder_.get_current_bit_b(), timer_.end_line()};
    if (!step_second()) {
      step.wrapped = true;
      advance_without_decoding();
    }
  }
  // The falling edge of the last second's pulse completes the end-of-minute
  // marker: the minute is over, although its last second is still running.
  if (!is_high && decoder_.get_new_minute()) {
    step.minute = end_minute(static_cast<std::uint8_t>(decoder_.get_second() + 1));
  }
  return step;
}

}  // namespace quillfen
