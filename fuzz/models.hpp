// Reference models for the fuzz targets: small, deliberately plain
// re-statements of the rules for UTF-8, edge-log lines, unsigned 32-bit
// numbers and the calendar, written from the rules alone and kept simple
// rather than fast. A fuzz target compares the program with a model on every
// input, so a disagreement on any input is a finding even when nothing
// crashes.
#ifndef QUILLFEN_FUZZ_MODELS_HPP_
#define QUILLFEN_FUZZ_MODELS_HPP_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "datetime/date_time_record.hpp"
#include "src/lib/edge_log.hpp"

namespace quillfen::fuzz {

// ---- Text ------------------------------------------------------------------

// Strict UTF-8: shortest forms only, no surrogates, nothing above U+10FFFF.
bool model_is_utf8(std::string_view bytes);

// The code points of valid UTF-8 `bytes`, each with the offset of its first
// byte. REQUIRES: model_is_utf8(bytes).
struct CodePoint {
  char32_t value;
  std::size_t offset;
  std::size_t length;
};
std::vector<CodePoint> model_code_points(std::string_view bytes);

// UTF-8 of one code point (a Unicode scalar value).
std::string model_utf8(char32_t c);

// ---- Edge logs ---------------------------------------------------------------

// One line of a log text: its text without the line ending, and where the
// next line begins (just past its line feed, or the end of the text).
struct ModelLine {
  std::string_view text;
  std::size_t begin;
  std::size_t next;
};

// Lines end at "\n"; "\r" right before that "\n" is part of the line ending;
// a last line without "\n" is a line; nothing follows a final "\n".
std::vector<ModelLine> model_split_lines(std::string_view text);

// The unsigned 32-bit reading rule shared by -E and the edge-log numbers.
std::variant<std::uint32_t, std::string> model_u32(std::string_view text);

// One edge-log line, or its message (ending in "\n").
// REQUIRES: model_is_utf8(line).
std::variant<EdgeLogLine, std::string> model_parse_line(std::string_view line,
                                                        std::uint32_t line_number);

// Where a walk over `text` must stop: the index (in model_split_lines) of the
// first bad line and its message; nothing when every line is good.
struct FirstBadLine {
  std::size_t index;
  std::string message;
};
std::optional<FirstBadLine> model_first_bad_line(std::string_view text);

// ---- Calendar ----------------------------------------------------------------

// A date and time as six plain numbers.
struct Civil {
  int year, month, day, weekday, hour, minute;
  bool operator==(const Civil&) const = default;
};

// Days of `month` (1..12) in two-digit `year` for a date whose day is `day`
// and whose weekday is `weekday` (0 and 7 both Sunday); nothing for 30 or 31
// February. Year 00 is 2000 (leap) or 2100 (not), told apart by the weekday
// that `day` has: the one it has in a February whose 1st is a Tuesday means
// 2000.
std::optional<int> model_days_in_month(int year, int month, int day, int weekday);

// The clock `record` advanced by one minute, with the hour skipped or
// repeated when a daylight-saving change is announced; nothing when
// `record` lacks a date, time or daylight-saving state.
std::optional<Civil> model_next_minute(const DateTimeRecord& record);

// `record` converted to UTC (its standard offset, plus an hour in summer
// time); nothing when it lacks a date, time or daylight-saving state. Only
// offsets of whole hours from 0 to 18 (those of the stations) are modelled;
// nothing for any other.
std::optional<Civil> model_utc(const DateTimeRecord& record);

}  // namespace quillfen::fuzz

#endif  // QUILLFEN_FUZZ_MODELS_HPP_
