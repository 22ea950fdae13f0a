// Drives an MsfReceiver (an MsfDecoder with the calling sequence of the MSF
// analyzers) from edges or per-bit log characters taken from the input
// (layout in fuzz/edge_stream.hpp), and checks every step against small
// models of the decoder's rules:
//   - the second counter stays within 0..61 and moves exactly as the rules
//     of increase_second say; the minute length is 59, 60 or 61 exactly as
//     the second and the end-of-minute register give it;
//   - every edge's fate (first, spike, taken) and gap are right, taken edges
//     classify pulses and pauses exactly by their lengths (bits, register,
//     flags, last_interval), and a refused edge changes nothing a caller can
//     see;
//   - the per-bit characters shift the register as they should, a minute
//     ends exactly at its last second, a minute-length complaint comes
//     exactly where the marker came early or a minute marker out of place,
//     and a reset gives a new decoder;
//   - the clock changes only at the end of a minute or, by exactly one
//     minute, where the counter wrapped; it keeps its invariants
//     (fuzz/clock_checks.hpp), DUT1 stays within what the unary code can
//     carry, and no jump is flagged while no minute has been decoded yet;
//   - what the receiver returns for a minute is what the decoder holds.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "fuzz/clock_checks.hpp"
#include "fuzz/counter_model.hpp"
#include "fuzz/edge_stream.hpp"
#include "fuzz/fuzz_check.hpp"
#include "msf/msf_decoder.hpp"
#include "msf/msf_receiver.hpp"

namespace quillfen::fuzz {
namespace {

// DUT1 is a unary count of at most eight bits either way.
constexpr ClockLimits kMsfClock{0, 6, 0, false, 8};
constexpr std::uint32_t kDefaultSpikeLimit = 30000;
constexpr std::uint8_t kMarker = 0x7E;

std::uint8_t expected_minute_length(std::uint8_t second, std::uint8_t marker) {
  if ((second == 58 || second == 59 || second == 60) && marker == kMarker) {
    return second + 1;
  }
  return second == 59 && (marker & 0x7F) == 0x3F ? 61 : 60;
}

std::uint8_t shifted(std::uint8_t marker, bool bit) {
  return static_cast<std::uint8_t>((marker << 1) | (bit ? 1 : 0));
}

// What a taken edge leaves in the decoder before anything else happens.
struct Classified {
  std::uint8_t second;
  Bit a;
  Bit b;
  std::uint8_t marker;
  bool new_minute;
  bool new_second;
};

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
    const MsfDecoder before = decoder();
    const MsfBitStep step = receiver_.take_bit(c);
    if (c == '*') {
      FUZZ_CHECK(step.reset && !step.echo && !step.minute && !step.wrong_length &&
                 !step.end_of_minute && !step.wrapped);
      FUZZ_CHECK(decoder() == MsfDecoder());
      spike_limit_ = kDefaultSpikeLimit;
      left_first_minute_ = false;
      check();
      return;
    }
    const std::uint8_t marker = before.get_end_of_minute_marker();
    std::uint8_t index = before.get_second();
    std::uint8_t marker_after = 0;
    if (c == '4') {
      index = 0;
      marker_after = shifted(marker, true);
    } else if ((c >= '0' && c <= '3') || c == '_') {
      marker_after = c == '_' ? 0 : shifted(marker, ((c - '0') & 1) != 0);
      ++bits_since_marker_;
    } else {
      FUZZ_CHECK(!step.reset && !step.echo && !step.minute && !step.wrong_length &&
                 !step.end_of_minute && !step.wrapped);
      FUZZ_CHECK(decoder() == before);
      return;
    }
    FUZZ_CHECK(step.echo && step.echo->character == c && step.echo->second == index);
    FUZZ_CHECK(decoder().get_end_of_minute_marker() == marker_after);

