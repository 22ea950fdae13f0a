// The per-minute report: the writer that turns what the receivers return
// into the report's lines, as they come, into an OutputBuffer.
//
// A report is a sequence of lines, each ending in "\n":
//   - DCF77 per-bit logs: per minute, the line of its bits grouped by the
//     fields of the time code, a minute-length line when the minute had the
//     wrong number of seconds, then the minute's block; a line
//     "increase_second() == false" whenever the second counter ran past the
//     end of a minute (before that minute's bits line);
//   - MSF per-bit logs: per minute, the line of its characters grouped by the
//     fields of the time code and the minute's block; minute-length lines
//     where the end-of-minute marker came early or a minute marker out of
//     place; an empty line after each completed end-of-minute marker; the
//     "increase_second() == false" line after a minute without one;
//   - edge logs: per second, the line of the edges that made it up; DCF77
//     once per minute the line about the step into the unmarked last second;
//     the minute's block (MSF: followed by an empty line); comment lines
//     echoed where they stand.
// The DCF77 block: "Third-party buffer=0x...." when captured; for a minute
// too short to decode only an empty line; otherwise "first_minute=...
// seconds=... this_minute_length=... next_minute_length=...", the date-time
// line "<date time> [<leap>] [<call>]", its complaint lines and an empty line.
// The MSF block: "first_minute=... seconds=... minute_length=...", the line
// "<date time> DUT1=<tenths or ?>" and its complaint lines.
// With UTC output the date-time line and the jump lines come from the UTC copy
// of the clock, or from an empty record when the clock cannot be converted;
// minute lengths always come from the station's clock.
#ifndef QUILLFEN_SRC_REPORT_REPORT_WRITER_HPP_
#define QUILLFEN_SRC_REPORT_REPORT_WRITER_HPP_

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "datetime/bit_field.hpp"
#include "dcf77/dcf77_receiver.hpp"
#include "msf/msf_receiver.hpp"
#include "src/lib/edge_log.hpp"
#include "src/report/output_buffer.hpp"

namespace quillfen {

class ReportWriter {
 public:
  ReportWriter(OutputBuffer& out, bool show_utc);

  // False once the output failed: the rest of the log need not be read.
  bool ok() const { return out_.ok(); }

  // A comment line of an edge log, echoed with a line feed.
  void comment(std::string_view line);
  // An edge of the log's station, shown in the next edge line.
  void edge(const EdgeSample& sample);

  // Inline, with the rare lines as calls: a per-bit log gives a step for
  // every character.
  [[gnu::always_inline]] void take(const Dcf77BitStep& step) {
    if (step.echo.has_value()) {
      if (step.echo->character != '\n' && begins_dcf77_field(step.echo->second)) {
        bits_line_.push_back(LineByte{' '});
      }
      bits_line_.push_back(LineByte{step.echo->character});
    }
    if (step.wrapped || step.minute.has_value()) {
      take_lines(step);
    }
  }
  void take(const Dcf77EdgeStep& step);
  [[gnu::always_inline]] void take(const MsfBitStep& step) {
    if (step.echo.has_value()) {
      minute_chars_[step.echo->second] = LineByte{step.echo->character};
    }
    if (step.minute.has_value() || step.wrong_length.has_value() || step.end_of_minute ||
        step.wrapped) {
      take_lines(step);
    }
  }
  void take(const MsfEdgeStep& step);

 private:
  // Seconds at which a field of the DCF77 time code begins, so that the bits
  // line shows the groups 0, 1-14, 15, 16-18, 19, 20, 21-27, 28, 29-34, 35,
  // 36-41, 42-44, 45-49, 50-57, 58 and the leap second 59 apart.
  static bool begins_dcf77_field(std::uint8_t second) {
    return second < 64 && ((kDcf77FieldStarts >> second) & 1) != 0;
  }
  static constexpr std::uint64_t kDcf77FieldStarts =
      (std::uint64_t{1} << 1) | (std::uint64_t{1} << 15) | (std::uint64_t{1} << 16) |
      (std::uint64_t{1} << 19) | (std::uint64_t{1} << 20) | (std::uint64_t{1} << 21) |
      (std::uint64_t{1} << 28) | (std::uint64_t{1} << 29) | (std::uint64_t{1} << 35) |
      (std::uint64_t{1} << 36) | (std::uint64_t{1} << 42) | (std::uint64_t{1} << 45) |
      (std::uint64_t{1} << 50) | (std::uint64_t{1} << 58) | (std::uint64_t{1} << 59);

  void take_lines(const Dcf77BitStep& step);
  void take_lines(const MsfBitStep& step);
  void put_edge_line_start();
  void put_dcf77_edge_line(const Dcf77EdgeLine& line);
  void put_dcf77_minute(const Dcf77Minute& minute);
  void put_msf_minute(const MsfMinute& minute);
  void put_minute_length(const MinuteLength& length);

  OutputBuffer& out_;
  bool show_utc_;
  // Edge logs: the edges since the last edge line, and the tick of the
  // latest edge (the counter line shows it).
  std::vector<EdgeSample> edges_;
  std::uint32_t tick_ = 0;
  // DCF77 per-bit logs: the bits line of the minute so far. Its bytes are
  // not of a character type, so that storing one does not make the compiler
  // assume that the receiver's state might have changed with it (the hot loop
  // of a per-bit log keeps that state in registers); and a vector, whose
  // appends are inlined, unlike those of a string.
  enum class LineByte : char {};
  std::vector<LineByte> bits_line_;
  // MSF per-bit logs: the character last stored at each second (not of a
  // character type either, for the same reason).
  std::array<LineByte, kBitBufferSize> minute_chars_;
};

}  // namespace quillfen

#endif  // QUILLFEN_SRC_REPORT_REPORT_WRITER_HPP_
