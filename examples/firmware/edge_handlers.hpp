// The edge interrupt handlers of the firmware example: what a receiver's
// interrupt service routine does with each edge of the demodulated signal of
// one station, given as its level after the edge and a microsecond time stamp.
//
// Each handler feeds the edge to its decoder and makes the decoder calls that
// follow from it, in the order quillfen's edge log analyzers make them, in
// strict mode. It returns true when the edge ended a minute: the decoder has
// then decoded it, and its clock (get_datetime()) holds the date and time of
// the minute now beginning, with the per-field jump flags, daylight-saving
// and leap-second state (and, for MSF, DUT1) of the minute just received.
//
// No heap, no exceptions, constant time per edge; safe to call from an
// interrupt as long as nothing else touches the station meanwhile.
#ifndef QUILLFEN_EXAMPLES_FIRMWARE_EDGE_HANDLERS_HPP_
#define QUILLFEN_EXAMPLES_FIRMWARE_EDGE_HANDLERS_HPP_

#include <cstdint>

#include "dcf77/dcf77_decoder.hpp"
#include "msf/msf_decoder.hpp"

namespace quillfen::firmware {

// What a receiver keeps for one station between edges.
struct Dcf77Station {
  Dcf77Decoder decoder;
  // False when the clock was already advanced during this minute, because the
  // second counter ran past the end of the minute without a minute marker.
  bool add_minute = true;
};

struct MsfStation {
  MsfDecoder decoder;
  // As for Dcf77Station: false after the clock ran on over a lost marker.
  bool add_minute = true;
};

// Takes one DCF77 edge; true when it began second 0 of a new minute and the
// minute before was decoded.
bool on_dcf77_edge(Dcf77Station& station, bool is_high, std::uint32_t when);

// Takes one MSF edge; true when it completed the end-of-minute marker (the
// falling edge of the last second's pulse) and the minute was decoded.
bool on_msf_edge(MsfStation& station, bool is_high, std::uint32_t when);

}  // namespace quillfen::firmware

#endif  // QUILLFEN_EXAMPLES_FIRMWARE_EDGE_HANDLERS_HPP_
