#include "src/transmitters/dcf77_analyzer.hpp"

#include <cstddef>
#include <utility>

#include "datetime/date_time_record.hpp"
#include "src/lib/edge_log.hpp"
#include "src/lib/report_format.hpp"

namespace quillfen {

namespace {

// DCF77 numbers its weekdays from Monday 1 to Sunday 7.
constexpr std::uint8_t kMonday = 1;
constexpr std::uint8_t kSunday = 7;

// Seconds at which a field of the time code begins, so that the bits line
// shows the groups 0, 1-14, 15, 16-18, 19, 20, 21-27, 28, 29-34, 35, 36-41,
// 42-44, 45-49, 50-57, 58 and the leap second 59 apart.
bool begins_field(std::uint8_t second) {
  switch (second) {
    case 1:
    case 15:
    case 16:
    case 19:
    case 20:
    case 21:
    case 28:
    case 29:
    case 35:
    case 36:
    case 42:
    case 45:
    case 50:
    case 58:
    case 59:
      return true;
    default:
      return false;
  }
}

void add_third_party_line(Report& report, std::uint16_t value) {
  static constexpr char kHexDigits[] = "0123456789abcdef";
  const char digits[4] = {kHexDigits[(value >> 12) & 0xf], kHexDigits[(value >> 8) & 0xf],
                          kHexDigits[(value >> 4) & 0xf], kHexDigits[value & 0xf]};
  report.add("Third-party buffer=0x");
  report.add(std::string_view(digits, sizeof digits));
  report.add('\n');
}

// DCF77 parities are even: true means the check failed, absent that a bit of
// the range was not received.
void add_parity_line(Report& report, std::optional<bool> parity_failed, std::string_view name) {
  if (parity_failed == false) {
    return;
  }
  report.add(name);
  report.add(parity_failed.has_value() ? " parity bad\n" : " parity undetermined\n");
}

// Bit 0 of every minute is 0 and bit 20 is 1; anything else is a reception
// fault worth a line.
void add_fixed_bit_line(Report& report, Bit bit, bool expected, std::string_view name) {
  if (bit == expected) {
    return;
  }
  report.add(name);
  report.add(bit.has_value() ? " is wrong\n" : " is undetermined\n");
}

void add_leap_second_text(Report& report, const DateTimeRecord& shown,
                          const Dcf77Decoder& decoder) {
  const std::optional<std::uint8_t> leap = shown.leap_second();
  if (!leap.has_value()) {
    return;
  }
  std::string_view separator;
  const auto add_item = [&](std::string_view item) {
    report.add(separator);
    report.add(item);
    separator = ",";
  };
  if ((*leap & LEAP_ANNOUNCED) != 0) {
    add_item("announced");
  }
  if ((*leap & LEAP_PROCESSED) != 0) {
    add_item("processed");
    if (decoder.get_leap_second_is_one().value_or(false)) {
      add_item("one");
    }
  }
  if ((*leap & LEAP_MISSING) != 0) {
    add_item("missing");
  }
}

}  // namespace

void report_dcf77_minute(Report& report, Dcf77Decoder& decoder, bool show_utc, bool strict,
                         std::optional<std::uint16_t> third_party_buffer, std::uint8_t seconds,
                         bool add_minute, bool minute_usable) {
  // The third-party data is complete after second 15, so it is worth showing
  // even for a minute that cannot be decoded.
  if (third_party_buffer.has_value()) {
    add_third_party_line(report, *third_party_buffer);
  }
  if (!minute_usable) {
    report.add('\n');
    return;
  }
  decoder.decode_time(add_minute, strict);

  const DateTimeRecord& clock = decoder.get_datetime();
  const DateTimeRecord shown =
      show_utc ? clock.get_utc().value_or(DateTimeRecord(kMonday, kSunday)) : clock;

  report.add("first_minute=");
  report.add_bool(decoder.get_first_minute());
  report.add(" seconds=");
  report.add_decimal(seconds);
  report.add(" this_minute_length=");
  report.add_decimal(decoder.get_this_minute_length());
  report.add(" next_minute_length=");
  report.add_decimal(decoder.get_next_minute_length());
  report.add('\n');

  const std::optional<std::uint8_t> dst = shown.dst();
  format_datetime(report.text, shown, kSunday, dst.has_value(), dst.value_or(0), show_utc);
  report.add(" [");
  add_leap_second_text(report, shown, decoder);
  report.add("] [");
  const Bit call_bit = decoder.get_call_bit();
  report.add(!call_bit.has_value() ? "?" : (*call_bit ? "call" : ""));
  report.add("]\n");

  add_parity_line(report, decoder.get_minute_parity(), "Minute");
  add_parity_line(report, decoder.get_hour_parity(), "Hour");
  add_parity_line(report, decoder.get_date_parity(), "Date");
  add_fixed_bit_line(report, decoder.get_bit_0(), false, "Bit 0");
  add_fixed_bit_line(report, decoder.get_bit_20(), true, "Bit 20");

  for (const std::string_view message : jump_messages(shown)) {
    report.add(message);
    report.add('\n');
  }
  report.add('\n');
}

void format_edge_line(std::string& out, const Dcf77Decoder& decoder, std::uint32_t elapsed,
                      std::string& edges) {
  out.append(edges);
  out.push_back(' ');
  append_decimal(out, decoder.get_second());
  out.push_back('[');
  append_bit(out, decoder.get_current_bit());
  out.append("][");
  append_decimal(out, elapsed);
  out.append("]\n");
  edges.clear();
}

Report analyze_dcf77_bits(std::string_view log_text, bool toggle_mode, bool show_utc) {
  Report report;
  // The report is a few times the size of the log; reserving the log's size
  // saves the first copies without betting memory on a log that is mostly
  // ignored characters.
  report.text.reserve(log_text.size());

  Dcf77Decoder decoder;
  const bool strict = toggle_mode;
  std::optional<std::uint16_t> third_party_buffer;
  std::string bits_line;
  bits_line.reserve(128);
  bool wrapped = false;  // the second counter ran past the end of this minute

  // Only ASCII characters mean something, and no byte of a multi-byte UTF-8
  // character is ASCII, so walking bytes is walking characters here.
  for (const char c : log_text) {
    if (c == '*') {
      decoder.reset();
      continue;
    }
    const bool end_of_minute = c == '\n';
    if (end_of_minute) {
      decoder.set_new_minute(true);
    } else if (c == '0' || c == '1' || c == '_') {
      decoder.set_current_bit(c == '_' ? Bit{} : Bit{c == '1'});
      decoder.set_new_minute(false);
      if (begins_field(decoder.get_second())) {
        bits_line.push_back(' ');
      }
    } else {
      continue;
    }
    bits_line.push_back(c);

    const std::uint8_t seconds = decoder.get_second() + 1;
    const std::uint8_t minute_length = decoder.get_minute_length();
    if (!decoder.increase_second()) {
      report.add("increase_second() == false\n");
      wrapped = true;
    }
    if (decoder.get_previous_second() == 15) {
      third_party_buffer = decoder.read_third_party_buffer();
    }
    if (!end_of_minute) {
      continue;
    }

    report.add(bits_line);
    bits_line.clear();
    if (seconds != minute_length) {
      report.add("Minute is ");
      report.add_decimal(seconds);
      report.add(" seconds instead of ");
      report.add_decimal(minute_length);
      report.add(" seconds long\n");
    }
    // A leap second that was announced but not inserted leaves a normal
    // 60-second minute where 61 seconds were expected. That minute is still
    // whole and the decoder reads it as one: refusing it would keep the clock
    // at minute 59 with the announcement standing, so every later minute
    // would be expected to last 61 seconds and none would ever be decoded.
    const bool leap_second_missing = minute_length == 61 && seconds == 60;
    report_dcf77_minute(report, decoder, show_utc, strict, third_party_buffer, seconds,
                        /*add_minute=*/true,
                        wrapped || seconds == minute_length || leap_second_missing);
    third_party_buffer.reset();
    wrapped = false;
  }
  return report;
}

Report analyze_dcf77_edges(std::string_view log_text, bool toggle_mode, bool show_utc,
                           std::optional<std::uint32_t> spike_limit) {
  Report report;
  // An edge line repeats the edges of its second and adds a few bytes.
  report.text.reserve(log_text.size());

  Dcf77Decoder decoder;
  if (spike_limit.has_value()) {
    decoder.set_spike_limit(*spike_limit);
  }
  const bool strict = !toggle_mode;
  std::optional<std::uint16_t> third_party_buffer;
  std::string edges;  // the edges since the last edge line, as text
  edges.reserve(256);
  std::uint32_t elapsed = 0;        // microseconds since the last edge line
  std::uint32_t previous_when = 0;  // time stamp of the previous DCF77 edge
  bool add_minute = true;           // the clock still has to advance this minute

  const auto handle_edge = [&](const EdgeSample& edge) {
    append_edge_text(edges, edge);
    // The receiver's counter may wrap; unsigned differences stay right.
    const std::uint32_t delta = previous_when == 0 ? 0 : edge.when - previous_when;
    previous_when = edge.when;
    const bool taken = decoder.handle_new_edge(edge.is_high, edge.when);
    elapsed += delta;
    // A spike (typically ringing right after a real edge) leaves the decoder's
    // flags as the real edge set them. Acting on them again would count the
    // same second twice, so a spike only shows in the edge line.
    if (!taken) {
      return;
    }

    // The last second of a minute carries no second marker, so no edge will
    // start it: step into it once the marker of the second before has ended.
    if (decoder.get_second() == decoder.get_minute_length() - 2) {
      format_edge_line(report.text, decoder, elapsed, edges);
      const bool increased = decoder.increase_second();
      report.add("increase_second,second,new_minute,tick=");
      report.add_bool(increased);
      report.add(',');
      report.add_decimal(decoder.get_second());
      report.add(',');
      report.add_bool(decoder.get_new_minute());
      report.add(',');
      report.add_decimal(edge.tick);
      report.add('\n');
      elapsed = 0;
    }

    if (decoder.get_new_second()) {
      format_edge_line(report.text, decoder, elapsed, edges);
      elapsed = 0;
      const std::uint8_t seconds = decoder.get_second() + 1;
      // The counter ran past the end of the minute: the minute marker was
      // lost. Keep the clock running so the next minute is still compared
      // with the right time.
      if (!decoder.increase_second() && decoder.increase_minute()) {
        add_minute = false;
      }
      if (decoder.get_previous_second() == 15) {
        third_party_buffer = decoder.read_third_party_buffer();
      }
      if (decoder.get_new_minute()) {
        report_dcf77_minute(report, decoder, show_utc, strict, third_party_buffer, seconds,
                            add_minute, /*minute_usable=*/true);
        add_minute = true;
        third_party_buffer.reset();
      }
    }
  };

  std::optional<std::string> bad_line = walk_edge_log(log_text, [&](const EdgeLogLine& line) {
    switch (line.kind) {
      case EdgeLineKind::Dcf77Edge:
        handle_edge(*line.edge);
        break;
      case EdgeLineKind::MsfEdge:
        break;
      case EdgeLineKind::Comment:
        report.add(*line.comment);
        report.add('\n');
        break;
    }
  });
  if (bad_line.has_value()) {
    report.bad_line = std::move(bad_line);
  }
  return report;
}

}  // namespace quillfen
