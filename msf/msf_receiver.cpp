#include "msf/msf_receiver.hpp"

namespace quillfen {

MsfReceiver::MsfReceiver(bool strict, std::optional<std::uint32_t> spike_limit) : strict_(strict) {
  if (spike_limit.has_value()) {
    decoder_.set_spike_limit(*spike_limit);
  }
}

MsfMinute MsfReceiver::end_minute(std::uint8_t seconds, bool add_minute) {
  decoder_.decode_time(add_minute, strict_);
  const DateTimeRecord& clock = decoder_.get_datetime();
  return MsfMinute{
      seconds,
      MsfReading{decoder_.get_first_minute(), decoder_.get_minute_length(), clock,
                 clock.get_utc(),
                 decoder_.get_end_of_minute_marker() == MsfDecoder::kEndOfMinuteMarker,
                 odd_parity_check(decoder_.get_year_parity()),
                 odd_parity_check(decoder_.get_month_day_parity()),
                 odd_parity_check(decoder_.get_weekday_parity()),
                 odd_parity_check(decoder_.get_hour_minute_parity())}};
}

MsfBitStep MsfReceiver::take_bit(char c) {
  MsfBitStep step;
  if (c == '*') {
    decoder_.reset();
    step.reset = true;
    return step;
  }
  std::uint8_t index = 0;
  if (c == '4') {
    decoder_.set_minute_marker();
  } else {
    // A bit character is the digit A + 2 x B; "_" leaves both undetermined.
    Bit a;
    Bit b;
    if (c >= '0' && c <= '3') {
      const int digit = c - '0';
      a = (digit & 1) != 0;
      b = (digit & 2) != 0;
    } else if (c != '_') {
      return step;
    }
    decoder_.set_current_bit_a(a);
    decoder_.set_current_bit_b(b);
    index = decoder_.get_second();
    ++bits_since_marker_;
  }
  step.echo = BitEcho{c, index};

  const std::uint8_t length = decoder_.get_minute_length();
  const bool marker_complete =
      decoder_.get_end_of_minute_marker() == MsfDecoder::kEndOfMinuteMarker;
  if (index + 1 == length) {
    step.minute = end_minute(length, /*add_minute=*/true);
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
  step.wrapped = !decoder_.increase_second();
  return step;
}

MsfEdgeStep MsfReceiver::take_edge(bool is_high, std::uint32_t when) {
  MsfEdgeStep step{};
  const bool taken = decoder_.handle_new_edge(is_high, when);
  step.measure = timer_.take(is_high, when, taken);
  // A spike (and the very first edge) leaves the decoder's flags as the
  // previous edge set them. Acting on them again would count a glitch on a
  // pulse edge as one more second, or report a minute twice and so advance
  // the clock twice; the spike only shows in the next edge line.
  if (!taken) {
    return step;
  }
  if (decoder_.get_new_second()) {
    step.edge_line = MsfEdgeLine{decoder_.get_second(), decoder_.get_current_bit_a(),
                                 decoder_.get_current_bit_b(), timer_.end_line()};
    if (!decoder_.increase_second()) {
      step.wrapped = true;
      if (decoder_.increase_minute()) {
        add_minute_ = false;
      }
    }
  }
  // The falling edge of the last second's pulse completes the end-of-minute
  // marker: the minute is over, although its last second is still running.
  if (!is_high && decoder_.get_new_minute()) {
    step.minute = end_minute(static_cast<std::uint8_t>(decoder_.get_second() + 1), add_minute_);
    add_minute_ = true;
  }
  return step;
}

}  // namespace quillfen
