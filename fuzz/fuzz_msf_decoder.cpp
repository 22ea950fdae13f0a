// Drives an MsfDecoder the way the MSF analyzers do, from edges or per-bit
// log characters taken from the input (layout in fuzz/edge_stream.hpp), and
// checks after every step:
//   - the second counter stays within 0..61 and moves exactly as the rules
//     of increase_second say; the minute length is 59, 60 or 61 exactly as
//     the second and the end-of-minute register give it;
//   - handle_new_edge takes exactly the edges it should, classifies pulses
//     and pauses exactly by their lengths (bits, register, flags,
//     last_interval), and a refused edge changes nothing a caller can see;
//   - the per-bit operations store what they are given and shift the
//     register as they should; a reset gives a new decoder;
//   - the clock keeps its invariants (fuzz/clock_checks.hpp), DUT1 stays
//     within what the unary code can carry, and no jump is flagged while no
//     minute has been decoded yet.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "fuzz/clock_checks.hpp"
#include "fuzz/edge_stream.hpp"
#include "fuzz/fuzz_check.hpp"
#include "msf/msf_decoder.hpp"

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
      FUZZ_CHECK(decoder_ == MsfDecoder());
      spike_limit_ = kDefaultSpikeLimit;
      seen_edge_ = false;
      last_when_ = 0;
      left_first_minute_ = false;
      check();
      return;
    }
    const std::uint8_t marker = decoder_.get_end_of_minute_marker();
    if (c == '4') {
      decoder_.set_minute_marker();
      FUZZ_CHECK(decoder_.get_second() == 0);
      FUZZ_CHECK(decoder_.get_current_bit_a() == true && decoder_.get_current_bit_b() == true);
      FUZZ_CHECK(decoder_.get_end_of_minute_marker() == shifted(marker, true));
      FUZZ_CHECK(!decoder_.get_new_minute());
    } else if ((c >= '0' && c <= '3') || c == '_') {
      const Bit a = c == '_' ? Bit{} : Bit{((c - '0') & 1) != 0};
      const Bit b = c == '_' ? Bit{} : Bit{((c - '0') & 2) != 0};
      decoder_.set_current_bit_a(a);
      decoder_.set_current_bit_b(b);
      FUZZ_CHECK(decoder_.get_current_bit_a() == a && decoder_.get_current_bit_b() == b);
      FUZZ_CHECK(decoder_.get_end_of_minute_marker() == (a ? shifted(marker, *a) : 0));
      FUZZ_CHECK(!decoder_.get_new_minute());
    } else {
      return;
    }
    check();
    if (decoder_.get_second() + 1 == decoder_.get_minute_length()) {
      decode_time(true);
    }
    if (decoder_.get_end_of_minute_marker() == kMarker) {
      decoder_.set_new_minute(true);
    }
    increase_second();
    check();
  }

  // One edge, as the edge analyzer handles it.
  void edge(const Edge& edge) {
    const MsfDecoder before = decoder_;
    const std::uint32_t gap = edge.when - last_when_;  // from the previous edge, spike or not
    const bool first = !seen_edge_;
    seen_edge_ = true;
    last_when_ = edge.when;
    const bool taken = decoder_.handle_new_edge(edge.is_high, edge.when);
    FUZZ_CHECK(taken == (!first && gap >= spike_limit_));
    if (taken) {
      check_classification(before, edge.is_high, gap);
    } else {
      FUZZ_CHECK(decoder_.get_second() == before.get_second());
      FUZZ_CHECK(decoder_.get_new_second() == before.get_new_second());
      FUZZ_CHECK(decoder_.get_new_minute() == before.get_new_minute());
      FUZZ_CHECK(decoder_.get_current_bit_a() == before.get_current_bit_a());
      FUZZ_CHECK(decoder_.get_current_bit_b() == before.get_current_bit_b());
      FUZZ_CHECK(decoder_.get_end_of_minute_marker() == before.get_end_of_minute_marker());
      FUZZ_CHECK(decoder_.last_interval() == before.last_interval());
      FUZZ_CHECK(decoder_.get_datetime() == before.get_datetime());
    }
    check();
    if (!taken && !config_.act_on_every_edge) {
      return;
    }
    if (decoder_.get_new_second()) {
      if (!increase_second() && increase_minute()) {
        add_minute_ = false;
      }
      check();
    }
    // The end-of-minute marker is complete at the falling edge of the last
    // second's pulse.
    if (!edge.is_high && decoder_.get_new_minute()) {
      decode_time(add_minute_);
      add_minute_ = true;
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

  // A taken rising edge ends a pause; a taken falling edge ends a pulse of
  // length P after a pause of length Q.
  void check_classification(const MsfDecoder& before, bool is_high, std::uint32_t gap) {
    FUZZ_CHECK(decoder_.last_interval() == gap);
    const std::uint8_t marker = before.get_end_of_minute_marker();
    if (is_high) {
      FUZZ_CHECK(decoder_.get_second() == before.get_second());
      if (gap >= 1500000) {
        FUZZ_CHECK(!decoder_.get_current_bit_a() && !decoder_.get_current_bit_b());
        FUZZ_CHECK(decoder_.get_end_of_minute_marker() == 0);
        FUZZ_CHECK(!decoder_.get_new_minute());
        FUZZ_CHECK(decoder_.get_new_second() == before.get_new_second());
      } else {
        FUZZ_CHECK(decoder_.get_current_bit_a() == before.get_current_bit_a());
        FUZZ_CHECK(decoder_.get_current_bit_b() == before.get_current_bit_b());
        FUZZ_CHECK(decoder_.get_end_of_minute_marker() == marker);
        FUZZ_CHECK(decoder_.get_new_minute() == before.get_new_minute());
        FUZZ_CHECK(decoder_.get_new_second() == (gap > 450000));
      }
      return;
    }
    const std::uint32_t pulse = gap;
    const std::uint32_t pause = before.last_interval();
    FUZZ_CHECK(!decoder_.get_new_second());
    const auto expect = [&](Bit a, Bit b, std::uint8_t register_after, bool new_minute,
                            std::uint8_t second) {
      FUZZ_CHECK(decoder_.get_second() == second);
      FUZZ_CHECK(decoder_.get_current_bit_a() == a && decoder_.get_current_bit_b() == b);
      FUZZ_CHECK(decoder_.get_end_of_minute_marker() == register_after);
      FUZZ_CHECK(decoder_.get_new_minute() == new_minute);
    };
    const std::uint8_t second = before.get_second();
    if (pulse < 150000) {
      if (pause >= 1 && pause < 150000) {
        const std::uint8_t after = shifted(marker, false);
        expect(false, true, after, after == kMarker, second);
      } else if (pause > 450000) {
        const std::uint8_t after = shifted(marker, false);
        expect(false, false, after, after == kMarker, second);
      } else {
        expect(before.get_current_bit_a(), before.get_current_bit_b(), marker, marker == kMarker,
               second);
      }
    } else if (pulse < 550000 && pause >= 650001) {
      const std::uint8_t after = shifted(marker, true);
      if (pulse < 250000) {
        expect(true, false, after, false, second);
      } else if (pulse < 350000) {
        expect(true, true, after, false, second);
      } else {
        expect(true, true, after, false, 0);  // the minute marker
      }
    } else {
      expect(Bit{}, Bit{}, 0, false, second);
    }
  }

  bool increase_second() {
    const std::uint8_t second = decoder_.get_second();
    const bool new_minute = decoder_.get_new_minute();
    const std::uint8_t length = decoder_.get_minute_length();
    const bool result = decoder_.increase_second();
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
    check_clock_step(before, after);
  }

  void check() {
    FUZZ_CHECK(decoder_.get_second() <= 61);
    FUZZ_CHECK(decoder_.get_minute_length() ==
               expected_minute_length(decoder_.get_second(), decoder_.get_end_of_minute_marker()));
    FUZZ_CHECK(decoder_.get_spike_limit() == spike_limit_);
    FUZZ_CHECK(!(left_first_minute_ && decoder_.get_first_minute()));
    left_first_minute_ = left_first_minute_ || !decoder_.get_first_minute();
    // The clock changes at most once a minute; check each state once.
    const DateTimeRecord& clock = decoder_.get_datetime();
    if (!checked_clock_ || !(*checked_clock_ == clock)) {
      check_clock(clock, kMsfClock);
      checked_clock_ = clock;
    }
  }

  DecoderConfig config_;
  MsfDecoder decoder_;
  std::uint32_t spike_limit_ = kDefaultSpikeLimit;
  bool seen_edge_ = false;
  std::uint32_t last_when_ = 0;
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
