// The date and time a station decoder believes in after the last decoded
// minute: its running clock.
//
// A DateTimeRecord stores a two-digit year, month, day, weekday, hour and
// minute, each absent until a vouched-for value in range arrives; the
// daylight-saving and leap-second flag sets; DUT1; the station's offset from
// UTC. Beyond storing values it
//   - takes a decoded value only when the decoder vouches for it (`accept`,
//     its parity verdict) and the value lies in the field's range, and
//     otherwise keeps what it had;
//   - compares every taken value with the value it replaces, which the decoder
//     has just advanced by one minute, and raises a per-field jump flag when
//     they differ;
//   - knows the calendar: month lengths, leap years, and how to tell a year 00
//     that is 2000 (leap) from one that is 2100 (not leap) by the weekday;
//   - counts the daylight-saving and leap-second announcements of the hour and
//     carries announced changes out at the top of the hour;
//   - advances by a minute with carry into hour, day, month and year, skipping
//     or repeating the hour of an announced daylight-saving change, and
//     converts to UTC.
//
// Bad input is never an error: an absent, out-of-range or unvouched value is
// dropped and the old value stays. A broken precondition (a field a caller
// guaranteed to be present) stops the program through QUILLFEN_CHECK.
//
// Invariants kept by every operation: a present month is 1..12, year 0..99,
// hour 0..23, minute 0..59, weekday within min_weekday()..max_weekday(); a
// present day was checked against the month and year stored when it was
// taken (so February may keep a day 30 or 31 when the month changed under it;
// the minute arithmetic copes with that). Present fields never become absent.
//
// A record produced by get_utc() has is_utc_copy() set and is a read-only
// snapshot for printing: every setter, clear_jumps, set_dst, set_leap_second,
// bump_minute and bump_minutes_running leave it unchanged (set_utc_offset
// still works on it).
#ifndef QUILLFEN_DATETIME_DATE_TIME_RECORD_HPP_
#define QUILLFEN_DATETIME_DATE_TIME_RECORD_HPP_

#include <cstdint>
#include <optional>
#include <type_traits>

#include "datetime/bit_field.hpp"

namespace quillfen {

// Flag bits of the `dst` set.
// A daylight-saving change is announced for the end of this hour.
inline constexpr std::uint8_t DST_ANNOUNCED = 0x01;
// This minute is the top of the hour at which an announced change was due.
inline constexpr std::uint8_t DST_PROCESSED = 0x02;
// This minute's daylight-saving bit changed without announcement; the change
// was not taken.
inline constexpr std::uint8_t DST_JUMP = 0x04;
// Summer time is in effect.
inline constexpr std::uint8_t DST_SUMMER = 0x08;

// Flag bits of the `leap_second` set.
// A leap second is announced for the end of this hour.
inline constexpr std::uint8_t LEAP_ANNOUNCED = 0x01;
// This minute is the top of the hour at which an announced leap second was
// due.
inline constexpr std::uint8_t LEAP_PROCESSED = 0x02;
// The leap second was due, but the minute before had 60 seconds, not 61.
inline constexpr std::uint8_t LEAP_MISSING = 0x04;

// A rule taking the record's `dst` flag set and a raw hour (possibly above 23
// when a day rolls over) to the hour to use.
using HourAdjust = std::uint8_t (*)(std::uint8_t dst_flags, std::uint8_t hour);

// Returns `hour` unchanged.
std::uint8_t keep_hour(std::uint8_t dst_flags, std::uint8_t hour);

// Returns `hour` unchanged when DST_ANNOUNCED is clear; one less when
// DST_ANNOUNCED and DST_SUMMER are both set (summer to winter: an hour is
// repeated); one more when DST_ANNOUNCED is set and DST_SUMMER clear (winter to
// summer: an hour is skipped). Arithmetic is modulo 256.
std::uint8_t dst_change_hour(std::uint8_t dst_flags, std::uint8_t hour);

class DateTimeRecord {
 public:
  // An empty record for a station numbering its weekdays min..max (DCF77 1..7
  // with Sunday 7, MSF 0..6 with Sunday 0; Tuesday is 2 in both, which the
  // year-00 calendar rule relies on). Every optional field absent, every jump
  // flag false, dst_first_update true, is_utc_copy false, time_is_utc unset,
  // the counters 0.
  // REQUIRES: min_weekday <= max_weekday (checked).
  DateTimeRecord(std::uint8_t min_weekday, std::uint8_t max_weekday);

