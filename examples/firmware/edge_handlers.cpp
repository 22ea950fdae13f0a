#include "examples/firmware/edge_handlers.hpp"

namespace quillfen::firmware {

namespace {

// Edge logs are decoded in strict mode: a field is taken only when every
// check of its minute passed.
constexpr bool kStrict = true;

}  // namespace

// ---- Calling sequence of the DCF77 decoder, one edge at a time -------------
bool on_dcf77_edge(Dcf77Station& station, bool is_high, std::uint32_t when) {
  Dcf77Decoder& decoder = station.decoder;
  // The first edge and spikes leave the flags as the edge before set them;
  // acting on them again would count that second twice.
  if (!decoder.handle_new_edge(is_high, when)) {
    return false;
  }
  // The last second of a minute carries no second marker, so no edge will
  // start it: step into it once the marker of the second before has ended.
  if (decoder.get_second() == decoder.get_minute_length() - 2) {
    decoder.increase_second();
  }
  if (!decoder.get_new_second()) {
    return false;
  }
  // The counter ran past the end of the minute: the minute marker was lost.
  // Keep the clock running so that the next minute is compared with the
  // right time.
  if (!decoder.increase_second() && decoder.increase_minute()) {
    station.add_minute = false;
  }
  if (!decoder.get_new_minute()) {
    return false;
  }
  decoder.decode_time(station.add_minute, kStrict);
  station.add_minute = true;
  return true;
}

// ---- Calling sequence of the MSF decoder, one edge at a time ---------------
bool on_msf_edge(MsfStation& station, bool is_high, std::uint32_t when) {
  MsfDecoder& decoder = station.decoder;
  // The first edge and spikes leave the flags as the edge before set them.
  if (!decoder.handle_new_edge(is_high, when)) {
    return false;
  }
  // A lost end-of-minute marker: keep the clock running, as for DCF77.
  if (decoder.get_new_second() && !decoder.increase_second() && decoder.increase_minute()) {
    station.add_minute = false;
  }
  // The falling edge of the last second's pulse completes the end-of-minute
  // marker: the minute is over, although its last second is still running.
  if (is_high || !decoder.get_new_minute()) {
    return false;
  }
  decoder.decode_time(station.add_minute, kStrict);
  station.add_minute = true;
  return true;
}

}  // namespace quillfen::firmware
