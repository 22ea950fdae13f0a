#include "synth/dcf77_encoder.hpp"

#include <charconv>
#include <cstddef>

namespace quillfen {

namespace {

using namespace std::chrono;
using SysMinutes = sys_time<minutes>;

// Summer time runs from 01:00 UTC on the last Sunday of March to 01:00 UTC on
// the last Sunday of October.
bool is_summer(SysMinutes utc) {
  const year y = year_month_day{floor<days>(utc)}.year();
  const SysMinutes begin = sys_days{y / March / Sunday[last]} + hours{1};
  const SysMinutes end = sys_days{y / October / Sunday[last]} + hours{1};
  return utc >= begin && utc < end;
}

// Writes `value` as BCD into bits [first, first + count), least significant
// bit first.
void put_bcd(std::array<Bit, 61>& bits, std::size_t first, std::size_t count, unsigned value) {
  const unsigned bcd = (value / 10) << 4 | (value % 10);
  for (std::size_t i = 0; i < count; ++i) {
    bits[first + i] = ((bcd >> i) & 1U) != 0;
  }
}

// Even parity bit for bits [first, last].
bool even_parity(const std::array<Bit, 61>& bits, std::size_t first, std::size_t last) {
  bool odd = false;
  for (std::size_t i = first; i <= last; ++i) {
    odd = odd != bits[i].value();
  }
  return odd;
}

Dcf77Frame encode_frame(SysMinutes sent, const Dcf77Options& options) {
  Dcf77Frame frame{};
  frame.bits.fill(std::nullopt);
  frame.length = 60;

  const SysMinutes carried = sent + minutes{1};
  const CivilMinute local = dcf77_local_time(carried);

  bool leap_announced = false;
  if (options.leap_second_before.has_value()) {
    const sys_seconds leap = *options.leap_second_before;
    const sys_seconds sent_at{sent};
    leap_announced = sent_at >= leap - hours{1} && sent_at < leap;
    if (!options.leap_second_missing && sent_at == leap - minutes{1}) {
      frame.length = 61;
    }
  }

  frame.bits[0] = false;
  for (std::size_t i = 0; i < 14; ++i) {
    frame.bits[1 + i] = ((options.third_party >> i) & 1U) != 0;
  }
  frame.bits[15] = options.call_bit;
  // The announcement runs through the hour before the change, which shows as
  // a difference between the offset now and an hour later.
  frame.bits[16] = is_summer(sent) != is_summer(sent + hours{1});
  frame.bits[17] = local.summer;
  frame.bits[18] = !local.summer;
  frame.bits[19] = leap_announced;
  frame.bits[20] = true;
  put_bcd(frame.bits, 21, 7, local.minute);
  frame.bits[28] = even_parity(frame.bits, 21, 27);
  put_bcd(frame.bits, 29, 6, local.hour);
  frame.bits[35] = even_parity(frame.bits, 29, 34);
  put_bcd(frame.bits, 36, 6, local.day);
  put_bcd(frame.bits, 42, 3, local.weekday);
  put_bcd(frame.bits, 45, 5, local.month);
  put_bcd(frame.bits, 50, 8, static_cast<unsigned>(local.year % 100));
  frame.bits[58] = even_parity(frame.bits, 36, 57);
  if (frame.length == 61) {
    frame.bits[59] = false;
  }
  return frame;
}

void append_number(std::string& out, std::uint64_t value) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, result.ptr);
}

void append_edge(std::string& out, bool is_high, std::uint64_t when, std::uint64_t tick) {
  out += is_high ? "D true " : "D false ";
  append_number(out, static_cast<std::uint32_t>(when));
  out += ' ';
  append_number(out, static_cast<std::uint32_t>(tick));
  out += '\n';
}

}  // namespace

std::vector<Dcf77Frame> dcf77_frames(SysMinutes first_utc, int count, const Dcf77Options& options) {
  std::vector<Dcf77Frame> frames;
  if (count <= 0) {
    return frames;
  }
  frames.reserve(static_cast<std::size_t>(count));
  for (int k = 0; k < count; ++k) {
    frames.push_back(encode_frame(first_utc + minutes{k}, options));
  }
  return frames;
}

std::string dcf77_bit_log(const std::vector<Dcf77Frame>& frames) {
  std::string out;
  out.reserve(frames.size() * 61);
  for (const Dcf77Frame& frame : frames) {
    for (std::size_t s = 0; s + 1 < frame.length; ++s) {
      const Bit bit = frame.bits[s];
      out += !bit.has_value() ? '_' : (*bit ? '1' : '0');
    }
    out += '\n';
  }
  return out;
}

std::string dcf77_edge_log(const std::vector<Dcf77Frame>& frames, const EdgeLogOptions& options) {
  std::string out;
  out.reserve(frames.size() * 61 * 2 * 24);
  std::uint64_t second = 0;  // seconds since the start of the log
  std::uint64_t tick = 0;
  auto second_start = [&](std::uint64_t k) { return options.start_us + k * 1000000U; };

  for (const Dcf77Frame& frame : frames) {
    for (std::size_t s = 0; s < frame.length; ++s, ++second) {
      if (s + 1 == frame.length || second < options.skip_seconds) {
        continue;  // the last second of a minute carries no pulse
      }
      const Bit bit = frame.bits[s];
      const std::uint32_t width =
          !bit.has_value() ? options.undetermined_us : (*bit ? options.one_us : options.zero_us);
      const std::uint64_t rise = second_start(second);
      append_edge(out, true, rise, tick++);
      if (options.glitch_after_rise_us != 0) {
        append_edge(out, false, rise + options.glitch_after_rise_us, tick++);
        append_edge(out, true, rise + 2ULL * options.glitch_after_rise_us, tick++);
      }
      append_edge(out, false, rise + width, tick++);
    }
  }
  if (!frames.empty() && second >= options.skip_seconds) {
    append_edge(out, true, second_start(second), tick);
  }
  return out;
}

CivilMinute dcf77_local_time(SysMinutes utc) {
  const bool summer = is_summer(utc);
  const SysMinutes local = utc + hours{summer ? 2 : 1};
  const sys_days day = floor<days>(local);
  const year_month_day date{day};
  const hh_mm_ss<minutes> time{local - day};
  return CivilMinute{static_cast<int>(date.year()),
                     static_cast<unsigned>(date.month()),
                     static_cast<unsigned>(date.day()),
                     weekday{day}.iso_encoding(),
                     static_cast<unsigned>(time.hours().count()),
                     static_cast<unsigned>(time.minutes().count()),
                     summer};
}

}  // namespace quillfen
