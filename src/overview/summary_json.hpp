// The summary (-S -j) as one JSON object, keys in this order:
//   "station"            "dcf77" or "msf"
//   "log"                "bits" or "edges"
//   "strict", "utc"      the mode and -u
//   "minutes", "decoded", "clean"
//   "first_decoded", "last_decoded"   ISO 8601 with offset, or null
//   "complaints"         per complaint line the station's report can print,
//                        the line as printed (the minute-length line as
//                        "Minute is N seconds instead of N seconds long")
//                        and how often the report prints it
//   "resets"
//   "longest_clean_run"  {"minutes", "from", "to"} (times null without a run)
//   "worst_hour"         {"from", "to", "minutes", "clean"} or null
//   "hours"              per row of the hour strip {"hour" (its minute 0,
//                        ISO 8601), "minutes", "clean", "strip" (60
//                        characters)}, then, when minutes were not decoded,
//                        {"hour": null, "minutes", "clean": 0, "strip": one
//                        "?" per such minute}
//   edge logs: "pulses"  {"bin_ms": 10,
//                         "pulse_histogram", "gap_histogram": lists of
//                           {"from_ms", "count"} for the bins that are not
//                           empty,
//                         "pulses_longer", "gaps_longer": counts beyond the
//                           histograms (1000 ms and 3000 ms),
//                         "spike_limit_us", "spikes", "outside_classes",
//                         "classes": per class {"name", "lower_us",
//                           "upper_us" (the decoder's bounds), "count", "median_ms",
//                           "margin_below_ms", "margin_above_ms" (null
//                           without pulses), "near_threshold_pulses" (within
//                           20 ms of a bound), "near_threshold" (1 % or
//                           more of them)},
//                         "clock_ppm" (null when unknown), "clock_seconds"}
#ifndef QUILLFEN_SRC_OVERVIEW_SUMMARY_JSON_HPP_
#define QUILLFEN_SRC_OVERVIEW_SUMMARY_JSON_HPP_

#include <nlohmann/json.hpp>

#include "src/overview/reception_overview.hpp"

namespace quillfen {

nlohmann::ordered_json summary_json(const ReceptionOverview& overview);

}  // namespace quillfen

#endif  // QUILLFEN_SRC_OVERVIEW_SUMMARY_JSON_HPP_
