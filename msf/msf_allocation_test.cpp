// The MSF receiver step and decoder allocate nothing: a whole day of edges,
// fed to the receiver as an edge interrupt of a receiver (and the edge log
// analyzer) does it, with spikes after every second marker and after every
// end-of-minute marker, makes no heap allocation at all. The edges are made beforehand, from the
// test-only encoder, and read with the edge log parser.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "base/allocation_count.hpp"
#include "datetime/date_time_record.hpp"
#include "msf/msf_receiver.hpp"
#include "synth/msf_encoder.hpp"
#include "src/lib/edge_log.hpp"

namespace quillfen {
namespace {

using namespace std::chrono;

// The frames sent from 23:59 UTC on 25 October 2025 to 23:59 UTC on 26
// October, carrying every minute of 26 October UTC (summer time ends at 01:00
// UTC; DUT1 goes from +0.1 s to -0.2 s at 00:00 UTC) and 00:00 UTC on 27
// October.
constexpr int kFrames = 24 * 60 + 1;

std::vector<EdgeSample> a_day_of_edges() {
  MsfOptions options;
  options.dut1 = 1;
  options.dut1_change = std::pair{sys_days{2025y / October / 26} + minutes{0}, std::int8_t{-2}};
  MsfEdgeLogOptions edge_options;
  edge_options.glitch_after_rise_us = 10000;
  edge_options.glitch_after_minute_end_us = 10000;
  const std::string log = msf_edge_log(
      msf_frames(sys_days{2025y / October / 26} - minutes{1}, kFrames, options), edge_options);
  std::vector<EdgeSample> edges;
  walk_edge_log(log, [&](const EdgeLogLine& line) { edges.push_back(*line.edge); });
  return edges;
}

TEST(MsfAllocation, ADayOfEdgesAllocatesNothing) {
  const std::vector<EdgeSample> edges = a_day_of_edges();

  MsfReceiver receiver(/*strict=*/true);
  int decoded = 0;
  std::optional<DateTimeRecord> utc;
  const std::uint64_t allocations = allocations_of([&] {
    for (const EdgeSample& edge : edges) {
      const MsfEdgeStep step = receiver.take_edge(edge.is_high, edge.when);
      if (step.minute.has_value()) {
        ++decoded;
        utc = step.minute->reading.utc;
      }
    }
  });

  EXPECT_EQ(allocations, 0U);
  // The loop really decoded the day: every frame's end-of-minute marker ended
  // a minute, and the clock ends at 00:00 UTC on 27 October, a Monday, with
  // the DUT1 of the day.
  EXPECT_EQ(decoded, kFrames);
  ASSERT_TRUE(utc.has_value());
  EXPECT_EQ(std::tuple(*utc->year(), *utc->month(), *utc->day(), *utc->weekday(), *utc->hour(),
                       *utc->minute()),
            std::tuple(25, 10, 27, 1, 0, 0));
  EXPECT_EQ(utc->dut1(), -2);
  EXPECT_FALSE(receiver.decoder().get_first_minute());
}

}  // namespace
}  // namespace quillfen
