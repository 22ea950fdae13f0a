#include "src/overview/summary_json.hpp"

#include <string>

namespace quillfen {
namespace {

using Json = nlohmann::ordered_json;

constexpr std::size_t kBinMilliseconds = 10;

Json time_json(const std::optional<MinuteTime>& time) {
  return time.has_value() ? Json(iso_text(*time)) : Json(nullptr);
}

template <std::size_t N>
Json histogram_json(const std::array<std::uint64_t, N>& per_ms) {
  Json bins = Json::array();
  for (std::size_t from = 0; from < N; from += kBinMilliseconds) {
    std::uint64_t count = 0;
    for (std::size_t ms = from; ms < from + kBinMilliseconds; ++ms) count += per_ms[ms];
    if (count != 0) {
      bins.push_back(Json{{"from_ms", from}, {"count", count}});
    }
  }
  return bins;
}

template <typename T>
Json optional_json(const std::optional<T>& value) {
  return value.has_value() ? Json(*value) : Json(nullptr);
}

Json pulses_json(const PulseStatistics& pulses) {
  Json classes = Json::array();
  for (const PulseClass& pulse_class : pulses.classes()) {
    const ClassStatistics stats = pulses.class_statistics(pulse_class);
    classes.push_back(Json{{"name", pulse_class.name},
                           {"lower_us", pulse_class.lower},
                           {"upper_us", pulse_class.upper},
                           {"count", stats.count},
                           {"median_ms", optional_json(stats.median_ms)},
                           {"margin_below_ms", optional_json(stats.margin_below_ms)},
                           {"margin_above_ms", optional_json(stats.margin_above_ms)},
                           {"near_threshold_pulses", stats.near_threshold_count},
                           {"near_threshold", stats.near_threshold}});
  }
  return Json{{"bin_ms", kBinMilliseconds},
              {"pulse_histogram", histogram_json(pulses.pulse_histogram())},
              {"pulses_longer", pulses.long_pulses()},
              {"gap_histogram", histogram_json(pulses.gap_histogram())},
              {"gaps_longer", pulses.long_gaps()},
              {"spike_limit_us", pulses.spike_limit()},
              {"spikes", pulses.spikes()},
              {"outside_classes", pulses.outside_classes()},
              {"classes", classes},
              {"clock_ppm", optional_json(pulses.clock_ppm())},
              {"clock_seconds", pulses.clock_seconds()}};
}

}  // namespace

Json summary_json(const ReceptionOverview& overview) {
  const Settings& settings = overview.settings();
  Json json;
  json["station"] = settings.station == Station::Dcf77 ? "dcf77" : "msf";
  json["log"] = settings.log == LogKind::Edges ? "edges" : "bits";
  json["strict"] = settings.strict;
  json["utc"] = settings.show_utc;
  json["minutes"] = overview.minutes();
  json["decoded"] = overview.decoded();
  json["clean"] = overview.clean();
  json["first_decoded"] = time_json(overview.first_decoded());
  json["last_decoded"] = time_json(overview.last_decoded());
  Json complaints = Json::object();
  for (const Complaint complaint : station_complaints(settings.station)) {
    complaints[std::string(complaint_text(complaint))] =
        overview.complaints()[static_cast<std::size_t>(complaint)];
  }
  json["complaints"] = complaints;
  json["resets"] = overview.resets();
  const CleanRun& run = overview.longest_clean_run();
  json["longest_clean_run"] =
      Json{{"minutes", run.minutes}, {"from", time_json(run.from)}, {"to", time_json(run.to)}};

  const std::vector<HourRow> rows = overview.hours().rows();
  if (const std::optional<std::size_t> worst = worst_hour(rows); worst.has_value()) {
    const HourRow& row = rows[*worst];
    MinuteTime last = row.start;
    last.minute = 59;
    json["worst_hour"] = Json{{"from", iso_text(row.start)},
                              {"to", iso_text(last)},
                              {"minutes", row.minutes},
                              {"clean", row.clean}};
  } else {
    json["worst_hour"] = nullptr;
  }
  Json hours = Json::array();
  for (const HourRow& row : rows) {
    hours.push_back(Json{{"hour", iso_text(row.start)},
                         {"minutes", row.minutes},
                         {"clean", row.clean},
                         {"strip", row.strip()}});
  }
  if (const std::uint64_t no_time = overview.hours().no_time_minutes(); no_time != 0) {
    hours.push_back(Json{{"hour", nullptr},
                         {"minutes", no_time},
                         {"clean", 0},
                         {"strip", std::string(no_time, '?')}});
  }
  json["hours"] = hours;
  if (settings.log == LogKind::Edges) {
    json["pulses"] = pulses_json(overview.pulses());
  }
  return json;
}

}  // namespace quillfen
