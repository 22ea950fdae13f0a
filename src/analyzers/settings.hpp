// The settings of one run, as the command line gives them.
#ifndef QUILLFEN_SRC_ANALYZERS_SETTINGS_HPP_
#define QUILLFEN_SRC_ANALYZERS_SETTINGS_HPP_

#include <cstdint>
#include <optional>
#include <string>

namespace quillfen {

enum class Station { Dcf77, Msf };

enum class LogKind {
  Bits,   // per-bit log: one character per second, as the receiver classified it
  Edges,  // edge log: one line per edge of the demodulated signal
};

struct Settings {
  Station station = Station::Dcf77;
  LogKind log = LogKind::Bits;
  // Strict mode takes a field only when every check of its minute passed;
  // loose mode takes each field on its own parity. Edge logs are strict and
  // per-bit logs loose unless the mode is toggled.
  bool strict = false;
  // Show date and time in UTC instead of the station's local time.
  bool show_utc = false;
  // Edge logs: edges closer than this many microseconds are spikes (values of
  // 150000 and more are ignored by the decoders). Absent: the default 30000.
  std::optional<std::uint32_t> spike_limit;
  // The log file, as given.
  std::string logfile;
  // -S: a summary of the whole log instead of the per-minute report.
  bool summary = false;
  // -j: JSON on standard output, one object per minute (JSON Lines), or with
  // `summary` the summary as one object.
  bool json = false;
  // -p: the file to draw the picture of the reception into (SVG), in
  // addition to what standard output gets.
  std::optional<std::string> picture;

  bool operator==(const Settings&) const = default;
};

// The mode the toggle selects for a log kind: strict for edge logs and loose
// for per-bit logs, the other way round when toggled.
constexpr bool strict_mode(LogKind log, bool toggle_mode) {
  return log == LogKind::Edges ? !toggle_mode : toggle_mode;
}

// The settings of a run of `station` and `log` with the -M toggle and -u as
// given, and nothing else (no spike limit, no file, no new outputs).
inline Settings settings_for(Station station, LogKind log, bool toggle_mode = false,
                             bool show_utc = false) {
  Settings settings;
  settings.station = station;
  settings.log = log;
  settings.strict = strict_mode(log, toggle_mode);
  settings.show_utc = show_utc;
  return settings;
}

}  // namespace quillfen

#endif  // QUILLFEN_SRC_ANALYZERS_SETTINGS_HPP_
