// Drives a Dcf77Decoder the way the DCF77 analyzers do, from edges or per-bit
// log characters taken from the input (layout in fuzz/edge_stream.hpp), and
// checks after every step:
//   - the second counter stays within 0..61 and moves exactly as the rules
//     of increase_second say, wrapping with a false result at the minute
//     length or 62;
//   - handle_new_edge takes exactly the edges it should (not the first, not a
//     spike), classifies them exactly by their gap, and a refused edge
//     changes nothing that a caller can see;
//   - the minute lengths follow the clock's leap-second state;
//   - the clock keeps its invariants (fuzz/clock_checks.hpp), no jump is
//     flagged while no minute has been decoded yet, and first_minute never
//     comes back once cleared;
//   - the third-party value fits in 14 bits.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "dcf77/dcf77_decoder.hpp"
#include "fuzz/clock_checks.hpp"
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
  explicit Driver(const DecoderConfig& config) : config_(config) {
    if (config.spike_limit) {
      set_spike_limit(*config.spike_limit);
    }
    check();
  }

  // One character of a per-bit log, as the per-bit analyzer handles it.
  void bit_character(char c) {
    if (c == '*') {
      decoder_.reset();
      Dcf77Decoder expected;
      expected.reset();
      FUZZ_CHECK(decoder_ == expected);
      FUZZ_CHECK(!decoder_.get_first_minute());
      spike_limit_ = kDefaultSpikeLimit;
      seen_edge_ = false;
      check();
      return;
    }
    const bool end_of_minute = c == '\n';
    if (end_of_minute) {
      decoder_.set_new_minute(true);
      FUZZ_CHECK(decoder_.get_new_minute());
    } else if (c == '0' || c == '1' || c == '_') {
      const Bit bit = c == '_' ? Bit{} : Bit{c == '1'};
      decoder_.set_current_bit(bit);
      FUZZ_CHECK(decoder_.get_current_bit() == bit);
      decoder_.set_new_minute(false);
      FUZZ_CHECK(!decoder_.get_new_minute());
    } else {
      return;
    }
    const std::uint8_t seconds = decoder_.get_second() + 1;
    const std::uint8_t minute_length = decoder_.get_minute_length();
    if (!increase_second()) {
      wrapped_ = true;
    }
    read_third_party();
    if (end_of_minute) {
      // A missing leap second leaves a whole 60-second minute where 61 were
      // expected; the analyzer decodes it.
      if (wrapped_ || seconds == minute_length || (minute_length == 61 && seconds == 60)) {
        decode_time(true);
      }
      wrapped_ = false;
    }
    check();
  }

  // One edge, as the edge analyzer handles it.
  void edge(const Edge& edge) {
    const Dcf77Decoder before = decoder_;
    const std::uint32_t gap = edge.when - last_when_;  // from the previous edge, spike or not
    const bool expected_taken = expect_taken(edge.when);
    const bool taken = decoder_.handle_new_edge(edge.is_high, edge.when);
    FUZZ_CHECK(taken == expected_taken);
    if (taken) {
      check_classification(before, edge.is_high, gap);
    } else {
      FUZZ_CHECK(decoder_.get_second() == before.get_second());
      FUZZ_CHECK(decoder_.get_new_second() == before.get_new_second());
      FUZZ_CHECK(decoder_.get_new_minute() == before.get_new_minute());
      FUZZ_CHECK(decoder_.get_current_bit() == before.get_current_bit());
      FUZZ_CHECK(decoder_.get_datetime() == before.get_datetime());
    }
    check();
    if (!taken && !config_.act_on_every_edge) {
      return;
    }
    // The last second of a minute has no marker to start it.
    if (decoder_.get_second() == decoder_.get_minute_length() - 2) {
      increase_second();
      check();
    }
    if (decoder_.get_new_second()) {
      if (!increase_second() && increase_minute()) {
        add_minute_ = false;
      }
      read_third_party();
      if (decoder_.get_new_minute()) {
        decode_time(add_minute_);
        add_minute_ = true;
      }
      check();
    }
  }

 private:
  void set_spike_limit(std::uint32_t limit) {
    decoder_.set_spike_limit(limit);
    if (limit < 150000) {
      spike_limit_ = limit;
    }
    FUZZ_CHECK(decoder_.get_spike_limit() == spike_limit_);
  }

  bool expect_taken(std::uint32_t when) {
    const bool first = !seen_edge_;
    const std::uint32_t gap = when - last_when_;
    seen_edge_ = true;
    last_when_ = when;
    return !first && gap >= spike_limit_;
  }

  // A taken edge: a rising edge after a low time starts a second (above
  // 0.75 s), a minute (above 1.5 s) or loses the signal (2.5 s and more); a
  // falling edge classifies the pulse that it ends.
  void check_classification(const Dcf77Decoder& before, bool is_high, std::uint32_t gap) {
    FUZZ_CHECK(decoder_.get_second() == before.get_second());
    if (is_high) {
      if (gap >= 2500000) {
        FUZZ_CHECK(!decoder_.get_current_bit().has_value());
        FUZZ_CHECK(decoder_.get_new_second() == before.get_new_second());
        FUZZ_CHECK(decoder_.get_new_minute() == before.get_new_minute());
      } else {
        FUZZ_CHECK(decoder_.get_current_bit() == before.get_current_bit());
        FUZZ_CHECK(decoder_.get_new_second() == (gap >= 750001));
        FUZZ_CHECK(decoder_.get_new_minute() == (gap >= 1500001));
      }
    } else {
      const Bit expected = gap < 150000 ? Bit{false} : gap < 250000 ? Bit{true} : Bit{};
      FUZZ_CHECK(decoder_.get_current_bit() == expected);
      FUZZ_CHECK(!decoder_.get_new_second());
      FUZZ_CHECK(decoder_.get_new_minute() == before.get_new_minute());
    }
  }

  bool increase_second() {
    const std::uint8_t second = decoder_.get_second();
    const bool new_minute = decoder_.get_new_minute();
    const std::uint8_t length = decoder_.get_minute_length();
    const bool result = decoder_.increase_second();
    FUZZ_CHECK(decoder_.get_previous_second() == second);
    const int next = second + 1;
    if (new_minute) {
      FUZZ_CHECK(result && decoder_.get_second() == 0);
    } else if (next == length || next == 62) {
      FUZZ_CHECK(!result && decoder_.get_second() == 0);
    } else {
      FUZZ_CHECK(result && decoder_.get_second() == next);
    }
    return result;
  }

  bool increase_minute() {
    const DateTimeRecord before = decoder_.get_datetime();
    const bool result = decoder_.increase_minute();
    const DateTimeRecord& after = decoder_.get_datetime();
    FUZZ_CHECK(!any_jump(after));
    DateTimeRecord expected = before;
    expected.clear_jumps();
    FUZZ_CHECK(result == expected.bump_minute());
    FUZZ_CHECK(after == expected);
    check_clock_step(before, after);
    return result;
  }

  void read_third_party() {
    if (decoder_.get_previous_second() != 15) {
      return;
    }
    const std::optional<std::uint16_t> value = decoder_.read_third_party_buffer();
    FUZZ_CHECK(!value || *value < (1u << 14));
  }

  void decode_time(bool add_minute) {
    const DateTimeRecord before = decoder_.get_datetime();
    const bool was_first_minute = decoder_.get_first_minute();
    decoder_.decode_time(add_minute, config_.strict);
    const DateTimeRecord& after = decoder_.get_datetime();
    if (was_first_minute) {
      FUZZ_CHECK(!any_jump(after));
    } else {
      FUZZ_CHECK(!decoder_.get_first_minute());
    }
    const std::optional<std::uint16_t> third_party = decoder_.get_third_party_buffer();
    FUZZ_CHECK(!third_party || *third_party < (1u << 14));
    FUZZ_CHECK(decoder_.get_this_minute_length() == leap_minute_length(after, LEAP_PROCESSED));
    FUZZ_CHECK(decoder_.get_next_minute_length() == leap_minute_length(after, LEAP_ANNOUNCED));
    check_clock_step(before, after);
  }

  void check() {
    FUZZ_CHECK(decoder_.get_second() <= 61);
    FUZZ_CHECK(decoder_.get_previous_second() <= 61);
    FUZZ_CHECK(decoder_.get_minute_length() ==
               leap_minute_length(decoder_.get_datetime(), LEAP_ANNOUNCED));
    FUZZ_CHECK(decoder_.get_spike_limit() == spike_limit_);
    // A first minute is only ever left behind.
    FUZZ_CHECK(!(left_first_minute_ && decoder_.get_first_minute()));
    left_first_minute_ = left_first_minute_ || !decoder_.get_first_minute();
    // The clock changes at most once a minute; check each state once.
    const DateTimeRecord& clock = decoder_.get_datetime();
    if (!checked_clock_ || !(*checked_clock_ == clock)) {
      check_clock(clock, kDcf77Clock);
      checked_clock_ = clock;
    }
  }

  DecoderConfig config_;
  Dcf77Decoder decoder_;
  std::uint32_t spike_limit_ = kDefaultSpikeLimit;
  bool seen_edge_ = false;
  std::uint32_t last_when_ = 0;
  bool wrapped_ = false;
  bool add_minute_ = true;
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
