#include "src/overview/summary_text.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "src/analyzers/analyze.hpp"
#include "synth/dcf77_encoder.hpp"

namespace quillfen {
namespace {

using namespace std::chrono;

std::string summary_of(const Settings& settings, const std::string& log) {
  ReceptionOverview overview(settings);
  analyze(settings, log, overview);
  StringSink sink;
  {
    OutputBuffer out(sink, 4096);
    write_summary_text(out, overview);
    out.flush();
  }
  return sink.text;
}

Settings dcf77_settings(LogKind log) { return settings_for(Station::Dcf77, log); }

// Three minutes sent from 10:00 UTC on Wednesday 5 March 2025: they carry
// 11:01, 11:02 and 11:03 CET; the second has a bad minute parity, which loose
// mode shows with the time the clock advanced to.
TEST(SummaryText, ThreeMinutesOneWithABadParity) {
  std::vector<Dcf77Frame> frames =
      dcf77_frames(sys_days{year{2025} / 3 / 5} + hours{10}, 3);
  frames[1].bits[28] = !*frames[1].bits[28];
  std::string complaint_lines;
  for (const char* line :
       {"Minute parity bad: 1", "Minute parity undetermined: 0", "Hour parity bad: 0",
        "Hour parity undetermined: 0", "Date parity bad: 0", "Date parity undetermined: 0",
        "Bit 0 is wrong: 0", "Bit 0 is undetermined: 0", "Bit 20 is wrong: 0",
        "Bit 20 is undetermined: 0", "Year jumped: 0", "Month jumped: 0",
        "Day-of-month jumped: 0", "Day-of-week jumped: 0", "Hour jumped: 0", "Minute jumped: 0",
        "Minute is N seconds instead of N seconds long: 0", "increase_second() == false: 0"}) {
    complaint_lines += std::string("  ") + line + "\n";
  }
  EXPECT_EQ(summary_of(dcf77_settings(LogKind::Bits), dcf77_bit_log(frames)),
            "Station: DCF77, per-bit log, loose mode, local time\n"
            "First decoded minute: 2025-03-05T11:01+01:00\n"
            "Last decoded minute: 2025-03-05T11:03+01:00\n"
            "Minutes: 3\n"
            "Decoded: 3\n"
            "Clean: 2\n"
            "Complaint lines:\n" +
                complaint_lines +
                "Resets: 0\n"
                "Longest clean run: 1 minute, 2025-03-05T11:01+01:00 to 2025-03-05T11:01+01:00\n"
                "Worst hour: 2025-03-05T11:00+01:00 to 2025-03-05T11:59+01:00, 3 minutes, 2 "
                "clean\n"
                "Hour strip (. clean, p parity or fixed bit, j jumped, l wrong length or marker "
                "lost, ? not decoded, blank: no minute):\n"
                "  2025-03-05T11+01:00 | .p." +
                std::string(56, ' ') + "| 2/3\n");
}

TEST(SummaryText, ALogWithoutMinutesSaysSo) {
  const std::string summary = summary_of(dcf77_settings(LogKind::Edges), "# nothing but this\n");
  EXPECT_TRUE(summary.starts_with("Station: DCF77, edge log, strict mode, local time\n"
                                  "First decoded minute: none\n"
                                  "Last decoded minute: none\n"
                                  "Minutes: 0\n"
                                  "Decoded: 0\n"
                                  "Clean: 0\n"))
      << summary;
  for (const char* line :
       {"Longest clean run: 0 minutes\n", "Worst hour: none\n", "  no minutes\n",
        "Pulse lengths, as the decoder measures them (10 ms bins):\n  none\n",
        "Spikes ignored: 0\n", "  0 [30-150 ms]: no pulses\n",
        "Logger clock: unknown (no second marker without faults)\n"}) {
    EXPECT_NE(summary.find(line), std::string::npos) << line;
  }
}

TEST(SummaryText, PulseSectionOfAnEdgeLog) {
  EdgeLogOptions options;
  options.zero_us = 135000;  // within 20 ms of the 150 ms bound
  const std::string log =
      dcf77_edge_log(dcf77_frames(sys_days{year{2025} / 3 / 5} + hours{10}, 5), options);
  const std::string summary = summary_of(dcf77_settings(LogKind::Edges), log);
  // 5 minutes of 59 pulses, counted from the frames. The very first edge only
  // starts the decoder's clock, so the second markers span 299 seconds.
  std::size_t ones = 0;
  for (const Dcf77Frame& frame : dcf77_frames(sys_days{year{2025} / 3 / 5} + hours{10}, 5)) {
    for (std::size_t s = 0; s < 59; ++s) ones += *frame.bits[s] ? 1 : 0;
  }
  const std::size_t zeros = 5 * 59 - ones;
  for (const std::string& line :
       {"   130- 139 ms " + std::string(10 - std::to_string(zeros).size(), ' ') +
            std::to_string(zeros) + " ",
        "  0 [30-150 ms]: " + std::to_string(zeros) +
            " pulses, median 135 ms, 105 ms above the lower bound, 15 ms below the upper\n",
        "    Warning: " + std::to_string(zeros) +
            " pulses of class 0 (100.0 %) lie within 20 ms of a bound of the decoder; a little "
            "more jitter and they are misread\n",
        "  1 [150-250 ms]: " + std::to_string(ones) +
            " pulses, median 200 ms, 50 ms above the lower bound, 50 ms below the upper\n",
        std::string("Logger clock: +0.0 ppm (from 299 seconds of second markers)\n")}) {
    EXPECT_NE(summary.find(line), std::string::npos) << line << summary;
  }
  EXPECT_EQ(summary.find("pulses of class 1"), std::string::npos);
}

}  // namespace
}  // namespace quillfen
