// The DCF77 log analyzer: replays a per-bit or edge log through a
// Dcf77Decoder and reports, minute by minute, what the receiver got.
#ifndef QUILLFEN_SRC_TRANSMITTERS_DCF77_ANALYZER_HPP_
#define QUILLFEN_SRC_TRANSMITTERS_DCF77_ANALYZER_HPP_

#include <cstdint>
#include <optional>
#include <string_view>

#include "src/lib/report.hpp"

namespace quillfen {

// Analyzes a DCF77 per-bit log (one character per second, a line feed per
// minute). Loose mode unless `toggle_mode`; `show_utc` prints UTC instead of
// the station's local time.
Report analyze_dcf77_bits(std::string_view log_text, bool toggle_mode, bool show_utc);

// Analyzes the "D" lines of an edge log. Strict mode unless `toggle_mode`.
// A present `spike_limit` below 150000 µs replaces the default of 30000 µs.
Report analyze_dcf77_edges(std::string_view log_text, bool toggle_mode, bool show_utc,
                           std::optional<std::uint32_t> spike_limit);

}  // namespace quillfen

#endif  // QUILLFEN_SRC_TRANSMITTERS_DCF77_ANALYZER_HPP_
