// Runs the analysis a run's settings choose: the station's receiver over the
// log's walk, every value handed to a writer (see log_walk.hpp).
#ifndef QUILLFEN_SRC_ANALYZERS_ANALYZE_HPP_
#define QUILLFEN_SRC_ANALYZERS_ANALYZE_HPP_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "dcf77/dcf77_receiver.hpp"
#include "msf/msf_receiver.hpp"
#include "src/analyzers/log_walk.hpp"
#include "src/analyzers/settings.hpp"

namespace quillfen {

// Analyzes `log_text` as `settings` say (station, log kind, mode, spike
// limit) into `writer`. Returns the message of the first malformed edge-log
// line (ending in "\n"; the analysis stopped there) or nothing. Per-bit logs
// have no malformed lines. Stops early once the writer is no longer ok.
template <typename Writer>
std::optional<std::string> analyze(const Settings& settings, std::string_view log_text,
                                   Writer& writer) {
  const auto run = [&](auto receiver) -> std::optional<std::string> {
    if (settings.log == LogKind::Edges) {
      return walk_edges(log_text, receiver, writer);
    }
    walk_bits(log_text, receiver, writer);
    return std::nullopt;
  };
  if (settings.station == Station::Dcf77) {
    return run(Dcf77Receiver(settings.strict, settings.spike_limit));
  }
  return run(MsfReceiver(settings.strict, settings.spike_limit));
}

// The whole per-minute report of a log, in memory: what standard output
// gets, and the message of a malformed edge-log line (what standard error
// gets before its empty line).
struct Report {
  std::string text;
  std::optional<std::string> bad_line;
};

// The report of `log_text` analyzed with `settings` (its file name unused).
Report report_of(const Settings& settings, std::string_view log_text);

// The report of one station and log kind. `toggle_mode` is the -M option
// (per-bit logs are analyzed in loose mode and edge logs in strict mode
// unless it is given), `show_utc` the -u option, `spike_limit` the -E value.
Report analyze_dcf77_bits(std::string_view log_text, bool toggle_mode, bool show_utc);
Report analyze_dcf77_edges(std::string_view log_text, bool toggle_mode, bool show_utc,
                           std::optional<std::uint32_t> spike_limit);
Report analyze_msf_bits(std::string_view log_text, bool toggle_mode, bool show_utc);
Report analyze_msf_edges(std::string_view log_text, bool toggle_mode, bool show_utc,
                         std::optional<std::uint32_t> spike_limit);

}  // namespace quillfen

#endif  // QUILLFEN_SRC_ANALYZERS_ANALYZE_HPP_
