// JSON Lines of minutes (-j without -S): a writer that prints one JSON
// object per minute block of the per-minute report, and nothing else.
//
// Each object, keys in this order:
//   "block"        1 for the first minute block of the log
//   "local", "utc" the time of the block's clock in the station's local time
//                  and in UTC, ISO 8601 with offset ("2025-03-30T03:00+02:00",
//                  "2025-03-30T01:00+00:00"), or null when incomplete
//   "seconds"      the seconds counted in the minute
//   "length"       the minute's length (DCF77 this_minute_length, MSF
//                  minute_length), null for a DCF77 minute too short to decode
//   "first_minute" as the block's first line, null without one
//   "decoded", "clean" as the summary counts them (minute_tracker.hpp)
//   "class"        "clean", "parity", "jump", "length" or "not decoded"
//   "complaints"   the minute's complaint lines as the report prints them, in
//                  its order (a minute-length line beyond the fourth before
//                  one block is given as "Minute is N seconds instead of N
//                  seconds long")
//   "fields"       the date-time line's fields: "year" (two digits),
//                  "month", "day", "weekday" (the station's numbering),
//                  "hour", "minute", each a number or null; null without a
//                  date-time line
//   "dst"          {"announced", "processed", "jump", "summer"} booleans, or
//                  null while the daylight-saving state is unknown
//   "leap"         {"announced", "processed", "missing"} booleans and DCF77
//                  "one" (the leap second's bit, or null), or null
//   DCF77: "third_party" (bits 1..14 as a number, or null) and "call" (bit
//   15: true, false or null); MSF: "dut1" (tenths of a second, or null).
#ifndef QUILLFEN_SRC_OVERVIEW_MINUTE_JSON_HPP_
#define QUILLFEN_SRC_OVERVIEW_MINUTE_JSON_HPP_

#include <nlohmann/json.hpp>

#include <string_view>

#include "src/lib/edge_log.hpp"
#include "src/overview/minute_tracker.hpp"
#include "src/report/output_buffer.hpp"

namespace quillfen {

// The JSON object of one minute, as above.
nlohmann::ordered_json minute_json(const OverviewMinute& minute);

// Dumps `value` in one line (strings escaped, ASCII only), followed by "\n".
void put_json_line(OutputBuffer& out, const nlohmann::ordered_json& value);

class MinuteJsonWriter {
 public:
  MinuteJsonWriter(OutputBuffer& out, const Settings& settings)
      : out_(out), tracker_(settings.station, settings.show_utc) {}

  bool ok() const { return out_.ok(); }
  void comment(std::string_view) {}
  void edge(const EdgeSample&) {}
  template <typename Step>
  void take(const Step& step) {
    if (const Lent<OverviewMinute> minute = tracker_.take(step)) {
      put_json_line(out_, minute_json(*minute));
    }
  }

 private:
  OutputBuffer& out_;
  MinuteTracker tracker_;
};

}  // namespace quillfen

#endif  // QUILLFEN_SRC_OVERVIEW_MINUTE_JSON_HPP_
