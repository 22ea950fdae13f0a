// The DCF77 log analyzer: replays a per-bit or edge log through a
// Dcf77Decoder and reports, minute by minute, what the receiver got.
//
// Both entries build the whole report in memory and return it; they never
// touch a stream. A report is a sequence of lines, each ending in "\n":
//   - per-bit logs: per minute, the line of its bits grouped by the fields of
//     the time code, then the minute's block (report_dcf77_minute);
//   - edge logs: per second, the line of the edges that made it up
//     (format_edge_line), once per minute the line about the unmarked last
//     second, and the minute's block; comment lines are echoed.
#ifndef QUILLFEN_SRC_TRANSMITTERS_DCF77_ANALYZER_HPP_
#define QUILLFEN_SRC_TRANSMITTERS_DCF77_ANALYZER_HPP_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "dcf77/dcf77_decoder.hpp"
#include "src/lib/report.hpp"

namespace quillfen {

// Analyzes a DCF77 per-bit log (one character per second, a line feed per
// minute). Loose mode unless `toggle_mode`; `show_utc` prints UTC instead of
// the station's local time.
//
// Characters: "0", "1", "_" (undetermined) are the bits of consecutive
// seconds, a line feed ends the minute (the minute marker), "*" resets the
// decoder; everything else (blanks, carriage returns, letters, any non-ASCII
// character) is ignored. Bits after the last line feed are dropped. Never
// fails; `bad_line` of the result is always empty.
Report analyze_dcf77_bits(std::string_view log_text, bool toggle_mode, bool show_utc);

// Analyzes the "D" lines of an edge log (see src/lib/edge_log.hpp). Strict
// mode unless `toggle_mode`. A present `spike_limit` below 150000 µs replaces
// the default of 30000 µs; larger values are ignored.
//
// "M" lines are skipped, comment lines are copied into the report. At the
// first malformed line the analysis stops: its message (ending in "\n") is
// put in `bad_line` and `text` holds the report of the lines before it. Edges
// after the last edge line are dropped.
Report analyze_dcf77_edges(std::string_view log_text, bool toggle_mode, bool show_utc,
                           std::optional<std::uint32_t> spike_limit);

// Appends the block of one minute, shared by both log kinds, to `report`:
//   1. "Third-party buffer=0x%04x" when `third_party_buffer` is present;
//   2. when `minute_usable` is false, an empty line and nothing else (the
//      decoder is not touched, so the clock does not advance);
//   3. otherwise decodes the minute with decoder.decode_time(add_minute,
//      strict), then "first_minute=... seconds=... this_minute_length=...
//      next_minute_length=...", the date-time line "<date time> [<leap>]
//      [<call>]", the parity and bit-0/bit-20 complaints, the jump messages
//      and an empty line.
// `seconds` is the number of seconds counted in the minute. With `show_utc`
// the date-time line and the jump messages come from the UTC copy of the
// decoder's clock, or from an empty record when the clock cannot be
// converted; the minute lengths always come from the decoder.
void report_dcf77_minute(Report& report, Dcf77Decoder& decoder, bool show_utc, bool strict,
                         std::optional<std::uint16_t> third_party_buffer, std::uint8_t seconds,
                         bool add_minute, bool minute_usable);

// Appends the line of one second of an edge log to `out`: the texts in
// `edges` as they are, a blank, the decoder's current second, its bit as
// "[Some(false)]", "[Some(true)]" or "[None]", and "[<elapsed>]" (microseconds
// since the previous edge line), then "\n". Empties `edges` (keeping its
// capacity).
void format_edge_line(std::string& out, const Dcf77Decoder& decoder, std::uint32_t elapsed,
                      std::string& edges);

}  // namespace quillfen

#endif  // QUILLFEN_SRC_TRANSMITTERS_DCF77_ANALYZER_HPP_
