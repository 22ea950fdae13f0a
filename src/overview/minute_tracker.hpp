// The minutes of a report as the overview outputs count them: a fold over
// the receivers' steps that gives, per minute block of the per-minute
// report, whether it was decoded, whether it was clean, its complaint lines
// and its time, and counts every complaint line the report prints.
//
// A minute is one minute block of the report:
//   - DCF77 (both log kinds): every Dcf77Minute; a per-bit minute too short
//     to decode has no reading, and its block is the empty line;
//   - MSF: every MsfMinute.
// An MSF per-bit end-of-minute marker that came early, or a minute marker
// out of place, prints a "Minute is ... long" line (and, for the marker, an
// empty line) but no block: it is no minute of its own. Its line counts, and
// it belongs to the next minute block, which is then not clean.
//
// The lines outside blocks belong to a minute as the report places them:
//   - "Minute is N seconds instead of N seconds long": DCF77 per-bit logs
//     print it right before the minute's block (Dcf77Minute::wrong_length);
//     MSF per-bit logs between blocks (MsfBitStep::wrong_length), so it goes
//     to the next block;
//   - "increase_second() == false": DCF77 per-bit logs print it while the
//     minute is read, before its bits line (Dcf77BitStep::wrapped), so it
//     goes to the minute that ends next; MSF per-bit logs print it right after
//     the block of the minute whose counter ran past its end
//     (MsfBitStep::wrapped in the step of that minute);
//   - edge logs print neither.
// Lines still waiting for a minute when the log ends count in the totals
// only.
//
// Decoded: the block has a date-time line with a complete date and time and
// the seconds of its first line equal its minute length (DCF77
// this_minute_length, MSF minute_length); a DCF77 minute of a missing leap
// second (60 seconds where 61 were due, shown "missing") counts as decoded.
// Clean: decoded, no complaint line in its block, no "Minute is ... long"
// line before it and no "increase_second() == false" line belonging to it.
#ifndef QUILLFEN_SRC_OVERVIEW_MINUTE_TRACKER_HPP_
#define QUILLFEN_SRC_OVERVIEW_MINUTE_TRACKER_HPP_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "datetime/bit_field.hpp"
#include "datetime/date_time_record.hpp"
#include "datetime/reception.hpp"
#include "dcf77/dcf77_receiver.hpp"
#include "msf/msf_receiver.hpp"
#include "src/analyzers/settings.hpp"
#include "src/overview/minute_time.hpp"
#include "src/report/complaints.hpp"

namespace quillfen {

// What a minute looked like, worst first: the hour strip's characters and
// the picture's colours.
enum class MinuteClass : std::uint8_t {
  Clean,       // '.'
  Parity,      // 'p': a parity or fixed-bit line (bad or undetermined)
  Jump,        // 'j': a field or DUT1 jumped
  Length,      // 'l': wrong length, counter ran past the end, marker absent
  NotDecoded,  // '?'
};

inline constexpr std::size_t kMinuteClasses = 5;

// The hour strip's character of a class.
char strip_char(MinuteClass minute_class);

// A set of complaint kinds, one bit per kind.
using ComplaintMask = std::uint32_t;
static_assert(kComplaintKinds <= 32);
constexpr ComplaintMask complaint_bit(Complaint complaint) {
  return ComplaintMask{1} << static_cast<unsigned>(complaint);
}

struct OverviewMinute {
  std::uint64_t number;  // 1 for the first block of the log
  Station station;
  std::uint8_t seconds;  // the seconds the block's first line shows
  // The block's first_minute line and date-time line; absent for a DCF77
  // minute too short to decode (its block is the empty line).
  struct Reading {
    bool first_minute;
    std::uint8_t length;  // this_minute_length (DCF77) or minute_length (MSF)
    DateTimeRecord shown;  // the record of the date-time line
    DateTimeRecord clock;  // the station's clock (local time)
    std::optional<DateTimeRecord> utc;
    // DCF77 only.
    std::optional<bool> leap_second_is_one;
    Bit call_bit;
  };
  std::optional<Reading> reading;
  std::optional<std::uint16_t> third_party;  // DCF77 "Third-party buffer"

