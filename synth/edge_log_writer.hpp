// The lines of a mossbell edge log: "D true <when> <tick>" for an edge of a
// DCF77 receiver ("M" for MSF), "#" comment lines.
#ifndef QUILLFEN_SYNTH_EDGE_LOG_WRITER_HPP_
#define QUILLFEN_SYNTH_EDGE_LOG_WRITER_HPP_

#include <cstdint>
#include <string>

namespace quillfen {

// The logger's free-running microsecond counter.
struct LoggerClock {
  std::int64_t start_us = 0;            // true time of the log's first moment
  std::uint32_t counter_at_start = 0;   // the counter's value then
  double rate_error_ppm = 0;            // the counter runs this much fast (negative: slow)
};

// The counter's value at true time `at_us`: counter_at_start plus the true
// time since start_us scaled by (1 + ppm / 10^6), rounded to the nearest
// microsecond, modulo 2^32 (the counter wraps as the receiver's does).
std::uint32_t time_stamp(const LoggerClock& clock, std::int64_t at_us);

// Writes the edge lines of one receiver, numbering them with its tick counter.
class EdgeLineWriter {
 public:
  // `station` is 'D' or 'M'; the first line gets `first_tick`, each later one
  // the next value, modulo 2^32.
  EdgeLineWriter(char station, std::uint32_t first_tick, bool crlf)
      : station_(station), tick_(first_tick), crlf_(crlf) {}

  void put(std::string& out, bool is_high, std::uint32_t when);

 private:
  char station_;
  std::uint32_t tick_;
  bool crlf_;
};

// Appends "# comment <number>" and the line end.
void append_comment(std::string& out, std::uint64_t number, bool crlf);

}  // namespace quillfen

#endif  // QUILLFEN_SYNTH_EDGE_LOG_WRITER_HPP_
