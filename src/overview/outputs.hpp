// What one run writes, chosen by its settings, from one walk over the log:
//   - standard output: the per-minute report; with -j the JSON Lines of its
//     minutes instead; with -S the summary (text, or with -j one JSON object);
//   - with -p, the picture of the reception (SVG), in addition.
// The report and the JSON Lines go out as they are made; the summary and the
// picture are folds, written once the walk has ended.
#ifndef QUILLFEN_SRC_OVERVIEW_OUTPUTS_HPP_
#define QUILLFEN_SRC_OVERVIEW_OUTPUTS_HPP_

#include <optional>
#include <string>
#include <string_view>

#include "src/analyzers/settings.hpp"
#include "src/report/output_buffer.hpp"

namespace quillfen {

// Analyzes `log_text` as `settings` say into `out` and, when `picture` is
// given, draws the picture into it (settings.picture only names the file).
// Returns the message of the first malformed edge-log line (the analysis
// stopped there, and what was gathered before it is written) or nothing.
// Neither buffer is flushed.
std::optional<std::string> write_outputs(const Settings& settings, std::string_view log_text,
                                         OutputBuffer& out, OutputBuffer* picture);

}  // namespace quillfen

#endif  // QUILLFEN_SRC_OVERVIEW_OUTPUTS_HPP_
