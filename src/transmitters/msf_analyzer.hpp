// The MSF log analyzer: replays a per-bit or edge log through an
// MsfDecoder and reports, minute by minute, what the receiver got.
//
// Both entries return the whole report in one Report: its text is every
// report piece in order, each carrying its own line feeds, which the program
// prints unchanged. Per minute the report holds a block made by
// report_msf_minute; the per-bit entry puts the minute's characters, grouped by
// field, before it, and the edge entry reports every second with the edges that
// made it up.
#ifndef QUILLFEN_SRC_TRANSMITTERS_MSF_ANALYZER_HPP_
#define QUILLFEN_SRC_TRANSMITTERS_MSF_ANALYZER_HPP_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "msf/msf_decoder.hpp"
#include "src/lib/report.hpp"

namespace quillfen {

// Analyzes an MSF per-bit log (one character per second, the digit
// A + 2 x B, and "4" for the minute marker). Loose mode unless `toggle_mode`;
// `show_utc` prints UTC instead of the station's local time.
//
// Characters: "0".."3" a second's bits, "4" the minute marker, "_" an
// undetermined second, "*" a receiver reset; everything else (line feeds
// included) is ignored. A minute ends when the decoder stands at its last
// second: the report gets the grouped characters of the minute, the block of
// report_msf_minute and, when the end-of-minute marker was completed, an empty
// line. A marker completed at any other second, or a "4" arriving after a
// number of seconds other than the minute's length, adds
// "Minute is N seconds instead of L seconds long". The count of seconds since
// the last completed marker does not wrap, so N is the true number of seconds
// however long the marker was missing. Characters of an unfinished last minute
// produce nothing. Never sets `bad_line`.
Report analyze_msf_bits(std::string_view log_text, bool toggle_mode, bool show_utc);

// Analyzes the "M" lines of an edge log. Strict mode unless `toggle_mode`.
// A present `spike_limit` below 150000 µs replaces the default of 30000 µs.
//
// "D" lines are skipped, comment lines are copied into the report. Each second
// gets the line "<edges> S[A][B][elapsed]" when the next second begins; each
// minute gets the block of report_msf_minute and an empty line at the falling
// edge that completes its end-of-minute marker. An edge the decoder ignores (a
// spike) is shown in the edge line but never counts as a second or ends a
// minute. At the first malformed line the analysis stops: `bad_line` gets its
// message (ending in a line feed) and `text` holds the report up to the line
// before.
Report analyze_msf_edges(std::string_view log_text, bool toggle_mode, bool show_utc,
                         std::optional<std::uint32_t> spike_limit);

// Decodes the minute that `decoder` has just completed (decode_time with
// `add_minute` and `strict`) and appends its report block to `out`:
//
//   first_minute=<bool> seconds=<seconds> minute_length=<length>
//   <date-time> DUT1=<tenths of a second, or "?">
//   End-of-minute marker absent           (when the marker is incomplete)
//   <a line per parity that is bad or undetermined>
//   <a line per jumped date-time field>
//   DUT1 jumped                           (when the decoder's own DUT1 jumped)
//
// `seconds` is the length of the minute as the caller counted it. With
// `show_utc` the date-time line and the jump lines come from the UTC copy of the
// decoder's record, or from an empty record (shown with DUT1 "?") when the
// record cannot be converted yet. The block ends with its last line; the
// caller adds the empty line that separates minutes.
void report_msf_minute(MsfDecoder& decoder, bool show_utc, bool strict, std::uint8_t seconds,
                       bool add_minute, std::string& out);

}  // namespace quillfen

#endif  // QUILLFEN_SRC_TRANSMITTERS_MSF_ANALYZER_HPP_