  ComplaintList block;  // the complaint lines of the block, in order
  // The "Minute is ... long" lines before the block (the first few kept,
  // all counted) and the "increase_second() == false" lines of the minute.
  std::array<MinuteLength, 4> lengths{};
  std::uint32_t length_lines = 0;
  std::uint32_t wrap_lines = 0;

  bool decoded = false;
  MinuteClass minute_class = MinuteClass::NotDecoded;
  ComplaintMask complaints = 0;  // every kind of line the minute has
  // The time of the date-time line, local or UTC as the report shows it;
  // present only for a decoded minute.
  std::optional<MinuteTime> time;
};

class MinuteTracker {
 public:
  MinuteTracker(Station station, bool show_utc) : station_(station), show_utc_(show_utc) {}

  // Each returns the minute whose block the step ended, if it ended one,
  // lent until the next call. Most steps (a second, an edge) change nothing
  // here and return at once.
  [[gnu::always_inline]] Lent<OverviewMinute> take(const Dcf77BitStep& step) {
    if (!step.minute.has_value() && !step.reset && !step.wrapped) {
      return {};
    }
    return take_counted(step);
  }
  Lent<OverviewMinute> take(const Dcf77EdgeStep& step) {
    if (!step.minute.has_value()) {
      return {};
    }
    return lend(dcf77_minute(*step.minute));
  }
  [[gnu::always_inline]] Lent<OverviewMinute> take(const MsfBitStep& step) {
    if (!step.minute.has_value() && !step.reset && !step.wrapped &&
        !step.wrong_length.has_value()) {
      return {};
    }
    return take_counted(step);
  }
  Lent<OverviewMinute> take(const MsfEdgeStep& step) {
    if (!step.minute.has_value()) {
      return {};
    }
    return lend(msf_edge_minute(*step.minute));
  }

  // How often the report printed each complaint line so far, indexed by
  // Complaint (lines waiting for their minute included).
  const std::array<std::uint64_t, kComplaintKinds>& line_counts() const { return line_counts_; }
  // Resets ("*") of per-bit logs.
  std::uint64_t resets() const { return resets_; }
  bool show_utc() const { return show_utc_; }
  Station station() const { return station_; }

 private:
  Lent<OverviewMinute> take_counted(const Dcf77BitStep& step);
  Lent<OverviewMinute> take_counted(const MsfBitStep& step);
  Lent<OverviewMinute> lend(OverviewMinute minute) {
    minute_ = std::move(minute);
    return Lent<OverviewMinute>(*minute_);
  }
  OverviewMinute msf_edge_minute(const MsfMinute& minute);
  OverviewMinute start_minute(std::uint8_t seconds);
  void finish_minute(OverviewMinute& minute);
  void count(Complaint complaint) { ++line_counts_[static_cast<std::size_t>(complaint)]; }
  void add_length(OverviewMinute& minute, const MinuteLength& length);
  OverviewMinute dcf77_minute(const Dcf77Minute& minute);
  OverviewMinute msf_minute(const MsfMinute& minute);

  Station station_;
  bool show_utc_;
  std::uint64_t blocks_ = 0;
  std::uint64_t resets_ = 0;
  std::array<std::uint64_t, kComplaintKinds> line_counts_{};
  // Lines printed for a minute that has not ended yet.
  std::array<MinuteLength, 4> pending_lengths_{};
  std::uint32_t pending_length_lines_ = 0;
  std::uint32_t pending_wrap_lines_ = 0;
  // The last minute that ended, lent with its step.
  std::optional<OverviewMinute> minute_;
};

}  // namespace quillfen

#endif  // QUILLFEN_SRC_OVERVIEW_MINUTE_TRACKER_HPP_
