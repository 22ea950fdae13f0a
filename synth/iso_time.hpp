// The UTC instants and dates of quillfen-synth's command line, in the ISO 8601
// forms a user types: "2016-12-31T23:30Z", "2016-12-31T23:30:15Z" and
// "2016-12-31".
#ifndef QUILLFEN_SYNTH_ISO_TIME_HPP_
#define QUILLFEN_SYNTH_ISO_TIME_HPP_

#include <chrono>
#include <optional>
#include <string_view>

namespace quillfen {

// "YYYY-MM-DD": a four-digit year and a real day of the Gregorian calendar
// (2000-02-29 exists, 2100-02-29 does not). Nothing for anything else, signs,
// blanks and missing leading zeros included.
std::optional<std::chrono::sys_days> parse_utc_date(std::string_view text);

// "YYYY-MM-DDThh:mmZ" or "YYYY-MM-DDThh:mm:ssZ": a date as above, hour 00..23,
// minute 00..59, second 00..59, "T" and "Z" in upper case. Only UTC ("Z") is
// accepted, and no leap second (":60"): the log of a leap-second minute can
// start at second 59. Nothing for anything else.
std::optional<std::chrono::sys_seconds> parse_utc_instant(std::string_view text);

}  // namespace quillfen

#endif  // QUILLFEN_SYNTH_ISO_TIME_HPP_
