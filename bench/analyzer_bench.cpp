// Throughput of the analysis in memory, receiver and writer together, on
// long logs made by the test encoders: a year of per-bit log is about 30 MB,
// and a busy receiver's edge log several times the size per day of signal.
// The whole process (reading, writing to a pipe) is timed by bench/compare.
//
//   cmake --preset bench && cmake --build --preset bench
//   build/bench/bench/analyzer_bench
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "src/analyzers/settings.hpp"
#include "src/overview/outputs.hpp"
#include "src/report/output_buffer.hpp"
#include "synth/dcf77_encoder.hpp"
#include "synth/msf_encoder.hpp"

namespace quillfen {
namespace {

using std::chrono::days;
using std::chrono::minutes;
using std::chrono::sys_days;
using std::chrono::sys_time;

// 2025-01-01 00:00 UTC: the logs cross both daylight-saving changes when long
// enough.
constexpr sys_time<minutes> kStart{sys_days{std::chrono::year{2025} / 1 / 1}};
constexpr int kYear = 365 * 24 * 60;
constexpr int kWeek = 7 * 24 * 60;

const std::string& dcf77_bits_log() {
  static const std::string log = dcf77_bit_log(dcf77_frames(kStart, kYear));
  return log;
}

const std::string& dcf77_edges_log() {
  static const std::string log = dcf77_edge_log(dcf77_frames(kStart, kWeek));
  return log;
}

const std::string& msf_bits_log() {
  static const std::string log = msf_bit_log(msf_frames(kStart, kYear));
  return log;
}

const std::string& msf_edges_log() {
  static const std::string log = msf_edge_log(msf_frames(kStart, kWeek));
  return log;
}

// Takes the bytes of an output and only counts them, so that the benchmark
// times the analysis and its writer, not a growing string.
class CountingSink final : public OutputSink {
 public:
  bool write(std::string_view bytes) override {
    count += bytes.size();
    return true;
  }
  std::size_t count = 0;
};

// The program's own path from the log to standard output: the receiver of
// the settings' station over the log's walk, the writer the settings choose,
// the 1 MiB output buffer.
void run(benchmark::State& state, const std::string& log, Settings settings) {
  std::size_t written = 0;
  for (auto _ : state) {
    CountingSink sink;
    OutputBuffer out(sink);
    const std::optional<std::string> bad_line = write_outputs(settings, log, out, nullptr);
    out.flush();
    if (bad_line.has_value()) {
      state.SkipWithError(bad_line->c_str());
      return;
    }
    written = sink.count;
    benchmark::DoNotOptimize(written);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(log.size()));
  state.counters["output_MB"] = static_cast<double>(written) / 1e6;
}

// One benchmark per log and output: the per-minute report, the -S summary,
// the -j JSON Lines.
Settings settings(Station station, LogKind log, bool summary, bool json) {
  Settings chosen = settings_for(station, log);
  chosen.summary = summary;
  chosen.json = json;
  return chosen;
}

void BM_Dcf77BitsYear(benchmark::State& state) {
  run(state, dcf77_bits_log(),
      settings(Station::Dcf77, LogKind::Bits, state.range(0) == 1, state.range(0) == 2));
}

void BM_Dcf77EdgesWeek(benchmark::State& state) {
  run(state, dcf77_edges_log(),
      settings(Station::Dcf77, LogKind::Edges, state.range(0) == 1, state.range(0) == 2));
}

void BM_MsfBitsYear(benchmark::State& state) {
  run(state, msf_bits_log(),
      settings(Station::Msf, LogKind::Bits, state.range(0) == 1, state.range(0) == 2));
}

void BM_MsfEdgesWeek(benchmark::State& state) {
  run(state, msf_edges_log(),
      settings(Station::Msf, LogKind::Edges, state.range(0) == 1, state.range(0) == 2));
}

// Argument 0: the report; 1: the summary; 2: JSON Lines.
BENCHMARK(BM_Dcf77BitsYear)->ArgName("output")->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Dcf77EdgesWeek)->ArgName("output")->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MsfBitsYear)->ArgName("output")->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MsfEdgesWeek)->ArgName("output")->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quillfen

BENCHMARK_MAIN();
