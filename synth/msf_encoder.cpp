#include "synth/msf_encoder.hpp"

#include <charconv>
#include <cstddef>

#include "base/check.hpp"

namespace quillfen {
namespace {

using std::chrono::days;
using std::chrono::hours;
using std::chrono::minutes;
using std::chrono::sys_days;

constexpr std::size_t kNominalLength = 60;

// The UTC instant of the change to BST (first) and back to GMT (second) in
// the civil year `y`.
std::pair<sys_minutes, sys_minutes> summer_time_bounds(std::chrono::year y) {
  using std::chrono::last;
  using std::chrono::Sunday;
  const sys_days march = sys_days{y / std::chrono::March / Sunday[last]};
  const sys_days october = sys_days{y / std::chrono::October / Sunday[last]};
  return {sys_minutes{march + hours{1}}, sys_minutes{october + hours{1}}};
}

// Writes `value` as BCD, most significant bit at `first`, over `width` bits.
void put_bcd(std::array<Bit, 61>& a, std::size_t first, std::size_t width, unsigned value) {
  unsigned weights = 0;  // the value in BCD, low nibble = units
  for (unsigned shift = 0; value != 0; shift += 4, value /= 10) {
    weights |= (value % 10) << shift;
  }
  for (std::size_t k = 0; k < width; ++k) {
    a[first + width - 1 - k] = ((weights >> k) & 1u) != 0;
  }
}

// Odd parity bit: makes the ones in first..last plus the parity bit odd.
bool odd_parity(const std::array<Bit, 61>& a, std::size_t first, std::size_t last) {
  unsigned ones = 0;
  for (std::size_t i = first; i <= last; ++i) {
    ones += *a[i] ? 1 : 0;
  }
  return ones % 2 == 0;
}

std::int8_t dut1_for(sys_minutes carried, const MsfOptions& options) {
  if (options.dut1_change && carried >= options.dut1_change->first) {
    return options.dut1_change->second;
  }
  return options.dut1;
}

MsfFrame make_frame(sys_minutes sent, const MsfOptions& options) {
  const sys_minutes carried = sent + minutes{1};
  const MsfCivilMinute local = msf_local_time(carried);
  const std::int8_t dut1 = dut1_for(carried, options);
  QUILLFEN_CHECK(dut1 >= -8 && dut1 <= 8);

  // The 60-second layout first; a leap second shifts it afterwards.
  std::array<Bit, 61> a{};
  std::array<Bit, 61> b{};
  for (std::size_t i = 0; i < kNominalLength; ++i) {
    a[i] = false;
    b[i] = false;
  }
  a[0] = true;
  b[0] = true;
  for (int k = 0; k < dut1; ++k) b[1 + k] = true;
  for (int k = 0; k < -dut1; ++k) b[9 + k] = true;
  put_bcd(a, 17, 8, static_cast<unsigned>(local.year % 100));
  put_bcd(a, 25, 5, local.month);
  put_bcd(a, 30, 6, local.day);
  put_bcd(a, 36, 3, local.weekday);
  put_bcd(a, 39, 6, local.hour);
  put_bcd(a, 45, 7, local.minute);
  constexpr std::array<bool, 8> kEndOfMinute = {false, true, true, true, true, true, true, false};
  for (std::size_t k = 0; k < kEndOfMinute.size(); ++k) a[52 + k] = kEndOfMinute[k];
  b[53] = msf_is_summer_time(sent) != msf_is_summer_time(sent + hours{1});
  b[54] = odd_parity(a, 17, 24);
  b[55] = odd_parity(a, 25, 35);
  b[56] = odd_parity(a, 36, 38);
  b[57] = odd_parity(a, 39, 51);
  b[58] = local.summer;

  MsfFrame frame{a, b, 60};
  const bool leap = options.leap_second_before &&
                    *options.leap_second_before == std::chrono::sys_seconds{carried};
  if (leap && !options.negative_leap) {
    frame.length = 61;
    for (std::size_t i = 17; i < kNominalLength; ++i) {
      frame.a[i + 1] = a[i];
      frame.b[i + 1] = b[i];
    }
    frame.a[17] = false;
    frame.b[17] = false;
  } else if (leap) {
    frame.length = 59;
    for (std::size_t i = 17; i < kNominalLength; ++i) {
      frame.a[i - 1] = a[i];
      frame.b[i - 1] = b[i];
    }
    frame.a[59] = std::nullopt;
    frame.b[59] = std::nullopt;
  }
  return frame;
}

char bit_char(const MsfFrame& frame, std::size_t second) {
  const Bit a = frame.a[second];
  const Bit b = frame.b[second];
  if (!a || !b) return '_';
  return static_cast<char>('0' + (*a ? 1 : 0) + (*b ? 2 : 0));
}

class EdgeWriter {
 public:
  explicit EdgeWriter(std::string& out) : out_(out) {}
  void edge(bool is_high, std::uint32_t when) {
    out_ += is_high ? "M true " : "M false ";
    append_number(when);
    out_ += ' ';
    append_number(++tick_);
    out_ += '\n';
  }

