#include "src/transmitters/msf_analyzer.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "datetime/bit_field.hpp"
#include "datetime/date_time_record.hpp"
#include "src/lib/edge_log.hpp"
#include "src/lib/report_format.hpp"

namespace quillfen {

namespace {

// MSF numbers the weekdays 0 (Sunday) to 6 (Saturday).
constexpr std::uint8_t kMsfSunday = 0;
constexpr std::uint8_t kMsfFirstWeekday = 0;
constexpr std::uint8_t kMsfLastWeekday = 6;

void append_minute_length_line(std::string& out, std::uint64_t seconds, std::uint8_t length) {
  out.append("Minute is ");
  append_decimal(out, static_cast<std::int64_t>(seconds));
  out.append(" seconds instead of ");
  append_decimal(out, length);
  out.append(" seconds long\n");
}

void append_parity_line(std::string& out, std::optional<bool> parity, std::string_view name) {
  if (parity.has_value() && *parity) {
    return;
  }
  out.append(name);
  out.append(parity.has_value() ? " parity bad\n" : " parity undetermined\n");
}

// The characters of a complete minute of `length` seconds, with a space in
// front of each field: DUT1 positive, DUT1 negative, year, month, day,
// weekday, hour, minute and the end-of-minute marker. A leap second is
// inserted (or dropped) at the end of the DUT1 negative field, so every field
// from the year on moves with it.
void append_bits_line(std::string& out, const std::array<char, kBitBufferSize>& minute_chars,
                      std::uint8_t length) {
  const int shift = static_cast<int>(length) - 60;
  const std::array<int, 9> field_starts = {
      1, 9, 17 + shift, 25 + shift, 30 + shift, 36 + shift, 39 + shift, 45 + shift, 52 + shift};
  std::size_t next_field = 0;
  for (int index = 0; index < length; ++index) {
    if (next_field < field_starts.size() && index == field_starts[next_field]) {
      out.push_back(' ');
      ++next_field;
    }
    out.push_back(minute_chars[static_cast<std::size_t>(index)]);
  }
  out.push_back('\n');
}

}  // namespace

void report_msf_minute(MsfDecoder& decoder, bool show_utc, bool strict, std::uint8_t seconds,
                       bool add_minute, std::string& out) {
  decoder.decode_time(add_minute, strict);
  const DateTimeRecord own = decoder.get_datetime();
  DateTimeRecord shown = own;
  if (show_utc) {
    // Until the decoder holds a complete date, time and daylight-saving state
    // there is no UTC time to show; an empty record says so.
    shown = own.get_utc().value_or(DateTimeRecord(kMsfFirstWeekday, kMsfLastWeekday));
  }

  out.append("first_minute=");
  append_bool(out, decoder.get_first_minute());
  out.append(" seconds=");
  append_decimal(out, seconds);
  out.append(" minute_length=");
  append_decimal(out, decoder.get_minute_length());
  out.push_back('\n');

  format_datetime(out, shown, kMsfSunday, shown.dst().has_value(), shown.dst().value_or(0),
                  show_utc);
  out.append(" DUT1=");
  if (const auto dut1 = shown.dut1(); dut1.has_value()) {
    append_decimal(out, *dut1);
  } else {
    out.push_back('?');
  }
  out.push_back('\n');

  if (decoder.get_end_of_minute_marker() != MsfDecoder::kEndOfMinuteMarker) {
    out.append("End-of-minute marker absent\n");
  }
  append_parity_line(out, decoder.get_year_parity(), "Year");
  append_parity_line(out, decoder.get_month_day_parity(), "Month/day-of-month");
  append_parity_line(out, decoder.get_weekday_parity(), "Day-of-week");
  append_parity_line(out, decoder.get_hour_minute_parity(), "Hour/minute");
  for (const std::string_view message : jump_messages(shown)) {
    out.append(message);
    out.push_back('\n');
  }
  // A UTC copy keeps the jump flags, but an empty record has none, so a DUT1
  // change is always judged on the decoder's own record.
  if (own.jump_dut1()) {
    out.append("DUT1 jumped\n");
  }
}

Report analyze_msf_bits(std::string_view log_text, bool toggle_mode, bool show_utc) {
  Report report;
  MsfDecoder decoder;
  const bool strict = toggle_mode;
  // The character last received at each second of the minute.
  std::array<char, kBitBufferSize> minute_chars;
  minute_chars.fill(' ');
  // Seconds other than the minute marker since the last completed end-of-minute
  // marker. It is never wrapped: after a long stretch without a marker it still
  // tells how long the "minute" really was.
  std::uint32_t bits_since_marker = 0;

  // Only ASCII characters carry meaning; every byte of a multi-byte UTF-8
  // character is above 0x7F, so walking bytes ignores such characters whole.
  for (const char c : log_text) {
    std::size_t index = 0;
    if (c == '*') {
      decoder.reset();
      continue;
    }
    if (c == '4') {
      decoder.set_minute_marker();
      index = 0;
    } else {
      // A bit character is the digit A + 2 x B; "_" leaves both undetermined.
      Bit a;
      Bit b;
      if (c >= '0' && c <= '3') {
        const int digit = c - '0';
        a = (digit & 1) != 0;
        b = (digit & 2) != 0;
      } else if (c != '_') {
        continue;
      }
      decoder.set_current_bit_a(a);
      decoder.set_current_bit_b(b);
      index = decoder.get_second();
      ++bits_since_marker;
    }
    minute_chars[index] = c;

    const std::uint8_t length = decoder.get_minute_length();
    const bool marker_complete =
        decoder.get_end_of_minute_marker() == MsfDecoder::kEndOfMinuteMarker;
    if (index + 1 == length) {
      append_bits_line(report.text, minute_chars, length);
      report_msf_minute(decoder, show_utc, strict, length, true, report.text);
    } else if (marker_complete) {
      // The end-of-minute marker arrived early: the log began in the middle of
      // a minute, or seconds were lost.
      append_minute_length_line(report.text, index + 1, length);
    } else if (c == '4' && bits_since_marker != 0 &&
               std::uint64_t{bits_since_marker} + 1 != length) {
      // A minute marker that does not come one minute after the last completed
      // end-of-minute marker: seconds were lost or gained, or markers were
      // missed. At a minute marker the decoder stands at second 0, where the
      // length is always 60.
      append_minute_length_line(report.text, std::uint64_t{bits_since_marker} + 1, length);
    }
    if (marker_complete) {
      decoder.set_new_minute(true);
      report.add('\n');
      bits_since_marker = 0;
    }
    if (!decoder.increase_second()) {
      report.add("increase_second() == false\n");
    }
  }
  return report;
}

Report analyze_msf_edges(std::string_view log_text, bool toggle_mode, bool show_utc,
                         std::optional<std::uint32_t> spike_limit) {
  Report report;
  MsfDecoder decoder;
  if (spike_limit.has_value()) {
    decoder.set_spike_limit(*spike_limit);
  }
  const bool strict = !toggle_mode;
  // The texts of the edges since the last edge line, and the time they span.
  std::string edges;
  std::uint32_t elapsed = 0;
  std::uint32_t previous_when = 0;
  // False when the clock was already advanced during this minute, because
  // the second counter ran past the end of the minute without an end-of-minute
  // marker.
  bool add_minute = true;

  report.bad_line = walk_edge_log(log_text, [&](const EdgeLogLine& line) {
    switch (line.kind) {
      case EdgeLineKind::Dcf77Edge:
        return;
      case EdgeLineKind::Comment:
        report.add(*line.comment);
        report.add('\n');
        return;
      case EdgeLineKind::MsfEdge:
        break;
    }
    const EdgeSample& edge = *line.edge;
    // The receiver's microsecond counter may wrap; unsigned arithmetic gives
    // the true difference.
    const std::uint32_t delta = previous_when == 0 ? 0 : edge.when - previous_when;
    previous_when = edge.when;
    append_edge_text(edges, edge);
    const bool taken = decoder.handle_new_edge(edge.is_high, edge.when);
    elapsed += delta;
    // A spike (and the very first edge) leaves the decoder's flags as the
    // previous edge set them. Acting on them again would count a glitch on a
    // pulse edge as one more second, or report a minute twice and so advance
    // the clock twice; the spike only shows in the next edge line.
    if (!taken) {
      return;
    }
    if (decoder.get_new_second()) {
      report.text.append(edges);
      edges.clear();
      report.add(' ');
      report.add_decimal(decoder.get_second());
      report.add('[');
      append_bit(report.text, decoder.get_current_bit_a());
      report.add("][");
      append_bit(report.text, decoder.get_current_bit_b());
      report.add("][");
      report.add_decimal(elapsed);
      report.add("]\n");
      if (!decoder.increase_second() && decoder.increase_minute()) {
        add_minute = false;
      }
      elapsed = 0;
    }
    // The falling edge of the last second's pulse completes the end-of-minute
    // marker: the minute is over, although its last second is still running.
    if (!edge.is_high && decoder.get_new_minute()) {
      report_msf_minute(decoder, show_utc, strict,
                        static_cast<std::uint8_t>(decoder.get_second() + 1), add_minute,
                        report.text);
      report.add('\n');
      add_minute = true;
    }
  });
  return report;
}

}  // namespace quillfen
