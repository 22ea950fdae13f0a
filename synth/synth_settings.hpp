// The command line of quillfen-synth: from the arguments to the settings of
// one log, or to what the program prints and its exit status instead.
//
//   quillfen-synth -s dcf77|msf [-e] -t START -n MINUTES [options]
//
// The same option style as quillfen: single letters, clustered (-eC) or not,
// arguments attached (-n60) or detached (-n 60); parsing ends at "--". Every
// argument must be valid UTF-8.
#ifndef QUILLFEN_SYNTH_SYNTH_SETTINGS_HPP_
#define QUILLFEN_SYNTH_SYNTH_SETTINGS_HPP_

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "synth/faults.hpp"
#include "synth/transmitter.hpp"

namespace quillfen {

// Ten years of minutes: more is taken for a mistake.
inline constexpr std::int64_t kMostMinutes = 5259600;

// The log lines around the edges (edge logs only).
struct EdgeLogSettings {
  std::uint32_t counter_at_start = 0;  // the microsecond counter at START (-c)
  std::uint32_t first_tick = 0;        // the tick of the first edge line (-k)
  double rate_error_ppm = 0;           // the logger's clock runs fast by this (-p)
  double comment_rate = 0;             // per second, a comment line (-m)
  bool other_station = false;          // the other station's clean lines interleaved (-o)

  bool operator==(const EdgeLogSettings&) const = default;
};

struct SynthSettings {
  SynthStation station = SynthStation::Dcf77;
  bool edge_log = false;
  std::chrono::sys_seconds start{};  // the log's first second
  std::int64_t minutes = 0;          // 1..kMostMinutes, the first one counted even if partial
  std::uint64_t seed = 1;
  bool crlf = false;
  TransmitterSettings transmitter;  // with the full leap-second schedule
  FaultSettings faults;
  EdgeLogSettings edge;
};

// The run ends without a log: `out` to standard output (the help text), `err`
// to standard error (a message ending in "\n"), and the exit status.
struct SynthExit {
  std::string out;
  std::string err;
  int status;

  bool operator==(const SynthExit&) const = default;
};

// Reads the arguments (the first is the program's name; an empty list counts
// as "quillfen-synth"). No arguments after the name, or -h, give the help text
// and status 0. Everything else that is not a complete, valid command line
// gives one message and status 1: an argument that is not UTF-8, an unknown
// option or a missing option argument ("Error: " and the parser error's debug
// form, as quillfen), an option value out of its range (the first one met
// ends the reading), an operand, a missing -s, -t or -n, a signal option
// without -e, an option of the other station, a leap-second kind the station
// does not send, and a lost pulse outside the log.
std::variant<SynthSettings, SynthExit> parse_synth_command_line(
    std::span<const char* const> argv);

std::string synth_help_text(std::string_view program_name);

}  // namespace quillfen

#endif  // QUILLFEN_SYNTH_SYNTH_SETTINGS_HPP_
