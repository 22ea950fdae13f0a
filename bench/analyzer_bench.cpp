// Throughput of the four analyzers on long logs made by the test encoders:
// a year of per-bit log is about 30 MB, and a busy receiver's edge log several
// times the size per day of signal.
//
//   cmake --preset bench && cmake --build --preset bench
//   build/bench/bench/analyzer_bench
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

#include "src/analyzers/analyze.hpp"
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

template <typename Analyze>
void run(benchmark::State& state, const std::string& log, Analyze analyze) {
  for (auto _ : state) {
    Report report = analyze(log);
    benchmark::DoNotOptimize(report.text.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(log.size()));
}

void BM_Dcf77BitsYear(benchmark::State& state) {
  run(state, dcf77_bits_log(),
      [](const std::string& log) { return analyze_dcf77_bits(log, false, false); });
}

void BM_Dcf77EdgesWeek(benchmark::State& state) {
  run(state, dcf77_edges_log(),
      [](const std::string& log) { return analyze_dcf77_edges(log, false, false, {}); });
}

void BM_MsfBitsYear(benchmark::State& state) {
  run(state, msf_bits_log(),
      [](const std::string& log) { return analyze_msf_bits(log, false, false); });
}

void BM_MsfEdgesWeek(benchmark::State& state) {
  run(state, msf_edges_log(),
      [](const std::string& log) { return analyze_msf_edges(log, false, false, {}); });
}

BENCHMARK(BM_Dcf77BitsYear)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Dcf77EdgesWeek)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MsfBitsYear)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MsfEdgesWeek)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quillfen

BENCHMARK_MAIN();
