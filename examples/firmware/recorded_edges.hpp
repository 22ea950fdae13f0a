// The edges the firmware example replays: what a receiver's demodulator gave
// for the last ten seconds of a minute and two whole minutes of each station,
// recorded from the test-only encoders by make_recorded_edges
// (recorded_edges.cpp is its output).
#ifndef QUILLFEN_EXAMPLES_FIRMWARE_RECORDED_EDGES_HPP_
#define QUILLFEN_EXAMPLES_FIRMWARE_RECORDED_EDGES_HPP_

#include <cstdint>
#include <span>

namespace quillfen::firmware {

// One edge of the demodulated signal: the level after it and the receiver's
// microsecond time stamp (which wraps at 2^32).
struct RecordedEdge {
  std::uint32_t when;
  bool is_high;

  bool operator==(const RecordedEdge&) const = default;
};

// DCF77 from 00:57:50 UTC on 30 March 2025 to the minute marker at 01:00 UTC:
// the last seconds of a minute, then the minutes carrying 01:59 CET (with
// the change to summer time announced) and 03:00 CEST. The time stamps wrap
// past 2^32 in the first whole minute, as in the MSF recording.
std::span<const RecordedEdge> dcf77_recording();

// MSF from 00:57:50 UTC on 26 October 2025 to the start of 01:00 UTC: the
// last seconds of a minute, then the minutes carrying 01:59 BST (with the
// change back to GMT announced) and 01:00 GMT, DUT1 +0.1 s throughout.
std::span<const RecordedEdge> msf_recording();

}  // namespace quillfen::firmware

#endif  // QUILLFEN_EXAMPLES_FIRMWARE_RECORDED_EDGES_HPP_
