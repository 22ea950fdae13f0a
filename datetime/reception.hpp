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

// The time bookkeeping of a receiver over the edges of its station: the gap
// the decoder measures for each edge, and the time an edge line spans.
class EdgeTimer {
 public:
  // One edge at `when`, spike or not; `taken` is whether the decoder took it.
  // The elapsed time sums the differences between edges modulo 2^32, the first
  // edge counting 0, and so does any edge after one stamped 0 (a receiver
  // counter that starts at 0 has not started yet).
  EdgeMeasure take(bool is_high, std::uint32_t when, bool taken) {
    const std::uint32_t gap = when - previous_when_;
    elapsed_ += previous_when_ == 0 ? 0 : gap;
    previous_when_ = when;
    const EdgeMeasure measure{
        taken ? EdgeFate::Taken : (seen_edge_ ? EdgeFate::Spike : EdgeFate::First), is_high,
        seen_edge_ ? gap : 0};
    seen_edge_ = true;
    return measure;
  }

  // The microseconds since the last edge line, and a new edge line begins.
  std::uint32_t end_line() {
    const std::uint32_t elapsed = elapsed_;
    elapsed_ = 0;
    return elapsed;
  }

 private:
  bool seen_edge_ = false;
  std::uint32_t previous_when_ = 0;
  std::uint32_t elapsed_ = 0;
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
