// Writes seed inputs for the fuzz targets: logs of real minutes made by the
// test-only DCF77 and MSF encoders (an ordinary hour, a summer-time change, a
// leap second, a DUT1 change, glitches, a counter wrap), in each target's
// input layout. Run by scripts/fuzz before fuzzing, so that the fuzzers start
// from decodable minutes without generated files in the repository.
//
// Usage: fuzz_seeds DIRECTORY   (writes DIRECTORY/<target>/<name>)
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "fuzz/edge_stream.hpp"
#include "src/lib/edge_log.hpp"
#include "synth/dcf77_encoder.hpp"
#include "synth/msf_encoder.hpp"

namespace quillfen::fuzz {
namespace {

using std::chrono::sys_days;
using Minutes = std::chrono::sys_time<std::chrono::minutes>;

Minutes at(int year, unsigned month, unsigned day, int hour, int minute) {
  return Minutes(sys_days(std::chrono::year(year) / std::chrono::month(month) /
                          std::chrono::day(day))) +
         std::chrono::hours(hour) + std::chrono::minutes(minute);
}

class SeedWriter {
 public:
  explicit SeedWriter(std::filesystem::path root) : root_(std::move(root)) {}

  void write(const std::string& target, const std::string& name, std::string_view contents) {
    const std::filesystem::path directory = root_ / target;
    std::filesystem::create_directories(directory);
    std::ofstream(directory / name, std::ios::binary)
        .write(contents.data(), static_cast<std::streamsize>(contents.size()));
  }