  // ---- Read accessors ------------------------------------------------------

  // Offset of the decoded (local standard) time from UTC in minutes,
  // -1080..1080; summer time is never included.
  std::optional<std::int16_t> utc_offset() const { return utc_offset_; }
  std::optional<std::uint8_t> year() const { return year_; }  // two digits, 0..99
  std::optional<std::uint8_t> month() const { return month_; }
  std::optional<std::uint8_t> day() const { return day_; }
  std::optional<std::uint8_t> weekday() const { return weekday_; }
  std::optional<std::uint8_t> hour() const { return hour_; }
  std::optional<std::uint8_t> minute() const { return minute_; }
  // Flag set of DST_ANNOUNCED, DST_PROCESSED, DST_JUMP, DST_SUMMER.
  std::optional<std::uint8_t> dst() const { return dst_; }
  // Flag set of LEAP_ANNOUNCED, LEAP_PROCESSED, LEAP_MISSING.
  std::optional<std::uint8_t> leap_second() const { return leap_second_; }
  // DUT1, -99..99 (the MSF decoder stores tenths of a second).
  std::optional<std::int8_t> dut1() const { return dut1_; }
  // utc_offset split into whole hours and the remaining minutes, both with the
  // sign of the offset (-90 gives -1 and -30).
  std::optional<std::int8_t> utc_offset_hours() const { return utc_offset_hours_; }
  std::optional<std::int8_t> utc_offset_minutes() const { return utc_offset_minutes_; }

  // Jump flags: the value just taken into the field differed from the value it
  // held, which was the expected one. They describe the minute just decoded.
  bool jump_year() const { return jump_year_; }
  bool jump_month() const { return jump_month_; }
  bool jump_day() const { return jump_day_; }
  bool jump_weekday() const { return jump_weekday_; }
  bool jump_hour() const { return jump_hour_; }
  bool jump_minute() const { return jump_minute_; }
  bool jump_dut1() const { return jump_dut1_; }

  // True until set_dst has run once; the first daylight-saving bit ever
  // received sets DST_SUMMER directly.
  bool dst_first_update() const { return dst_first_update_; }
  // Set on a record produced by get_utc(); such a record is read-only.
  bool is_utc_copy() const { return is_utc_copy_; }
  // Unset until set_utc_offset succeeds; then the flag given to it (true: the
  // decoded time already is UTC).
  std::optional<bool> time_is_utc() const { return time_is_utc_; }

  std::uint8_t min_weekday() const { return min_weekday_; }
  std::uint8_t max_weekday() const { return max_weekday_; }
  // Decoded minutes since the last decoded minute 0 (8-bit, wraps at 256).
  std::uint8_t minutes_running() const { return minutes_running_; }
  // Minutes of this hour whose DST announcement bit was 1 (8-bit, wraps).
  std::uint8_t dst_count() const { return dst_count_; }
  // Minutes of this hour whose leap-second announcement bit was 1 (wraps).
  std::uint8_t leap_second_count() const { return leap_second_count_; }

  // ---- Field setters -------------------------------------------------------
  //
  // `accept` is the decoder's verdict on the field (its parity check);
  // `check_jump` asks to compare with the current value and report a change.
  //
  // On a UTC copy nothing changes. Otherwise the value is taken when it is
  // present, `accept` is true and it lies in the field's range:
  //   taken:     the field becomes the value; its jump flag becomes true
  //              exactly when check_jump is true, the field held a value
  //              before, and that value differs from the new one;
  //   not taken: the field keeps what it held (a value or absent) and its
  //              jump flag becomes false.
  // So a rejected value never changes a field and never raises a jump, and the
  // first value taken into an absent field never raises a jump either.

  void set_year(std::optional<std::uint8_t> value, bool accept, bool check_jump);   // 0..99
  void set_month(std::optional<std::uint8_t> value, bool accept, bool check_jump);  // 1..12
  // min_weekday()..max_weekday().
  void set_weekday(std::optional<std::uint8_t> value, bool accept, bool check_jump);
  void set_hour(std::optional<std::uint8_t> value, bool accept, bool check_jump);    // 0..23
  void set_minute(std::optional<std::uint8_t> value, bool accept, bool check_jump);  // 0..59

