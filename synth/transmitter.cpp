#include "synth/transmitter.hpp"

#include <algorithm>
#include <cstddef>
#include <utility>

#include "synth/dcf77_encoder.hpp"
#include "synth/msf_encoder.hpp"

namespace quillfen {
namespace {

using namespace std::chrono;
using Minutes = sys_time<minutes>;

// The encoders take one leap second and one DUT1 change per call, so the
// minutes are made an hour at a time: a window of two hours (the hour sent and
// the announcement hour after it) holds at most one of each.
constexpr int kChunk = 60;

SentMinute from_frame(const Dcf77Frame& frame) {
  SentMinute minute{};
  minute.length = frame.length;
  for (std::size_t s = 0; s < frame.length; ++s) {
    const Bit bit = frame.bits[s];
    minute.seconds[s] = s + 1 == frame.length ? Symbol::Silent
                        : !bit.has_value()    ? Symbol::Undetermined
                        : *bit                ? Symbol::One
                                              : Symbol::Zero;
  }
  return minute;
}

SentMinute from_frame(const MsfFrame& frame) {
  SentMinute minute{};
  minute.length = frame.length;
  minute.seconds[0] = Symbol::Marker;
  for (std::size_t s = 1; s < frame.length; ++s) {
    const Bit a = frame.a[s];
    const Bit b = frame.b[s];
    minute.seconds[s] = !a.has_value() || !b.has_value() ? Symbol::Undetermined
                        : *a ? (*b ? Symbol::A1B1 : Symbol::A1B0)
                             : (*b ? Symbol::A0B1 : Symbol::A0B0);
  }
  return minute;
}

std::int8_t dut1_at(const TransmitterSettings& settings, Minutes carried) {
  std::int8_t value = settings.dut1;
  for (const Dut1Change& change : settings.dut1_changes) {
    if (Minutes{change.from} <= carried) {
      value = change.tenths;
    }
  }
  return value;
}

void append_chunk(const TransmitterSettings& settings, Minutes first, int count,
                  std::vector<SentMinute>& out) {
  const sys_seconds after{first};
  if (settings.station == SynthStation::Dcf77) {
    Dcf77Options options;
    options.third_party = settings.third_party;
    options.call_bit = settings.call_bit;
    // Frames sent in the hour before a leap second announce it.
    const auto leap =
        leap_second_between(settings.leap_seconds, after, after + minutes{count + 60});
    if (leap && leap->kind != LeapKind::Negative) {
      options.leap_second_before = leap_instant(*leap);
      options.leap_second_missing = leap->kind == LeapKind::Missing;
    }
    for (const Dcf77Frame& frame : dcf77_frames(first, count, options)) {
      out.push_back(from_frame(frame));
    }
    return;
  }
  MsfOptions options;
  const auto leap = leap_second_between(settings.leap_seconds, after, after + minutes{count});
  if (leap && leap->kind != LeapKind::Missing) {
    options.leap_second_before = leap_instant(*leap);
    options.negative_leap = leap->kind == LeapKind::Negative;
  }
  // Frame k carries minute first + k + 1.
  const Minutes first_carried = first + minutes{1};
  const Minutes last_carried = first + minutes{count};
  options.dut1 = dut1_at(settings, first_carried);
  for (const Dut1Change& change : settings.dut1_changes) {
    const Minutes from{change.from};
    if (from > first_carried && from <= last_carried) {
      options.dut1_change = std::pair{from, dut1_at(settings, from)};
    }
  }
  for (const MsfFrame& frame : msf_frames(first, count, options)) {
    out.push_back(from_frame(frame));
  }
}

}  // namespace

std::vector<SentMinute> sent_minutes(const TransmitterSettings& settings, Minutes first,
                                     int count) {
  std::vector<SentMinute> out;
  if (count <= 0) {
    return out;
  }
  out.reserve(static_cast<std::size_t>(count));
  for (int done = 0; done < count; done += kChunk) {
    append_chunk(settings, first + minutes{done}, std::min(kChunk, count - done), out);
  }
  return out;
}

}  // namespace quillfen