    const std::uint8_t length = expected_minute_length(index, marker_after);
    const bool complete = marker_after == kMarker;
    FUZZ_CHECK(step.minute.has_value() == (index + 1 == length));
    std::optional<MinuteLength> wrong_length;
    if (!step.minute && complete) {
      wrong_length = MinuteLength{index + 1U, length};
    } else if (!step.minute && c == '4' && bits_since_marker_ != 0 &&
               bits_since_marker_ + 1 != length) {
      wrong_length = MinuteLength{bits_since_marker_ + 1, length};
    }
    FUZZ_CHECK(step.wrong_length == wrong_length);
    FUZZ_CHECK(step.end_of_minute == complete);
    if (complete) {
      bits_since_marker_ = 0;
    }
    const auto [increased, second] = model_increase(index, complete, length);
    FUZZ_CHECK(step.wrapped == !increased);
    FUZZ_CHECK(decoder().get_second() == second);
    FUZZ_CHECK(decoder().get_new_minute() == complete);
    if (step.minute) {
      FUZZ_CHECK(step.minute->seconds == length);
      check_minute(before, *step.minute);
    } else {
      check_clock_unless_boundary(before, step.wrapped);
    }
    check();
  }

  // One edge.
  void edge(const Edge& edge) {
    const MsfDecoder before = decoder();
    const std::uint32_t gap = edge.when - last_when_;  // from the previous edge, spike or not
    const bool first = !seen_edge_;
    seen_edge_ = true;
    last_when_ = edge.when;
    const EdgeFate fate =
        first ? EdgeFate::First : gap < spike_limit_ ? EdgeFate::Spike : EdgeFate::Taken;
    const MsfEdgeStep step = receiver_.take_edge(edge.is_high, edge.when);
    FUZZ_CHECK(step.measure.fate == fate);
    FUZZ_CHECK(step.measure.is_high == edge.is_high);
    FUZZ_CHECK(step.measure.gap == (first ? 0 : gap));
    if (fate != EdgeFate::Taken) {
      FUZZ_CHECK(!step.edge_line && !step.wrapped && !step.minute);
      FUZZ_CHECK(decoder().get_second() == before.get_second());
      FUZZ_CHECK(decoder().get_new_second() == before.get_new_second());
      FUZZ_CHECK(decoder().get_new_minute() == before.get_new_minute());
      FUZZ_CHECK(decoder().get_current_bit_a() == before.get_current_bit_a());
      FUZZ_CHECK(decoder().get_current_bit_b() == before.get_current_bit_b());
      FUZZ_CHECK(decoder().get_end_of_minute_marker() == before.get_end_of_minute_marker());
      FUZZ_CHECK(decoder().last_interval() == before.last_interval());
      FUZZ_CHECK(decoder().get_datetime() == before.get_datetime());
      check();
      return;
    }
    const Classified classified = classify(before, edge.is_high, gap);
    FUZZ_CHECK(decoder().last_interval() == gap);
    FUZZ_CHECK(decoder().get_end_of_minute_marker() == classified.marker);
    FUZZ_CHECK(decoder().get_new_second() == classified.new_second);
    FUZZ_CHECK(decoder().get_new_minute() == classified.new_minute);

    std::uint8_t second = classified.second;
    FUZZ_CHECK(step.edge_line.has_value() == classified.new_second);
    bool wrapped = false;
    if (step.edge_line) {
      FUZZ_CHECK(step.edge_line->second == second);
      FUZZ_CHECK(step.edge_line->bit_a == classified.a && step.edge_line->bit_b == classified.b);
      const auto [increased, next] = model_increase(
          second, classified.new_minute, expected_minute_length(second, classified.marker));
      wrapped = !increased;
      second = next;
    } else {
      FUZZ_CHECK(decoder().get_current_bit_a() == classified.a);
      FUZZ_CHECK(decoder().get_current_bit_b() == classified.b);
    }
    FUZZ_CHECK(step.wrapped == wrapped);
    FUZZ_CHECK(decoder().get_second() == second);
    // The end-of-minute marker is complete at the falling edge of the last
    // second's pulse.
    FUZZ_CHECK(step.minute.has_value() == (!edge.is_high && classified.new_minute));
    if (step.minute) {
      FUZZ_CHECK(step.minute->seconds == second + 1);
      check_minute(before, *step.minute);
    } else {
      // Only at a minute boundary: where the counter wrapped, or where the
      // minute marker set it back to 0 from another second.
      check_clock_unless_boundary(
          before, wrapped || (!edge.is_high && classified.second == 0 && before.get_second() != 0));
    }
    check();
  }

 private:
  const MsfDecoder& decoder() const { return receiver_.decoder(); }

