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

#include "base/check.hpp"

namespace quillfen {

// A value a receiver lends its caller: present or absent, like an optional,
// but without a copy. It refers to the receiver's own value, which stays as
// it is until the receiver's next step; a caller that keeps it longer copies
// it (`*lent`).
template <typename T>
class Lent {
 public:
  constexpr Lent() = default;
  constexpr explicit Lent(const T& value) : value_(&value) {}

  constexpr bool has_value() const { return value_ != nullptr; }
  constexpr explicit operator bool() const { return has_value(); }
  // REQUIRES: has_value() (checked).
  const T& operator*() const {
    QUILLFEN_CHECK(value_ != nullptr);
    return *value_;
  }
  const T* operator->() const { return &**this; }

 private:
  const T* value_ = nullptr;
};

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

// Advances a receiver's clock at most once per minute of signal. A receiver
// counts the seconds it has stepped (calls of increase_second) since its
// clock last advanced. A minute boundary (a report of a minute, a second
// counter that ran past the end of a minute, a minute marker out of place)
// may advance the clock only when at least 30 seconds have been stepped since
// the last advance: a boundary sooner than that belongs to the same minute,
// as when a lost pulse splits a minute in two, so a split minute advances
// the clock once (in its longer half) and two merged minutes advance it
// twice.
class ClockAdvance {
 public:
  // The count starts, and a reset of the receiver sets it back, as if a whole
  // minute had passed.
  void reset() { seconds_ = kMinuteSeconds; }
  // The second counter moved on by one. (64 bits: no log has enough seconds
  // to make the count wrap.)
  void stepped() { ++seconds_; }
  // A minute boundary now may advance the clock.
  bool due() const { return seconds_ >= kSameBoundary; }
  // The clock was advanced.
  void advanced() { seconds_ = 0; }

 private:
  static constexpr std::uint64_t kMinuteSeconds = 60;
  static constexpr std::uint64_t kSameBoundary = 30;
  std::uint64_t seconds_ = kMinuteSeconds;
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
