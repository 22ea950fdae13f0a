// Plays the receiver's edge interrupts from the recorded edges: each edge of
// a recording goes to its station's edge handler in time order, and each
// minute the handler ends is handed to `emit` as its line (minute_line.hpp).
// The firmware example emits through semihosting, the host test into a
// string, so both print exactly the same lines for the same edges.
#ifndef QUILLFEN_EXAMPLES_FIRMWARE_REPLAY_HPP_
#define QUILLFEN_EXAMPLES_FIRMWARE_REPLAY_HPP_

#include <string_view>

#include "examples/firmware/edge_handlers.hpp"
#include "examples/firmware/minute_line.hpp"
#include "examples/firmware/recorded_edges.hpp"

namespace quillfen::firmware {

// `emit` is called as emit(std::string_view line), the line without a line
// feed.
template <typename Emit>
void replay_dcf77(Dcf77Station& station, Emit&& emit) {
  for (const RecordedEdge& edge : dcf77_recording()) {
    if (const Lent<Dcf77Minute> minute = on_dcf77_edge(station, edge.is_high, edge.when)) {
      emit(dcf77_minute_line(*minute).view());
    }
  }
}

template <typename Emit>
void replay_msf(MsfStation& station, Emit&& emit) {
  for (const RecordedEdge& edge : msf_recording()) {
    if (const Lent<MsfMinute> minute = on_msf_edge(station, edge.is_high, edge.when)) {
      emit(msf_minute_line(*minute).view());
    }
  }
}

}  // namespace quillfen::firmware

#endif  // QUILLFEN_EXAMPLES_FIRMWARE_REPLAY_HPP_
