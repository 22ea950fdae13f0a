#include "synth/synth_settings.hpp"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "src/lib/u32.hpp"
#include "src/options/lower_case.hpp"
#include "src/options/option_parser.hpp"
#include "synth/iso_time.hpp"
#include "synth/leap_seconds.hpp"

namespace quillfen {
namespace {

constexpr std::u32string_view kOptionString = U"hs:et:n:r:L:d:P:Cc:k:b:j:g:y:G:l:x:N:F:Z:p:m:woi:U:";
// Options that shape the signal or the lines around it: edge logs only.
constexpr std::u32string_view kEdgeOnly = U"ckbjgyGxNFZpmo";

SynthExit failure(std::string message) { return {{}, std::move(message) + "\n", 1}; }

// A whole number with an optional sign, all of `text`.
std::optional<std::int64_t> parse_integer(std::string_view text) {
  if (text.size() > 1 && text[0] == '+' && text[1] != '-') {
    text.remove_prefix(1);
  }
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size() || text.empty()) {
    return std::nullopt;
  }
  return value;
}

std::optional<std::int64_t> parse_integer_in(std::string_view text, std::int64_t low,
                                             std::int64_t high) {
  const auto value = parse_integer(text);
  if (!value || *value < low || *value > high) {
    return std::nullopt;
  }
  return value;
}

// A decimal number ("0.25", "1e-3") within [low, high], all of `text`.
std::optional<double> parse_decimal_in(std::string_view text, double low, double high) {
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size() || text.empty() ||
      !(value >= low && value <= high)) {
    return std::nullopt;
  }
  return value;
}

std::optional<LeapSecond> parse_leap(std::string_view text) {
  LeapKind kind = LeapKind::Inserted;
  const std::size_t colon = text.find(':');
  if (colon != std::string_view::npos) {
    const std::string_view suffix = text.substr(colon + 1);
    if (suffix == "missing") {
      kind = LeapKind::Missing;
    } else if (suffix == "-1") {
      kind = LeapKind::Negative;
    } else {
      return std::nullopt;
    }
  }
  const auto day = parse_utc_date(text.substr(0, colon));
  if (!day) {
    return std::nullopt;
  }
  return LeapSecond{*day, kind};
}

std::optional<LogSecond> parse_log_second(std::string_view text) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) {
    return std::nullopt;
  }
  const auto minute = parse_integer_in(text.substr(0, colon), 0, kMostMinutes - 1);
  const auto second = parse_integer_in(text.substr(colon + 1), 0, 60);
  if (!minute || !second) {
    return std::nullopt;
  }
  return LogSecond{*minute, static_cast<unsigned>(*second)};
}

std::optional<GlitchRange> parse_glitch_range(std::string_view text) {
  const std::size_t dash = text.find('-');
  if (dash == std::string_view::npos) {
    return std::nullopt;
  }
  const auto low = parse_integer_in(text.substr(0, dash), 1, 100000);
  const auto high = parse_integer_in(text.substr(dash + 1), 1, 100000);
  if (!low || !high || *low > *high) {
    return std::nullopt;
  }
  return GlitchRange{static_cast<std::uint32_t>(*low), static_cast<std::uint32_t>(*high)};
}

std::string dash(char32_t letter) { return std::string{'-', static_cast<char>(letter)}; }

// Reads every option; the first bad value ends the reading.
class Reader {
 public:
  std::optional<SynthExit> read(char32_t letter, const std::string& value);

  bool help = false;
  std::optional<std::string> station;
  std::optional<std::chrono::sys_seconds> start;
  std::optional<std::int64_t> minutes;
  std::vector<LeapSecond> leaps;
  std::vector<std::string> leap_texts;
  std::vector<std::string> lost_texts;
  std::u32string given;
  SynthSettings settings;
};

