// Per-bit logs: one character per second as a receiver classified it.
//
// DCF77: "0", "1" or "_" for each pulsed second, then the line end for the
// minute marker (the unpulsed last second). MSF: "4" for the minute marker,
// then one digit A + 2B per second ("_" when undetermined), then a line end,
// which readers ignore but which keeps one minute per line.
#ifndef QUILLFEN_SYNTH_BIT_LOG_WRITER_HPP_
#define QUILLFEN_SYNTH_BIT_LOG_WRITER_HPP_

#include <cstddef>
#include <string>

#include "synth/transmitter.hpp"

namespace quillfen {

// Appends the characters of seconds [from_second, length) of `minute` and the
// line end ("\n", or "\r\n" with `crlf`). A Lost second gives no character: the
// receiver wrote nothing for it. A log that starts inside a minute passes the
// second it starts at as `from_second`.
void append_bit_minute(std::string& out, const SentMinute& minute, std::size_t from_second,
                       bool crlf);

}  // namespace quillfen

#endif  // QUILLFEN_SYNTH_BIT_LOG_WRITER_HPP_
