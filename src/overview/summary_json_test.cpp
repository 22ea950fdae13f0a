// The summary object, read back with a JSON parser.
#include "src/overview/summary_json.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "src/analyzers/analyze.hpp"
#include "synth/dcf77_encoder.hpp"

namespace quillfen {
namespace {

using namespace std::chrono;
using Json = nlohmann::json;

TEST(SummaryJson, KeysAndValues) {
  std::vector<Dcf77Frame> frames = dcf77_frames(sys_days{year{2025} / 3 / 5} + hours{10}, 3);
  frames[1].bits[28] = !*frames[1].bits[28];
  const Settings settings = settings_for(Station::Dcf77, LogKind::Bits);
  ReceptionOverview overview(settings);
  analyze(settings, dcf77_bit_log(frames), overview);
  const nlohmann::ordered_json ordered = summary_json(overview);
  const Json summary = Json::parse(ordered.dump());
  std::vector<std::string> keys;
  for (const auto& item : ordered.items()) keys.push_back(item.key());
  EXPECT_EQ(keys, (std::vector<std::string>{"station", "log", "strict", "utc", "minutes",
                                            "decoded", "clean", "first_decoded", "last_decoded",
                                            "complaints", "resets", "longest_clean_run",
                                            "worst_hour", "hours"}));
  EXPECT_EQ(summary["station"], "dcf77");
  EXPECT_EQ(summary["log"], "bits");
  EXPECT_EQ(summary["strict"], false);
  EXPECT_EQ(summary["minutes"], 3);
  EXPECT_EQ(summary["clean"], 2);
  EXPECT_EQ(summary["first_decoded"], "2025-03-05T11:01+01:00");
  EXPECT_EQ(summary["complaints"].size(), 18u);
  EXPECT_EQ(summary["complaints"]["Minute parity bad"], 1);
  EXPECT_EQ(summary["complaints"]["Minute is N seconds instead of N seconds long"], 0);
  EXPECT_EQ(summary["longest_clean_run"],
            Json::parse(R"({"minutes":1,"from":"2025-03-05T11:01+01:00",
                            "to":"2025-03-05T11:01+01:00"})"));
  EXPECT_EQ(summary["hours"],
            Json::parse(R"([{"hour":"2025-03-05T11:00+01:00","minutes":3,"clean":2,"strip":" .p.)" +
                        std::string(56, ' ') + "\"}]"));

  // An edge log has its pulse statistics; a log without minutes nulls.
  const Settings edges = settings_for(Station::Msf, LogKind::Edges);
  ReceptionOverview empty(edges);
  analyze(edges, "# only a comment\n", empty);
  const Json none = Json::parse(summary_json(empty).dump());
  EXPECT_EQ(none["first_decoded"], nullptr);
  EXPECT_EQ(none["worst_hour"], nullptr);
  EXPECT_EQ(none["hours"], Json::array());
  EXPECT_EQ(none["complaints"].size(), 18u);
  EXPECT_TRUE(none["complaints"].contains("DUT1 jumped"));
  EXPECT_EQ(none["pulses"]["clock_ppm"], nullptr);
  EXPECT_EQ(none["pulses"]["classes"].size(), 4u);
  EXPECT_EQ(none["pulses"]["classes"][3]["name"], "500 ms");
  EXPECT_EQ(none["pulses"]["classes"][3]["median_ms"], nullptr);
}

}  // namespace
}  // namespace quillfen
