// Drives a Dcf77Receiver (a Dcf77Decoder with the calling sequence of the
// DCF77 analyzers) from edges or per-bit log characters taken from the input
// (layout in fuzz/edge_stream.hpp), and checks every step against small
// models of the decoder's rules:
//   - the second counter stays within 0..61 and moves exactly as the rules
//     of increase_second say, wrapping with a false result at the minute
//     length or 62; the step into the unpulsed last second happens exactly at
//     the minute length minus 2;
//   - every edge's fate (first, spike, taken) and gap are right, taken edges
//     are classified exactly by their gap, and a refused edge changes nothing
//     that a caller can see;
//   - a minute ends exactly where a minute marker (a line feed, a low time
//     above 1.5 s) ends it; the clock changes only there or, by exactly one
//     minute, where the counter wrapped;
//   - the minute lengths follow the clock's leap-second state;
//   - the clock keeps its invariants (fuzz/clock_checks.hpp), no jump is
//     flagged while no minute has been decoded yet, and first_minute never
//     comes back once cleared;
//   - the third-party value fits in 14 bits, and what the receiver returns
//     for a minute is what the decoder holds.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "dcf77/dcf77_decoder.hpp"
#include "dcf77/dcf77_receiver.hpp"
#include "fuzz/clock_checks.hpp"
#include "fuzz/counter_model.hpp"
#include "fuzz/edge_stream.hpp"
#include "fuzz/fuzz_check.hpp"

namespace quillfen::fuzz {
namespace {

constexpr ClockLimits kDcf77Clock{1, 7, 60, true, 0};
constexpr std::uint32_t kDefaultSpikeLimit = 30000;

std::uint8_t leap_minute_length(const DateTimeRecord& clock, std::uint8_t flag) {
  const std::optional<std::uint8_t> leap = clock.leap_second();
  return leap && (*leap & flag) != 0 && (flag != LEAP_ANNOUNCED || clock.minute() == 59) ? 61 : 60;
}

class Driver {
 public:
  explicit Driver(const DecoderConfig& config)
      : config_(config), receiver_(config.strict, config.spike_limit) {
    if (config.spike_limit && *config.spike_limit < 150000) {
      spike_limit_ = *config.spike_limit;
    }
    check();
  }

  // One character of a per-bit log.
  void bit_character(char c) {
    const Dcf77Decoder before = decoder();
    const Dcf77BitStep step = receiver_.take_bit(c);
    if (c == '*') {
      FUZZ_CHECK(step.reset && !step.echo && !step.wrapped && !step.minute);
      Dcf77Decoder expected;
      expected.reset();
      FUZZ_CHECK(decoder() == expected);
      FUZZ_CHECK(!decoder().get_first_minute());
      spike_limit_ = kDefaultSpikeLimit;
      check();
      return;
    }
    const bool end_of_minute = c == '\n';
    if (!end_of_minute && c != '0' && c != '1' && c != '_') {
      FUZZ_CHECK(!step.reset && !step.echo && !step.wrapped && !step.minute);
      FUZZ_CHECK(decoder() == before);
      return;
    }
    FUZZ_CHECK(!step.reset && step.echo);
    FUZZ_CHECK(step.echo->character == c && step.echo->second == before.get_second());
    const std::uint8_t length = before.get_minute_length();
    const auto [increased, second] = model_increase(before.get_second(), end_of_minute, length);
    FUZZ_CHECK(step.wrapped == !increased);
    FUZZ_CHECK(decoder().get_second() == second);
    FUZZ_CHECK(decoder().get_previous_second() == before.get_second());
    FUZZ_CHECK(step.minute.has_value() == end_of_minute);
    if (step.minute) {
      const Dcf77Minute& minute = *step.minute;
      const std::uint8_t seconds = before.get_second() + 1;
      FUZZ_CHECK(minute.seconds == seconds);
      FUZZ_CHECK(minute.wrong_length.has_value() == (seconds != length));
      if (minute.wrong_length) {
        FUZZ_CHECK(minute.wrong_length->seconds == seconds);
        FUZZ_CHECK(minute.wrong_length->expected == length);
      }
      // A whole minute is always decoded.
      FUZZ_CHECK(minute.reading || seconds != length);
      check_minute(before, minute);
    } else {
      check_clock_unless_boundary(before, step.wrapped);
    }
    check();
  }

