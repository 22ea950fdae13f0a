// The JSON Lines of minutes, read back with a JSON parser: one object per
// minute block, the fields as the blocks show them, and the complaint lines
// exactly as the report prints them.
#include "src/overview/minute_json.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "src/analyzers/analyze.hpp"
#include "src/testing/fault_checks.hpp"
#include "synth/dcf77_encoder.hpp"
#include "synth/msf_encoder.hpp"

namespace quillfen {
namespace {

using namespace std::chrono;
using Json = nlohmann::json;

std::vector<Json> json_lines(const Settings& settings, const std::string& log) {
  StringSink sink;
  {
    OutputBuffer out(sink, 4096);
    MinuteJsonWriter writer(out, settings);
    analyze(settings, log, writer);
    out.flush();
  }
  std::vector<Json> objects;
  for (const std::string& line : e2e::report_lines(sink.text)) {
    objects.push_back(Json::parse(line));
    // The keys stay in the documented order.
    const nlohmann::ordered_json ordered = nlohmann::ordered_json::parse(line);
    std::string keys;
    for (const auto& item : ordered.items()) keys += item.key() + " ";
    objects.back()["key order"] = keys;
  }
  return objects;
}

// Frames sent from 10:00 UTC on Wednesday 5 March 2025, carrying 11:01 CET on.
std::vector<Dcf77Frame> march_frames(int count) {
  return dcf77_frames(sys_days{year{2025} / 3 / 5} + hours{10}, count);
}

TEST(MinuteJson, OneObjectPerMinuteWithTheBlocksFields) {
  std::vector<Dcf77Frame> frames = march_frames(3);
  frames[1].bits[28] = !*frames[1].bits[28];
  frames[2].bits[15] = true;  // the call bit
  const std::vector<Json> minutes =
      json_lines(settings_for(Station::Dcf77, LogKind::Bits), dcf77_bit_log(frames));
  ASSERT_EQ(minutes.size(), 3u);
  const Json& first = minutes[0];
  EXPECT_EQ(first["key order"],
            "block local utc seconds length first_minute decoded clean class complaints fields "
            "dst leap third_party call ");
  EXPECT_EQ(first["block"], 1);
  EXPECT_EQ(first["local"], "2025-03-05T11:01+01:00");
  EXPECT_EQ(first["utc"], "2025-03-05T10:01+00:00");
  EXPECT_EQ(first["seconds"], 60);
  EXPECT_EQ(first["length"], 60);
  EXPECT_EQ(first["first_minute"], false);
  EXPECT_EQ(first["decoded"], true);
  EXPECT_EQ(first["clean"], true);
  EXPECT_EQ(first["class"], "clean");
  EXPECT_EQ(first["complaints"], Json::array());
  EXPECT_EQ(first["fields"], Json::parse(R"({"year":25,"month":3,"day":5,"weekday":3,
                                               "hour":11,"minute":1})"));
  EXPECT_EQ(first["dst"], Json::parse(R"({"announced":false,"processed":false,"jump":false,
                                            "summer":false})"));
  EXPECT_EQ(first["leap"], Json::parse(R"({"announced":false,"processed":false,"missing":false,
                                             "one":null})"));
  EXPECT_EQ(first["third_party"], 0);
  EXPECT_EQ(first["call"], false);

  EXPECT_EQ(minutes[1]["complaints"], Json::parse(R"(["Minute parity bad"])"));
  EXPECT_EQ(minutes[1]["class"], "parity");
  EXPECT_EQ(minutes[1]["clean"], false);
  EXPECT_EQ(minutes[1]["local"], "2025-03-05T11:02+01:00");
  EXPECT_EQ(minutes[2]["call"], true);

  // With -u the fields follow the UTC copy.
  const std::vector<Json> utc =
      json_lines(settings_for(Station::Dcf77, LogKind::Bits, false, true), dcf77_bit_log(frames));
  EXPECT_EQ(utc[0]["fields"]["hour"], 10);
  EXPECT_EQ(utc[0]["local"], "2025-03-05T11:01+01:00");
}

TEST(MinuteJson, AMinuteTooShortToDecodeAndAnMsfMinute) {
  std::string log = dcf77_bit_log(march_frames(2));
  log.erase(3, 1);  // the first minute lost a pulse
  const std::vector<Json> minutes = json_lines(settings_for(Station::Dcf77, LogKind::Bits), log);
  ASSERT_EQ(minutes.size(), 2u);
  EXPECT_EQ(minutes[0]["seconds"], 59);
  EXPECT_EQ(minutes[0]["length"], nullptr);
  EXPECT_EQ(minutes[0]["fields"], nullptr);
  EXPECT_EQ(minutes[0]["decoded"], false);
  EXPECT_EQ(minutes[0]["class"], "not decoded");
  EXPECT_EQ(minutes[0]["complaints"],
            Json::parse(R"(["Minute is 59 seconds instead of 60 seconds long"])"));

  MsfOptions options;
  options.dut1 = -3;
  const std::vector<Json> msf = json_lines(
      settings_for(Station::Msf, LogKind::Bits),
      msf_bit_log(msf_frames(sys_days{year{2025} / 7 / 1} + hours{12}, 2, options)));
  ASSERT_EQ(msf.size(), 2u);
  EXPECT_EQ(msf[1]["dut1"], -3);
  EXPECT_EQ(msf[1]["local"], "2025-07-01T13:02+01:00");
  EXPECT_EQ(msf[1]["dst"]["summer"], true);
  EXPECT_FALSE(msf[1].contains("call"));
  EXPECT_FALSE(msf[1]["leap"].contains("one"));
}

// The report's complaint lines in order, as the JSON objects list them one
// minute after the other: every line, with its numbers.
TEST(MinuteJson, ComplaintListsAreTheReportsLinesInOrder) {
  std::vector<Dcf77Frame> dcf77 = march_frames(40);
  dcf77[5].bits[35] = std::nullopt;
  std::string dcf77_log = dcf77_bit_log(dcf77);
  dcf77_log = dcf77_log.substr(0, 60 * 20) + "0" + dcf77_log.substr(60 * 20);  // minute 20 too long
  dcf77_log.erase(60 * 30 + 10, 2);    // two pulses lost in minute 30
  std::vector<MsfFrame> msf = msf_frames(sys_days{year{2025} / 7 / 1} + hours{12}, 40);
  msf[8].a[55] = false;  // end-of-minute marker broken
  msf[9].b[56] = std::nullopt;
  std::string msf_log = msf_bit_log(msf);
  msf_log.erase(62 * 20 + 30, 3);  // three seconds lost
  const struct {
    Station station;
    std::string log;
  } cases[] = {{Station::Dcf77, dcf77_log}, {Station::Msf, msf_log}};
  std::set<std::string> complaints;
  for (std::size_t kind = 0; kind < kComplaintKinds; ++kind) {
    complaints.insert(std::string(complaint_text(static_cast<Complaint>(kind))));
  }
  for (const auto& c : cases) {
    const Settings settings = settings_for(c.station, LogKind::Bits);
    std::vector<std::string> printed;
    for (const std::string& line : e2e::report_lines(report_of(settings, c.log).text)) {
      if (complaints.contains(line) || line.starts_with("Minute is ")) printed.push_back(line);
    }
    std::vector<std::string> listed;
    for (const Json& minute : json_lines(settings, c.log)) {
      for (const Json& line : minute["complaints"]) listed.push_back(line.get<std::string>());
    }
    EXPECT_GT(printed.size(), 3u);
    EXPECT_EQ(listed, printed);
  }
}

}  // namespace
}  // namespace quillfen
