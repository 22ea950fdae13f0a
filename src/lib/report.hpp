// The report an analyzer returns: every report piece, in order, in one
// growing buffer, so that the whole report can be written to standard output
// with few system calls.
#ifndef QUILLFEN_SRC_LIB_REPORT_HPP_
#define QUILLFEN_SRC_LIB_REPORT_HPP_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillfen {

// Appends `value` in decimal, with a minus sign when negative.
void append_decimal(std::string& out, std::int64_t value);

// Appends "true" or "false".
inline void append_bool(std::string& out, bool value) { out.append(value ? "true" : "false"); }

struct Report {
  // The report pieces, concatenated in order. Each piece carries its own line
  // feeds; the program prints this text unchanged.
  std::string text;

  // Set when an edge log had a malformed line: the message of that line,
  // already ending in a line feed. The analysis stopped there and `text`
  // holds the report gathered up to the line before it.
  std::optional<std::string> bad_line;

  void add(std::string_view piece) { text.append(piece); }
  void add(char c) { text.push_back(c); }
  void add_bool(bool value) { append_bool(text, value); }
  void add_decimal(std::int64_t value) { append_decimal(text, value); }
};

}  // namespace quillfen

#endif  // QUILLFEN_SRC_LIB_REPORT_HPP_
