// The reception overview of a log: a writer (see log_walk.hpp) that folds
// every value the walk hands out into the counts, runs, hour strip and pulse
// statistics that the summary (-S, text or JSON) and the picture (-p) show.
// It writes nothing itself, so it is always ok.
#ifndef QUILLFEN_SRC_OVERVIEW_RECEPTION_OVERVIEW_HPP_
#define QUILLFEN_SRC_OVERVIEW_RECEPTION_OVERVIEW_HPP_

#include <cstdint>
#include <optional>
#include <string_view>

#include "dcf77/dcf77_receiver.hpp"
#include "msf/msf_receiver.hpp"
#include "src/analyzers/settings.hpp"
#include "src/lib/edge_log.hpp"
#include "src/overview/hour_strip.hpp"
#include "src/overview/minute_time.hpp"
#include "src/overview/minute_tracker.hpp"
#include "src/overview/pulse_statistics.hpp"

namespace quillfen {

// A run of consecutive clean minute blocks.
struct CleanRun {
  std::uint64_t minutes = 0;
  std::optional<MinuteTime> from;  // the time of its first and last minute
  std::optional<MinuteTime> to;
};

class ReceptionOverview {
 public:
  explicit ReceptionOverview(const Settings& settings);

  bool ok() const { return true; }
  void comment(std::string_view) {}
  void edge(const EdgeSample& sample) { pulses_.edge(sample.when); }
  template <typename Step>
  [[gnu::always_inline]] void take(const Step& step) {
    if constexpr (requires { step.measure; }) {
      pulses_.take(step.measure, began_second(step));
    }
    if (const Lent<OverviewMinute> minute = tracker_.take(step)) {
      add(*minute);
    }
  }

  const Settings& settings() const { return settings_; }
  std::uint64_t minutes() const { return minutes_; }
  std::uint64_t decoded() const { return decoded_; }
  std::uint64_t clean() const { return clean_; }
  // How often the report prints each complaint line, indexed by Complaint.
  const std::array<std::uint64_t, kComplaintKinds>& complaints() const {
    return tracker_.line_counts();
  }
  std::uint64_t resets() const { return tracker_.resets(); }
  // The times of the first and the last decoded minute of the log.
  const std::optional<MinuteTime>& first_decoded() const { return first_decoded_; }
  const std::optional<MinuteTime>& last_decoded() const { return last_decoded_; }
  // The longest run of clean minutes (the first of equals).
  const CleanRun& longest_clean_run() const { return longest_; }
  const HourStrip& hours() const { return hours_; }
  // Edge logs only: the pulse statistics.
  const PulseStatistics& pulses() const { return pulses_; }

 private:
  static bool began_second(const Dcf77EdgeStep& step) { return step.second_line.has_value(); }
  static bool began_second(const MsfEdgeStep& step) { return step.edge_line.has_value(); }
  void add(const OverviewMinute& minute);

  Settings settings_;
  MinuteTracker tracker_;
  PulseStatistics pulses_;
  HourStrip hours_;
  std::uint64_t minutes_ = 0;
  std::uint64_t decoded_ = 0;
  std::uint64_t clean_ = 0;
  std::optional<MinuteTime> first_decoded_;
  std::optional<MinuteTime> last_decoded_;
  CleanRun current_;
  CleanRun longest_;
};

// The complaint kinds a station's report can print, in report order: its own
// block lines, the jump lines, and the per-bit lines outside blocks.
std::span<const Complaint> station_complaints(Station station);

}  // namespace quillfen

#endif  // QUILLFEN_SRC_OVERVIEW_RECEPTION_OVERVIEW_HPP_