 private:
  void append_number(std::uint32_t value) {
    char digits[16];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out_.append(digits, result.ptr);
  }
  std::string& out_;
  std::uint32_t tick_ = 0;
};

}  // namespace

bool msf_is_summer_time(sys_minutes utc) {
  const std::chrono::year y = std::chrono::year_month_day{std::chrono::floor<days>(utc)}.year();
  const auto [start, end] = summer_time_bounds(y);
  return utc >= start && utc < end;
}

MsfCivilMinute msf_local_time(sys_minutes utc) {
  const bool summer = msf_is_summer_time(utc);
  const sys_minutes local = utc + (summer ? hours{1} : hours{0});
  const sys_days day = std::chrono::floor<days>(local);
  const std::chrono::year_month_day ymd{day};
  const std::chrono::hh_mm_ss time{local - day};
  return MsfCivilMinute{static_cast<int>(ymd.year()),
                        static_cast<unsigned>(ymd.month()),
                        static_cast<unsigned>(ymd.day()),
                        std::chrono::weekday{day}.c_encoding(),
                        static_cast<unsigned>(time.hours().count()),
                        static_cast<unsigned>(time.minutes().count()),
                        summer};
}

std::vector<MsfFrame> msf_frames(sys_minutes first_utc, int count, const MsfOptions& options) {
  std::vector<MsfFrame> frames;
  if (count <= 0) return frames;
  frames.reserve(static_cast<std::size_t>(count));
  for (int k = 0; k < count; ++k) {
    frames.push_back(make_frame(first_utc + minutes{k}, options));
  }
  return frames;
}

std::string msf_bit_log(const std::vector<MsfFrame>& frames) {
  std::string log;
  log.reserve(frames.size() * 62);
  for (const MsfFrame& frame : frames) {
    log += '4';
    for (std::size_t second = 1; second < frame.length; ++second) {
      log += bit_char(frame, second);
    }
    log += '\n';
  }
  return log;
}

std::string msf_edge_log(const std::vector<MsfFrame>& frames, const MsfEdgeLogOptions& options) {
  std::string log;
  EdgeWriter writer(log);
  std::uint32_t second_start = options.start_us;
  const auto pulse = [&](std::uint32_t begin, std::uint32_t length) {
    writer.edge(true, begin);
    writer.edge(false, begin + length);
  };
  for (const MsfFrame& frame : frames) {
    for (std::size_t second = 0; second < frame.length; ++second) {
      const std::uint32_t t = second_start;
      writer.edge(true, t);
      if (options.glitch_after_rise_us != 0) {
        writer.edge(false, t + options.glitch_after_rise_us);
        writer.edge(true, t + 2 * options.glitch_after_rise_us);
      }
      const Bit a = frame.a[second];
      const Bit b = frame.b[second];
      std::uint32_t end = t;
      if (second == 0) {
        end = t + options.marker_us;
        writer.edge(false, end);
      } else if (!a || !b) {
        end = t + options.undetermined_us;
        writer.edge(false, end);
      } else if (!*a && *b) {
        writer.edge(false, t + options.a0b0_us);
        end = t + options.a0b0_us + options.a0b1_gap_us;
        pulse(end, options.a0b0_us);
        end += options.a0b0_us;
      } else {
        end = t + (!*a ? options.a0b0_us : *b ? options.a1b1_us : options.a1b0_us);
        writer.edge(false, end);
      }
      if (second + 1 == frame.length && options.glitch_after_minute_end_us != 0) {
        pulse(end + options.glitch_after_minute_end_us, options.glitch_after_minute_end_us);
      }
      second_start += 1000000u;
    }
  }
  if (options.closing_edge) writer.edge(true, second_start);
  return log;
}

}  // namespace quillfen
