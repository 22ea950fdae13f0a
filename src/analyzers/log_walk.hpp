// The one walk over a log: it hands every character of a per-bit log, or
// every edge of the receiver's station in an edge log, to a receiver step
// (Dcf77Receiver, MsfReceiver), and every value that comes back to a writer.
//
// A writer is any type with
//   bool ok() const;                       // false: stop reading the log
//   void comment(std::string_view line);   // an edge-log comment line
//   void edge(const EdgeSample& sample);   // an edge of the station, before its step
//   void take(const <Receiver's step>&);   // every step the receiver returns
// The walk knows no station and formats nothing; a report, a summary or a
// picture is a writer, and none of them reads the log again.
#ifndef QUILLFEN_SRC_ANALYZERS_LOG_WALK_HPP_
#define QUILLFEN_SRC_ANALYZERS_LOG_WALK_HPP_

#include <optional>
#include <string>
#include <string_view>

#include "src/lib/edge_log.hpp"

namespace quillfen {

// Every character of a per-bit log, in order. Bytes are characters here:
// only ASCII characters mean something, and no byte of a multi-byte UTF-8
// character is ASCII. Stops early once the writer is no longer ok.
//
// Each walk is a function of its own (not inlined into its caller), so that
// the compiler's inlining budget is spent on the receiver's and the writer's
// per-character steps inside its loop.
template <typename Receiver, typename Writer>
[[gnu::noinline]] void walk_bits(std::string_view log_text, Receiver& receiver, Writer& writer) {
  for (const char c : log_text) {
    writer.take(receiver.take_bit(c));
    if (!writer.ok()) {
      return;
    }
  }
}

// Every line of an edge log: comments go to the writer, edges of the
// receiver's station (Receiver::kStationLetter) to the receiver and their
// steps to the writer, other stations' lines are skipped. Stops at the first
// malformed line and returns its message (ending in "\n"); the lines before
// it have been handed on. Stops early, returning nothing, once the writer is
// no longer ok.
template <typename Receiver, typename Writer>
[[gnu::noinline]] std::optional<std::string> walk_edges(std::string_view log_text, Receiver& receiver,
                                      Writer& writer) {
  return walk_edge_log(log_text, [&](const EdgeLogLine& line) {
    if (line.kind == EdgeLineKind::Comment) {
      writer.comment(*line.comment);
    } else if (line.station == Receiver::kStationLetter) {
      writer.edge(*line.edge);
      writer.take(receiver.take_edge(line.edge->is_high, line.edge->when));
    }
    return writer.ok();
  });
}

}  // namespace quillfen

#endif  // QUILLFEN_SRC_ANALYZERS_LOG_WALK_HPP_
