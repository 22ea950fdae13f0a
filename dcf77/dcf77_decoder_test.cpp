#include "dcf77/dcf77_decoder.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dcf77/dcf77_receiver.hpp"
#include "synth/dcf77_encoder.hpp"
#include "synth/utc_minute.hpp"

namespace quillfen {
namespace {

using namespace std::chrono;
using SysMinutes = sys_time<minutes>;

std::optional<std::uint8_t> u8(unsigned value) { return static_cast<std::uint8_t>(value); }

bool has_flag(const std::optional<std::uint8_t>& flags, std::uint8_t flag) {
  return flags.has_value() && (*flags & flag) != 0;
}

// The frame that carries UTC minute `carried` (it is sent the minute before).
Dcf77Frame frame_carrying(SysMinutes carried, const Dcf77Options& options = {}) {
  return dcf77_frames(carried - minutes{1}, 1, options).front();
}

// Feeds the first `count` bits of `bits` the way a per-bit log does.
void feed_seconds(Dcf77Decoder& decoder, const std::array<Bit, 61>& bits, std::size_t count) {
  for (std::size_t s = 0; s < count; ++s) {
    decoder.set_current_bit(bits[s]);
    decoder.set_new_minute(false);
    decoder.increase_second();
  }
}

// The minute marker of a per-bit log.
void end_minute(Dcf77Decoder& decoder) {
  decoder.set_new_minute(true);
  decoder.increase_second();
}

// Feeds the first `count` bits of `bits` and then the minute marker, so that
// get_previous_second() becomes `count`. decode_time is left to the caller.
void feed_bits(Dcf77Decoder& decoder, const std::array<Bit, 61>& bits, std::size_t count) {
  feed_seconds(decoder, bits, count);
  end_minute(decoder);
}

void feed_frame(Dcf77Decoder& decoder, const Dcf77Frame& frame) {
  feed_bits(decoder, frame.bits, frame.length - 1U);
}

void expect_clock_shows(const DateTimeRecord& clock, const CivilMinute& time) {
  EXPECT_EQ(clock.year(), u8(static_cast<unsigned>(time.year % 100)));
  EXPECT_EQ(clock.month(), u8(time.month));
  EXPECT_EQ(clock.day(), u8(time.day));
  EXPECT_EQ(clock.weekday(), u8(time.weekday));
  EXPECT_EQ(clock.hour(), u8(time.hour));
  EXPECT_EQ(clock.minute(), u8(time.minute));
  EXPECT_EQ(has_flag(clock.dst(), DST_SUMMER), time.summer);
}

void expect_no_jumps(const DateTimeRecord& clock) {
  EXPECT_FALSE(clock.jump_year());
  EXPECT_FALSE(clock.jump_month());
  EXPECT_FALSE(clock.jump_day());
  EXPECT_FALSE(clock.jump_weekday());
  EXPECT_FALSE(clock.jump_hour());
  EXPECT_FALSE(clock.jump_minute());
  EXPECT_FALSE(has_flag(clock.dst(), DST_JUMP));
}

// ---- Construction and reset -------------------------------------------------

TEST(Dcf77DecoderTest, NewDecoderHasSeenNothing) {
  const Dcf77Decoder decoder;
  EXPECT_EQ(decoder.get_second(), 0);
  EXPECT_EQ(decoder.get_previous_second(), 0);
  EXPECT_FALSE(decoder.get_new_minute());
  EXPECT_FALSE(decoder.get_new_second());
  EXPECT_TRUE(decoder.get_first_minute());
  EXPECT_EQ(decoder.get_spike_limit(), 30000U);
  EXPECT_EQ(decoder.get_current_bit(), Bit{});
  EXPECT_EQ(decoder.get_third_party_buffer(), std::nullopt);
  EXPECT_EQ(decoder.get_leap_second_is_one(), std::nullopt);
  EXPECT_EQ(decoder.get_minute_parity(), std::nullopt);
  EXPECT_EQ(decoder.get_hour_parity(), std::nullopt);
  EXPECT_EQ(decoder.get_date_parity(), std::nullopt);
  EXPECT_EQ(decoder.get_bit_0(), Bit{});
  EXPECT_EQ(decoder.get_call_bit(), Bit{});
  EXPECT_EQ(decoder.get_bit_20(), Bit{});
  EXPECT_EQ(decoder.get_minute_length(), 60);
  EXPECT_EQ(decoder.get_this_minute_length(), 60);
  EXPECT_EQ(decoder.get_next_minute_length(), 60);

  DateTimeRecord clock(1, 7);
  clock.set_utc_offset(60, false);
  EXPECT_EQ(decoder.get_datetime(), clock);
  EXPECT_EQ(decoder.get_datetime().utc_offset(), std::optional<std::int16_t>(60));
  EXPECT_EQ(decoder.get_datetime().time_is_utc(), std::optional<bool>(false));
}

TEST(Dcf77DecoderTest, ResetForgetsEverythingButLeavesFirstMinuteFalse) {
  Dcf77Decoder decoder;
  decoder.set_spike_limit(1000);
  decoder.handle_new_edge(true, 5000000);
  decoder.handle_new_edge(false, 5200000);
  decoder.handle_new_edge(true, 7000000);  // new second and new minute
  feed_frame(decoder, frame_carrying(utc_minute(2024, 3, 5, 13, 37)));
  decoder.decode_time(true, false);
  ASSERT_FALSE(decoder.get_first_minute());
  ASSERT_TRUE(decoder.get_datetime().minute().has_value());

  decoder.reset();
  const Dcf77Decoder fresh;
  EXPECT_FALSE(decoder.get_first_minute());
  EXPECT_EQ(decoder.get_datetime(), fresh.get_datetime());
  EXPECT_EQ(decoder.get_spike_limit(), 30000U);
  EXPECT_EQ(decoder.get_second(), 0);
  EXPECT_EQ(decoder.get_minute_parity(), std::nullopt);
  EXPECT_EQ(decoder.get_third_party_buffer(), std::nullopt);
  EXPECT_EQ(decoder.get_bit_20(), Bit{});
  EXPECT_FALSE(decoder.get_new_minute());
  // Every hidden field too (bits, edge time, "before the first edge"): the
  // decoder equals a fresh one that was reset.
  Dcf77Decoder fresh_reset;
  fresh_reset.reset();
  EXPECT_EQ(decoder, fresh_reset);
  // The next edge is a first edge again.
  EXPECT_FALSE(decoder.handle_new_edge(false, 100));
}

TEST(Dcf77DecoderTest, SpikeLimitBelowTheOnePulseIsTaken) {
  struct Case {
    std::uint32_t limit;
    std::uint32_t expected;
  };
  const Case cases[] = {{0, 0},          {1, 1},          {29999, 29999},      {149999, 149999},
                        {150000, 30000}, {150001, 30000}, {4294967295U, 30000}};
  for (const Case& c : cases) {
    Dcf77Decoder decoder;
    decoder.set_spike_limit(c.limit);
    EXPECT_EQ(decoder.get_spike_limit(), c.expected) << c.limit;
  }
  // A refused limit keeps the one set before.
  Dcf77Decoder decoder;
  decoder.set_spike_limit(5000);
  decoder.set_spike_limit(150000);
  EXPECT_EQ(decoder.get_spike_limit(), 5000U);
}

// ---- Edges -------------------------------------------------------------------

TEST(Dcf77DecoderTest, FirstEdgeOnlyStartsTheClock) {
  for (const bool is_high : {true, false}) {
    Dcf77Decoder decoder;
    EXPECT_FALSE(decoder.handle_new_edge(is_high, 123456));
    EXPECT_EQ(decoder.get_current_bit(), Bit{});
    EXPECT_FALSE(decoder.get_new_second());
    EXPECT_FALSE(decoder.get_new_minute());
    // The next edge is measured from the first: 123456 + 160000 is a 1 pulse.
    EXPECT_TRUE(decoder.handle_new_edge(false, 123456 + 160000));
    EXPECT_EQ(decoder.get_current_bit(), Bit{true});
  }
}

TEST(Dcf77DecoderTest, FallingEdgeClassifiesThePulseByItsLength) {
  struct Case {
    std::uint32_t gap;
    bool taken;
    Bit bit;
  };
  const Bit kUnchanged{true};  // what the bit held before (set below)
  const Case cases[] = {
      {0, false, kUnchanged},       {29999, false, kUnchanged},    {30000, true, false},
      {149999, true, false},        {150000, true, true},          {249999, true, true},
      {250000, true, std::nullopt}, {4000000, true, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.gap);
    Dcf77Decoder decoder;
    decoder.handle_new_edge(false, 1000000);
    ASSERT_TRUE(decoder.handle_new_edge(true, 1900000));  // a new second begins
    ASSERT_TRUE(decoder.get_new_second());
    decoder.set_current_bit(kUnchanged);
    EXPECT_EQ(decoder.handle_new_edge(false, 1900000 + c.gap), c.taken);
    EXPECT_EQ(decoder.get_current_bit(), c.bit);
    // A spike leaves new_second as the rising edge set it.
    EXPECT_EQ(decoder.get_new_second(), !c.taken);
    EXPECT_FALSE(decoder.get_new_minute());
  }
}

TEST(Dcf77DecoderTest, RisingEdgeStartsSecondsAndMinutesByTheGapBeforeIt) {
  struct Case {
    std::uint32_t gap;
    bool taken;
    bool new_second;
    bool new_minute;
    bool lost;  // the current bit becomes undetermined
  };
  const Case cases[] = {
      {29999, false, false, false, false},     {30000, true, false, false, false},
      {750000, true, false, false, false},     {750001, true, true, false, false},
      {1500000, true, true, false, false},     {1500001, true, true, true, false},
      {2499999, true, true, true, false},      {2500000, true, false, false, true},
      {4294967295U, true, false, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.gap);
    Dcf77Decoder decoder;
    decoder.handle_new_edge(true, 1000000);
    ASSERT_TRUE(decoder.handle_new_edge(false, 1100000));
    ASSERT_EQ(decoder.get_current_bit(), Bit{false});
    EXPECT_EQ(decoder.handle_new_edge(true, 1100000 + c.gap), c.taken);
    EXPECT_EQ(decoder.get_new_second(), c.new_second);
    EXPECT_EQ(decoder.get_new_minute(), c.new_minute);
    EXPECT_EQ(decoder.get_current_bit(), c.lost ? Bit{} : Bit{false});
  }
}

TEST(Dcf77DecoderTest, LostSignalLeavesTheFlagsAsTheyWere) {
  Dcf77Decoder decoder;
  decoder.handle_new_edge(false, 0);
  ASSERT_TRUE(decoder.handle_new_edge(true, 1900000));  // a minute marker
  ASSERT_TRUE(decoder.get_new_minute());
  ASSERT_TRUE(decoder.handle_new_edge(false, 2100000));  // a 1
  ASSERT_FALSE(decoder.get_new_second());
  ASSERT_TRUE(decoder.get_new_minute());  // stays until the next marker begins
  EXPECT_TRUE(decoder.handle_new_edge(true, 2100000 + 3000000));
  EXPECT_FALSE(decoder.get_new_second());
  EXPECT_TRUE(decoder.get_new_minute());
  EXPECT_EQ(decoder.get_current_bit(), Bit{});
}

TEST(Dcf77DecoderTest, SpikeIsIgnoredButTheNextEdgeIsMeasuredFromIt) {
  Dcf77Decoder decoder;
  decoder.handle_new_edge(false, 100000);
  ASSERT_TRUE(decoder.handle_new_edge(true, 1000000));
  ASSERT_TRUE(decoder.get_new_second());
  // Ringing right after the rising edge: a 5 ms low and high again.
  EXPECT_FALSE(decoder.handle_new_edge(false, 1005000));
  EXPECT_TRUE(decoder.get_new_second());
  EXPECT_FALSE(decoder.handle_new_edge(true, 1010000));
  EXPECT_TRUE(decoder.get_new_second());
  EXPECT_EQ(decoder.get_current_bit(), Bit{});
  // 150000 after the real rising edge would be a 1; measured from the spike
  // it is 140000, a 0.
  EXPECT_TRUE(decoder.handle_new_edge(false, 1150000));
  EXPECT_EQ(decoder.get_current_bit(), Bit{false});
  EXPECT_FALSE(decoder.get_new_second());
}

TEST(Dcf77DecoderTest, SpikeLimitZeroTakesEveryEdge) {
  Dcf77Decoder decoder;
  decoder.set_spike_limit(0);
  decoder.handle_new_edge(true, 1000);
  EXPECT_TRUE(decoder.handle_new_edge(false, 1000));  // a gap of 0
  EXPECT_EQ(decoder.get_current_bit(), Bit{false});
}

TEST(Dcf77DecoderTest, GapsAreTakenModulo2To32) {
  // 296 us before the wrap and 296 us after it: a gap of 592.
  for (const std::uint32_t limit : {592U, 593U}) {
    Dcf77Decoder decoder;
    decoder.set_spike_limit(limit);
    decoder.handle_new_edge(true, 4294967000U);
    EXPECT_EQ(decoder.handle_new_edge(false, 296), limit == 592) << limit;
  }
  // A pulse across the wrap is classified by its true length.
  struct Case {
    std::uint32_t fall;
    Bit bit;
  };
  const Case cases[] = {{49999, false}, {50000, true}, {149999, true}, {150000, std::nullopt}};
  for (const Case& c : cases) {
    Dcf77Decoder decoder;
    decoder.handle_new_edge(true, 4294967296U - 100000U);
    decoder.handle_new_edge(false, c.fall);
    EXPECT_EQ(decoder.get_current_bit(), c.bit) << c.fall;
  }
}

// ---- Seconds and minute lengths -----------------------------------------------

TEST(Dcf77DecoderTest, CurrentBitIsStoredAtTheCurrentSecondAndKeptAcrossMinutes) {
  Dcf77Decoder decoder;
  decoder.set_current_bit(true);
  decoder.increase_second();
  EXPECT_EQ(decoder.get_current_bit(), Bit{});
  decoder.set_current_bit(false);
  EXPECT_EQ(decoder.get_current_bit(), Bit{false});
  decoder.set_new_minute(true);
  ASSERT_TRUE(decoder.increase_second());
  EXPECT_EQ(decoder.get_second(), 0);
  EXPECT_EQ(decoder.get_previous_second(), 1);
  EXPECT_EQ(decoder.get_current_bit(), Bit{true});  // never cleared
}

// Runs increase_second without a minute marker from second 0 and returns the
// second at which it first answers false.
int first_refusal(Dcf77Decoder& decoder) {
  decoder.set_new_minute(false);
  for (int step = 1; step <= 70; ++step) {
    if (!decoder.increase_second()) {
      EXPECT_EQ(decoder.get_second(), 0);
      return decoder.get_previous_second();
    }
    EXPECT_EQ(decoder.get_second(), step);
  }
  return -1;
}

// Decodes the minutes carried from `first` to `last` (UTC) into a fresh
// decoder, per-bit fashion, in loose mode.
Dcf77Decoder decoder_after(SysMinutes first, SysMinutes last, const Dcf77Options& options = {}) {
  Dcf77Decoder decoder;
  for (SysMinutes t = first; t <= last; t += minutes{1}) {
    feed_frame(decoder, frame_carrying(t, options));
    decoder.decode_time(true, false);
  }
  return decoder;
}

const SysMinutes kLeap = utc_minute(2017, 1, 1, 0, 0);  // 01:00 CET, 1 January 2017

Dcf77Options leap_options(bool missing = false) {
  Dcf77Options options;
  options.leap_second_before = sys_seconds{kLeap};
  options.leap_second_missing = missing;
  return options;
}

TEST(Dcf77DecoderTest, IncreaseSecondWrapsAtTheEndOfTheMinute) {
  Dcf77Decoder plain;
  EXPECT_EQ(first_refusal(plain), 59);  // 60-second minute

  // The clock at 00:59 CET with a leap second announced: 61 seconds.
  Dcf77Decoder leap = decoder_after(kLeap - minutes{70}, kLeap - minutes{1}, leap_options());
  ASSERT_EQ(leap.get_minute_length(), 61);
  EXPECT_EQ(first_refusal(leap), 60);

  // The length drops to 60 while the counter is at 60 (the clock advanced
  // without decoding): the counter still stops before 62.
  leap = decoder_after(kLeap - minutes{70}, kLeap - minutes{1}, leap_options());
  leap.set_new_minute(false);
  for (int s = 0; s < 60; ++s) {
    ASSERT_TRUE(leap.increase_second());
  }
  ASSERT_EQ(leap.get_second(), 60);
  ASSERT_TRUE(leap.increase_minute());
  ASSERT_EQ(leap.get_minute_length(), 60);
  EXPECT_TRUE(leap.increase_second());
  EXPECT_EQ(leap.get_second(), 61);
  EXPECT_FALSE(leap.increase_second());
  EXPECT_EQ(leap.get_second(), 0);
  EXPECT_EQ(leap.get_previous_second(), 61);
}

TEST(Dcf77DecoderTest, MinuteMarkerRestartsTheCountAtAnySecond) {
  for (const int at : {0, 13, 58, 59}) {
    Dcf77Decoder decoder;
    for (int s = 0; s < at; ++s) {
      decoder.increase_second();
    }
    decoder.set_new_minute(true);
    EXPECT_TRUE(decoder.increase_second());
    EXPECT_EQ(decoder.get_second(), 0);
    EXPECT_EQ(decoder.get_previous_second(), at);
  }
}

TEST(Dcf77DecoderTest, MinuteLengthIs61OnlyAtMinute59WithALeapSecondAnnounced) {
  const Dcf77Options options = leap_options();
  struct Case {
    SysMinutes clock;  // the UTC minute the clock shows
    std::uint8_t length, this_length;
  };
  const Case cases[] = {
      {kLeap - minutes{3}, 60, 60},  // 00:57 announced
      {kLeap - minutes{2}, 60, 60},  // 00:58 announced
      {kLeap - minutes{1}, 61, 60},  // 00:59 announced
      {kLeap, 60, 61},               // 01:00 processed
      {kLeap + minutes{1}, 60, 60},
  };
  for (const Case& c : cases) {
    const Dcf77Decoder decoder = decoder_after(kLeap - minutes{70}, c.clock, options);
    expect_clock_shows(decoder.get_datetime(), dcf77_local_time(c.clock));
    EXPECT_EQ(decoder.get_minute_length(), c.length);
    EXPECT_EQ(decoder.get_next_minute_length(), c.length);
    EXPECT_EQ(decoder.get_this_minute_length(), c.this_length);
  }
  // Minute 59 without an announcement: 60.
  const Dcf77Decoder plain = decoder_after(kLeap - minutes{70}, kLeap - minutes{1});
  EXPECT_EQ(plain.get_minute_length(), 60);
}

// ---- Third-party data ------------------------------------------------------------

TEST(Dcf77DecoderTest, ThirdPartyBufferReadsBits1To14) {
  struct Case {
    const char* bits;  // seconds 0..14
    int seconds_done;  // increase_second calls after the bits
    std::optional<std::uint16_t> value;
  };
  const Case cases[] = {
      {"010000000000000", 1, 1},
      {"011111111111111", 1, 16383},
      {"000000000000001", 1, 8192},
      {"010100000000001", 1, 8197},
      {"000000000000000", 1, 0},
      {"01000000_000000", 1, std::nullopt},
      {"011111111111111", 0, std::nullopt},  // previous second 13
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bits);
    Dcf77Decoder decoder;
    const std::string_view bits = c.bits;
    for (std::size_t s = 0; s < bits.size(); ++s) {
      decoder.set_current_bit(bits[s] == '_' ? Bit{} : Bit{bits[s] == '1'});
      if (s + 1 < bits.size() || c.seconds_done > 0) {
        decoder.increase_second();
      }
    }
    EXPECT_EQ(decoder.read_third_party_buffer(), c.value);
  }
}

TEST(Dcf77DecoderTest, DecodeTimeKeepsTheThirdPartyDataOfTheMinute) {
  Dcf77Options options;
  options.third_party = 0x01a3;
  Dcf77Decoder decoder;
  feed_frame(decoder, frame_carrying(utc_minute(2024, 3, 5, 13, 37), options));
  decoder.decode_time(true, true);
  EXPECT_EQ(decoder.get_third_party_buffer(), std::optional<std::uint16_t>(0x01a3));
  // A minute that ended at second 13 has no complete third-party data.
  feed_bits(decoder, frame_carrying(utc_minute(2024, 3, 5, 13, 38), options).bits, 13);
  decoder.decode_time(true, true);
  EXPECT_EQ(decoder.get_third_party_buffer(), std::nullopt);
}

// ---- Decoding one minute -------------------------------------------------------

const SysMinutes k1437 = utc_minute(2024, 3, 5, 13, 37);  // 14:37 CET, Tuesday 5 March 2024

struct Fields {
  bool minute, hour, date, dst, first_minute_cleared;
};

void expect_fields(const Dcf77Decoder& decoder, const Fields& expected) {
  const DateTimeRecord& clock = decoder.get_datetime();
  EXPECT_EQ(clock.minute(), expected.minute ? u8(37) : std::nullopt);
  EXPECT_EQ(clock.hour(), expected.hour ? u8(14) : std::nullopt);
  EXPECT_EQ(clock.weekday(), expected.date ? u8(2) : std::nullopt);
  EXPECT_EQ(clock.month(), expected.date ? u8(3) : std::nullopt);
  EXPECT_EQ(clock.year(), expected.date ? u8(24) : std::nullopt);
  EXPECT_EQ(clock.day(), expected.date ? u8(5) : std::nullopt);
  EXPECT_EQ(clock.dst().has_value(), expected.dst);
  if (expected.dst) {
    EXPECT_EQ(*clock.dst(), 0);  // winter, nothing announced
  }
  EXPECT_EQ(decoder.get_first_minute(), !expected.first_minute_cleared);
  expect_no_jumps(clock);
}

TEST(Dcf77DecoderTest, StrictTakesAllOrNothingLooseTakesEachGroupOnItsParity) {
  struct Change {
    std::size_t second;
    Bit value;
  };
  struct Case {
    const char* name;
    std::vector<Change> changes;
    Fields strict, loose;
  };
  const Fields all{true, true, true, true, true};
  const Fields none_but_dst{false, false, false, true, false};
  const Fields none{false, false, false, false, false};
  const Fields all_but_dst{true, true, true, false, false};
  const Case cases[] = {
      {"clean", {}, all, all},
      {"bad minute parity", {{22, false}}, none_but_dst, {false, true, true, true, false}},
      {"undetermined minute bit",
       {{21, std::nullopt}},
       none_but_dst,
       {false, true, true, true, false}},
      {"bad hour parity", {{35, true}}, none_but_dst, {true, false, true, true, false}},
      {"bad date parity", {{40, true}}, none_but_dst, {true, true, false, true, false}},
      {"undetermined date parity bit",
       {{58, std::nullopt}},
       none_but_dst,
       {true, true, false, true, false}},
      {"bit 0 is 1", {{0, true}}, none_but_dst, {true, true, true, true, false}},
      {"bit 20 is 0", {{20, false}}, none_but_dst, {true, true, true, true, false}},
      {"bit 20 undetermined", {{20, std::nullopt}}, none_but_dst, {true, true, true, true, false}},
      {"bits 17 and 18 both 1", {{17, true}}, none, all_but_dst},
      {"bits 17 and 18 both 0", {{18, false}}, none, all_but_dst},
      {"bit 17 undetermined", {{17, std::nullopt}}, none, all_but_dst},
      {"bit 18 undetermined", {{18, std::nullopt}}, none, all_but_dst},
      // The announcement bits are not checks of the minute, but an
      // undetermined one keeps the daylight-saving state from being updated.
      {"bit 16 undetermined", {{16, std::nullopt}}, all_but_dst, all_but_dst},
      {"bit 19 undetermined", {{19, std::nullopt}}, all, all},
  };
  for (const Case& c : cases) {
    for (const bool strict : {true, false}) {
      SCOPED_TRACE(std::string(c.name) + (strict ? " strict" : " loose"));
      Dcf77Frame frame = frame_carrying(k1437);
      for (const Change& change : c.changes) {
        frame.bits[change.second] = change.value;
      }
      Dcf77Decoder decoder;
      feed_frame(decoder, frame);
      decoder.decode_time(true, strict);
      expect_fields(decoder, strict ? c.strict : c.loose);
      EXPECT_EQ(decoder.get_bit_0(), frame.bits[0]);
      EXPECT_EQ(decoder.get_bit_20(), frame.bits[20]);
    }
  }
}

TEST(Dcf77DecoderTest, ParityResultsAndBitCopiesOfADecodedMinute) {
  Dcf77Options options;
  options.call_bit = true;
  Dcf77Frame frame = frame_carrying(k1437, options);
  frame.bits[35] = !*frame.bits[35];  // hour parity bad
  frame.bits[40] = std::nullopt;      // date parity undetermined
  Dcf77Decoder decoder;
  feed_frame(decoder, frame);
  decoder.decode_time(true, false);
  EXPECT_EQ(decoder.get_minute_parity(), std::optional<bool>(false));
  EXPECT_EQ(decoder.get_hour_parity(), std::optional<bool>(true));
  EXPECT_EQ(decoder.get_date_parity(), std::nullopt);
  EXPECT_EQ(decoder.get_bit_0(), Bit{false});
  EXPECT_EQ(decoder.get_call_bit(), Bit{true});
  EXPECT_EQ(decoder.get_bit_20(), Bit{true});
}

TEST(Dcf77DecoderTest, RunningClockPredictsRejectedFieldsAndFlagsJumps) {
  for (const bool strict : {true, false}) {
    SCOPED_TRACE(strict ? "strict" : "loose");
    Dcf77Decoder decoder;
    feed_frame(decoder, frame_carrying(k1437));
    decoder.decode_time(true, strict);
    ASSERT_FALSE(decoder.get_first_minute());

    // 14:38 with a bad hour parity and a wrong hour: strict keeps the
    // predicted time for every field; loose takes minute and date and keeps
    // the predicted hour. No jumps either way.
    Dcf77Frame bad = frame_carrying(k1437 + hours{3} + minutes{1});  // 17:38
    bad.bits[35] = !*bad.bits[35];
    feed_frame(decoder, bad);
    decoder.decode_time(true, strict);
    expect_clock_shows(decoder.get_datetime(), dcf77_local_time(k1437 + minutes{1}));
    expect_no_jumps(decoder.get_datetime());
    EXPECT_EQ(decoder.get_hour_parity(), std::optional<bool>(true));

    // A clean minute two hours and one minute on: hour jumps, minute does not.
    feed_frame(decoder, frame_carrying(k1437 + hours{2} + minutes{2}));  // 16:39
    decoder.decode_time(true, strict);
    const DateTimeRecord& clock = decoder.get_datetime();
    expect_clock_shows(clock, dcf77_local_time(k1437 + hours{2} + minutes{2}));
    EXPECT_TRUE(clock.jump_hour());
    EXPECT_FALSE(clock.jump_minute());
    EXPECT_FALSE(clock.jump_day());

    // The next minute follows on: no jump lingers.
    feed_frame(decoder, frame_carrying(k1437 + hours{2} + minutes{3}));
    decoder.decode_time(true, strict);
    expect_no_jumps(decoder.get_datetime());
  }
}

TEST(Dcf77DecoderTest, FirstMinuteIsTakenWithoutAdvanceOrJumpUntilOneDecodesCompletely) {
  Dcf77Decoder decoder;
  // A first minute with a bad date parity: strict takes nothing and it stays
  // the first minute.
  Dcf77Frame bad = frame_carrying(k1437);
  bad.bits[40] = !*bad.bits[40];
  feed_frame(decoder, bad);
  decoder.decode_time(true, true);
  EXPECT_TRUE(decoder.get_first_minute());
  // The next, clean minute is taken as it is: not advanced, no jumps.
  feed_frame(decoder, frame_carrying(k1437 + minutes{5}));
  decoder.decode_time(true, true);
  EXPECT_FALSE(decoder.get_first_minute());
  expect_clock_shows(decoder.get_datetime(), dcf77_local_time(k1437 + minutes{5}));
  expect_no_jumps(decoder.get_datetime());

  // Loose mode with a partial first minute: the hour is stored but the record
  // is incomplete, so the next minute is again taken without comparison.
  Dcf77Decoder loose;
  Dcf77Frame no_date = frame_carrying(k1437);
  no_date.bits[58] = !*no_date.bits[58];
  feed_frame(loose, no_date);
  loose.decode_time(true, false);
  EXPECT_TRUE(loose.get_first_minute());
  EXPECT_EQ(loose.get_datetime().hour(), u8(14));
  feed_frame(loose, frame_carrying(k1437 + hours{1}));
  loose.decode_time(true, false);
  EXPECT_FALSE(loose.get_first_minute());
  expect_clock_shows(loose.get_datetime(), dcf77_local_time(k1437 + hours{1}));
  EXPECT_FALSE(loose.get_datetime().jump_hour());
}

TEST(Dcf77DecoderTest, CompleteClockDuringTheFirstMinuteIsNeitherAdvancedNorCompared) {
  // Loose mode takes every field of a minute whose bit 0 is wrong, but it
  // stays the first minute.
  Dcf77Decoder decoder;
  Dcf77Frame wrong_bit_0 = frame_carrying(k1437);
  wrong_bit_0.bits[0] = true;
  feed_frame(decoder, wrong_bit_0);
  decoder.decode_time(true, false);
  ASSERT_TRUE(decoder.get_first_minute());
  expect_clock_shows(decoder.get_datetime(), dcf77_local_time(k1437));

  // add_minute true: not advanced, so a rejected minute field stays 37.
  Dcf77Decoder kept = decoder;
  Dcf77Frame bad_minute = frame_carrying(k1437 + minutes{1});
  bad_minute.bits[28] = !*bad_minute.bits[28];
  bad_minute.bits[0] = true;
  feed_frame(kept, bad_minute);
  kept.decode_time(true, false);
  EXPECT_EQ(kept.get_datetime().minute(), u8(37));

  // add_minute false after an advance: the new values are not compared.
  Dcf77Decoder advanced = decoder;
  ASSERT_TRUE(advanced.increase_minute());
  feed_frame(advanced, frame_carrying(k1437 + hours{2} + minutes{1}));
  advanced.decode_time(false, false);
  expect_clock_shows(advanced.get_datetime(), dcf77_local_time(k1437 + hours{2} + minutes{1}));
  expect_no_jumps(advanced.get_datetime());
  EXPECT_FALSE(advanced.get_first_minute());
}

TEST(Dcf77DecoderTest, MinuteOfTheWrongLengthOnlyAdvancesTheClock) {
  Dcf77Options options;
  options.third_party = 42;
  for (const bool first : {true, false}) {
    SCOPED_TRACE(first ? "first minute" : "running");
    Dcf77Decoder decoder;
    if (!first) {
      feed_frame(decoder, frame_carrying(k1437, options));
      decoder.decode_time(true, true);
    }
    const Dcf77Decoder before = decoder;
    // 58 bits: the minute ends at second 58, one short.
    Dcf77Frame next = frame_carrying(k1437 + minutes{1}, options);
    next.bits[1] = true;  // third party 43
    next.bits[35] = !*next.bits[35];
    feed_bits(decoder, next.bits, 58);
    ASSERT_EQ(decoder.get_previous_second(), 58);
    decoder.decode_time(true, true);
    EXPECT_EQ(decoder.get_third_party_buffer(), std::optional<std::uint16_t>(43));
    EXPECT_EQ(decoder.get_hour_parity(), before.get_hour_parity());
    EXPECT_EQ(decoder.get_minute_parity(), before.get_minute_parity());
    EXPECT_EQ(decoder.get_bit_0(), before.get_bit_0());
    EXPECT_EQ(decoder.get_first_minute(), first);
    if (first) {
      EXPECT_EQ(decoder.get_datetime(), before.get_datetime());
    } else {
      expect_clock_shows(decoder.get_datetime(), dcf77_local_time(k1437 + minutes{1}));
      EXPECT_EQ(decoder.get_datetime().minutes_running(), before.get_datetime().minutes_running());
    }
  }
}

TEST(Dcf77DecoderTest, AddMinuteFalseDecodesOnAClockAlreadyAdvanced) {
  for (const bool strict : {true, false}) {
    Dcf77Decoder decoder;
    EXPECT_FALSE(decoder.increase_minute());  // nothing to advance yet
    feed_frame(decoder, frame_carrying(k1437));
    decoder.decode_time(true, strict);

    // The minute marker of 14:38 was lost: the caller advanced the clock.
    Dcf77Decoder advanced = decoder;
    ASSERT_TRUE(advanced.increase_minute());
    expect_clock_shows(advanced.get_datetime(), dcf77_local_time(k1437 + minutes{1}));
    feed_frame(advanced, frame_carrying(k1437 + minutes{1}));
    advanced.decode_time(false, strict);
    expect_clock_shows(advanced.get_datetime(), dcf77_local_time(k1437 + minutes{1}));
    expect_no_jumps(advanced.get_datetime());

    // Adding a minute on top of that would predict 14:39 and flag a jump.
    Dcf77Decoder twice = decoder;
    ASSERT_TRUE(twice.increase_minute());
    feed_frame(twice, frame_carrying(k1437 + minutes{1}));
    twice.decode_time(true, strict);
    EXPECT_TRUE(twice.get_datetime().jump_minute());
  }
}

TEST(Dcf77DecoderTest, IncreaseMinuteClearsJumpsBeforeAdvancing) {
  Dcf77Decoder decoder;
  feed_frame(decoder, frame_carrying(k1437));
  decoder.decode_time(true, true);
  feed_frame(decoder, frame_carrying(k1437 + minutes{10}));
  decoder.decode_time(true, true);
  ASSERT_TRUE(decoder.get_datetime().jump_minute());
  EXPECT_TRUE(decoder.increase_minute());
  EXPECT_FALSE(decoder.get_datetime().jump_minute());
  expect_clock_shows(decoder.get_datetime(), dcf77_local_time(k1437 + minutes{11}));
}

// ---- Leap seconds ----------------------------------------------------------------

TEST(Dcf77DecoderTest, LeapSecondMinuteIsDecodedWithItsBit59) {
  struct Case {
    Bit bit_59;
    std::optional<bool> is_one;
  };
  const Case cases[] = {{false, false}, {true, true}, {std::nullopt, false}};
  for (const Case& c : cases) {
    for (const bool add_minute : {true, false}) {
      Dcf77Decoder decoder = decoder_after(kLeap - minutes{70}, kLeap - minutes{1}, leap_options());
      ASSERT_EQ(decoder.get_minute_length(), 61);
      Dcf77Frame frame = frame_carrying(kLeap, leap_options());
      ASSERT_EQ(frame.length, 61);
      frame.bits[59] = c.bit_59;
      feed_seconds(decoder, frame.bits, 60);
      if (!add_minute) {
        // The clock was advanced to 01:00 during the minute: still 61.
        ASSERT_TRUE(decoder.increase_minute());
      }
      end_minute(decoder);
      ASSERT_EQ(decoder.get_previous_second(), 60);
      decoder.decode_time(add_minute, true);
      const DateTimeRecord& clock = decoder.get_datetime();
      expect_clock_shows(clock, dcf77_local_time(kLeap));
      EXPECT_EQ(clock.leap_second(), u8(LEAP_PROCESSED));
      EXPECT_EQ(decoder.get_leap_second_is_one(), c.is_one);
      EXPECT_EQ(decoder.get_this_minute_length(), 61);
      EXPECT_EQ(decoder.get_next_minute_length(), 60);
      EXPECT_EQ(decoder.get_minute_parity(), std::optional<bool>(false));
    }
  }
}

TEST(Dcf77DecoderTest, MissingLeapSecondIsDecodedAsA60SecondMinute) {
  for (const bool add_minute : {true, false}) {
    SCOPED_TRACE(add_minute);
    Dcf77Decoder decoder = decoder_after(kLeap - minutes{70}, kLeap - minutes{1}, leap_options());
    ASSERT_EQ(decoder.get_minute_length(), 61);
    const Dcf77Frame frame = frame_carrying(kLeap, leap_options(true));
    ASSERT_EQ(frame.length, 60);
    feed_seconds(decoder, frame.bits, 59);
    // Stale data at index 59 must not be read as the leap second.
    decoder.set_current_bit(true);
    if (!add_minute) {
      ASSERT_TRUE(decoder.increase_minute());
    }
    end_minute(decoder);
    ASSERT_EQ(decoder.get_previous_second(), 59);
    decoder.decode_time(add_minute, true);
    const DateTimeRecord& clock = decoder.get_datetime();
    expect_clock_shows(clock, dcf77_local_time(kLeap));
    expect_no_jumps(clock);
    EXPECT_EQ(clock.leap_second(), u8(LEAP_PROCESSED | LEAP_MISSING));
    EXPECT_EQ(decoder.get_leap_second_is_one(), std::nullopt);
    EXPECT_EQ(clock.minutes_running(), 0);  // decoded, not merely advanced
    EXPECT_EQ(decoder.get_this_minute_length(), 61);
    EXPECT_EQ(decoder.get_next_minute_length(), 60);
  }
}

TEST(Dcf77DecoderTest, MinuteLengthCheckAroundTheLeapSecond) {
  struct Case {
    bool leap_expected;
    std::size_t bits;  // pulsed seconds fed before the minute marker
    bool decoded;
  };
  const Case cases[] = {
      {false, 58, false}, {false, 59, true}, {true, 58, false}, {true, 59, true}, {true, 60, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.leap_expected << " " << c.bits);
    const Dcf77Options options = c.leap_expected ? leap_options() : Dcf77Options{};
    Dcf77Decoder decoder = decoder_after(kLeap - minutes{70}, kLeap - minutes{1}, options);
    ASSERT_EQ(decoder.get_minute_length(), c.leap_expected ? 61 : 60);
    const std::uint8_t running = decoder.get_datetime().minutes_running();
    Dcf77Frame frame = frame_carrying(kLeap, leap_options());
    feed_bits(decoder, frame.bits, c.bits);
    decoder.decode_time(true, true);
    // minutes_running restarts only when the top of the hour is decoded.
    EXPECT_EQ(decoder.get_datetime().minutes_running(), c.decoded ? 0 : running);
    expect_clock_shows(decoder.get_datetime(), dcf77_local_time(kLeap));
  }
}

// ---- Round trips through real calendar minutes ------------------------------------

struct MinuteResult {
  Dcf77Decoder decoder;
  unsigned seconds;  // seconds counted in the minute
};

// Calls visit(is_high, when) for every line of an edge log made by the
// encoder.
template <typename Visit>
void for_each_edge(std::string_view log, Visit visit) {
  while (!log.empty()) {
    const std::size_t end = log.find('\n');
    const std::string line(log.substr(0, end));
    log.remove_prefix(end == std::string_view::npos ? log.size() : end + 1);
    const bool is_high = line.rfind("D true ", 0) == 0;
    const std::size_t when_at = line.find(' ', 2) + 1;
    visit(is_high, static_cast<std::uint32_t>(std::stoul(line.substr(when_at))));
  }
}

// Replays a per-bit log through the receiver step, keeping the decoder as it
// stood after every minute (decoded or not).
std::vector<MinuteResult> replay_bits(std::string_view log, bool strict) {
  std::vector<MinuteResult> minutes_seen;
  Dcf77Receiver receiver(strict);
  for (const char c : log) {
    const Dcf77BitStep step = receiver.take_bit(c);
    if (step.minute.has_value()) {
      minutes_seen.push_back({receiver.decoder(), step.minute->seconds});
    }
  }
  return minutes_seen;
}

// Replays an edge log through the receiver step, keeping the decoder as it
// stood after every minute. Counts refused increase_second calls: the step
// into an unpulsed last second that found no minute, and the wraps of a
// counter that ran past the end of a minute.
std::vector<MinuteResult> replay_edges(std::string_view log, bool strict, int& refusals) {
  std::vector<MinuteResult> minutes_seen;
  Dcf77Receiver receiver(strict);
  refusals = 0;
  for_each_edge(log, [&](bool is_high, std::uint32_t when) {
    const Dcf77EdgeStep step = receiver.take_edge(is_high, when);
    if (step.counter.has_value() && !step.counter->increased) {
      ++refusals;
    }
    if (step.wrapped) {
      ++refusals;
    }
    if (step.minute.has_value()) {
      minutes_seen.push_back({receiver.decoder(), step.minute->seconds});
    }
  });
  return minutes_seen;
}

struct Expected {
  std::optional<SysMinutes> dst_change;  // UTC instant of a summer-time change
  std::optional<SysMinutes> leap;        // UTC instant a leap second precedes
  bool leap_missing = false;
};

// Checks a decoded minute against the true time it carries (UTC `carried`).
void expect_true_minute(const MinuteResult& result, SysMinutes carried, const Expected& e,
                        bool top_of_hour_seen) {
  const Dcf77Decoder& d = result.decoder;
  const DateTimeRecord& clock = d.get_datetime();
  const CivilMinute local = dcf77_local_time(carried);
  expect_clock_shows(clock, local);
  expect_no_jumps(clock);
  EXPECT_FALSE(d.get_first_minute());
  EXPECT_EQ(d.get_minute_parity(), std::optional<bool>(false));
  EXPECT_EQ(d.get_hour_parity(), std::optional<bool>(false));
  EXPECT_EQ(d.get_date_parity(), std::optional<bool>(false));
  EXPECT_EQ(d.get_bit_0(), Bit{false});
  EXPECT_EQ(d.get_bit_20(), Bit{true});
  if (top_of_hour_seen) {
    // Every minute of the hour so far was decoded, not merely advanced.
    EXPECT_EQ(clock.minutes_running(), local.minute);
  }

  auto in_hour_before = [&](const std::optional<SysMinutes>& instant) {
    return instant.has_value() && carried > *instant - hours{1} && carried < *instant;
  };
  EXPECT_EQ(has_flag(clock.dst(), DST_ANNOUNCED), in_hour_before(e.dst_change));
  EXPECT_EQ(has_flag(clock.dst(), DST_PROCESSED), e.dst_change == carried);

  const bool leap_now = e.leap == carried;
  EXPECT_EQ(has_flag(clock.leap_second(), LEAP_ANNOUNCED), in_hour_before(e.leap));
  EXPECT_EQ(has_flag(clock.leap_second(), LEAP_PROCESSED), leap_now);
  EXPECT_EQ(has_flag(clock.leap_second(), LEAP_MISSING), leap_now && e.leap_missing);
  EXPECT_EQ(d.get_leap_second_is_one(),
            leap_now && !e.leap_missing ? std::optional<bool>(false) : std::nullopt);
  EXPECT_EQ(d.get_this_minute_length(), leap_now ? 61 : 60);
  EXPECT_EQ(d.get_next_minute_length(), e.leap == carried + minutes{1} ? 61 : 60);
  EXPECT_EQ(result.seconds, leap_now && !e.leap_missing ? 61U : 60U);
}

struct RoundTrip {
  const char* name;
  SysMinutes first_sent;  // UTC minute the first frame is sent in
  int count;
  Dcf77Options options;
  Expected expected;
};

std::vector<RoundTrip> round_trips() {
  std::vector<RoundTrip> trips;
  trips.push_back({"new year 2025", utc_minute(2024, 12, 31, 22, 50), 30, {}, {}});
  trips.push_back({"end of April 2024", utc_minute(2024, 4, 30, 21, 50), 30, {}, {}});
  trips.push_back({"29 February 2024", utc_minute(2024, 2, 28, 22, 50), 30, {}, {}});
  trips.push_back({"into 1 March 2024", utc_minute(2024, 2, 29, 22, 50), 30, {}, {}});
  trips.push_back({"new century 2100", utc_minute(2099, 12, 31, 22, 55), 10, {}, {}});
  const SysMinutes spring = utc_minute(2025, 3, 30, 1, 0);
  trips.push_back({"summer time 2025", spring - minutes{125}, 190, {}, {spring, {}, false}});
  const SysMinutes autumn = utc_minute(2025, 10, 26, 1, 0);
  trips.push_back({"winter time 2025", autumn - minutes{125}, 190, {}, {autumn, {}, false}});
  trips.push_back(
      {"leap second 2016", kLeap - minutes{125}, 250, leap_options(), {{}, kLeap, false}});
  trips.push_back(
      {"missing leap second", kLeap - minutes{125}, 250, leap_options(true), {{}, kLeap, true}});
  return trips;
}

void check_round_trip(const RoundTrip& trip, const std::vector<MinuteResult>& results,
                      std::size_t first_full, SysMinutes first_carried) {
  bool top_of_hour_seen = false;
  for (std::size_t k = first_full; k < results.size(); ++k) {
    const SysMinutes carried = first_carried + minutes{k - first_full};
    SCOPED_TRACE(testing::Message() << trip.name << " minute " << k);
    top_of_hour_seen = top_of_hour_seen || dcf77_local_time(carried).minute == 0;
    expect_true_minute(results[k], carried, trip.expected, top_of_hour_seen);
  }
}

TEST(Dcf77DecoderTest, PerBitLogsOfRealMinutesDecodeToTheTrueTime) {
  for (const RoundTrip& trip : round_trips()) {
    const std::string log = dcf77_bit_log(dcf77_frames(trip.first_sent, trip.count, trip.options));
    for (const bool strict : {false, true}) {
      const std::vector<MinuteResult> results = replay_bits(log, strict);
      ASSERT_EQ(results.size(), static_cast<std::size_t>(trip.count));
      check_round_trip(trip, results, 0, trip.first_sent + minutes{1});
    }
  }
}

TEST(Dcf77DecoderTest, EdgeLogsOfRealMinutesDecodeToTheTrueTime) {
  for (const RoundTrip& trip : round_trips()) {
    if (trip.expected.leap_missing) {
      // Expecting 61 seconds, the edge analyzer advances into the unmarked
      // last second only from second 59, so a minute without its leap second
      // ends after second 58 there: that minute is the edge analyzer's
      // concern, not the decoder's.
      continue;
    }
    const auto frames = dcf77_frames(trip.first_sent, trip.count, trip.options);
    EdgeLogOptions options;
    options.start_us = 4294967295U - 30000000U;  // the counter wraps in the first minute
    int refusals = 0;
    const std::vector<MinuteResult> results =
        replay_edges(dcf77_edge_log(frames, options), true, refusals);
    ASSERT_EQ(results.size(), frames.size());
    EXPECT_EQ(refusals, 0);
    check_round_trip(trip, results, 0, trip.first_sent + minutes{1});
  }
}

TEST(Dcf77DecoderTest, EdgeLogStartingMidMinuteDecodesFromTheFirstFullMinute) {
  const SysMinutes first = utc_minute(2024, 12, 31, 22, 55);
  const auto frames = dcf77_frames(first, 10);
  EdgeLogOptions options;
  options.skip_seconds = 23;
  int refusals = 0;
  const std::vector<MinuteResult> results =
      replay_edges(dcf77_edge_log(frames, options), true, refusals);
  ASSERT_EQ(results.size(), frames.size());
  // The partial minute is not decoded: wrong length, nothing taken.
  const Dcf77Decoder& partial = results[0].decoder;
  EXPECT_NE(results[0].seconds, 60U);
  EXPECT_TRUE(partial.get_first_minute());
  EXPECT_EQ(partial.get_datetime(), Dcf77Decoder().get_datetime());
  EXPECT_EQ(partial.get_minute_parity(), std::nullopt);
  EXPECT_EQ(partial.get_bit_0(), Bit{});
  EXPECT_EQ(partial.get_call_bit(), Bit{});
  // The first full minute is taken as it is, the rest follow on.
  const RoundTrip trip{"mid-minute start", first, 10, {}, {}};
  check_round_trip(trip, results, 1, first + minutes{2});
}

TEST(Dcf77DecoderTest, RingingAfterEveryRisingEdgeCostsNothing) {
  const SysMinutes first = utc_minute(2025, 3, 30, 0, 0);  // summer time begins at 01:00
  const auto frames = dcf77_frames(first, 75);
  EdgeLogOptions options;
  options.glitch_after_rise_us = 5000;
  const std::string log = dcf77_edge_log(frames, options);
  int refusals = 0;
  const std::vector<MinuteResult> results = replay_edges(log, true, refusals);
  ASSERT_EQ(results.size(), frames.size());
  EXPECT_EQ(refusals, 0);
  const RoundTrip trip{"ringing", first, 75, {}, {utc_minute(2025, 3, 30, 1, 0), {}, false}};
  check_round_trip(trip, results, 0, first + minutes{1});

  // The decoder refuses exactly the first edge and the two edges of each
  // glitch.
  Dcf77Decoder decoder;
  std::size_t refused = 0;
  std::size_t edges = 0;
  for_each_edge(log, [&](bool is_high, std::uint32_t when) {
    refused += decoder.handle_new_edge(is_high, when) ? 0 : 1;
    ++edges;
  });
  const std::size_t pulses = frames.size() * 59;
  ASSERT_EQ(edges, pulses * 4 + 1);
  EXPECT_EQ(refused, 1 + pulses * 2);
}

}  // namespace
}  // namespace quillfen
