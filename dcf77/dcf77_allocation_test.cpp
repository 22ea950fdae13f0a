// The DCF77 receiver step and decoder allocate nothing: a whole day of edges,
// fed to the receiver as an edge interrupt of a receiver (and the edge log
// analyzer) does it, with a spike after every second marker, makes no heap
// allocation at all.
// The edges are made beforehand, from the test-only encoder, and read with
// the edge log parser.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "base/allocation_count.hpp"
#include "datetime/date_time_record.hpp"
#include "dcf77/dcf77_receiver.hpp"
#include "synth/dcf77_encoder.hpp"
#include "src/lib/edge_log.hpp"

namespace quillfen {
namespace {

using namespace std::chrono;

// The frames sent from 23:59 UTC on 29 March 2025 to 23:59 UTC on 30 March,
// carrying every minute of 30 March UTC (summer time begins at 01:00 UTC)
// and 00:00 UTC on 31 March.
constexpr int kFrames = 24 * 60 + 1;

std::vector<EdgeSample> a_day_of_edges() {
  EdgeLogOptions options;
  options.glitch_after_rise_us = 10000;  // a spike pair after every rising edge
  const std::string log =
      dcf77_edge_log(dcf77_frames(sys_days{2025y / March / 30} - minutes{1}, kFrames), options);
  std::vector<EdgeSample> edges;
  walk_edge_log(log, [&](const EdgeLogLine& line) { edges.push_back(*line.edge); });
  return edges;
}

TEST(Dcf77Allocation, ADayOfEdgesAllocatesNothing) {
  const std::vector<EdgeSample> edges = a_day_of_edges();

  Dcf77Receiver receiver(/*strict=*/true);
  int decoded = 0;
  std::optional<DateTimeRecord> utc;
  const std::uint64_t allocations = allocations_of([&] {
    for (const EdgeSample& edge : edges) {
      const Dcf77EdgeStep step = receiver.take_edge(edge.is_high, edge.when);
      if (step.minute.has_value() && step.minute->reading.has_value()) {
        ++decoded;
        utc = step.minute->reading->utc;
      }
    }
  });

  EXPECT_EQ(allocations, 0U);
  // The loop really decoded the day: every frame ended with its minute marker
  // and the clock ends at 00:00 UTC on 31 March, a Monday.
  EXPECT_EQ(decoded, kFrames);
  ASSERT_TRUE(utc.has_value());
  EXPECT_EQ(std::tuple(*utc->year(), *utc->month(), *utc->day(), *utc->weekday(), *utc->hour(),
                       *utc->minute()),
            std::tuple(25, 3, 31, 1, 0, 0));
  EXPECT_FALSE(receiver.decoder().get_first_minute());
}

}  // namespace
}  // namespace quillfen