  // One edge.
  void edge(const Edge& edge) {
    const Dcf77Decoder before = decoder();
    const std::uint32_t gap = edge.when - last_when_;  // from the previous edge, spike or not
    const EdgeFate fate = expected_fate(edge.when);
    const Dcf77EdgeStep step = receiver_.take_edge(edge.is_high, edge.when);
    FUZZ_CHECK(step.measure.fate == fate);
    FUZZ_CHECK(step.measure.is_high == edge.is_high);
    FUZZ_CHECK(step.measure.gap == (fate == EdgeFate::First ? 0 : gap));
    if (fate != EdgeFate::Taken) {
      FUZZ_CHECK(!step.last_second_line && !step.counter && !step.second_line && !step.wrapped &&
                 !step.minute);
      FUZZ_CHECK(decoder().get_second() == before.get_second());
      FUZZ_CHECK(decoder().get_new_second() == before.get_new_second());
      FUZZ_CHECK(decoder().get_new_minute() == before.get_new_minute());
      FUZZ_CHECK(decoder().get_current_bit() == before.get_current_bit());
      FUZZ_CHECK(decoder().get_datetime() == before.get_datetime());
      check();
      return;
    }

    // A rising edge after a low time starts a second (above 0.75 s), a
    // minute (above 1.5 s) or loses the signal (2.5 s and more); a falling
    // edge classifies the pulse that it ends.
    bool new_second = before.get_new_second();
    bool new_minute = before.get_new_minute();
    Bit bit = before.get_current_bit();
    if (edge.is_high) {
      if (gap >= 2500000) {
        bit = std::nullopt;
      } else {
        new_second = gap >= 750001;
        new_minute = gap >= 1500001;
      }
    } else {
      new_second = false;
      bit = gap < 150000 ? Bit{false} : gap < 250000 ? Bit{true} : Bit{};
    }
    FUZZ_CHECK(decoder().get_new_second() == new_second);
    FUZZ_CHECK(decoder().get_new_minute() == new_minute);

    const std::uint8_t length = before.get_minute_length();
    std::uint8_t second = before.get_second();
    // The last second of a minute has no marker to start it: the step into
    // it comes after the marker of second L - 2, or, when an announced leap
    // second made L 61 but the minute marker came after second 58 (the leap
    // second did not come), at that minute marker.
    const bool step_into_last = second == length - 2;
    const bool late_step = new_second && new_minute && length == 61 && second == 58;
    FUZZ_CHECK(step.last_second_line.has_value() == (step_into_last || late_step));
    FUZZ_CHECK(step.counter.has_value() == step.last_second_line.has_value());
    std::optional<Bit> known_bit = bit;  // the bit at `second`, while it is known
    if (step.last_second_line) {
      FUZZ_CHECK(step.last_second_line->second == second);
      FUZZ_CHECK(step.last_second_line->bit == bit);
      // The late step is made as if no minute marker had come yet.
      const bool counted_minute = new_minute && !late_step;
      const auto [increased, next] = model_increase(second, counted_minute, length);
      FUZZ_CHECK(step.counter->increased == increased);
      FUZZ_CHECK(step.counter->second == next);
      FUZZ_CHECK(step.counter->new_minute == counted_minute);
      second = next;
      known_bit.reset();
    }
    FUZZ_CHECK(step.second_line.has_value() == new_second);
    FUZZ_CHECK(step.minute.has_value() == (new_second && new_minute));
    bool wrapped = false;
    if (step.second_line) {
      FUZZ_CHECK(step.second_line->second == second);
      FUZZ_CHECK(!known_bit || step.second_line->bit == *known_bit);
      const auto [increased, next] = model_increase(second, new_minute, length);
      wrapped = !increased;
      second = next;
    }
    FUZZ_CHECK(step.wrapped == wrapped);
    FUZZ_CHECK(decoder().get_second() == second);
    if (step.minute) {
      FUZZ_CHECK(step.minute->seconds == step.second_line->second + 1);
      FUZZ_CHECK(!step.minute->wrong_length && !step.minute->wrapped && step.minute->reading);
      check_minute(before, *step.minute);
    } else {
      check_clock_unless_boundary(before, wrapped);
    }
    check();
  }

 private:
  const Dcf77Decoder& decoder() const { return receiver_.decoder(); }

  EdgeFate expected_fate(std::uint32_t when) {
    const bool first = !seen_edge_;
    const std::uint32_t gap = when - last_when_;
    seen_edge_ = true;
    last_when_ = when;
    return first ? EdgeFate::First : gap < spike_limit_ ? EdgeFate::Spike : EdgeFate::Taken;
  }