std::optional<SynthExit> Reader::read(char32_t letter, const std::string& value) {
  given += letter;
  FaultSettings& faults = settings.faults;
  const auto rate = [&](double& into) -> std::optional<SynthExit> {
    const auto r = parse_decimal_in(value, 0, 1);
    if (!r) {
      return failure("rate '" + value + "' of " + dash(letter) + " is not a number from 0 to 1");
    }
    into = *r;
    return std::nullopt;
  };
  switch (letter) {
    case U'h': help = true; break;
    case U'e': settings.edge_log = true; break;
    case U'C': settings.transmitter.call_bit = true; break;
    case U'w': settings.crlf = true; break;
    case U'o': settings.edge.other_station = true; break;
    case U's': station = to_lower(value); break;
    case U't':
      start = parse_utc_instant(value);
      if (!start) {
        return failure("start '" + value +
                       "' is not a UTC instant like 2016-12-31T23:30Z or 2016-12-31T23:30:15Z");
      }
      break;
    case U'n':
      minutes = parse_integer_in(value, 1, kMostMinutes);
      if (!minutes) {
        return failure("minutes '" + value + "' is not a whole number from 1 to " +
                       std::to_string(kMostMinutes) + " (ten years)");
      }
      break;
    case U'r': {
      std::uint64_t seed = 0;
      const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), seed);
      if (error != std::errc{} || end != value.data() + value.size() || value.empty()) {
        return failure("seed '" + value + "' is not an unsigned 64-bit number");
      }
      settings.seed = seed;
      break;
    }
    case U'L': {
      const auto leap = parse_leap(value);
      if (!leap) {
        return failure("leap second '" + value +
                       "' is not DATE, DATE:missing or DATE:-1 with DATE like 2016-12-31");
      }
      leaps.push_back(*leap);
      leap_texts.push_back(value);
      break;
    }
    case U'd': {
      const std::size_t at = value.find('@');
      const auto tenths = parse_integer_in(value.substr(0, at), -8, 8);
      const auto from = at == std::string::npos ? std::nullopt : parse_utc_date(value.substr(at + 1));
      if (!tenths || (at != std::string::npos && !from)) {
        return failure("DUT1 '" + value +
                       "' is not tenths of a second from -8 to 8, or that @DATE with DATE like "
                       "2025-10-26");
      }
      if (from) {
        settings.transmitter.dut1_changes.push_back({*from, static_cast<std::int8_t>(*tenths)});
      } else {
        settings.transmitter.dut1 = static_cast<std::int8_t>(*tenths);
      }
      break;
    }
    case U'P': {
      const auto bits = parse_integer_in(value, 0, 16383);
      if (!bits) {
        return failure("third-party bits '" + value + "' are not a number from 0 to 16383");
      }
      settings.transmitter.third_party = static_cast<std::uint16_t>(*bits);
      break;
    }
    case U'c':
    case U'k': {
      const auto number = parse_u32(value);
      if (const auto* reason = std::get_if<std::string_view>(&number)) {
        return failure(std::string(letter == U'c' ? "counter '" : "tick '") + value +
                       "' is not an u32: " + std::string(*reason));
      }
      (letter == U'c' ? settings.edge.counter_at_start : settings.edge.first_tick) =
          std::get<std::uint32_t>(number);
      break;
    }
    case U'b': {
      const auto bias = parse_integer_in(value, -500000, 500000);
      if (!bias) {
        return failure("pulse bias '" + value + "' is not microseconds from -500000 to 500000");
      }
      faults.pulse_bias_us = static_cast<std::int32_t>(*bias);
      break;
    }
    case U'j': {
      const auto jitter = parse_integer_in(value, 0, 50000);
      if (!jitter) {
        return failure("jitter '" + value + "' is not microseconds from 0 to 50000");
      }
      faults.jitter_us = static_cast<std::uint32_t>(*jitter);
      break;
    }
    case U'G': {
      const auto range = parse_glitch_range(value);
      if (!range) {
        return failure("glitch lengths '" + value +
                       "' are not MIN-MAX microseconds with 1 <= MIN <= MAX <= 100000");
      }
      faults.glitch = *range;
      break;
    }
    case U'l': {
      if (const auto at = parse_log_second(value)) {
        faults.lost_pulses.push_back(*at);
        lost_texts.push_back(value);
      } else if (const auto r = parse_decimal_in(value, 0, 1)) {
        faults.lost_pulse_rate = *r;
      } else {
        return failure("lost pulses '" + value +
                       "' are not a rate from 0 to 1 or MINUTE:SECOND of the log");
      }
      break;
    }
    case U'Z': {
      const auto seconds = parse_integer_in(value, 1, 3600);
      if (!seconds) {
        return failure("fade length '" + value + "' is not seconds from 1 to 3600");
      }
      faults.fade_seconds = static_cast<std::uint32_t>(*seconds);
      break;
    }
    case U'p': {
      const auto ppm = parse_decimal_in(value, -1000, 1000);
      if (!ppm) {
        return failure("clock rate error '" + value + "' is not ppm from -1000 to 1000");
      }
      settings.edge.rate_error_ppm = *ppm;
      break;
    }
    case U'g': return rate(faults.spike_rate);
    case U'y': return rate(faults.ringing_rate);
    case U'x': return rate(faults.extra_pulse_rate);
    case U'N': return rate(faults.noise_rate);
    case U'F': return rate(faults.fade_rate);
    case U'm': return rate(settings.edge.comment_rate);
    case U'i': return rate(faults.bit_error_rate);
    case U'U': return rate(faults.undetermined_rate);
    default: break;  // the parser returns only letters of kOptionString
  }
  return std::nullopt;
}

}  // namespace