 private:
  std::filesystem::path root_;
};

// The edges of one station in an edge log, in the decoder targets' encoding.
std::string edge_stream(std::string_view log, char station) {
  std::string out;
  std::optional<Edge> previous;
  std::uint32_t number = 0;
  std::size_t begin = 0;
  while (begin < log.size()) {
    std::size_t end = log.find('\n', begin);
    if (end == std::string_view::npos) end = log.size();
    const auto parsed = parse_raw_line(log.substr(begin, end - begin), ++number);
    begin = end + 1;
    const auto* line = std::get_if<EdgeLogLine>(&parsed);
    if (line == nullptr || line->station != station) continue;
    const Edge edge{line->edge->is_high, line->edge->when};
    append_edge(out, previous, edge);
    previous = edge;
  }
  return out;
}

// Interleaves the lines of two logs, with a comment now and then.
std::string interleave(std::string_view a, std::string_view b) {
  std::string out = "# two receivers\n";
  std::size_t i = 0;
  std::size_t j = 0;
  for (int n = 0; i < a.size() || j < b.size(); ++n) {
    std::string_view& text = n % 2 == 0 ? a : b;
    std::size_t& at = n % 2 == 0 ? i : j;
    if (at >= text.size()) continue;
    std::size_t end = text.find('\n', at);
    end = end == std::string_view::npos ? text.size() : end + 1;
    out.append(text.substr(at, end - at));
    at = end;
    if (n % 50 == 0) out += "#\tnote\r\n";
  }
  return out;
}

// Two minutes: the first is decoded on its own, the second against it. A
// summer-time change needs a few minutes of announcement before it.
constexpr int kMinutes = 2;

void write_seeds(SeedWriter& seeds) {
  struct Dcf77Case {
    std::string name;
    Minutes first;
    Dcf77Options options;
    EdgeLogOptions edges;
    int minutes = kMinutes;
  };
  Dcf77Options leap;
  leap.leap_second_before = std::chrono::sys_seconds(sys_days(std::chrono::year(2017) / 1 / 1));
  Dcf77Options third_party;
  third_party.third_party = 0x1a3;
  third_party.call_bit = true;
  EdgeLogOptions glitches;
  glitches.glitch_after_rise_us = 5000;
  EdgeLogOptions wrap;
  wrap.start_us = 4294967295u - 30000000u;
  const std::vector<Dcf77Case> dcf77_cases = {
      {"dcf77-plain", at(2024, 3, 5, 13, 35), {}, {}},
      {"dcf77-summer-time", at(2024, 3, 31, 0, 56), {}, {}, 5},
      {"dcf77-leap-second", at(2016, 12, 31, 23, 58), leap, {}},
      {"dcf77-third-party-glitches", at(2025, 2, 28, 22, 59), third_party, glitches},
      {"dcf77-counter-wrap", at(2000, 2, 28, 22, 59), {}, wrap},
  };
  std::string last_dcf77_edges;
  for (const Dcf77Case& c : dcf77_cases) {
    const std::vector<Dcf77Frame> frames = dcf77_frames(c.first, c.minutes, c.options);
    const std::string bits = dcf77_bit_log(frames);
    const std::string edges = dcf77_edge_log(frames, c.edges);
    last_dcf77_edges = edges;
    seeds.write("fuzz_analyzers", c.name + "-bits", std::string(1, '\0') + bits);
    seeds.write("fuzz_analyzers", c.name + "-edges", std::string(1, '\0') + edges);
    seeds.write("fuzz_program", c.name + "-bits", std::string(1, '\x00') + bits);
    seeds.write("fuzz_program", c.name + "-edges", std::string(1, '\x02') + edges);
    seeds.write("fuzz_edge_log", c.name, edges);
    seeds.write("fuzz_dcf77_decoder", c.name + "-bits", std::string(1, kConfigBitMode) + bits);
    seeds.write("fuzz_dcf77_decoder", c.name + "-edges-strict",
                std::string(1, kConfigStrict) + edge_stream(edges, 'D'));
    seeds.write("fuzz_dcf77_decoder", c.name + "-edges",
                std::string(1, '\0') + edge_stream(edges, 'D'));
  }

  struct MsfCase {
    std::string name;
    Minutes first;
    MsfOptions options;
    MsfEdgeLogOptions edges;
    int minutes = kMinutes;
  };
  MsfOptions leap_msf;
  leap_msf.leap_second_before =
      std::chrono::sys_seconds(sys_days(std::chrono::year(2016) / 12 / 31)) + std::chrono::days(1);
  MsfOptions negative_leap = leap_msf;
  negative_leap.negative_leap = true;
  MsfOptions dut1;
  dut1.dut1 = -3;
  dut1.dut1_change = std::pair{at(2024, 7, 1, 0, 0), std::int8_t{5}};
  MsfEdgeLogOptions msf_glitches;
  msf_glitches.glitch_after_rise_us = 5000;
  const std::vector<MsfCase> msf_cases = {
      {"msf-plain", at(2025, 1, 6, 14, 3), {}, {}},
      {"msf-summer-time", at(2024, 10, 27, 0, 56), {}, {}, 5},
      {"msf-leap-second", at(2016, 12, 31, 23, 58), leap_msf, {}},
      {"msf-negative-leap-second", at(2016, 12, 31, 23, 58), negative_leap, {}},
      {"msf-dut1-glitches", at(2024, 6, 30, 23, 59), dut1, msf_glitches},
  };
  for (const MsfCase& c : msf_cases) {
    const std::vector<MsfFrame> frames = msf_frames(c.first, c.minutes, c.options);
    const std::string bits = msf_bit_log(frames);
    const std::string edges = msf_edge_log(frames, c.edges);
    seeds.write("fuzz_analyzers", c.name + "-bits", std::string(1, '\0') + bits);
    seeds.write("fuzz_analyzers", c.name + "-edges", std::string(1, '\0') + edges);
    seeds.write("fuzz_program", c.name + "-bits", std::string(1, '\x01') + bits);
    seeds.write("fuzz_program", c.name + "-edges", std::string(1, '\x03') + edges);
    seeds.write("fuzz_edge_log", c.name, edges);
    seeds.write("fuzz_msf_decoder", c.name + "-bits", std::string(1, kConfigBitMode) + bits);
    seeds.write("fuzz_msf_decoder", c.name + "-edges-strict",
                std::string(1, kConfigStrict) + edge_stream(edges, 'M'));
    seeds.write("fuzz_msf_decoder", c.name + "-edges",
                std::string(1, '\0') + edge_stream(edges, 'M'));
    if (c.name == "msf-plain") {
      const std::string mixed = interleave(last_dcf77_edges, edges);
      seeds.write("fuzz_edge_log", "mixed", mixed);
      seeds.write("fuzz_analyzers", "mixed", std::string(1, '\0') + mixed);
      seeds.write("fuzz_program", "mixed-dcf77", std::string(1, '\x02') + mixed);
      seeds.write("fuzz_program", "mixed-msf", std::string(1, '\x03') + mixed);
    }
  }
}

}  // namespace
}  // namespace quillfen::fuzz

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIRECTORY\n", argv[0]);
    return 2;
  }
  quillfen::fuzz::SeedWriter seeds(argv[1]);
  quillfen::fuzz::write_seeds(seeds);
  return 0;
}
