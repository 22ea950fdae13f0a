#include "src/cli/command_line.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "src/lib/u32.hpp"
#include "src/lib/version.hpp"
#include "src/options/long_options.hpp"
#include "src/options/lower_case.hpp"
#include "src/options/option_parser.hpp"

namespace quillfen {
namespace {

constexpr std::u32string_view kOptionString = U"hf:s:ueE:MSjp:V";

CommandLineExit failure(std::string message) { return {{}, std::move(message), kFailure}; }

}  // namespace

std::string help_text(std::string_view program_name) {
  std::string text = "Usage: ";
  text += program_name;
  text +=
      " [-h] [-f logfile] [-s station] [-u] [-e] [-E limit] [-M] [-S] [-j] [-p picture] [-V]\n"
      "  -h          display this help, see README.md for more information\n"
      "  -f logfile  the log file to analyze\n"
      "  -s station  the station name (dcf77 or msf) of logfile\n"
      "  -u          show the time and date in UTC instead of local time\n"
      "  -e          logfile is an edge log file from mossbell\n"
      "  -E limit    define spike limit for edge files as limit microseconds\n"
      "  -M          toggle mode to process logfile in\n"
      "              (default mode is strict for edge files and loose for per-bit files)\n"
      "  -S          print a summary of the reception instead of the per-minute report\n"
      "  -j          write JSON: one object per minute, or with -S the summary\n"
      "  -p picture  also draw the reception into the file picture (SVG)\n"
      "  -V          display the version\n";
  return text;
}

std::variant<Settings, CommandLineExit> parse_command_line(std::span<const char* const> argv) {
  // An empty argument list cannot come from a shell; name the program then.
  static const char* const kDefaultArguments[] = {"quillfen"};
  const std::span<const char* const> arguments = argv.empty() ? kDefaultArguments : argv;

  auto split = split_arguments(arguments);
  if (const auto* invalid = std::get_if<InvalidArgument>(&split)) {
    return failure("Error: argument " + std::to_string(invalid->position) +
                   " is not valid UTF-8\n");
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
  bool summary = false;
  bool json = false;
  std::optional<std::string> picture;

  for (;;) {
    OptionResult result = parser.next_option();
    if (std::holds_alternative<EndOfOptions>(result)) {
      break;
    }
    if (const Error* error = std::get_if<Error>(&result)) {
      return failure("Error: " + debug_form(*error) + "\n");
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
      case U'S':
        summary = true;
        break;
      case U'j':
        json = true;
        break;
      case U'p':
        picture = std::move(*option.argument);
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
          return failure("spike limit '" + *option.argument +
                         "' is not an u32: " + std::string(*reason) + "\n");
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
    return CommandLineExit{std::string(version_text()), {}, kSuccess};
  }
  if (show_help || (station.empty() && logfile.empty())) {
    return CommandLineExit{help_text(program_name), {}, kSuccess};
  }
  // The station is checked before the file name and the file, so that a
  // wrong station is told even when the file does not exist.
  if (station != "dcf77" && station != "msf") {
    return failure("station must be 'dcf77' or 'msf' but is '" + station + "'\n");
  }
  if (logfile.empty()) {
    return failure("logfile not given\n");
  }
  if (picture.has_value() && picture->empty()) {
    return failure("picture file name is empty\n");
  }
  // The log is read whole before the picture is written, but it is mapped,
  // not copied: writing the picture over it would cut the log short under
  // the analysis.
  // Standard input ("-") is not a file the picture could overwrite.
  if (picture.has_value() && *picture == logfile && logfile != "-") {
    return failure("picture file '" + *picture + "' is the log file\n");
  }
  Settings settings;
  settings.station = station == "dcf77" ? Station::Dcf77 : Station::Msf;
  settings.log = edge_file ? LogKind::Edges : LogKind::Bits;
  settings.strict = strict_mode(settings.log, toggle_mode);
  settings.show_utc = show_utc;
  settings.spike_limit = spike_limit;
  settings.logfile = std::move(logfile);
  settings.summary = summary;
  settings.json = json;
  settings.picture = std::move(picture);
  return settings;
}

}  // namespace quillfen