  // A taken rising edge ends a pause; a taken falling edge ends a pulse of
  // length P after a pause of length Q.
  static Classified classify(const MsfDecoder& before, bool is_high, std::uint32_t gap) {
    const std::uint8_t marker = before.get_end_of_minute_marker();
    const std::uint8_t second = before.get_second();
    if (is_high) {
      if (gap >= 1500000) {
        return {second, Bit{}, Bit{}, 0, false, before.get_new_second()};
      }
      return {second,
              before.get_current_bit_a(),
              before.get_current_bit_b(),
              marker,
              before.get_new_minute(),
              gap > 450000};
    }
    const std::uint32_t pulse = gap;
    const std::uint32_t pause = before.last_interval();
    if (pulse < 150000) {
      if (pause >= 1 && pause < 150000) {
        const std::uint8_t after = shifted(marker, false);
        return {second, false, true, after, after == kMarker, false};
      }
      if (pause > 450000) {
        const std::uint8_t after = shifted(marker, false);
        return {second, false, false, after, after == kMarker, false};
      }
      return {second,          before.get_current_bit_a(), before.get_current_bit_b(), marker,
              marker == kMarker, false};
    }
    if (pulse < 550000 && pause >= 650001) {
      const std::uint8_t after = shifted(marker, true);
      if (pulse < 250000) {
        return {second, true, false, after, false, false};
      }
      if (pulse < 350000) {
        return {second, true, true, after, false, false};
      }
      return {0, true, true, after, false, false};  // the minute marker
    }
    return {second, Bit{}, Bit{}, 0, false, false};
  }

  // Where no minute was decoded, the clock stands, or, at a minute boundary,
  // moves on by exactly one minute with its jump flags cleared.
  void check_clock_unless_boundary(const MsfDecoder& before, bool boundary) {
    const DateTimeRecord& after = decoder().get_datetime();
    if (after == before.get_datetime()) {
      return;
    }
    FUZZ_CHECK(boundary);
    DateTimeRecord expected = before.get_datetime();
    expected.clear_jumps();
    if (!(after == expected)) {
      FUZZ_CHECK(expected.bump_minute());
      FUZZ_CHECK(after == expected);
    }
    FUZZ_CHECK(!any_jump(after));
    check_clock_step(before.get_datetime(), after);
  }

  void check_minute(const MsfDecoder& before, const MsfMinute& minute) {
    const DateTimeRecord& after = decoder().get_datetime();
    if (before.get_first_minute()) {
      FUZZ_CHECK(!any_jump(after));
    } else {
      FUZZ_CHECK(!decoder().get_first_minute());
    }
    const MsfReading& reading = minute.reading;
    FUZZ_CHECK(reading.first_minute == decoder().get_first_minute());
    FUZZ_CHECK(reading.clock == after);
    FUZZ_CHECK(reading.utc == after.get_utc());
    FUZZ_CHECK(reading.marker_complete ==
               (decoder().get_end_of_minute_marker() == MsfDecoder::kEndOfMinuteMarker));
    FUZZ_CHECK(reading.year_parity == odd_parity_check(decoder().get_year_parity()));
    FUZZ_CHECK(reading.month_day_parity == odd_parity_check(decoder().get_month_day_parity()));
    FUZZ_CHECK(reading.weekday_parity == odd_parity_check(decoder().get_weekday_parity()));
    FUZZ_CHECK(reading.hour_minute_parity == odd_parity_check(decoder().get_hour_minute_parity()));
    check_clock_step(before.get_datetime(), after);
  }

  void check() {
    const MsfDecoder& d = decoder();
    FUZZ_CHECK(d.get_second() <= 61);
    FUZZ_CHECK(d.get_minute_length() ==
               expected_minute_length(d.get_second(), d.get_end_of_minute_marker()));
    FUZZ_CHECK(d.get_spike_limit() == spike_limit_);
    FUZZ_CHECK(!(left_first_minute_ && d.get_first_minute()));
    left_first_minute_ = left_first_minute_ || !d.get_first_minute();
    // The clock changes at most once a minute; check each state once.
    const DateTimeRecord& clock = d.get_datetime();
    if (!checked_clock_ || !(*checked_clock_ == clock)) {
      check_clock(clock, kMsfClock);
      checked_clock_ = clock;
    }
  }

  DecoderConfig config_;
  MsfReceiver receiver_;
  std::uint32_t spike_limit_ = kDefaultSpikeLimit;
  bool seen_edge_ = false;
  std::uint32_t last_when_ = 0;
  // Bit characters since the last completed end-of-minute marker.
  std::uint64_t bits_since_marker_ = 0;
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
