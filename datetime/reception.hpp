// Values that both station receivers (Dcf77Receiver, MsfReceiver) report
// about the signal they were given, before anything is decoded from it: how
// the decoder measured an edge, where a per-bit log character was stored, and
// a minute whose number of seconds is not the minute's length.
//
// Plain values without text; the writers of a report, a summary or a picture
// turn them into whatever they show.
#ifndef QUILLFEN_DATETIME_RECEPTION_HPP_
#define QUILLFEN_DATETIME_RECEPTION_HPP_

#include <cstdint>

namespace quillfen {

// What the decoder made of one edge of the demodulated signal.
enum class EdgeFate : std::uint8_t {
  First,  // the very first edge: it only starts the clock
  Spike,  // closer to the previous edge than the spike limit: ignored
  Taken,  // measured and classified
};

struct EdgeMeasure {
  EdgeFate fate;
  bool is_high;  // level after the edge: a rising edge ends a low time
  // Microseconds since the previous edge (spike or not), modulo 2^32: the
  // length of the high or low time this edge ends. 0 for the first edge.
  std::uint32_t gap;

  bool operator==(const EdgeMeasure&) const = default;
};

// One character of a per-bit log that meant something to the receiver, and
// the second (index of the minute's bit buffer) it belongs to.
struct BitEcho {
  char character;
  std::uint8_t second;

  bool operator==(const BitEcho&) const = default;
};

// A minute that did not last as long as the time code said it would.
struct MinuteLength {
  std::uint64_t seconds;  // seconds received
  std::uint8_t expected;  // the minute's length: 59, 60 or 61

  bool operator==(const MinuteLength&) const = default;
};

}  // namespace quillfen

#endif  // QUILLFEN_DATETIME_RECEPTION_HPP_
