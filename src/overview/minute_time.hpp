// The time of a minute as the overview outputs (summary, JSON, picture) name
// it: a full civil date and time with its offset from UTC, written in ISO 8601.
#ifndef QUILLFEN_SRC_OVERVIEW_MINUTE_TIME_HPP_
#define QUILLFEN_SRC_OVERVIEW_MINUTE_TIME_HPP_

#include <cstdint>
#include <optional>
#include <string>

#include "datetime/date_time_record.hpp"

namespace quillfen {

struct MinuteTime {
  int year;  // four digits: both time codes send the year of the century, taken as 20yy
  std::uint8_t month;
  std::uint8_t day;
  std::uint8_t hour;
  std::uint8_t minute;
  // Minutes east of UTC: the station's standard offset, plus 60 in summer
  // time; 0 for a time shown in UTC.
  std::int16_t offset;

  bool operator==(const MinuteTime&) const = default;
};

// The time a record shows, or nothing when any of year, month, day, weekday,
// hour and minute is absent (the report prints "**" or "?" then). With `utc`
// the record is a UTC copy and the offset is 0; otherwise the offset is the
// record's UTC offset (0 when unset) plus 60 minutes when DST_SUMMER is set.
// A record whose daylight-saving state is unknown is taken as standard time.
std::optional<MinuteTime> minute_time(const DateTimeRecord& record, bool utc);

// Minutes since 1970-01-01 00:00 UTC.
std::int64_t utc_minutes(const MinuteTime& time);

// The same instant shown at `offset` minutes east of UTC.
MinuteTime at_offset(std::int64_t utc_minutes, std::int16_t offset);

// "2025-03-30T03:00+02:00"; "+00:00" for UTC, a minus sign west of it.
std::string iso_text(const MinuteTime& time);

}  // namespace quillfen

#endif  // QUILLFEN_SRC_OVERVIEW_MINUTE_TIME_HPP_
