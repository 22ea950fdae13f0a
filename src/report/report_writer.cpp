#include "src/report/report_writer.hpp"

#include <cstddef>
#include <cstdint>

#include "src/report/complaints.hpp"
#include "src/report/report_format.hpp"

namespace quillfen {
namespace {

// DCF77 numbers its weekdays from Monday 1 to Sunday 7, MSF from Sunday 0 to
// Saturday 6.
constexpr std::uint8_t kDcf77Sunday = 7;
constexpr std::uint8_t kMsfSunday = 0;

void put_complaints(OutputBuffer& out, const ComplaintList& complaints) {
  for (const Complaint complaint : complaints) {
    out.put(complaint_text(complaint));
    out.put('\n');
  }
}

void put_third_party_line(OutputBuffer& out, std::uint16_t value) {
  static constexpr char kHexDigits[] = "0123456789abcdef";
  const char digits[4] = {kHexDigits[(value >> 12) & 0xf], kHexDigits[(value >> 8) & 0xf],
                          kHexDigits[(value >> 4) & 0xf], kHexDigits[value & 0xf]};
  out.put("Third-party buffer=0x");
  out.put(std::string_view(digits, sizeof digits));
  out.put('\n');
}

void put_leap_second_text(OutputBuffer& out, const DateTimeRecord& shown,
                          std::optional<bool> leap_second_is_one) {
  const std::optional<std::uint8_t> leap = shown.leap_second();
  if (!leap.has_value()) {
    return;
  }
  std::string_view separator;
  const auto put_item = [&](std::string_view item) {
    out.put(separator);
    out.put(item);
    separator = ",";
  };
  if ((*leap & LEAP_ANNOUNCED) != 0) {
    put_item("announced");
  }
  if ((*leap & LEAP_PROCESSED) != 0) {
    put_item("processed");
    if (leap_second_is_one.value_or(false)) {
      put_item("one");
    }
  }
  if ((*leap & LEAP_MISSING) != 0) {
    put_item("missing");
  }
}

// The characters of a complete MSF minute of `length` seconds, with a space
// in front of each field: DUT1 positive, DUT1 negative, year, month, day,
// weekday, hour, minute and the end-of-minute marker. A leap second is
// inserted (or dropped) at the end of the DUT1 negative field, so every field
// from the year on moves with it.
template <typename Byte>
void put_msf_bits_line(OutputBuffer& out, const std::array<Byte, kBitBufferSize>& minute_chars,
                       std::uint8_t length) {
  const int shift = static_cast<int>(length) - 60;
  const std::array<int, 9> field_starts = {
      1, 9, 17 + shift, 25 + shift, 30 + shift, 36 + shift, 39 + shift, 45 + shift, 52 + shift};
  std::size_t next_field = 0;
  for (int index = 0; index < length; ++index) {
    if (next_field < field_starts.size() && index == field_starts[next_field]) {
      out.put(' ');
      ++next_field;
    }
    out.put(static_cast<char>(minute_chars[static_cast<std::size_t>(index)]));
  }
  out.put('\n');
}

// The record a block shows: the station's clock, or with UTC output its UTC
// copy, or an empty record (of the station's weekday numbering) when the
// clock cannot be converted yet.
DateTimeRecord shown_record(const DateTimeRecord& clock, const std::optional<DateTimeRecord>& utc,
                            bool show_utc) {
  if (!show_utc) {
    return clock;
  }
  return utc.value_or(DateTimeRecord(clock.min_weekday(), clock.max_weekday()));
}

// "first_minute=<bool> seconds=<n>", the start of a block's first line.
void put_first_minute(OutputBuffer& out, bool first_minute, std::uint8_t seconds) {
  out.put("first_minute=");
  out.put_bool(first_minute);
  out.put(" seconds=");
  out.put_decimal(seconds);
}

}  // namespace

ReportWriter::ReportWriter(OutputBuffer& out, bool show_utc) : out_(out), show_utc_(show_utc) {
  edges_.reserve(64);
  bits_line_.reserve(128);
  minute_chars_.fill(LineByte{' '});
}

void ReportWriter::comment(std::string_view line) {
  out_.put(line);
  out_.put('\n');
}

void ReportWriter::edge(const EdgeSample& sample) {
  edges_.push_back(sample);
  tick_ = sample.tick;
}

// The edges since the last edge line, as "<is_high/when/tick>" each, then a
// blank.
void ReportWriter::put_edge_line_start() {
  for (const EdgeSample& edge : edges_) {
    out_.put('<');
    out_.put_bool(edge.is_high);
    out_.put('/');
    out_.put_decimal(edge.when);
    out_.put('/');
    out_.put_decimal(edge.tick);
    out_.put('>');
  }
  edges_.clear();
  out_.put(' ');
}

void ReportWriter::put_dcf77_edge_line(const Dcf77EdgeLine& line) {
  put_edge_line_start();
  out_.put_decimal(line.second);
  out_.put('[');
  put_bit(out_, line.bit);
  out_.put("][");
  out_.put_decimal(line.elapsed);
  out_.put("]\n");
}

void ReportWriter::put_minute_length(const MinuteLength& length) {
  out_.put("Minute is ");
  out_.put_decimal(length.seconds);
  out_.put(" seconds instead of ");
  out_.put_decimal(length.expected);
  out_.put(" seconds long\n");
}

void ReportWriter::put_dcf77_minute(const Dcf77Minute& minute) {
  if (minute.wrong_length.has_value()) {
    put_minute_length(*minute.wrong_length);
  }
  // The third-party data is complete after second 15, so it is worth showing
  // even for a minute that cannot be decoded.
  if (minute.third_party.has_value()) {
    put_third_party_line(out_, *minute.third_party);
  }
  if (!minute.reading.has_value()) {
    out_.put('\n');
    return;
  }
  const Dcf77Reading& reading = *minute.reading;
  const DateTimeRecord shown = shown_record(reading.clock, reading.utc, show_utc_);
  put_first_minute(out_, reading.first_minute, minute.seconds);
  out_.put(" this_minute_length=");
  out_.put_decimal(reading.this_minute_length);
  out_.put(" next_minute_length=");
  out_.put_decimal(reading.next_minute_length);
  out_.put('\n');

  format_datetime(out_, shown, kDcf77Sunday, show_utc_);
  out_.put(" [");
  put_leap_second_text(out_, shown, reading.leap_second_is_one);
  out_.put("] [");
  const Bit call_bit = reading.call_bit;
  out_.put(!call_bit.has_value() ? std::string_view("?")
                                 : (*call_bit ? std::string_view("call") : std::string_view()));
  out_.put("]\n");
  put_complaints(out_, block_complaints(reading, show_utc_));
  out_.put('\n');
}

void ReportWriter::put_msf_minute(const MsfMinute& minute) {
  const MsfReading& reading = minute.reading;
  const DateTimeRecord shown = shown_record(reading.clock, reading.utc, show_utc_);
  put_first_minute(out_, reading.first_minute, minute.seconds);
  out_.put(" minute_length=");
  out_.put_decimal(reading.minute_length);
  out_.put('\n');

  format_datetime(out_, shown, kMsfSunday, show_utc_);
  out_.put(" DUT1=");
  if (const std::optional<std::int8_t> dut1 = shown.dut1(); dut1.has_value()) {
    out_.put_decimal(*dut1);
  } else {
    out_.put('?');
  }
  out_.put('\n');
  put_complaints(out_, block_complaints(reading, show_utc_));
}

void ReportWriter::take_lines(const Dcf77BitStep& step) {
  if (step.wrapped) {
    out_.put("increase_second() == false\n");
  }
  if (step.minute.has_value()) {
    // Characters may be read through any object's bytes.
    out_.put(std::string_view(reinterpret_cast<const char*>(bits_line_.data()), bits_line_.size()));
    bits_line_.clear();
    put_dcf77_minute(*step.minute);
  }
}

void ReportWriter::take(const Dcf77EdgeStep& step) {
  if (step.last_second_line.has_value()) {
    put_dcf77_edge_line(*step.last_second_line);
  }
  if (step.counter.has_value()) {
    out_.put("increase_second,second,new_minute,tick=");
    out_.put_bool(step.counter->increased);
    out_.put(',');
    out_.put_decimal(step.counter->second);
    out_.put(',');
    out_.put_bool(step.counter->new_minute);
    out_.put(',');
    out_.put_decimal(tick_);
    out_.put('\n');
  }
  if (step.second_line.has_value()) {
    put_dcf77_edge_line(*step.second_line);
  }
  if (step.minute.has_value()) {
    put_dcf77_minute(*step.minute);
  }
}

void ReportWriter::take_lines(const MsfBitStep& step) {
  if (step.minute.has_value()) {
    put_msf_bits_line(out_, minute_chars_, step.minute->seconds);
    put_msf_minute(*step.minute);
  }
  if (step.wrong_length.has_value()) {
    put_minute_length(*step.wrong_length);
  }
  if (step.end_of_minute) {
    out_.put('\n');
  }
  if (step.wrapped) {
    out_.put("increase_second() == false\n");
  }
}

void ReportWriter::take(const MsfEdgeStep& step) {
  if (step.edge_line.has_value()) {
    put_edge_line_start();
    out_.put_decimal(step.edge_line->second);
    out_.put('[');
    put_bit(out_, step.edge_line->bit_a);
    out_.put("][");
    put_bit(out_, step.edge_line->bit_b);
    out_.put("][");
    out_.put_decimal(step.edge_line->elapsed);
    out_.put("]\n");
  }
  if (step.minute.has_value()) {
    put_msf_minute(*step.minute);
    out_.put('\n');
  }
}

}  // namespace quillfen
