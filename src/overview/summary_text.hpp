// The summary (-S) as text for a person: what was analyzed, the counts of
// minutes and of every complaint line of the report, the longest clean run,
// the worst hour, the hour strip and, for edge logs, the pulse statistics
// and the logger's clock rate.
#ifndef QUILLFEN_SRC_OVERVIEW_SUMMARY_TEXT_HPP_
#define QUILLFEN_SRC_OVERVIEW_SUMMARY_TEXT_HPP_

#include "src/overview/reception_overview.hpp"
#include "src/report/output_buffer.hpp"

namespace quillfen {

// The legend of the hour strip, one line without its line feed.
inline constexpr std::string_view kStripLegend =
    ". clean, p parity or fixed bit, j jumped, l wrong length or marker lost, "
    "? not decoded, blank: no minute";

// Appends the summary, every line ending in "\n". Lines, in order:
//   "Station: DCF77|MSF, per-bit log|edge log, loose|strict mode, local time|UTC"
//   "First decoded minute: <ISO 8601>|none", "Last decoded minute: ..."
//   "Minutes: N", "Decoded: N", "Clean: N"
//   "Complaint lines:" and per kind of the station "  <line as printed>: N"
//   (the minute-length line with both numbers as N), "Resets: N"
//   "Longest clean run: N minutes[, <from> to <to>]"
//   "Worst hour: <from> to <to>, N minutes, N clean" or "Worst hour: none"
//   "Hour strip (<legend>):", then per row "  <hour> |<60 places>| clean/minutes",
//   the hour as "YYYY-MM-DDTHH+hh:mm", and a row "  no time" for the minutes
//   that were not decoded (at most 60 "?" shown, all counted);
//   edge logs: the pulse and gap histograms, spikes, pulses outside every
//   class, per class its count, median and margins (with a warning line when
//   the median is within 20 ms of a bound), and the logger's clock rate.
void write_summary_text(OutputBuffer& out, const ReceptionOverview& overview);

}  // namespace quillfen

#endif  // QUILLFEN_SRC_OVERVIEW_SUMMARY_TEXT_HPP_
