#include "synth/edge_log_writer.hpp"

#include <charconv>
#include <cmath>

namespace quillfen {
namespace {

void append_number(std::string& out, std::uint64_t value) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, result.ptr);
}

}  // namespace

std::uint32_t time_stamp(const LoggerClock& clock, std::int64_t at_us) {
  std::int64_t elapsed = at_us - clock.start_us;
  if (clock.rate_error_ppm != 0) {
    elapsed = std::llround(static_cast<double>(elapsed) * (1.0 + clock.rate_error_ppm * 1e-6));
  }
  return static_cast<std::uint32_t>(std::uint64_t{clock.counter_at_start} +
                                    static_cast<std::uint64_t>(elapsed));
}

void EdgeLineWriter::put(std::string& out, bool is_high, std::uint32_t when) {
  out += station_;
  out += is_high ? " true " : " false ";
  append_number(out, when);
  out += ' ';
  append_number(out, tick_++);
  out += crlf_ ? "\r\n" : "\n";
}

void append_comment(std::string& out, std::uint64_t number, bool crlf) {
  out += "# comment ";
  append_number(out, number);
  out += crlf ? "\r\n" : "\n";
}

}  // namespace quillfen