  // Day of month, 1..31 and not beyond last_day_of_month(value). Call it after
  // the year, month and weekday of the same minute have been set.
  // When `value` is absent or outside 1..31, or any of year, month, weekday is
  // absent, nothing changes at all, jump_day included (it keeps its value).
  // Otherwise the setter rule above applies, the value being taken when
  // `accept` is true and last_day_of_month(value) gives a day count not below
  // it.
  void set_day(std::optional<std::uint8_t> value, bool accept, bool check_jump);

  // DUT1, -99..99, with the setter rule above and one more step: a change of
  // DUT1 at 00:00 UTC is expected, so when get_utc() of the updated record
  // gives a time of 00:00, jump_dut1 becomes false. When get_utc() gives
  // nothing, jump_dut1 stays as the setter rule left it.
  void set_dut1(std::optional<std::int8_t> value, bool accept, bool check_jump);

  // The number of days of the stored month in the stored year, for checking
  // `day` against it. Months 4, 6, 9, 11 give 30, other months but February
  // 31. February gives 29 in a year divisible by 4 and 28 otherwise, except:
  //   - a `day` of 30 or more in February gives nothing ("no day count");
  //   - year 0 may be 2000 (leap) or 2100 (not), so the weekday decides
  //     (a stored weekday 0, MSF's Sunday, counts as 7): for day 29 the month
  //     has 29 days when the weekday is 2 (Tuesday, as 29 February 2000);
  //     for another day it has 29 days when the stored weekday is the one that
  //     `day` has in a February whose 1st is a Tuesday (2000, 2400), else 28.
  // REQUIRES: year, month and weekday present (checked).
  std::optional<std::uint8_t> last_day_of_month(std::uint8_t day) const;

  // Resets the seven jump flags and, when dst is present, its DST_JUMP bit.
  // The leap-second flags are left alone. Nothing changes on a UTC copy.
  void clear_jumps();

  // ---- Daylight saving and leap seconds ------------------------------------
  //
  // An announcement is believed while twice its count this hour, taken modulo
  // 256, is greater than minutes_running(). All three operations read `minute`
  // as it stands after this minute's field setters. None changes a UTC copy.

  // Takes this minute's daylight-saving bit (1: summer time) and announcement
  // bit. When either is undetermined nothing changes, not even dst_count or
  // dst_first_update. Otherwise dst becomes present with DST_JUMP cleared; an
  // announcement bit of 1 counts in dst_count; at a minute other than 0
  // DST_ANNOUNCED is re-evaluated by the majority test and DST_PROCESSED
  // cleared. A daylight-saving bit that differs from DST_SUMMER is taken on
  // the very first update or at minute 0 with DST_ANNOUNCED set; otherwise it
  // sets DST_JUMP when `check_jump` is true (DST_SUMMER keeps its value). At
  // minute 0 DST_PROCESSED becomes DST_ANNOUNCED, then DST_ANNOUNCED and
  // dst_count are cleared. dst_first_update becomes false.
  void set_dst(Bit dst_bit, Bit announce_bit, bool check_jump);

  // Takes this minute's leap-second announcement bit and the length in
  // seconds of the minute just received. When the length is neither 60 nor
  // 61, or the bit is undetermined, nothing changes. Otherwise leap_second
  // becomes present; an announcement bit of 1 counts in leap_second_count.
  // At a minute other than 0 LEAP_ANNOUNCED is re-evaluated by the majority
  // test, LEAP_PROCESSED and LEAP_MISSING cleared. At minute 0 with
  // LEAP_ANNOUNCED set LEAP_PROCESSED is set and LEAP_MISSING tells whether
  // the length was 60 (missing) or 61; without it both are cleared; then
  // LEAP_ANNOUNCED and leap_second_count are cleared. With minute absent only
  // the presence and the count change.
  void set_leap_second(Bit announce_bit, std::uint8_t minute_length);

  // Call once per decoded minute, after set_dst and set_leap_second:
  // minutes_running becomes 0 at minute 0, else goes up by one (modulo 256;
  // also when minute is absent).
  void bump_minutes_running();

  // ---- Minute arithmetic and UTC -------------------------------------------

  // A copy advanced by one minute. At the end of an hour the hour advances by
  // add_hours(1, dst_change_hour), so with a daylight-saving change announced
  // 01:59 winter time is followed by 03:00 and 02:59 summer time by 02:00.
  // REQUIRES: minute present; at minute 59 also what add_hours requires
  // (checked).
  DateTimeRecord next_minute() const;

