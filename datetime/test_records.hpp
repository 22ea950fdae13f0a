// Test helpers: records built through the public operations only, the way a
// decoder fills them.
#ifndef QUILLFEN_DATETIME_TEST_RECORDS_HPP_
#define QUILLFEN_DATETIME_TEST_RECORDS_HPP_

#include <cstdint>
#include <ostream>

#include "datetime/date_time_record.hpp"

namespace quillfen::test_records {

inline constexpr std::uint8_t kDcf77Min = 1, kDcf77Max = 7;  // Monday 1 .. Sunday 7
inline constexpr std::uint8_t kMsfMin = 0, kMsfMax = 6;      // Sunday 0 .. Saturday 6

struct Civil {
  std::uint8_t year, month, day, weekday, hour, minute;
};

// A complete record holding `at`, with summer time as given and, when
// `announced`, a daylight-saving change announced for the end of the hour.
// The offset is left unset.
inline DateTimeRecord make_record(std::uint8_t min_weekday, std::uint8_t max_weekday,
                                  const Civil& at, bool summer = false, bool announced = false) {
  DateTimeRecord record(min_weekday, max_weekday);
  record.set_year(at.year, true, false);
  record.set_month(at.month, true, false);
  record.set_weekday(at.weekday, true, false);
  record.set_day(at.day, true, false);
  record.set_hour(at.hour, true, false);
  // An announcement is only evaluated away from the top of the hour; one
  // announced minute out of none running is a majority.
  record.set_minute(30, true, false);
  record.set_dst(summer, announced, false);
  record.set_minute(at.minute, true, false);
  return record;
}

inline DateTimeRecord make_dcf77(const Civil& at, bool summer = false, bool announced = false) {
  DateTimeRecord record = make_record(kDcf77Min, kDcf77Max, at, summer, announced);
  record.set_utc_offset(60, false);
  return record;
}

inline DateTimeRecord make_msf(const Civil& at, bool summer = false, bool announced = false) {
  DateTimeRecord record = make_record(kMsfMin, kMsfMax, at, summer, announced);
  record.set_utc_offset(0, false);
  return record;
}

inline Civil civil_of(const DateTimeRecord& record) {
  return Civil{record.year().value(),    record.month().value(), record.day().value(),
               record.weekday().value(), record.hour().value(),  record.minute().value()};
}

inline bool operator==(const Civil& a, const Civil& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day && a.weekday == b.weekday &&
         a.hour == b.hour && a.minute == b.minute;
}

// Readable test failures: "24-02-29 wd 4 23:59".
inline void PrintTo(const Civil& c, std::ostream* os) {
  *os << int{c.year} << '-' << int{c.month} << '-' << int{c.day} << " wd " << int{c.weekday} << ' '
      << int{c.hour} << ':' << int{c.minute};
}

}  // namespace quillfen::test_records

#endif  // QUILLFEN_DATETIME_TEST_RECORDS_HPP_
