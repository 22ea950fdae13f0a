// The hour strip: the decoded minutes of a log placed by the time their
// block shows, one row per hour, one place per minute of the hour, each
// marked with its class (see MinuteClass), and the minutes that were not
// decoded counted apart, since they have no time of their own.
#ifndef QUILLFEN_SRC_OVERVIEW_HOUR_STRIP_HPP_
#define QUILLFEN_SRC_OVERVIEW_HOUR_STRIP_HPP_

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "src/overview/minute_time.hpp"
#include "src/overview/minute_tracker.hpp"

namespace quillfen {

struct HourRow {
  // Hours since 1970-01-01 00:00 UTC: rows are kept in this order, so that
  // the hour repeated when summer time ends gives two rows.
  std::int64_t utc_hour;
  // Minute 0 of the hour, in the time the minutes were shown in.
  MinuteTime start;
  // Per minute of the hour: the worst class of the minutes shown at it
  // (absent: no minute), and every complaint kind they had.
  std::array<std::optional<MinuteClass>, 60> classes{};
  std::array<ComplaintMask, 60> complaints{};
  std::uint32_t minutes = 0;  // minutes placed in the row (two at one place count twice)
  std::uint32_t clean = 0;

  // 60 characters: strip_char of each place, a blank where no minute is.
  std::string strip() const;
};

class HourStrip {
 public:
  // Longer stretches without a decoded minute are left out of rows(); shorter
  // ones show as empty rows, so that an outage of a few hours can be seen.
  static constexpr std::int64_t kLongestShownGap = 24;

  // A decoded minute goes to the row of its hour, any other minute to the
  // count of minutes without time.
  void add(const OverviewMinute& minute);

  // The rows in time order: every hour with a decoded minute, and an empty
  // row for each hour of a gap of at most kLongestShownGap hours between two
  // of them.
  std::vector<HourRow> rows() const;
  // Minutes that were not decoded.
  std::uint64_t no_time_minutes() const { return no_time_; }

 private:
  std::map<std::int64_t, HourRow> rows_;
  std::uint64_t no_time_ = 0;
};

// The index of the row with the most minutes that were not clean (the
// first of equals), or nothing when every minute placed was clean.
std::optional<std::size_t> worst_hour(const std::vector<HourRow>& rows);

}  // namespace quillfen

#endif  // QUILLFEN_SRC_OVERVIEW_HOUR_STRIP_HPP_
