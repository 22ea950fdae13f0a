#include "synth/bit_log_writer.hpp"

namespace quillfen {
namespace {

// The character of a second, or 0 for none.
char character(Symbol symbol) {
  switch (symbol) {
    case Symbol::Zero: return '0';
    case Symbol::One: return '1';
    case Symbol::Undetermined: return '_';
    case Symbol::Marker: return '4';
    case Symbol::A0B0: return '0';
    case Symbol::A1B0: return '1';
    case Symbol::A0B1: return '2';
    case Symbol::A1B1: return '3';
    case Symbol::Silent:  // the DCF77 minute marker: the line end
    case Symbol::Lost: return 0;
  }
  return 0;
}

}  // namespace

void append_bit_minute(std::string& out, const SentMinute& minute, std::size_t from_second,
                       bool crlf) {
  for (std::size_t s = from_second; s < minute.length; ++s) {
    if (const char c = character(minute.seconds[s]); c != 0) {
      out += c;
    }
  }
  out += crlf ? "\r\n" : "\n";
}

}  // namespace quillfen
