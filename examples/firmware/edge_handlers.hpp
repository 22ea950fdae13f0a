// The edge interrupt handlers of the firmware example: what a receiver's
// interrupt service routine does with each edge of the demodulated signal of
// one station, given as its level after the edge and a microsecond time stamp.
//
// Each handler hands the edge to its station's receiver step (Dcf77Receiver,
// MsfReceiver), which makes every decoder call that follows from it, in the
// order quillfen's edge log analyzers make them, here in strict mode. When
// the edge ended a minute, the handler returns that minute, lent by the
// receiver until its next edge: its reading holds
// the decoder's clock (the date and time of the minute now beginning, with the
// per-field jump flags, daylight-saving and leap-second state and, for MSF,
// DUT1), its UTC copy and the parity results of the minute just received.
//
// No heap, no exceptions, constant time per edge; safe to call from an
// interrupt as long as nothing else touches the station meanwhile.
#ifndef QUILLFEN_EXAMPLES_FIRMWARE_EDGE_HANDLERS_HPP_
#define QUILLFEN_EXAMPLES_FIRMWARE_EDGE_HANDLERS_HPP_

#include <cstdint>

#include "dcf77/dcf77_receiver.hpp"
#include "msf/msf_receiver.hpp"

namespace quillfen::firmware {

// Edge logs are decoded in strict mode: a field is taken only when every
// check of its minute passed.
inline constexpr bool kStrict = true;

// What a receiver keeps for one station between edges.
struct Dcf77Station {
  Dcf77Receiver receiver{kStrict};
};

struct MsfStation {
  MsfReceiver receiver{kStrict};
};

// Takes one DCF77 edge; the minute it ended (it began second 0 of the next),
// decoded, or nothing.
inline Lent<Dcf77Minute> on_dcf77_edge(Dcf77Station& station, bool is_high,
                                       std::uint32_t when) {
  return station.receiver.take_edge(is_high, when).minute;
}

// Takes one MSF edge; the minute it ended (it completed the end-of-minute
// marker, at the falling edge of the last second's pulse), decoded, or
// nothing.
inline Lent<MsfMinute> on_msf_edge(MsfStation& station, bool is_high, std::uint32_t when) {
  return station.receiver.take_edge(is_high, when).minute;
}

}  // namespace quillfen::firmware

#endif  // QUILLFEN_EXAMPLES_FIRMWARE_EDGE_HANDLERS_HPP_