  // Advances the record itself by one minute (year, month, day, weekday, hour
  // and minute; every other field stays) and returns true. Returns false and
  // changes nothing on a UTC copy, or when dst or any of year, month, day,
  // weekday, hour, minute is absent.
  bool bump_minute();

  // A copy moved forward by `n` hours; the hour is rule(dst flags, (hour + n)
  // modulo 256). When that is 24 or more the day rolls over once: weekday,
  // day, month and two-digit year advance (99 is followed by 0).
  // In a February holding a day of 30 or 31 (its month was taken while its day
  // was rejected), last_day_of_month gives no day count; the day then rolls
  // over as if it were the last of the month, to 1 March, so the record stays
  // within its invariants.
  // REQUIRES: hour and dst present; the adjusted hour below 48 (one day of
  // carry); on a roll-over also day, weekday, year and month present (all
  // checked).
  DateTimeRecord add_hours(std::uint8_t n, HourAdjust rule) const;

  // A copy moved back by `n` hours. When the hour goes below 0 the day goes
  // back once: weekday, day, month and two-digit year go back (0 is preceded
  // by 99); the last day of February in year 0 is 29 when the new weekday is
  // 2 (Tuesday, as 29 February 2000), else 28.
  // REQUIRES: hour present; n <= hour + 24 (one day of borrow); when the day
  // goes back also weekday, day, month and year present (all checked).
  DateTimeRecord minus_hours(std::uint8_t n) const;

  // Sets the offset of the station's standard time from UTC in minutes (60 for
  // DCF77's CET, 0 for MSF's GMT) and whether the decoded time already is UTC.
  // utc_offset_hours is offset / 60 truncated toward zero, utc_offset_minutes
  // the rest with the sign of the offset. An offset outside -1080..1080
  // changes nothing. Works on a UTC copy too.
  void set_utc_offset(std::int16_t offset, bool time_is_utc);

  // The record converted to UTC, marked is_utc_copy; summer time (DST_SUMMER)
  // adds 60 minutes to the offset. Every field but the date and time is copied
  // unchanged. Returns an unchanged copy (not shifted again) when time_is_utc
  // is true or the record already is a UTC copy. Returns nothing when
  // time_is_utc is unset, or dst or any of year, month, day, weekday, hour,
  // minute is absent.
  std::optional<DateTimeRecord> get_utc() const;

  bool operator==(const DateTimeRecord&) const = default;

 private:
  // The 00:00 UTC step of set_dut1.
  void forgive_dut1_change_at_utc_midnight();

  std::optional<std::int16_t> utc_offset_;
  std::optional<std::uint8_t> year_;
  std::optional<std::uint8_t> month_;
  std::optional<std::uint8_t> day_;
  std::optional<std::uint8_t> weekday_;
  std::optional<std::uint8_t> hour_;
  std::optional<std::uint8_t> minute_;
  std::optional<std::uint8_t> dst_;
  std::optional<std::uint8_t> leap_second_;
  std::optional<std::int8_t> dut1_;
  std::optional<std::int8_t> utc_offset_hours_;
  std::optional<std::int8_t> utc_offset_minutes_;
  std::optional<bool> time_is_utc_;
  bool jump_year_ = false;
  bool jump_month_ = false;
  bool jump_day_ = false;
  bool jump_weekday_ = false;
  bool jump_hour_ = false;
  bool jump_minute_ = false;
  bool jump_dut1_ = false;
  bool dst_first_update_ = true;
  bool is_utc_copy_ = false;
  std::uint8_t min_weekday_;
  std::uint8_t max_weekday_;
  std::uint8_t minutes_running_ = 0;
  std::uint8_t dst_count_ = 0;
  std::uint8_t leap_second_count_ = 0;
};

// Decoders advance copies and analyzers copy the record every minute.
static_assert(std::is_trivially_copyable_v<DateTimeRecord>);
// Size budget, on the host and on Cortex-M alike (42 bytes today): a record
// that grows past it costs every receiver RAM, so growing it is a decision.
static_assert(sizeof(DateTimeRecord) <= 48);

}  // namespace quillfen

#endif  // QUILLFEN_DATETIME_DATE_TIME_RECORD_HPP_