std::string synth_help_text(std::string_view program_name) {
  std::string text = "Usage: ";
  text += program_name;
  text +=
      " -s dcf77|msf [-e] -t START -n MINUTES [options]\n"
      "Writes a receiver log of the station from START (UTC, like 2016-12-31T23:30Z or\n"
      "2016-12-31T23:30:15Z) for MINUTES minutes to standard output: a per-bit log, or\n"
      "an edge log with -e. Times in microseconds, rates from 0 to 1.\n"
      "  -h            display this help, see README.md for more information\n"
      "  -r SEED       seed of every random fault (default 1)\n"
      "  -L DATE[:missing|:-1]  a leap second at the end of the UTC day DATE\n"
      "  -d TENTHS[@DATE]  MSF DUT1 (-8..8, default 0), or from 00:00 UTC of DATE on\n"
      "  -P BITS       DCF77 third-party bits 1..14 as a number 0..16383\n"
      "  -C            DCF77 call bit set\n"
      "  -i RATE       bit errors per second      -U RATE  undetermined bits per second\n"
      "  -l RATE|M:S   lost pulses, per second or at second S of minute M (from 0)\n"
      "  -w            CRLF line ends\n"
      "Edge logs only:\n"
      "  -c COUNT      microsecond counter at START (default 0)\n"
      "  -k TICK       tick of the first edge line (default 0)\n"
      "  -p PPM        clock rate error of the logger\n"
      "  -b US         pulse-length bias      -j US  edge jitter (0..50000)\n"
      "  -g RATE       spikes per second      -y RATE  ringing per edge\n"
      "  -G MIN-MAX    spike and ringing lengths (default 1000-20000)\n"
      "  -x RATE       a neighbouring transmitter's 200/400 ms pulses per second\n"
      "  -N RATE       noise bursts per second\n"
      "  -F RATE       fades per second       -Z SECONDS  fade length (default 10)\n"
      "  -m RATE       comment lines per second\n"
      "  -o            the other station's lines interleaved\n";
  return text;
}

std::variant<SynthSettings, SynthExit> parse_synth_command_line(
    std::span<const char* const> argv) {
  static const char* const kDefaultArguments[] = {"quillfen-synth"};
  const std::span<const char* const> arguments = argv.empty() ? kDefaultArguments : argv;

  auto split = split_arguments(arguments);
  if (const auto* invalid = std::get_if<InvalidArgument>(&split)) {
    return failure("Error: argument " + std::to_string(invalid->position) +
                   " is not valid UTF-8");
  }
  const std::string_view program_name = arguments[0];
  OptionParser parser(std::move(std::get<std::vector<std::u32string>>(split)), kOptionString);

  Reader reader;
  for (;;) {
    OptionResult result = parser.next_option();
    if (std::holds_alternative<EndOfOptions>(result)) {
      break;
    }
    if (const Error* error = std::get_if<Error>(&result)) {
      return failure("Error: " + debug_form(*error));
    }
    const ParsedOption& option = std::get<ParsedOption>(result);
    if (auto exit = reader.read(option.letter, option.argument.value_or(""))) {
      return *exit;
    }
  }

  if (reader.help || arguments.size() == 1) {
    return SynthExit{synth_help_text(program_name), {}, 0};
  }
  if (parser.index() < arguments.size()) {
    return failure("unexpected argument '" + std::string(arguments[parser.index()]) + "'");
  }
  if (!reader.station) {
    return failure("station not given: -s dcf77 or -s msf");
  }
  if (*reader.station != "dcf77" && *reader.station != "msf") {
    return failure("station must be 'dcf77' or 'msf' but is '" + *reader.station + "'");
  }
  if (!reader.start) {
    return failure("start not given: -t START");
  }
  if (!reader.minutes) {
    return failure("number of minutes not given: -n MINUTES");
  }
  SynthSettings settings = std::move(reader.settings);
  settings.station = *reader.station == "dcf77" ? SynthStation::Dcf77 : SynthStation::Msf;
  settings.start = *reader.start;
  settings.minutes = *reader.minutes;
  const bool dcf77 = settings.station == SynthStation::Dcf77;

  for (const char32_t letter : reader.given) {
    if (!settings.edge_log && kEdgeOnly.find(letter) != std::u32string_view::npos) {
      return failure(dash(letter) + " needs an edge log (-e)");
    }
    if (dcf77 && letter == U'd') {
      return failure("-d is for msf only");
    }
    if (!dcf77 && (letter == U'P' || letter == U'C')) {
      return failure(dash(letter) + " is for dcf77 only");
    }
  }
  for (std::size_t i = 0; i < reader.leaps.size(); ++i) {
    if (dcf77 && reader.leaps[i].kind == LeapKind::Negative) {
      return failure("leap second '" + reader.leap_texts[i] +
                     "': only msf sends a negative leap second");
    }
    if (!dcf77 && reader.leaps[i].kind == LeapKind::Missing) {
      return failure("leap second '" + reader.leap_texts[i] +
                     "': only dcf77 announces a leap second that can go missing");
    }
  }
  for (std::size_t i = 0; i < settings.faults.lost_pulses.size(); ++i) {
    if (settings.faults.lost_pulses[i].minute >= settings.minutes) {
      return failure("lost pulse at '" + reader.lost_texts[i] + "' is after the log's last minute " +
                     std::to_string(settings.minutes - 1));
    }
  }
  settings.transmitter.station = settings.station;
  settings.transmitter.leap_seconds = leap_schedule(reader.leaps);
  std::stable_sort(settings.transmitter.dut1_changes.begin(),
                   settings.transmitter.dut1_changes.end(),
                   [](const Dut1Change& a, const Dut1Change& b) { return a.from < b.from; });
  return settings;
}

}  // namespace quillfen
