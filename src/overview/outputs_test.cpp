// The outputs a run's settings choose, from one walk: without the new
// options exactly the per-minute report; the picture changes nothing on
// standard output; JSON Lines give one line per minute block.
#include "src/overview/outputs.hpp"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <string>

#include "src/analyzers/analyze.hpp"
#include "src/testing/fault_checks.hpp"
#include "src/testing/program_run.hpp"

namespace quillfen {
namespace {

struct Written {
  std::string out;
  std::string picture;
  std::optional<std::string> bad_line;
};

Written write(const Settings& settings, const std::string& log, bool picture) {
  StringSink out_sink;
  StringSink picture_sink;
  Written written;
  {
    OutputBuffer out(out_sink, 4096);
    OutputBuffer picture_out(picture_sink, 4096);
    written.bad_line = write_outputs(settings, log, out, picture ? &picture_out : nullptr);
    out.flush();
    picture_out.flush();
  }
  written.out = std::move(out_sink.text);
  written.picture = std::move(picture_sink.text);
  return written;
}

TEST(WriteOutputs, EveryFixtureLogInEveryCombination) {
  const struct {
    const char* file;
    Station station;
    LogKind log;
  } fixtures[] = {
      {"dcf77-bits.log", Station::Dcf77, LogKind::Bits},
      {"dcf77-edges-bad-line.log", Station::Dcf77, LogKind::Edges},
      {"msf-bits-reset.log", Station::Msf, LogKind::Bits},
      {"msf-edges-interleaved.log", Station::Msf, LogKind::Edges},
  };
  for (const auto& fixture : fixtures) {
    SCOPED_TRACE(fixture.file);
    const std::string log = e2e::read_file(std::string(QUILLFEN_TESTDATA) + "/" + fixture.file);
    Settings settings = settings_for(fixture.station, fixture.log);
    const Report report = report_of(settings, log);

    const Written plain = write(settings, log, false);
    EXPECT_EQ(plain.out, report.text);
    EXPECT_EQ(plain.bad_line, report.bad_line);
    EXPECT_TRUE(plain.picture.empty());

    const Written with_picture = write(settings, log, true);
    EXPECT_EQ(with_picture.out, report.text);
    EXPECT_TRUE(with_picture.picture.starts_with("<?xml"));
    EXPECT_TRUE(with_picture.picture.ends_with("</svg>\n"));

    settings.json = true;
    const Written json = write(settings, log, true);
    EXPECT_EQ(json.bad_line, report.bad_line);
    EXPECT_EQ(json.picture, with_picture.picture);  // the same fold draws it
    const std::vector<std::string> lines = e2e::report_lines(json.out);
    std::size_t blocks = 0;
    for (const std::string& line : e2e::report_lines(report.text)) {
      blocks += line.starts_with("first_minute=") ? 1 : 0;
    }
    if (fixture.station == Station::Dcf77 && fixture.log == LogKind::Bits) {
      EXPECT_GE(lines.size(), blocks);  // and the minutes too short to decode
    } else {
      EXPECT_EQ(lines.size(), blocks);
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
      EXPECT_EQ(nlohmann::json::parse(lines[i])["block"], i + 1);
    }

    settings.summary = true;
    const Written summary = write(settings, log, true);
    EXPECT_EQ(summary.picture, with_picture.picture);
    EXPECT_EQ(lines.size(), nlohmann::json::parse(summary.out)["minutes"]);
    settings.json = false;
    EXPECT_TRUE(write(settings, log, false).out.starts_with("Station: "));
  }
}

}  // namespace
}  // namespace quillfen
