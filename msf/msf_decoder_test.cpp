#include "msf/msf_decoder.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "datetime/date_time_record.hpp"
#include "msf/msf_receiver.hpp"
#include "synth/msf_encoder.hpp"
#include "synth/utc_minute.hpp"

namespace quillfen {
namespace {

using std::chrono::minutes;
using namespace std::chrono_literals;

// Shifts the eight bits of `value`, most significant first, into the
// end-of-minute register through the per-bit input (all at the current second).
void load_register(MsfDecoder& decoder, std::uint8_t value) {
  for (int bit = 7; bit >= 0; --bit) decoder.set_current_bit_a(((value >> bit) & 1) != 0);
}

// Feeds a per-bit log through the receiver step and calls on_minute(decoder)
// after every minute it decoded, or on_minute(decoder, minute) to see what
// the receiver returned for it; `decoder` ends as the log leaves it. Returns
// the number of seconds at which the counter ran past the end of a minute.
// REQUIRES: `decoder` is new but for its spike limit: the receiver starts
// from a new decoder.
template <typename OnMinute>
int replay_bits(MsfDecoder& decoder, std::string_view log, bool strict, OnMinute on_minute) {
  MsfReceiver receiver(strict, decoder.get_spike_limit());
  EXPECT_EQ(decoder, receiver.decoder());
  int wraps = 0;
  for (const char c : log) {
    const MsfBitStep step = receiver.take_bit(c);
    if (step.minute.has_value()) {
      if constexpr (std::is_invocable_v<OnMinute, const MsfDecoder&, const MsfMinute&>) {
        on_minute(receiver.decoder(), *step.minute);
      } else {
        on_minute(receiver.decoder());
      }
    }
    wraps += step.wrapped ? 1 : 0;
  }
  decoder = receiver.decoder();
  return wraps;
}

// Stores the seconds of one minute of a per-bit log ("4" and digits) in
// `decoder`, moving to the next second after each, and stops at the minute's
// last second without decoding it: a test then calls decode_time itself.
void feed_until_last_second(MsfDecoder& decoder, std::string_view log) {
  for (const char c : log) {
    if (c == '4') {
      decoder.set_minute_marker();
    } else if (c >= '0' && c <= '3') {
      decoder.set_current_bit_a(((c - '0') & 1) != 0);
      decoder.set_current_bit_b(((c - '0') & 2) != 0);
    } else {
      continue;
    }
    if (decoder.get_second() + 1 == decoder.get_minute_length()) {
      return;
    }
    decoder.increase_second();
  }
}

struct EdgeReplay {
  int edges = 0;
  int not_taken = 0;
  int wraps = 0;
};

// Feeds an edge log through the receiver step and calls on_minute(decoder)
// after every minute it decoded; `decoder` ends as the log leaves it.
// REQUIRES: `decoder` is new but for its spike limit.
template <typename OnMinute>
EdgeReplay replay_edges(MsfDecoder& decoder, std::string_view log, bool strict,
                        OnMinute on_minute) {
  EdgeReplay replay;
  MsfReceiver receiver(strict, decoder.get_spike_limit());
  EXPECT_EQ(decoder, receiver.decoder());
  while (!log.empty()) {
    const std::size_t end = log.find('\n');
    const std::string line{log.substr(0, end)};
    log.remove_prefix(end == std::string_view::npos ? log.size() : end + 1);
    char level[8] = {};
    unsigned long when = 0;
    unsigned long tick = 0;
    EXPECT_EQ(std::sscanf(line.c_str(), "M %7s %lu %lu", level, &when, &tick), 3) << line;
    ++replay.edges;
    const MsfEdgeStep step =
        receiver.take_edge(std::string_view{level} == "true", static_cast<std::uint32_t>(when));
    if (step.measure.fate != EdgeFate::Taken) {
      ++replay.not_taken;
    }
    if (step.wrapped) {
      ++replay.wraps;
    }
    if (step.minute.has_value()) {
      on_minute(receiver.decoder());
    }
  }
  decoder = receiver.decoder();
  return replay;
}

// Checks that the clock shows the UK civil time of the UTC minute `carried`
// and DUT1 `dut1`, with good parities and no jump.
void expect_clock(const MsfDecoder& decoder, sys_minutes carried, int dut1) {
  const MsfCivilMinute civil = msf_local_time(carried);
  const DateTimeRecord& clock = decoder.get_datetime();
  const std::string where = std::to_string(carried.time_since_epoch().count()) + " min UTC";
  EXPECT_FALSE(decoder.get_first_minute()) << where;
  EXPECT_EQ(clock.year(), civil.year % 100) << where;
  EXPECT_EQ(clock.month(), civil.month) << where;
  EXPECT_EQ(clock.day(), civil.day) << where;
  EXPECT_EQ(clock.weekday(), civil.weekday) << where;
  EXPECT_EQ(clock.hour(), civil.hour) << where;
  EXPECT_EQ(clock.minute(), civil.minute) << where;
  ASSERT_TRUE(clock.dst().has_value()) << where;
  EXPECT_EQ((*clock.dst() & DST_SUMMER) != 0, civil.summer) << where;
  EXPECT_EQ(*clock.dst() & DST_JUMP, 0) << where;
  EXPECT_EQ(clock.dut1(), dut1) << where;
  EXPECT_EQ(decoder.get_year_parity(), true) << where;
  EXPECT_EQ(decoder.get_month_day_parity(), true) << where;
  EXPECT_EQ(decoder.get_weekday_parity(), true) << where;
  EXPECT_EQ(decoder.get_hour_minute_parity(), true) << where;
  EXPECT_EQ(decoder.get_end_of_minute_marker(), MsfDecoder::kEndOfMinuteMarker) << where;
  EXPECT_FALSE(clock.jump_year() || clock.jump_month() || clock.jump_day() ||
               clock.jump_weekday() || clock.jump_hour() || clock.jump_minute())
      << where;
}

// ---- New decoder, reset, spike limit ----------------------------------------

TEST(MsfDecoderTest, NewDecoderStartsEmpty) {
  const MsfDecoder decoder;
  EXPECT_EQ(decoder.get_second(), 0);
  EXPECT_EQ(decoder.get_current_bit_a(), std::nullopt);
  EXPECT_EQ(decoder.get_current_bit_b(), std::nullopt);
  EXPECT_EQ(decoder.get_end_of_minute_marker(), 0);
  EXPECT_EQ(decoder.last_interval(), 0u);
  EXPECT_EQ(decoder.get_spike_limit(), 30000u);
  EXPECT_TRUE(decoder.get_first_minute());
  EXPECT_FALSE(decoder.get_new_minute());
  EXPECT_FALSE(decoder.get_new_second());
  EXPECT_EQ(decoder.get_year_parity(), std::nullopt);
  EXPECT_EQ(decoder.get_month_day_parity(), std::nullopt);
  EXPECT_EQ(decoder.get_weekday_parity(), std::nullopt);
  EXPECT_EQ(decoder.get_hour_minute_parity(), std::nullopt);
  EXPECT_EQ(decoder.get_minute_length(), 60);

  DateTimeRecord clock(0, 6);
  clock.set_utc_offset(0, false);
  EXPECT_EQ(decoder.get_datetime(), clock);
}

TEST(MsfDecoderTest, ResetGivesExactlyANewDecoder) {
  MsfDecoder decoder;
  decoder.set_spike_limit(1000);
  const std::string log = msf_edge_log(msf_frames(utc_minute(2024, 7, 14, 14, 29), 2, {}));
  replay_edges(decoder, log, true, [](const MsfDecoder&) {});
  ASSERT_FALSE(decoder.get_first_minute());
  decoder.reset();
  EXPECT_EQ(decoder, MsfDecoder());
  EXPECT_EQ(decoder.get_spike_limit(), 30000u);
}

TEST(MsfDecoderTest, SpikeLimitIsTakenOnlyBelowTheShortestPulse) {
  struct Case {
    std::uint32_t limit;
    std::uint32_t expected;
  };
  for (const Case c : {Case{149999, 149999}, Case{150000, 30000}, Case{0xFFFFFFFF, 30000},
                       Case{0, 0}, Case{12345, 12345}}) {
    MsfDecoder decoder;
    decoder.set_spike_limit(c.limit);
    EXPECT_EQ(decoder.get_spike_limit(), c.expected) << c.limit;
  }
}

// ---- Edge handling --------------------------------------------------------------

TEST(MsfDecoderTest, FirstEdgeOnlyStartsTheClock) {
  for (const bool is_high : {false, true}) {
    MsfDecoder decoder;
    decoder.set_new_minute(true);
    EXPECT_FALSE(decoder.handle_new_edge(is_high, 5000000));
    EXPECT_EQ(decoder.get_second(), 0);
    EXPECT_EQ(decoder.last_interval(), 0u);
    EXPECT_FALSE(decoder.get_new_second());
    EXPECT_TRUE(decoder.get_new_minute());
    // The next edge is measured from the first one: a 900 ms low time.
    EXPECT_TRUE(decoder.handle_new_edge(true, 5900000));
    EXPECT_EQ(decoder.last_interval(), 900000u);
    EXPECT_TRUE(decoder.get_new_second());
  }
}

// One pulse of length P after a low time Q, classified at second 5 whose bits
// were A = 1, B = 1 and with the register at 0x01 beforehand.
TEST(MsfDecoderTest, ClassifiesPulsesByLengthAndLowTimeBefore) {
  struct Case {
    std::uint32_t q;  // low time before the pulse
    std::uint32_t p;  // pulse length
    std::uint8_t second;
    Bit a;
    Bit b;
    std::uint8_t marker_register;
  };
  constexpr Bit kNone = std::nullopt;
  const Case cases[] = {
      // Short pulses: which second pulse they are depends on Q.
      {900000, 100000, 5, false, false, 0x02},
      {900000, 149999, 5, false, false, 0x02},
      {450001, 100000, 5, false, false, 0x02},
      {450000, 100000, 5, true, true, 0x01},  // nothing stored
      {150000, 100000, 5, true, true, 0x01},  // nothing stored
      {0, 100000, 5, true, true, 0x01},       // nothing stored
      {149999, 100000, 5, false, true, 0x02},
      {100000, 149999, 5, false, true, 0x02},
      {1, 100000, 5, false, true, 0x02},
      // Long pulses after a full low time.
      {900000, 150000, 5, true, false, 0x03},
      {900000, 249999, 5, true, false, 0x03},
      {900000, 250000, 5, true, true, 0x03},
      {900000, 349999, 5, true, true, 0x03},
      {900000, 350000, 0, true, true, 0x03},  // minute marker
      {900000, 549999, 0, true, true, 0x03},  // minute marker
      {650001, 200000, 5, true, false, 0x03},
      // Too long, or long after too short a low time: undetermined.
      {900000, 550000, 5, kNone, kNone, 0x00},
      {900000, 3000000, 5, kNone, kNone, 0x00},
      {650000, 200000, 5, kNone, kNone, 0x00},
      {500000, 500000, 5, kNone, kNone, 0x00},
      {100000, 150000, 5, kNone, kNone, 0x00},
  };
  for (const Case& c : cases) {
    MsfDecoder decoder;
    decoder.set_spike_limit(0);
    for (int k = 0; k < 5; ++k) ASSERT_TRUE(decoder.increase_second());
    decoder.set_current_bit_a(true);
    decoder.set_current_bit_b(true);
    ASSERT_FALSE(decoder.handle_new_edge(false, 1000));
    ASSERT_TRUE(decoder.handle_new_edge(true, 1000 + c.q));
    EXPECT_TRUE(decoder.handle_new_edge(false, 1000 + c.q + c.p));
    const std::string where = "Q=" + std::to_string(c.q) + " P=" + std::to_string(c.p);
    EXPECT_EQ(decoder.get_second(), c.second) << where;
    EXPECT_EQ(decoder.get_current_bit_a(), c.a) << where;
    EXPECT_EQ(decoder.get_current_bit_b(), c.b) << where;
    EXPECT_EQ(decoder.get_end_of_minute_marker(), c.marker_register) << where;
    EXPECT_FALSE(decoder.get_new_second()) << where;
    EXPECT_FALSE(decoder.get_new_minute()) << where;
    EXPECT_EQ(decoder.last_interval(), c.p) << where;
  }
}

// The short-pulse rows recompute new_minute from the register, whether or not
// they store a bit; every other row clears it.
TEST(MsfDecoderTest, FallingEdgeSetsNewMinuteWhenTheMarkerIsComplete) {
  struct Case {
    std::uint8_t register_before;
    std::uint32_t q;
    std::uint32_t p;
    bool new_minute;
  };
  const Case cases[] = {
      {0x3F, 900000, 100000, true},   // 0 shifted in completes 01111110
      {0x7E, 300000, 100000, true},   // nothing stored, register still complete
      {0x7E, 900000, 100000, false},  // 0 shifted in: 11111100
      {0x3F, 900000, 200000, false},  // 1 shifted in
      {0x7E, 900000, 400000, false},  // minute marker
      {0x7E, 900000, 600000, false},  // undetermined
  };
  for (const Case& c : cases) {
    MsfDecoder decoder;
    load_register(decoder, c.register_before);
    decoder.handle_new_edge(false, 0);
    decoder.handle_new_edge(true, c.q);
    EXPECT_TRUE(decoder.handle_new_edge(false, c.q + c.p));
    EXPECT_EQ(decoder.get_new_minute(), c.new_minute)
        << int{c.register_before} << " " << c.q << " " << c.p;
  }
}

// An A = 0, B = 1 second passes the table twice: 0/0, then 0/1 at the same index.
TEST(MsfDecoderTest, TwoShortPulsesMakeAZeroOneSecond) {
  MsfDecoder decoder;
  decoder.handle_new_edge(false, 0);
  decoder.handle_new_edge(true, 900000);
  ASSERT_TRUE(decoder.get_new_second());
  ASSERT_TRUE(decoder.increase_second());
  decoder.handle_new_edge(false, 1000000);
  EXPECT_EQ(decoder.get_current_bit_a(), false);
  EXPECT_EQ(decoder.get_current_bit_b(), false);
  EXPECT_TRUE(decoder.handle_new_edge(true, 1100000));
  EXPECT_FALSE(decoder.get_new_second());  // 100 ms low: same second
  decoder.handle_new_edge(false, 1200000);
  EXPECT_EQ(decoder.get_second(), 1);
  EXPECT_EQ(decoder.get_current_bit_a(), false);
  EXPECT_EQ(decoder.get_current_bit_b(), true);
  EXPECT_EQ(decoder.get_end_of_minute_marker(), 0x00);
}

TEST(MsfDecoderTest, RisingEdgeStartsASecondAfterALongLowTime) {
  struct Case {
    std::uint32_t low;
    bool new_second;
  };
  for (const Case c :
       {Case{450000, false}, Case{450001, true}, Case{1499999, true}, Case{100000, false}}) {
    MsfDecoder decoder;
    decoder.handle_new_edge(true, 0);
    decoder.handle_new_edge(false, 100000);
    EXPECT_TRUE(decoder.handle_new_edge(true, 100000 + c.low));
    EXPECT_EQ(decoder.get_new_second(), c.new_second) << c.low;
    EXPECT_EQ(decoder.last_interval(), c.low);
  }
}

// Low for 1.5 s or more: the signal was lost. The current second's bits become
// undetermined, the register is cleared, and new_second stays as it was.
TEST(MsfDecoderTest, LostSignalSpoilsTheCurrentSecond) {
  for (const bool new_second_before : {false, true}) {
    MsfDecoder decoder;
    // Leave new_second set (a rising edge after 900 ms) or clear (a falling edge).
    decoder.handle_new_edge(!new_second_before, 0);
    decoder.handle_new_edge(new_second_before, 900000);
    ASSERT_EQ(decoder.get_new_second(), new_second_before);
    decoder.set_current_bit_a(true);
    decoder.set_current_bit_b(true);
    decoder.set_new_minute(true);
    EXPECT_TRUE(decoder.handle_new_edge(true, 900000 + 1500000));
    EXPECT_EQ(decoder.get_current_bit_a(), std::nullopt);
    EXPECT_EQ(decoder.get_current_bit_b(), std::nullopt);
    EXPECT_EQ(decoder.get_end_of_minute_marker(), 0);
    EXPECT_FALSE(decoder.get_new_minute());
    EXPECT_EQ(decoder.get_new_second(), new_second_before);
    EXPECT_EQ(decoder.last_interval(), 1500000u);
  }
}

TEST(MsfDecoderTest, SpikeAfterARisingEdgeIsIgnoredButMovesTheReference) {
  MsfDecoder decoder;
  decoder.handle_new_edge(false, 0);
  ASSERT_TRUE(decoder.handle_new_edge(true, 900000));
  ASSERT_TRUE(decoder.get_new_second());
  // A glitch pair, 20 ms each: both spikes, nothing changes.
  EXPECT_FALSE(decoder.handle_new_edge(false, 920000));
  EXPECT_FALSE(decoder.handle_new_edge(true, 940000));
  EXPECT_TRUE(decoder.get_new_second());
  EXPECT_EQ(decoder.last_interval(), 900000u);
  EXPECT_EQ(decoder.get_current_bit_a(), std::nullopt);
  // The real falling edge is 180 ms after the pulse began but measured from the
  // glitch: a 140 ms pulse, A = 0, B = 0 (Q is still the 900 ms low time).
  EXPECT_TRUE(decoder.handle_new_edge(false, 1080000));
  EXPECT_EQ(decoder.get_current_bit_a(), false);
  EXPECT_EQ(decoder.get_current_bit_b(), false);
  EXPECT_EQ(decoder.last_interval(), 140000u);
}

TEST(MsfDecoderTest, SpikeLimitBoundary) {
  struct Case {
    std::uint32_t limit;
    std::uint32_t gap;
    bool taken;
  };
  for (const Case c : {Case{30000, 29999, false}, Case{30000, 30000, true},
                       Case{149999, 149998, false}, Case{0, 0, true}}) {
    MsfDecoder decoder;
    decoder.set_spike_limit(c.limit);
    decoder.handle_new_edge(false, 0);
    decoder.handle_new_edge(true, 900000);
    EXPECT_EQ(decoder.handle_new_edge(false, 900000 + c.gap), c.taken) << c.limit << " " << c.gap;
    EXPECT_EQ(decoder.last_interval(), c.taken ? c.gap : 900000u);
  }
}

TEST(MsfDecoderTest, SpikeAfterTheFallingEdgeThatEndedTheMinuteKeepsNewMinute) {
  MsfDecoder decoder;
  load_register(decoder, 0x3F);
  decoder.handle_new_edge(false, 0);
  decoder.handle_new_edge(true, 900000);
  ASSERT_TRUE(decoder.handle_new_edge(false, 1000000));
  ASSERT_TRUE(decoder.get_new_minute());
  EXPECT_FALSE(decoder.handle_new_edge(true, 1005000));
  EXPECT_FALSE(decoder.handle_new_edge(false, 1010000));
  EXPECT_TRUE(decoder.get_new_minute());
  EXPECT_EQ(decoder.get_end_of_minute_marker(), 0x7E);
  // The next second begins 990 ms after the glitch.
  EXPECT_TRUE(decoder.handle_new_edge(true, 2000000));
  EXPECT_TRUE(decoder.get_new_second());
  EXPECT_TRUE(decoder.increase_second());
  EXPECT_EQ(decoder.get_second(), 0);
}

TEST(MsfDecoderTest, GapsAreTakenModulo2To32) {
  MsfDecoder decoder;
  decoder.set_spike_limit(0);
  decoder.handle_new_edge(false, 4294967000u);
  EXPECT_TRUE(decoder.handle_new_edge(true, 296));
  EXPECT_EQ(decoder.last_interval(), 592u);
  // A whole pulse across the wrap: 900 ms low, 200 ms high.
  MsfDecoder wrapped;
  wrapped.handle_new_edge(false, 4294000000u);
  wrapped.handle_new_edge(true, 4294900000u);
  EXPECT_TRUE(wrapped.handle_new_edge(false, 4294900000u + 200000u));  // wraps to 132704
  EXPECT_EQ(wrapped.last_interval(), 200000u);
  EXPECT_EQ(wrapped.get_current_bit_a(), true);
  EXPECT_EQ(wrapped.get_current_bit_b(), false);
}

// ---- Per-bit input, second counting, minute length ------------------------------

TEST(MsfDecoderTest, PerBitInputFillsBuffersAndRegister) {
  MsfDecoder decoder;
  decoder.set_new_minute(true);
  decoder.set_current_bit_a(true);
  EXPECT_FALSE(decoder.get_new_minute());
  decoder.set_current_bit_a(false);
  EXPECT_EQ(decoder.get_end_of_minute_marker(), 0x02);
  decoder.set_new_minute(true);
  decoder.set_current_bit_b(true);
  EXPECT_FALSE(decoder.get_new_minute());
  EXPECT_EQ(decoder.get_end_of_minute_marker(), 0x02);  // B never shifts
  EXPECT_EQ(decoder.get_current_bit_a(), false);
  EXPECT_EQ(decoder.get_current_bit_b(), true);
  decoder.set_current_bit_a(std::nullopt);
  EXPECT_EQ(decoder.get_end_of_minute_marker(), 0x00);
  EXPECT_EQ(decoder.get_current_bit_a(), std::nullopt);

  for (int k = 0; k < 7; ++k) decoder.increase_second();
  load_register(decoder, 0x40);
  decoder.set_new_minute(true);
  decoder.set_minute_marker();
  EXPECT_EQ(decoder.get_second(), 0);
  EXPECT_EQ(decoder.get_current_bit_a(), true);
  EXPECT_EQ(decoder.get_current_bit_b(), true);
  EXPECT_EQ(decoder.get_end_of_minute_marker(), 0x81);
  EXPECT_FALSE(decoder.get_new_minute());
}

// Puts the decoder at `second` with the register at `value`.
MsfDecoder decoder_at(std::uint8_t second, std::uint8_t value) {
  MsfDecoder decoder;
  while (decoder.get_second() < second) {
    // Reaching 60 and 61 needs a minute that is expected to last 61 seconds.
    load_register(decoder, decoder.get_second() == 59 ? 0x3F : 0x00);
    EXPECT_TRUE(decoder.increase_second());
  }
  load_register(decoder, value);
  return decoder;
}

TEST(MsfDecoderTest, MinuteLengthFollowsWhereTheMarkerCompleted) {
  struct Case {
    std::uint8_t second;
    std::uint8_t value;
    std::uint8_t length;
  };
  const Case cases[] = {
      {58, 0x7E, 59}, {59, 0x7E, 60}, {60, 0x7E, 61}, {59, 0x3F, 61}, {59, 0xBF, 61},
      {57, 0x7E, 60}, {61, 0x7E, 60}, {0, 0x7E, 60},  {58, 0x3F, 60}, {60, 0x3F, 60},
      {59, 0x7F, 60}, {59, 0x00, 60}, {59, 0xFE, 60}, {60, 0xFE, 60},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(decoder_at(c.second, c.value).get_minute_length(), c.length)
        << int{c.second} << " " << int{c.value};
  }
}

TEST(MsfDecoderTest, IncreaseSecondWrapsAtTheMinuteLength) {
  struct Case {
    std::uint8_t second;
    std::uint8_t value;
    bool new_minute;
    std::uint8_t next;
    bool result;
  };
  const Case cases[] = {
      {0, 0x00, false, 1, true},   {58, 0x00, false, 59, true},
      {59, 0x00, false, 0, false},  // 60-second minute without a marker
      {58, 0x7E, false, 0, false},  // 59-second minute: 59 is past its end
      {59, 0x3F, false, 60, true},  // leap second expected
      {60, 0x00, false, 61, true},  // length back to 60: counts on to 61
      {61, 0x00, false, 0, false},  // never beyond 61
      {59, 0x7E, true, 0, true},   {23, 0x00, true, 0, true},
  };
  for (const Case& c : cases) {
    MsfDecoder decoder = decoder_at(c.second, c.value);
    decoder.set_new_minute(c.new_minute);
    EXPECT_EQ(decoder.increase_second(), c.result) << int{c.second};
    EXPECT_EQ(decoder.get_second(), c.next) << int{c.second};
    EXPECT_EQ(decoder.get_new_minute(), c.new_minute);  // increase_second leaves it
  }
}

// ---- Time decoding -------------------------------------------------------------

// Sunday 2024-07-14 15:30 BST with DUT1 +2 (1B, 2B), odd parities and the
// end-of-minute marker, as a per-bit log.
constexpr std::string_view kSummerSunday =
    "4"
    "22000000"
    "00000000"
    "00100100"
    "00111"
    "010100"
    "000"
    "010101"
    "0110000"
    "01313130";

TEST(MsfDecoderTest, DecodesASummerSundayAfternoon) {
  for (const bool strict : {false, true}) {
    MsfDecoder decoder;
    int decodes = 0;
    EXPECT_EQ(replay_bits(decoder, kSummerSunday, strict, [&](const MsfDecoder&) { ++decodes; }),
              0);
    ASSERT_EQ(decodes, 1);
    const DateTimeRecord& clock = decoder.get_datetime();
    EXPECT_EQ(clock.year(), 24);
    EXPECT_EQ(clock.month(), 7);
    EXPECT_EQ(clock.day(), 14);
    EXPECT_EQ(clock.weekday(), 0);
    EXPECT_EQ(clock.hour(), 15);
    EXPECT_EQ(clock.minute(), 30);
    EXPECT_EQ(clock.dut1(), 2);
    EXPECT_EQ(clock.dst(), DST_SUMMER);
    EXPECT_EQ(decoder.get_year_parity(), true);
    EXPECT_EQ(decoder.get_month_day_parity(), true);
    EXPECT_EQ(decoder.get_weekday_parity(), true);
    EXPECT_EQ(decoder.get_hour_minute_parity(), true);
    EXPECT_FALSE(decoder.get_first_minute());
    EXPECT_EQ(decoder.get_second(), 0);  // the next minute has begun
    EXPECT_TRUE(decoder.get_new_minute());
  }
}

// Bits 1B..16B of the same minute. DUT1 is valid only when each half is a run
// of ones from its first bit and at most one half is non-zero.
TEST(MsfDecoderTest, Dut1Variants) {
  struct Case {
    std::string_view dut1_digits;
    std::optional<std::int8_t> dut1;  // absent: invalid
  };
  const Case cases[] = {
      {"2200000000000000", 2},
      {"0000000022000000", -2},
      {"0000000000000000", 0},
      {"2222222200000000", 8},
      {"0000000022222222", -8},
      {"0000000002200000", std::nullopt},  // 10B, 11B: the run must start at 9B
      {"2000000002000000", std::nullopt},  // both halves non-zero
      {"2020000000000000", std::nullopt},  // a gap in the run
      {"22220_0000000000", std::nullopt},  // undetermined
  };
  for (const Case& c : cases) {
    std::string log{kSummerSunday};
    log.replace(1, 16, c.dut1_digits);
    for (const bool strict : {false, true}) {
      MsfDecoder decoder;
      replay_bits(decoder, log, strict, [](const MsfDecoder&) {});
      const DateTimeRecord& clock = decoder.get_datetime();
      EXPECT_EQ(clock.dut1(), c.dut1) << c.dut1_digits;
      // Loose mode needs a DUT1 to leave the first minute; strict mode needs
      // every check to pass, and then takes no field at all.
      EXPECT_EQ(decoder.get_first_minute(), !c.dut1.has_value()) << c.dut1_digits;
      EXPECT_EQ(clock.minute().has_value(), !strict || c.dut1.has_value()) << c.dut1_digits;
      EXPECT_EQ(decoder.get_hour_minute_parity(), true);
    }
  }
}

TEST(MsfDecoderTest, InvalidDut1KeepsThePreviousValueWithoutJump) {
  MsfOptions options;
  options.dut1 = -3;
  std::vector<MsfFrame> frames = msf_frames(utc_minute(2024, 7, 14, 14, 29), 2, options);
  frames[1].b[1] = true;  // both halves non-zero
  MsfDecoder decoder;
  int minute = 0;
  replay_bits(decoder, msf_bit_log(frames), false, [&](const MsfDecoder& d) {
    EXPECT_EQ(d.get_datetime().dut1(), -3);
    EXPECT_FALSE(d.get_datetime().jump_dut1());
    EXPECT_EQ(d.get_datetime().minute(), 30 + minute++);
  });
  EXPECT_EQ(minute, 2);
}

TEST(MsfDecoderTest, LooseModeTakesEachFieldOnItsOwnParity) {
  MsfOptions options;
  options.dut1 = 1;
  std::vector<MsfFrame> frames = msf_frames(utc_minute(2024, 7, 14, 14, 29), 1, options);
  frames[0].b[57] = !*frames[0].b[57];  // hour/minute parity bad
  const std::string log = msf_bit_log(frames);

  MsfDecoder loose;
  replay_bits(loose, log, false, [](const MsfDecoder&) {});
  EXPECT_EQ(loose.get_hour_minute_parity(), false);
  EXPECT_EQ(loose.get_datetime().year(), 24);
  EXPECT_EQ(loose.get_datetime().month(), 7);
  EXPECT_EQ(loose.get_datetime().day(), 14);
  EXPECT_EQ(loose.get_datetime().weekday(), 0);
  EXPECT_EQ(loose.get_datetime().hour(), std::nullopt);
  EXPECT_EQ(loose.get_datetime().minute(), std::nullopt);
  EXPECT_EQ(loose.get_datetime().dut1(), 1);
  EXPECT_EQ(loose.get_datetime().dst(), DST_SUMMER);  // no parity condition
  EXPECT_TRUE(loose.get_first_minute());

  MsfDecoder strict;
  replay_bits(strict, log, true, [](const MsfDecoder&) {});
  EXPECT_EQ(strict.get_datetime().year(), std::nullopt);
  EXPECT_EQ(strict.get_datetime().day(), std::nullopt);
  EXPECT_EQ(strict.get_datetime().dut1(), 1);  // DUT1 is the same in both modes
  EXPECT_EQ(strict.get_datetime().dst(), DST_SUMMER);
  EXPECT_TRUE(strict.get_first_minute());
}

TEST(MsfDecoderTest, StrictModeRefusesEverythingOnAnyFailedCheck) {
  struct Case {
    const char* what;
    std::size_t second;
    bool is_b;
    Bit value;
  };
  const Case cases[] = {
      {"year parity undetermined", 54, true, std::nullopt},
      {"weekday data undetermined", 37, false, std::nullopt},
      {"month/day parity bad", 55, true, true},
      {"end-of-minute marker broken", 55, false, false},
  };
  for (const Case& c : cases) {
    std::vector<MsfFrame> frames = msf_frames(utc_minute(2024, 7, 14, 14, 29), 1, {});
    (c.is_b ? frames[0].b : frames[0].a)[c.second] = c.value;
    MsfDecoder strict;
    int decodes = 0;
    replay_bits(strict, msf_bit_log(frames), true, [&](const MsfDecoder&) { ++decodes; });
    EXPECT_EQ(decodes, 1) << c.what;
    EXPECT_EQ(strict.get_datetime().year(), std::nullopt) << c.what;
    EXPECT_EQ(strict.get_datetime().hour(), std::nullopt) << c.what;
    EXPECT_TRUE(strict.get_first_minute()) << c.what;
  }
}

// A broken end-of-minute marker: the minute still ends at second 59 (decoded
// then), but increase_second runs past the end and wraps with false.
TEST(MsfDecoderTest, MinuteWithoutEndOfMinuteMarker) {
  std::vector<MsfFrame> frames = msf_frames(utc_minute(2024, 7, 14, 14, 29), 1, {});
  frames[0].a[55] = false;
  MsfDecoder loose;
  int decodes = 0;
  EXPECT_EQ(replay_bits(loose, msf_bit_log(frames), false, [&](const MsfDecoder&) { ++decodes; }),
            1);
  EXPECT_EQ(decodes, 1);
  EXPECT_NE(loose.get_end_of_minute_marker(), 0x7E);
  EXPECT_EQ(loose.get_datetime().minute(), 30);
  EXPECT_FALSE(loose.get_first_minute());
}

// Leap seconds move every field from the year on; the frames come from the
// calendar. DUT1 -7 fills the negative half of a 59-second minute, 9B..15B;
// index 16 then belongs to the year, so a 1 in its B bit is not read as an
// eighth negative DUT1 bit.
TEST(MsfDecoderTest, DecodesLeapSecondMinutes) {
  for (const bool negative : {false, true}) {
    MsfOptions options;
    options.leap_second_before = std::chrono::sys_seconds{utc_minute(2017, 1, 1, 0, 0)};
    options.negative_leap = negative;
    options.dut1 = -7;
    const sys_minutes first = utc_minute(2016, 12, 31, 23, 57);
    std::vector<MsfFrame> frames = msf_frames(first, 4, options);
    ASSERT_EQ(frames[2].length, negative ? 59 : 61);
    if (negative) frames[2].b[16] = true;
    for (const bool strict : {false, true}) {
      MsfDecoder decoder;
      int k = 0;
      std::vector<int> lengths;
      replay_bits(decoder, msf_bit_log(frames), strict,
                  [&](const MsfDecoder& d, const MsfMinute& minute) {
                    lengths.push_back(minute.reading.minute_length);
                    expect_clock(d, first + minutes{++k}, -7);
                  });
      EXPECT_EQ(lengths, (std::vector<int>{60, 60, negative ? 59 : 61, 60}));
    }
  }
}

TEST(MsfDecoderTest, DecodeAtAnotherSecondOnlyAdvancesTheClock) {
  const std::vector<MsfFrame> frames = msf_frames(utc_minute(2024, 7, 14, 14, 29), 1, {});
  MsfDecoder decoder;
  replay_bits(decoder, msf_bit_log(frames), true, [](const MsfDecoder&) {});
  ASSERT_FALSE(decoder.get_first_minute());
  // Ten seconds into the next minute with bad parity bits, decode_time decodes
  // nothing: parities stay, the clock moves on by one minute.
  for (int k = 0; k < 10; ++k) {
    decoder.set_current_bit_a(true);
    decoder.set_current_bit_b(false);
    decoder.increase_second();
  }
  decoder.decode_time(true, false);
  EXPECT_EQ(decoder.get_hour_minute_parity(), true);
  EXPECT_EQ(decoder.get_datetime().minute(), 31);
  EXPECT_FALSE(decoder.get_datetime().jump_minute());
  decoder.decode_time(false, false);
  EXPECT_EQ(decoder.get_datetime().minute(), 31);
}

// While no minute was fully decoded, the clock is not advanced and nothing
// jumps, even when the record already holds fields of an earlier partial decode.
TEST(MsfDecoderTest, FirstDecodedMinuteNeverJumps) {
  std::vector<MsfFrame> frames = msf_frames(utc_minute(2024, 7, 14, 14, 29), 1, {});
  frames[0].b[57] = !*frames[0].b[57];  // hour/minute parity bad: stays first minute
  // Then a minute of another date altogether (in summer time too, as a
  // summer-time bit that changes without announcement is never taken).
  const std::vector<MsfFrame> other = msf_frames(utc_minute(2031, 7, 3, 4, 5), 1, {});
  frames.push_back(other[0]);
  MsfDecoder decoder;
  int decodes = 0;
  replay_bits(decoder, msf_bit_log(frames), false, [&](const MsfDecoder& d) {
    ++decodes;
    const DateTimeRecord& clock = d.get_datetime();
    EXPECT_FALSE(clock.jump_year() || clock.jump_month() || clock.jump_day() ||
                 clock.jump_weekday() || clock.jump_hour() || clock.jump_minute());
  });
  EXPECT_EQ(decodes, 2);
  expect_clock(decoder, utc_minute(2031, 7, 3, 4, 6), 0);
}

// A complete clock is not yet trusted while first_minute is set (here: loose
// mode without a valid DUT1): decode_time neither advances it nor flags jumps,
// also when the caller says it advanced the clock itself (add_minute false).
TEST(MsfDecoderTest, CompleteClockWithoutTrustIsNeitherAdvancedNorCompared) {
  std::vector<MsfFrame> frames = msf_frames(utc_minute(2024, 7, 14, 14, 29), 1, {});
  frames[0].b[1] = true;
  frames[0].b[9] = true;  // DUT1 invalid: both halves non-zero
  std::vector<MsfFrame> other = msf_frames(utc_minute(2031, 7, 3, 4, 5), 1, {});
  other[0].b[1] = true;
  other[0].b[9] = true;
  MsfDecoder decoder;
  replay_bits(decoder, msf_bit_log(frames), false, [](const MsfDecoder&) {});
  ASSERT_TRUE(decoder.get_first_minute());
  ASSERT_EQ(decoder.get_datetime().minute(), 30);
  ASSERT_TRUE(decoder.get_datetime().hour().has_value());

  decoder.decode_time(true, false);  // at second 0: decodes nothing
  EXPECT_EQ(decoder.get_datetime().minute(), 30);

  feed_until_last_second(decoder, msf_bit_log(other));
  decoder.decode_time(false, false);
  const DateTimeRecord& clock = decoder.get_datetime();
  EXPECT_FALSE(clock.jump_year() || clock.jump_month() || clock.jump_day() ||
               clock.jump_weekday() || clock.jump_hour() || clock.jump_minute());
  EXPECT_EQ(decoder.get_datetime().year(), 31);
  EXPECT_EQ(decoder.get_datetime().minute(), 6);
  EXPECT_TRUE(decoder.get_first_minute());
}

TEST(MsfDecoderTest, LaterMinutesAreComparedWithTheAdvancedClock) {
  // 15:30, then 15:32: the minute jumped.
  std::vector<MsfFrame> frames = msf_frames(utc_minute(2024, 7, 14, 14, 29), 3, {});
  frames.erase(frames.begin() + 1);
  MsfDecoder decoder;
  std::vector<bool> jumps;
  replay_bits(decoder, msf_bit_log(frames), false,
              [&](const MsfDecoder& d) { jumps.push_back(d.get_datetime().jump_minute()); });
  EXPECT_EQ(jumps, (std::vector<bool>{false, true}));
  EXPECT_EQ(decoder.get_datetime().minute(), 32);
}

// With add_minute false the caller advanced the clock already (increase_minute):
// decode_time does not advance it again but still checks jumps.
TEST(MsfDecoderTest, AddMinuteFalseChecksWithoutAdvancing) {
  const std::vector<MsfFrame> frames = msf_frames(utc_minute(2024, 7, 14, 14, 29), 3, {});
  for (const int next : {1, 2}) {  // 15:31 as expected, or 15:32
    MsfDecoder decoder;
    replay_bits(decoder, msf_bit_log({frames[0]}), true, [](const MsfDecoder&) {});
    ASSERT_EQ(decoder.get_datetime().minute(), 30);
    ASSERT_TRUE(decoder.increase_minute());
    EXPECT_EQ(decoder.get_datetime().minute(), 31);
    feed_until_last_second(decoder, msf_bit_log({frames[next]}));
    decoder.decode_time(false, true);
    EXPECT_EQ(decoder.get_datetime().minute(), 30 + next);
    EXPECT_EQ(decoder.get_datetime().jump_minute(), next == 2);
  }
}

TEST(MsfDecoderTest, IncreaseMinuteNeedsACompleteClock) {
  MsfDecoder decoder;
  EXPECT_FALSE(decoder.increase_minute());
  EXPECT_EQ(decoder, MsfDecoder());
  replay_bits(decoder, kSummerSunday, true, [](const MsfDecoder&) {});
  ASSERT_TRUE(decoder.increase_minute());
  EXPECT_EQ(decoder.get_datetime().hour(), 15);
  EXPECT_EQ(decoder.get_datetime().minute(), 31);
}

// ---- Round trips from the calendar ---------------------------------------------

struct RoundTrip {
  const char* what;
  sys_minutes first;  // UTC minute in which the first frame is sent
  int count;
  MsfOptions options;
  std::optional<sys_minutes> dut1_jump;  // the carried minute that shows "DUT1 jumped"
};

std::vector<RoundTrip> round_trips() {
  std::vector<RoundTrip> trips;
  trips.push_back({"new year", utc_minute(2023, 12, 31, 23, 50), 20, {}, {}});
  trips.push_back({"end of February in a leap year", utc_minute(2024, 2, 29, 23, 55), 10, {}, {}});
  trips.push_back({"end of a 30-day month in summer", utc_minute(2024, 6, 30, 22, 55), 10, {}, {}});
  trips.push_back({"to BST", utc_minute(2024, 3, 30, 23, 50), 100, {}, {}});
  trips.push_back({"back to GMT", utc_minute(2024, 10, 26, 23, 50), 100, {}, {}});
  MsfOptions midnight;
  midnight.dut1 = -2;
  midnight.dut1_change = {{utc_minute(2024, 7, 15, 0, 0), 5}};
  trips.push_back({"DUT1 change at 00:00 UTC", utc_minute(2024, 7, 14, 23, 55), 10, midnight, {}});
  MsfOptions afternoon;
  afternoon.dut1 = 3;
  afternoon.dut1_change = {{utc_minute(2024, 1, 10, 14, 5), 4}};
  trips.push_back({"DUT1 change at 14:05 UTC", utc_minute(2024, 1, 10, 14, 0), 10, afternoon,
                   utc_minute(2024, 1, 10, 14, 5)});
  MsfOptions positive;
  positive.leap_second_before = std::chrono::sys_seconds{utc_minute(2017, 1, 1, 0, 0)};
  positive.dut1 = -4;
  trips.push_back({"positive leap second", utc_minute(2016, 12, 31, 23, 50), 20, positive, {}});
  MsfOptions negative;
  negative.leap_second_before = std::chrono::sys_seconds{utc_minute(2030, 7, 1, 0, 0)};
  negative.negative_leap = true;
  negative.dut1 = 6;
  trips.push_back({"negative leap second", utc_minute(2030, 6, 30, 23, 50), 20, negative, {}});
  return trips;
}

int expected_dut1(const MsfOptions& options, sys_minutes carried) {
  if (options.dut1_change && carried >= options.dut1_change->first) {
    return options.dut1_change->second;
  }
  return options.dut1;
}

TEST(MsfDecoderTest, PerBitRoundTripsFromTheCalendar) {
  for (const RoundTrip& trip : round_trips()) {
    SCOPED_TRACE(trip.what);
    const std::vector<MsfFrame> frames = msf_frames(trip.first, trip.count, trip.options);
    MsfDecoder decoder;
    int k = 0;
    const int wraps = replay_bits(decoder, msf_bit_log(frames), false, [&](const MsfDecoder& d) {
      const sys_minutes carried = trip.first + minutes{++k};
      expect_clock(d, carried, expected_dut1(trip.options, carried));
      EXPECT_EQ(d.get_datetime().jump_dut1(), trip.dut1_jump == carried);
    });
    EXPECT_EQ(k, trip.count);
    EXPECT_EQ(wraps, 0);
  }
}

TEST(MsfDecoderTest, EdgeRoundTripsFromTheCalendar) {
  for (const RoundTrip& trip : round_trips()) {
    SCOPED_TRACE(trip.what);
    const std::vector<MsfFrame> frames = msf_frames(trip.first, trip.count, trip.options);
    MsfEdgeLogOptions shape;
    shape.start_us = 4200000000u;  // the counter wraps after about 95 s
    MsfDecoder decoder;
    int k = 0;
    const EdgeReplay replay =
        replay_edges(decoder, msf_edge_log(frames, shape), true, [&](const MsfDecoder& d) {
          const sys_minutes carried = trip.first + minutes{++k};
          expect_clock(d, carried, expected_dut1(trip.options, carried));
          EXPECT_EQ(d.get_datetime().jump_dut1(), trip.dut1_jump == carried);
        });
    EXPECT_EQ(k, trip.count);
    EXPECT_EQ(replay.wraps, 0);
    EXPECT_EQ(replay.not_taken, 1);  // only the very first edge
  }
}

// Ringing on every rising edge and a glitch after the end of every minute:
// handle_new_edge reports each glitch edge as not taken, and a caller that acts
// only on taken edges decodes every minute exactly once, to the true time.
TEST(MsfDecoderTest, GlitchesAreNotTakenAndCostNothing) {
  const sys_minutes first = utc_minute(2024, 10, 26, 23, 55);
  const int count = 70;  // across the change back to GMT
  const std::vector<MsfFrame> frames = msf_frames(first, count, {});
  for (const bool after_rise : {false, true}) {
    MsfEdgeLogOptions shape;
    shape.glitch_after_rise_us = after_rise ? 5000 : 0;
    shape.glitch_after_minute_end_us = after_rise ? 0 : 5000;
    MsfDecoder decoder;
    int k = 0;
    const EdgeReplay replay =
        replay_edges(decoder, msf_edge_log(frames, shape), true,
                     [&](const MsfDecoder& d) { expect_clock(d, first + minutes{++k}, 0); });
    EXPECT_EQ(k, count);
    EXPECT_EQ(replay.wraps, 0);
    const int glitch_edges = after_rise ? 2 * 60 * count : 2 * count;
    EXPECT_EQ(replay.not_taken, 1 + glitch_edges);
  }
}

}  // namespace
}  // namespace quillfen
