// The edge log written by the receiver firmware mossbell: one line per rising
// or falling edge of a demodulated time signal, plus comment lines.
//
//   D true 1000000 42      an edge of the DCF77 receiver: level after the edge,
//   M false 1100000 43     time stamp in microseconds, receiver tick;
//   # free text            "M" is the MSF receiver, "#" starts a comment.
//
// Fields are separated by runs of white space: U+0009..U+000D, U+0020,
// U+0085, U+00A0, U+1680, U+2000..U+200A, U+2028, U+2029, U+202F, U+205F and
// U+3000 (the Unicode White_Space set). White space before the first and after
// the last field is ignored, and so are fields after the fourth. The log walk
// reads the log through `walk_edge_log`.
#ifndef QUILLFEN_SRC_LIB_EDGE_LOG_HPP_
#define QUILLFEN_SRC_LIB_EDGE_LOG_HPP_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>

namespace quillfen {

enum class EdgeLineKind { Edge, Comment };

// The letters of the stations whose receivers write edge lines: "D" for
// DCF77, "M" for MSF.
inline constexpr std::string_view kStationLetters = "DM";

// One edge as the receiver logged it.
struct EdgeSample {
  bool is_high;        // level of the signal after the edge: true for a rising edge
  std::uint32_t when;  // microseconds of a free-running counter that may wrap
  std::uint32_t tick;  // a receiver counter, only ever shown, never decoded

  bool operator==(const EdgeSample&) const = default;
};

// One good line of an edge log.
struct EdgeLogLine {
  EdgeLineKind kind;
  // Present exactly for an Edge: the letter of the station whose receiver
  // logged it, one of kStationLetters.
  std::optional<char> station;
  // Present exactly for an Edge.
  std::optional<EdgeSample> edge;
  // Present exactly for a Comment: the whole line without its line ending,
  // including the "#" and any white space before it. Points into the line
  // that was parsed and lives no longer than it.
  std::optional<std::string_view> comment;

  bool operator==(const EdgeLogLine&) const = default;
};

// Parses one line of an edge log. `line` is the line without its line ending;
// `line_number` (counted from 1 over every line of the file) is used only in
// messages.
//
// Returns the parsed line, or a message that already ends in "\n":
//   - no first field, or one other than exactly "#" or a station letter:
//     "parse_raw_line: invalid start of line N, missing D/M/#";
//   - a "#" field gives a Comment at once; nothing else of the line is read;
//   - a "D" or "M" line lacking field 2, 3 or 4: "parse_raw_line: invalid file
//     format at line N, missing 'is_high'" (or 'when', or 'tick'), for the
//     first missing one. A missing field is reported before any bad value;
//   - then the first bad value of `is_high` (not exactly "true" or "false"),
//     `when`, `tick` (not an unsigned 32-bit decimal, see parse_u32):
//     "... at line N, 'is_high' is not a boolean: provided string was not
//     `true` or `false`", "... 'when' is not a u32: <reason>", "... 'tick' is
//     not a u32: <reason>".
// Looks only at the bytes of `line`, which must be valid UTF-8. Allocates only
// for a message.
std::variant<EdgeLogLine, std::string> parse_raw_line(std::string_view line,
                                                      std::uint32_t line_number);

// Reads a line of the form almost every line of a real log has, "D true
// 1000000 42": a station letter first, exactly four fields separated by ASCII
// white space (U+0009..U+000D, U+0020), `is_high` "true" or "false", `when`
// and `tick` of 1 to 10 plain digits each and at most 4294967295, ASCII white
// space only after the last. Returns nothing for any other line. A line it
// reads is one that `parse_raw_line` reads to the same edge; the log walk
// calls it first so that the usual line costs one pass over its bytes, and
// leaves every other line (comments, other white space, signs, messages) to
// `parse_raw_line`.
inline std::optional<EdgeLogLine> parse_plain_edge_line(std::string_view line) {
  const char* p = line.data();
  const char* const end = p + line.size();
  const auto skip_white_space = [&p, end] {
    const char* const start = p;
    while (p != end && (*p == ' ' || (*p >= '\t' && *p <= '\r'))) {
      ++p;
    }
    return p != start;
  };
  const auto read_number = [&p, end](std::uint32_t& value) {
    const char* const start = p;
    std::uint64_t number = 0;
    while (p != end && *p >= '0' && *p <= '9' && p - start < 11) {
      number = number * 10 + static_cast<std::uint64_t>(*p - '0');
      ++p;
    }
    if (p == start || p - start > 10 || number > 0xFFFFFFFFu) {
      return false;
    }
    value = static_cast<std::uint32_t>(number);
    return true;
  };
  if (p == end || (*p != 'D' && *p != 'M')) {
    return std::nullopt;
  }
  const char station = *p++;
  if (!skip_white_space()) {
    return std::nullopt;
  }
  bool is_high;
  if (end - p >= 4 && std::string_view(p, 4) == "true") {
    is_high = true;
    p += 4;
  } else if (end - p >= 5 && std::string_view(p, 5) == "false") {
    is_high = false;
    p += 5;
  } else {
    return std::nullopt;
  }
  std::uint32_t when;
  std::uint32_t tick;
  if (!skip_white_space() || !read_number(when) || !skip_white_space() || !read_number(tick)) {
    return std::nullopt;
  }
  skip_white_space();
  if (p != end) {
    return std::nullopt;
  }
  return EdgeLogLine{EdgeLineKind::Edge, station, EdgeSample{is_high, when, tick}, std::nullopt};
}

// Walks the lines of `log_text` in order and calls `visit(const EdgeLogLine&)`
// for each good one. A visitor that returns bool ends the walk early by
// returning false (the result is then nothing, as for a walk to the end).
//
// Lines end with "\n"; a "\r" directly before the "\n" belongs to the line
// ending and is removed (a "\r" anywhere else stays in the line). A last line
// without "\n" is a line; a text ending in "\n" has no empty line after it, so
// an empty text has no lines at all. Every line counts, from 1.
//
// Stops at the first line that `parse_raw_line` rejects and returns its
// message (ending in "\n") without visiting it or looking at any later line;
// returns nothing when every line was good.
template <typename Visit>
std::optional<std::string> walk_edge_log(std::string_view log_text, Visit&& visit) {
  std::uint32_t line_number = 0;
  std::size_t start = 0;
  while (start < log_text.size()) {
    const std::size_t line_feed = log_text.find('\n', start);
    const bool has_line_feed = line_feed != std::string_view::npos;
    const std::size_t end = has_line_feed ? line_feed : log_text.size();
    std::string_view line = log_text.substr(start, end - start);
    if (has_line_feed && !line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    ++line_number;
    std::optional<EdgeLogLine> read = parse_plain_edge_line(line);
    if (!read) {
      auto parsed = parse_raw_line(line, line_number);
      if (auto* message = std::get_if<std::string>(&parsed)) {
        return std::move(*message);
      }
      read = std::get<EdgeLogLine>(parsed);
    }
    const EdgeLogLine& good = *read;
    if constexpr (std::is_same_v<decltype(visit(good)), bool>) {
      if (!visit(good)) {
        return std::nullopt;
      }
    } else {
      visit(good);
    }
    start = end + 1;
  }
  return std::nullopt;
}

}  // namespace quillfen

#endif  // QUILLFEN_SRC_LIB_EDGE_LOG_HPP_
