// The firmware example: a bare-metal program for the MPS2-AN385 board that
// plays a receiver's edge interrupts from the recorded edges of both stations
// and prints the line of every minute the decoders end through semihosting:
//
//   qemu-system-arm -M mps2-an385 -nographic -semihosting -kernel firmware_example.elf
//
// QUILLFEN_FEED_DCF77 and QUILLFEN_FEED_MSF (0 or 1) choose the stations; the
// build links the example with each choice to measure what each decoder adds
// to the image.
#include <optional>
#include <string_view>

#include "examples/firmware/edge_handlers.hpp"
#include "examples/firmware/replay.hpp"
#include "examples/firmware/semihosting.hpp"
#include "examples/firmware/text_line.hpp"

namespace {

constexpr bool kFeedDcf77 = QUILLFEN_FEED_DCF77 != 0;
constexpr bool kFeedMsf = QUILLFEN_FEED_MSF != 0;

// The stations live in static storage, where a receiver's interrupt handlers
// reach them. An empty optional needs no constructor before the program
// starts, and a station the image does not feed costs nothing.
std::optional<quillfen::firmware::Dcf77Station> dcf77_station;
std::optional<quillfen::firmware::MsfStation> msf_station;

void print_line(std::string_view text) {
  quillfen::firmware::TextLine line;
  line.add(text);
  line.add("\n");
  quillfen::firmware::semihosting::write(line.c_str());
}

}  // namespace

int run_firmware() {
  if constexpr (kFeedDcf77) {
    quillfen::firmware::replay_dcf77(dcf77_station.emplace(), print_line);
  }
  if constexpr (kFeedMsf) {
    quillfen::firmware::replay_msf(msf_station.emplace(), print_line);
  }
  return 0;
}