  // Where no minute was decoded, the clock stands, or, at a minute boundary
  // (a wrap of the counter, a minute too short to decode), moves on by exactly
  // one minute with its jump flags cleared.
  void check_clock_unless_boundary(const Dcf77Decoder& before, bool boundary) {
    const DateTimeRecord& after = decoder().get_datetime();
    if (after == before.get_datetime()) {
      return;
    }
    FUZZ_CHECK(boundary);
    FUZZ_CHECK(!any_jump(after));
    DateTimeRecord expected = before.get_datetime();
    expected.clear_jumps();
    if (!(after == expected)) {
      FUZZ_CHECK(expected.bump_minute());
      FUZZ_CHECK(after == expected);
    }
    check_clock_step(before.get_datetime(), after);
  }

  void check_minute(const Dcf77Decoder& before, const Dcf77Minute& minute) {
    FUZZ_CHECK(!minute.third_party || *minute.third_party < (1u << 14));
    const DateTimeRecord& after = decoder().get_datetime();
    if (!minute.reading) {
      check_clock_unless_boundary(before, /*boundary=*/true);
      return;
    }
    const Dcf77Reading& reading = *minute.reading;
    if (before.get_first_minute()) {
      FUZZ_CHECK(!any_jump(after));
    } else {
      FUZZ_CHECK(!decoder().get_first_minute());
    }
    const std::optional<std::uint16_t> third_party = decoder().get_third_party_buffer();
    FUZZ_CHECK(!third_party || *third_party < (1u << 14));
    FUZZ_CHECK(reading.this_minute_length == leap_minute_length(after, LEAP_PROCESSED));
    FUZZ_CHECK(reading.next_minute_length == leap_minute_length(after, LEAP_ANNOUNCED));
    FUZZ_CHECK(reading.this_minute_length == decoder().get_this_minute_length());
    FUZZ_CHECK(reading.first_minute == decoder().get_first_minute());
    FUZZ_CHECK(reading.clock == after);
    FUZZ_CHECK(reading.utc == after.get_utc());
    FUZZ_CHECK(reading.minute_parity == even_parity_check(decoder().get_minute_parity()));
    FUZZ_CHECK(reading.hour_parity == even_parity_check(decoder().get_hour_parity()));
    FUZZ_CHECK(reading.date_parity == even_parity_check(decoder().get_date_parity()));
    FUZZ_CHECK(reading.bit_0 == decoder().get_bit_0() && reading.bit_20 == decoder().get_bit_20());
    FUZZ_CHECK(reading.call_bit == decoder().get_call_bit());
    check_clock_step(before.get_datetime(), after);
  }

  void check() {
    const Dcf77Decoder& d = decoder();
    FUZZ_CHECK(d.get_second() <= 61);
    FUZZ_CHECK(d.get_previous_second() <= 61);
    FUZZ_CHECK(d.get_minute_length() == leap_minute_length(d.get_datetime(), LEAP_ANNOUNCED));
    FUZZ_CHECK(d.get_spike_limit() == spike_limit_);
    // A first minute is only ever left behind.
    FUZZ_CHECK(!(left_first_minute_ && d.get_first_minute()));
    left_first_minute_ = left_first_minute_ || !d.get_first_minute();
    // The clock changes at most once a minute; check each state once.
    const DateTimeRecord& clock = d.get_datetime();
    if (!checked_clock_ || !(*checked_clock_ == clock)) {
      check_clock(clock, kDcf77Clock);
      checked_clock_ = clock;
    }
  }

  DecoderConfig config_;
  Dcf77Receiver receiver_;
  std::uint32_t spike_limit_ = kDefaultSpikeLimit;
  bool seen_edge_ = false;
  std::uint32_t last_when_ = 0;
  bool left_first_minute_ = false;
  std::optional<DateTimeRecord> checked_clock_;
};

}  // namespace
}  // namespace quillfen::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quillfen::fuzz;
  ByteReader input(data, size);
  const DecoderConfig config = read_config(input);
  Driver driver(config);
  if (config.bit_mode) {
    while (!input.empty()) {
      driver.bit_character(static_cast<char>(input.byte()));
    }
  } else {
    EdgeStream edges(input);
    while (const std::optional<Edge> edge = edges.next()) {
      driver.edge(*edge);
    }
  }
  return 0;
}
