// Writes the example logs under examples/ (or the directory given as the only
// argument) from the test-only encoders, which encode minutes straight from
// the civil calendar. The output is the same on every run.
//
//   dcf77-bits.log   DCF77 per-bit log from 23:29:35 UTC on 29 March 2025 to
//                    03:30 UTC on 30 March: a partial first minute, the hour
//                    in which the change to summer time is announced, the
//                    change at 01:00 UTC (01:59 CET is followed by 03:00 CEST)
//                    and two and a half hours of summer time.
//   dcf77-edges.log  DCF77 edge log of the same night from 00:29:30 to 01:30
//                    UTC, starting in the middle of a minute.
//   msf-bits.log     MSF per-bit log, 2025-10-26 from 23:29:40 UTC the day
//                    before to 03:30 UTC: a partial first minute, the hour in
//                    which the change back to GMT is announced, the change at
//                    01:00 UTC (01:59 BST is followed by 01:00 GMT), and DUT1
//                    going from +0.1 s to 0 at 00:00 UTC.
//   msf-edges.log    MSF edge log of the same night from 00:29:30 to 02:30
//                    UTC, starting in the middle of a minute.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>

#include "dcf77/dcf77_encoder.hpp"
#include "msf/msf_encoder.hpp"

namespace {

using namespace std::chrono;

bool write_file(const std::string& path, std::string_view text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "make_examples: cannot write %s\n", path.c_str());
    return false;
  }
  std::printf("wrote %s (%zu bytes)\n", path.c_str(), text.size());
  return true;
}

// The per-bit log of frames sent from 23:29 UTC on 29 March 2025 to 03:29
// UTC, without the first 35 seconds: a receiver switched on in the middle of
// a minute.
std::string dcf77_bits_example() {
  const sys_time<minutes> first = sys_days{2025y / March / 29} + hours{23} + minutes{29};
  const std::string log = quillfen::dcf77_bit_log(quillfen::dcf77_frames(first, 4 * 60 + 1));
  return log.substr(35);
}

// The edge log of frames sent from 00:29 to 01:29 UTC, from second 30 of the
// first minute on. The receiver's microsecond counter reads 4000000000 at the
// start, so it wraps around during the log.
std::string dcf77_edges_example() {
  const sys_time<minutes> first = sys_days{2025y / March / 30} + minutes{29};
  quillfen::EdgeLogOptions options;
  options.start_us = 4000000000U;
  options.skip_seconds = 30;
  return "# DCF77 receiver, night of 2025-03-30: summer time begins at 01:00 UTC\n" +
         quillfen::dcf77_edge_log(quillfen::dcf77_frames(first, 61), options);
}

// MSF: the station announces the change back to GMT through the hour before
// 01:00 UTC on 26 October 2025, and DUT1 changes at 00:00 UTC, as the
// station's DUT1 changes do.
quillfen::MsfOptions msf_example_options() {
  quillfen::MsfOptions options;
  options.dut1 = 1;
  options.dut1_change = std::pair{sys_days{2025y / October / 26} + minutes{0}, std::int8_t{0}};
  return options;
}

// The per-bit log of frames sent from 23:29 UTC on 25 October 2025 to 03:29
// UTC, without the first 40 seconds: a receiver switched on in the middle of
// a minute.
std::string msf_bits_example() {
  const quillfen::sys_minutes first = sys_days{2025y / October / 25} + hours{23} + minutes{29};
  const std::string log =
      quillfen::msf_bit_log(quillfen::msf_frames(first, 4 * 60 + 1, msf_example_options()));
  return log.substr(40);
}

// The edge log of frames sent from 00:29 to 02:29 UTC, from second 30 of the
// first minute on. The receiver's microsecond counter reads 4000000000 at the
// start, so it wraps around during the log.
std::string msf_edges_example() {
  const quillfen::sys_minutes first = sys_days{2025y / October / 26} + minutes{29};
  quillfen::MsfEdgeLogOptions options;
  options.start_us = 4000000000U - 30000000U;
  const std::string log = quillfen::msf_edge_log(
      quillfen::msf_frames(first, 2 * 60 + 1, msf_example_options()), options);
  // Second 30 of the first minute starts with the rise at 4000000000.
  const std::size_t from = log.find("M true 4000000000 ");
  return "# MSF receiver, night of 2025-10-26: summer time ends at 01:00 UTC\n" + log.substr(from);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2) {
    std::fprintf(stderr, "usage: %s [output directory]\n", argv[0]);
    return 1;
  }
  const std::string dir = argc == 2 ? argv[1] : "examples";
  bool ok = write_file(dir + "/dcf77-bits.log", dcf77_bits_example());
  ok = write_file(dir + "/dcf77-edges.log", dcf77_edges_example()) && ok;
  ok = write_file(dir + "/msf-bits.log", msf_bits_example()) && ok;
  ok = write_file(dir + "/msf-edges.log", msf_edges_example()) && ok;
  return ok ? 0 : 1;
}
