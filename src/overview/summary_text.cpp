#include "src/overview/summary_text.hpp"

#include <algorithm>
#include <cstdio>
#include <string>

namespace quillfen {
namespace {

constexpr std::size_t kBarWidth = 40;
constexpr std::size_t kBinMilliseconds = 10;

std::string time_or_none(const std::optional<MinuteTime>& time) {
  return time.has_value() ? iso_text(*time) : std::string("none");
}

// "2025-03-30T03+02:00": the hour of a row.
std::string hour_text(const MinuteTime& start) {
  const std::string iso = iso_text(start);
  return iso.substr(0, 13) + iso.substr(16);
}

void put_line(OutputBuffer& out, std::string_view label, std::uint64_t value) {
  out.put(label);
  out.put(": ");
  out.put_decimal(value);
  out.put('\n');
}

// A histogram of millisecond counts in 10 ms bins: one line per bin that is
// not empty, with a bar scaled to the fullest bin.
template <std::size_t N>
void put_histogram(OutputBuffer& out, const std::array<std::uint64_t, N>& per_ms,
                   std::uint64_t longer, std::string_view longer_text) {
  std::array<std::uint64_t, N / kBinMilliseconds> bins{};
  for (std::size_t ms = 0; ms < N; ++ms) {
    bins[ms / kBinMilliseconds] += per_ms[ms];
  }
  const std::uint64_t fullest = *std::max_element(bins.begin(), bins.end());
  bool any = false;
  for (std::size_t bin = 0; bin < bins.size(); ++bin) {
    if (bins[bin] == 0) {
      continue;
    }
    any = true;
    const std::size_t bar = std::max<std::size_t>(
        1, static_cast<std::size_t>(bins[bin] * kBarWidth / fullest));
    char text[64];
    std::snprintf(text, sizeof text, "  %4zu-%4zu ms %10llu ", bin * kBinMilliseconds,
                  bin * kBinMilliseconds + kBinMilliseconds - 1,
                  static_cast<unsigned long long>(bins[bin]));
    out.put(text);
    out.put(std::string(bar, '#'));
    out.put('\n');
  }
  if (longer != 0) {
    out.put("  ");
    out.put(longer_text);
    out.put(": ");
    out.put_decimal(longer);
    out.put('\n');
  }
  if (!any && longer == 0) {
    out.put("  none\n");
  }
}

void put_pulses(OutputBuffer& out, const PulseStatistics& pulses) {
  out.put("Pulse lengths, as the decoder measures them (10 ms bins):\n");
  put_histogram(out, pulses.pulse_histogram(), pulses.long_pulses(), "1000 ms and longer");
  out.put("Gaps between pulses (10 ms bins):\n");
  put_histogram(out, pulses.gap_histogram(), pulses.long_gaps(), "3000 ms and longer");
  put_line(out, "Spikes ignored", pulses.spikes());
  put_line(out, "Pulses outside every class", pulses.outside_classes());
  out.put("Pulse classes (the decoder's bounds in brackets):\n");
  for (const PulseClass& pulse_class : pulses.classes()) {
    const ClassStatistics stats = pulses.class_statistics(pulse_class);
    char text[160];
    std::snprintf(text, sizeof text, "  %s [%u-%u ms]: ", std::string(pulse_class.name).c_str(),
                  pulse_class.lower / 1000, pulse_class.upper / 1000);
    out.put(text);
    if (!stats.median_ms.has_value()) {
      out.put("no pulses\n");
      continue;
    }
    std::snprintf(text, sizeof text,
                  "%llu pulses, median %u ms, %u ms above the lower bound, %u ms below the upper\n",
                  static_cast<unsigned long long>(stats.count), *stats.median_ms,
                  *stats.margin_below_ms, *stats.margin_above_ms);
    out.put(text);
    if (stats.near_threshold) {
      std::snprintf(text, sizeof text,
                    "    Warning: %llu pulses of class %s (%.1f %%) lie within %u ms of a bound of "
                    "the decoder; a little more jitter and they are misread\n",
                    static_cast<unsigned long long>(stats.near_threshold_count),
                    std::string(pulse_class.name).c_str(),
                    100.0 * static_cast<double>(stats.near_threshold_count) /
                        static_cast<double>(stats.count),
                    kThresholdWarning / 1000);
      out.put(text);
    }
  }
  if (const std::optional<double> ppm = pulses.clock_ppm(); ppm.has_value()) {
    char text[128];
    std::snprintf(text, sizeof text, "Logger clock: %+.1f ppm (from %llu seconds of second markers)\n",
                  *ppm, static_cast<unsigned long long>(pulses.clock_seconds()));
    out.put(text);
  } else {
    out.put("Logger clock: unknown (no second marker without faults)\n");
  }
}

void put_strip(OutputBuffer& out, const ReceptionOverview& overview) {
  out.put("Hour strip (");
  out.put(kStripLegend);
  out.put("):\n");
  const std::vector<HourRow> rows = overview.hours().rows();
  for (const HourRow& row : rows) {
    out.put("  ");
    out.put(hour_text(row.start));
    out.put(" |");
    out.put(row.strip());
    out.put("| ");
    out.put_decimal(row.clean);
    out.put('/');
    out.put_decimal(row.minutes);
    out.put('\n');
  }
  const std::uint64_t no_time = overview.hours().no_time_minutes();
  if (no_time != 0) {
    std::string places(60, ' ');
    std::fill_n(places.begin(), std::min<std::uint64_t>(no_time, 60), '?');
    out.put("  no time             |");
    out.put(places);
    out.put("| 0/");
    out.put_decimal(no_time);
    out.put('\n');
  }
  if (rows.empty() && no_time == 0) {
    out.put("  no minutes\n");
  }
}

}  // namespace

void write_summary_text(OutputBuffer& out, const ReceptionOverview& overview) {
  const Settings& settings = overview.settings();
  out.put("Station: ");
  out.put(settings.station == Station::Dcf77 ? "DCF77" : "MSF");
  out.put(settings.log == LogKind::Edges ? ", edge log" : ", per-bit log");
  out.put(settings.strict ? ", strict mode" : ", loose mode");
  out.put(settings.show_utc ? ", UTC\n" : ", local time\n");
  out.put("First decoded minute: " + time_or_none(overview.first_decoded()) + "\n");
  out.put("Last decoded minute: " + time_or_none(overview.last_decoded()) + "\n");
  put_line(out, "Minutes", overview.minutes());
  put_line(out, "Decoded", overview.decoded());
  put_line(out, "Clean", overview.clean());
  out.put("Complaint lines:\n");
  for (const Complaint complaint : station_complaints(settings.station)) {
    out.put("  ");
    put_line(out, complaint_text(complaint), overview.complaints()[static_cast<std::size_t>(complaint)]);
  }
  put_line(out, "Resets", overview.resets());

  const CleanRun& run = overview.longest_clean_run();
  out.put("Longest clean run: ");
  out.put_decimal(run.minutes);
  out.put(run.minutes == 1 ? " minute" : " minutes");
  if (run.from.has_value() && run.to.has_value()) {
    out.put(", " + iso_text(*run.from) + " to " + iso_text(*run.to));
  }
  out.put('\n');

  const std::vector<HourRow> rows = overview.hours().rows();
  if (const std::optional<std::size_t> worst = worst_hour(rows); worst.has_value()) {
    const HourRow& row = rows[*worst];
    MinuteTime last = row.start;
    last.minute = 59;
    out.put("Worst hour: " + iso_text(row.start) + " to " + iso_text(last) + ", ");
    out.put_decimal(row.minutes);
    out.put(" minutes, ");
    out.put_decimal(row.clean);
    out.put(" clean\n");
  } else {
    out.put("Worst hour: none\n");
  }
  put_strip(out, overview);
  if (settings.log == LogKind::Edges) {
    put_pulses(out, overview.pulses());
  }
}

}  // namespace quillfen
