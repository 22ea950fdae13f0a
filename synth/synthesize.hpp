// The whole log of a run of quillfen-synth, made and written piece by piece.
#ifndef QUILLFEN_SYNTH_SYNTHESIZE_HPP_
#define QUILLFEN_SYNTH_SYNTHESIZE_HPP_

#include <functional>
#include <string_view>

#include "synth/synth_settings.hpp"

namespace quillfen {

// Hands the log of `settings` to `write` in pieces of about a megabyte, in
// order, and stops as soon as `write` returns false. Returns whether every
// piece was taken. The same settings always give the same bytes.
//
// The log's first second is settings.start; the minute that holds it is
// minute 0 and is sent first, and its frame carries the time of the next
// minute. A per-bit log holds that minute from START's second on, then whole
// minutes. An edge log holds every edge from START on, time-stamped by the
// logger's counter (settings.edge), and ends with the rising edge that starts
// the minute after the last, so that every minute of the log is complete.
bool synthesize(const SynthSettings& settings,
                const std::function<bool(std::string_view)>& write);

}  // namespace quillfen

#endif  // QUILLFEN_SYNTH_SYNTHESIZE_HPP_
