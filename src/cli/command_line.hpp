// The command line of quillfen: from the arguments to the settings of one
// run, or to what the program prints and its exit status when there is
// nothing to analyze.
//
//   quillfen [-h] [-f logfile] [-s station] [-u] [-e] [-E limit] [-M] [-S] [-j] [-p picture] [-V]
//
// --help and --version stand for -h and -V wherever an option may stand.
// Options may be clustered (-ue) and arguments attached or detached (-fname,
// -f name); option parsing ends at the first argument that is not an option,
// at a lone "-" and after "--".
#ifndef QUILLFEN_SRC_CLI_COMMAND_LINE_HPP_
#define QUILLFEN_SRC_CLI_COMMAND_LINE_HPP_

#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "src/analyzers/settings.hpp"

namespace quillfen {

// Exit statuses. quillfen fails (1) whenever nothing or not all was
// analyzed, so that a script can tell:
//   0  the help text was printed (-h, or neither station nor log file), the
//      version was printed (-V), or the analysis completed and its report
//      was written;
//   1  the command line was rejected (unknown option, missing option
//      argument, an argument that is not valid UTF-8), the -E value is not an
//      unsigned 32-bit number, the station is not dcf77 or msf, the log file
//      is not given, cannot be read or is not UTF-8, an edge log has a
//      malformed line (the report up to that line is still written), or
//      standard output cannot be written.
// A reader that closes the pipe early ("quillfen ... | head -1") stopped
// reading on purpose: that ends the output quietly and leaves the status as
// it was.
inline constexpr int kSuccess = 0;
inline constexpr int kFailure = 1;

// The run ends without analyzing: `out` goes to standard output (the help
// text), `err` to standard error (a message ending in "\n"), then the
// program exits with `status`.
struct CommandLineExit {
  std::string out;
  std::string err;
  int status;

  bool operator==(const CommandLineExit&) const = default;
};

// Reads the arguments (the first is the name the program was started under;
// an empty list counts as the name "quillfen"), in this order:
//   - an argument that is not UTF-8: "Error: argument N is not valid UTF-8";
//   - each option as it comes: a parser error ends the run at once with
//     "Error: " and the error's debug form; -E must be an unsigned 32-bit
//     number ("spike limit '<argument>' is not an u32: <reason>"), and a bad
//     one ends the run before later options, -h included, are read;
//   - -V without -h: the version text ("quillfen 0.2.0\n"), status 0;
//   - -h, or neither station nor log file: the help text, status 0;
//   - a station other than dcf77 or msf (compared after full Unicode
//     lower-casing): "station must be 'dcf77' or 'msf' but is '<station>'";
//   - no log file: "logfile not given";
//   - a -p picture file that is empty: "picture file name is empty", or that
//     is the log file itself: "picture file '<name>' is the log file".
// Every failure has status 1. Otherwise the settings: the station, the log
// kind (-e), strict mode decided from the log kind and -M, -u, -E, the log
// file name as given ("-" is standard input), the summary (-S), JSON (-j)
// and the picture file (-p, the last one wins).
std::variant<Settings, CommandLineExit> parse_command_line(std::span<const char* const> argv);

// The usage and help text: the usage line and twelve lines of options.
std::string help_text(std::string_view program_name);

}  // namespace quillfen

#endif  // QUILLFEN_SRC_CLI_COMMAND_LINE_HPP_
