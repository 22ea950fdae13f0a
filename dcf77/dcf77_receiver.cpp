#include "dcf77/dcf77_receiver.hpp"

namespace quillfen {

Dcf77Receiver::Dcf77Receiver(bool strict, std::optional<std::uint32_t> spike_limit)
    : strict_(strict) {
  if (spike_limit.has_value()) {
    decoder_.set_spike_limit(*spike_limit);
  }
}

void Dcf77Receiver::advance_without_decoding() {
  if (advance_.due() && decoder_.increase_minute()) {
    advance_.advanced();
  }
}

Lent<Dcf77Minute> Dcf77Receiver::end_minute(std::uint8_t seconds, bool decode,
                                            std::optional<MinuteLength> wrong_length) {
  Dcf77Minute& minute = minute_;
  minute = Dcf77Minute{seconds, wrong_length, third_party_, wrapped_, std::nullopt};
  third_party_.reset();
  wrapped_ = false;
  if (!decode) {
    // Too short to decode, but a minute boundary all the same.
    advance_without_decoding();
    return Lent<Dcf77Minute>(minute);
  }
  const bool add_minute = advance_.due();
  decoder_.decode_time(add_minute, strict_);
  if (add_minute) {
    advance_.advanced();
  }
  const DateTimeRecord& clock = decoder_.get_datetime();
  minute.reading = Dcf77Reading{decoder_.get_first_minute(),
                                decoder_.get_this_minute_length(),
                                decoder_.get_next_minute_length(),
                                clock,
                                clock.get_utc(),
                                decoder_.get_leap_second_is_one(),
                                even_parity_check(decoder_.get_minute_parity()),
                                even_parity_check(decoder_.get_hour_parity()),
                                even_parity_check(decoder_.get_date_parity()),
                                decoder_.get_bit_0(),
                                decoder_.get_call_bit(),
                                decoder_.get_bit_20()};
  return Lent<Dcf77Minute>(minute);
}

void Dcf77Receiver::reset() {
  decoder_.reset();
  advance_.reset();
}

void Dcf77Receiver::counter_wrapped(Dcf77BitStep& step) {
  // The line has more bits than a minute: the minute marker was lost.
  step.wrapped = true;
  wrapped_ = true;
  advance_without_decoding();
}

void Dcf77Receiver::capture_third_party() { third_party_ = decoder_.read_third_party_buffer(); }

Dcf77BitStep Dcf77Receiver::take_line_feed() {
  Dcf77BitStep step;
  decoder_.set_new_minute(true);
  step.echo = BitEcho{'\n', decoder_.get_second()};
  const std::uint8_t seconds = decoder_.get_second() + 1;
  const std::uint8_t length = decoder_.get_minute_length();
  move_on(step);
  // A leap second that was announced but not inserted leaves a normal
  // 60-second minute where 61 seconds were expected. That minute is still
  // whole and the decoder reads it as one: refusing it would keep the clock at
  // minute 59 with the announcement standing, so every later minute would be
  // expected to last 61 seconds and none would ever be decoded.
  const bool leap_second_missing = length == 61 && seconds == 60;
  const bool decode = wrapped_ || seconds == length || leap_second_missing;
  std::optional<MinuteLength> wrong_length;
  if (seconds != length) {
    wrong_length = MinuteLength{seconds, length};
  }
  step.minute = end_minute(seconds, decode, wrong_length);
  return step;
}

Dcf77EdgeLine Dcf77Receiver::edge_line() {
  return Dcf77EdgeLine{decoder_.get_second(), decoder_.get_current_bit(), timer_.end_line()};
}

Dcf77CounterLine Dcf77Receiver::step_into_last_second() {
  const bool increased = step_second();
  return Dcf77CounterLine{increased, decoder_.get_second(), decoder_.get_new_minute()};
}

Dcf77EdgeStep Dcf77Receiver::take_edge(bool is_high, std::uint32_t when) {
  Dcf77EdgeStep step{};
  const bool taken = decoder_.handle_new_edge(is_high, when);
  step.measure = timer_.take(is_high, when, taken);
  // A spike (typically ringing right after a real edge) leaves the decoder's
  // flags as the real edge set them. Acting on them again would count the
  // same second twice, so a spike only shows in the next edge line.
  if (!taken) {
    return step;
  }

  // The last second of a minute carries no second marker, so no edge will
  // start it: step into it once the marker of the second before has ended.
  if (decoder_.get_second() == decoder_.get_minute_length() - 2) {
    step.last_second_line = edge_line();
    step.counter = step_into_last_second();
  }

  if (decoder_.get_new_second()) {
    // A leap second was announced, so the step into the last second waits
    // for second 59; when the leap second does not come, the minute marker
    // arrives at second 58. Step into second 59 now, as for a 60-second
    // minute, so that the minute is decoded as one.
    if (decoder_.get_new_minute() && decoder_.get_minute_length() == 61 &&
        decoder_.get_second() == 58) {
      step.last_second_line = edge_line();
      decoder_.set_new_minute(false);
      step.counter = step_into_last_second();
      decoder_.set_new_minute(true);
    }
    step.second_line = edge_line();
    const std::uint8_t seconds = decoder_.get_second() + 1;
    if (!step_second()) {
      // The counter ran past the end of the minute: the minute marker was
      // lost. Keep the clock running so the next minute is still compared
      // with the right time.
      step.wrapped = true;
      advance_without_decoding();
    }
    if (decoder_.get_previous_second() == 15) {
      capture_third_party();
    }
    if (decoder_.get_new_minute()) {
      step.minute = end_minute(seconds, /*decode=*/true, std::nullopt);
    }
  }
  return step;
}

}  // namespace quillfen
