// quillfen: analyzes a log recorded from a DCF77 or MSF time-signal receiver
// and reports, minute by minute, what the receiver got.
//
// The entry takes the settings from the command line, checks the station and
// the log file name, reads the log whole, hands it to one analyzer and writes
// the report to standard output. Messages go to standard error.

#include <signal.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <exception>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "src/lib/gzip_hint.hpp"
#include "src/lib/posix_io.hpp"
#include "src/lib/report.hpp"
#include "src/lib/u32.hpp"
#include "src/lib/version.hpp"
#include "src/options/long_options.hpp"
#include "src/options/option_parser.hpp"
#include "src/transmitters/dcf77_analyzer.hpp"
#include "src/transmitters/msf_analyzer.hpp"

namespace quillfen {
namespace {

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
constexpr int kSuccess = 0;
constexpr int kFailure = 1;

constexpr std::u32string_view kOptionString = U"hf:s:ueE:MV";

// Standard error is where failures are told; when it cannot be written
// either, there is nowhere left to tell it, and the exit status still says it.
void print_error(std::string_view text) { static_cast<void>(write_all(STDERR_FILENO, text)); }

// Writes `text` to standard output and returns `status`, or kFailure with a
// message when the output cannot be written.
int print_output(std::string_view text, int status) {
  const std::optional<int> error = write_all(STDOUT_FILENO, text);
  if (!error) {
    return status;
  }
  if (*error == EPIPE) {
    // The reader closed the pipe: it has all it wanted, like "head" does.
    return status;
  }
  print_error("Could not write to standard output: " + os_error_text(*error) + "\n");
  return kFailure;
}

std::string help_text(std::string_view program_name) {
  std::string text = "Usage: ";
  text += program_name;
  text +=
      " [-h] [-f logfile] [-s station] [-u] [-e] [-E limit] [-M] [-V]\n"
      "  -h          display this help, see README.md for more information\n"
      "  -f logfile  the log file to analyze\n"
      "  -s station  the station name (dcf77 or msf) of logfile\n"
      "  -u          show the time and date in UTC instead of local time\n"
      "  -e          logfile is an edge log file from mossbell\n"
      "  -E limit    define spike limit for edge files as limit microseconds\n"
      "  -M          toggle mode to process logfile in\n"
      "              (default mode is strict for edge files and loose for per-bit files)\n"
      "  -V          display the version\n";
  return text;
}

// Full Unicode lower-casing, independent of the user's locale.
std::string to_lower(std::string_view text) {
  std::string lower;
  icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())))
      .toLower(icu::Locale::getRoot())
      .toUTF8String(lower);
  return lower;
}

int run(std::span<const char* const> argv) {
  // An empty argument list cannot come from a shell; name the program then.
  static const char* const kDefaultArguments[] = {"quillfen"};
  const std::span<const char* const> arguments = argv.empty() ? kDefaultArguments : argv;

  auto split = split_arguments(arguments);
  if (const auto* invalid = std::get_if<InvalidArgument>(&split)) {
    print_error("Error: argument " + std::to_string(invalid->position) + " is not valid UTF-8\n");
    return kFailure;
  }
  const std::string_view program_name = arguments[0];
  // --help and --version stand for -h and -V.
  OptionParser parser(with_long_options_as_short(
                          std::move(std::get<std::vector<std::u32string>>(split)), kOptionString),
                      kOptionString);

  std::string logfile;
  std::string station;
  bool show_help = false;
  bool show_version = false;
  bool show_utc = false;
  bool edge_file = false;
  bool toggle_mode = false;
  std::optional<std::uint32_t> spike_limit;

  for (;;) {
    OptionResult result = parser.next_option();
    if (std::holds_alternative<EndOfOptions>(result)) {
      break;
    }
    if (const Error* error = std::get_if<Error>(&result)) {
      print_error("Error: " + debug_form(*error) + "\n");
      return kFailure;
    }
    ParsedOption& option = std::get<ParsedOption>(result);
    switch (option.letter) {
      case U'h':
        show_help = true;
        break;
      case U'V':
        show_version = true;
        break;
      case U'u':
        show_utc = true;
        break;
      case U'e':
        edge_file = true;
        break;
      case U'M':
        toggle_mode = true;
        break;
      case U'f':
        logfile = std::move(*option.argument);
        break;
      case U's':
        station = to_lower(*option.argument);
        break;
      case U'E': {
        const auto limit = parse_u32(*option.argument);
        if (const auto* reason = std::get_if<std::string_view>(&limit)) {
          // Ends the run before later options, -h included, are read.
          print_error("spike limit '" + *option.argument +
                      "' is not an u32: " + std::string(*reason) + "\n");
          return kFailure;
        }
        spike_limit = std::get<std::uint32_t>(limit);
        break;
      }
      default:
        // The parser returns only letters of kOptionString.
        break;
    }
  }

  // -h wins over -V, and -V over the checks of station and log file.
  if (show_version && !show_help) {
    return print_output(std::string(version_text()), kSuccess);
  }
  if (show_help || (station.empty() && logfile.empty())) {
    return print_output(help_text(program_name), kSuccess);
  }
  // The station is checked before the file name and the file, so that a
  // wrong station is told even when the file does not exist.
  if (station != "dcf77" && station != "msf") {
    print_error("station must be 'dcf77' or 'msf' but is '" + station + "'\n");
    return kFailure;
  }
  if (logfile.empty()) {
    print_error("logfile not given\n");
    return kFailure;
  }
  // The file name "-" is standard input.
  auto read = logfile == "-" ? read_standard_input() : read_text_file(logfile);
  if (const auto* failure = std::get_if<ReadFailure>(&read)) {
    print_error("Could not read file '" + logfile + "' : " + failure->reason + "\n");
    if (failure->gzip_compressed) {
      print_error(gzip_hint(logfile));
    }
    return kFailure;
  }
  const std::string_view log_text = std::get<std::string>(read);

  Report report;
  if (station == "dcf77") {
    report = edge_file ? analyze_dcf77_edges(log_text, toggle_mode, show_utc, spike_limit)
                       : analyze_dcf77_bits(log_text, toggle_mode, show_utc);
  } else {
    report = edge_file ? analyze_msf_edges(log_text, toggle_mode, show_utc, spike_limit)
                       : analyze_msf_bits(log_text, toggle_mode, show_utc);
  }

  int status = kSuccess;
  if (report.bad_line) {
    // The analysis stopped at a malformed edge-log line; its message and an
    // empty line come before the report gathered up to there.
    print_error(*report.bad_line + "\n");
    status = kFailure;
  }
  return print_output(report.text, status);
}

}  // namespace
}  // namespace quillfen

int main(int argc, char** argv) {
  // A closed pipe on standard output shows up as the error EPIPE from write,
  // which the entry handles, instead of as a signal that kills the process.
  signal(SIGPIPE, SIG_IGN);
  try {
    return quillfen::run(std::span<const char* const>(argv, static_cast<std::size_t>(argc)));
  } catch (const std::bad_alloc&) {
    quillfen::print_error("quillfen: out of memory\n");
    return quillfen::kFailure;
  } catch (const std::exception& e) {
    // Not expected: the analyzers and the entry report failures as values.
    quillfen::print_error("quillfen: internal error: ");
    quillfen::print_error(e.what());
    quillfen::print_error("\n");
    return quillfen::kFailure;
  } catch (...) {
    quillfen::print_error("quillfen: internal error\n");
    return quillfen::kFailure;
  }
}
