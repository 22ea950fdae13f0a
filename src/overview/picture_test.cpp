// The picture against the overview it draws: one shape per run of equal
// minutes in a row, a title on every run that is not clean naming as many
// minutes as the hour strip holds, days or hours as rows. Well-formedness
// and rendering are checked with xmllint and rsvg-convert by
// overview_program_test.
#include "src/overview/picture.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "src/analyzers/analyze.hpp"
#include "synth/dcf77_encoder.hpp"
#include "synth/msf_encoder.hpp"

namespace quillfen {
namespace {

using namespace std::chrono;

struct Drawn {
  ReceptionOverview overview;
  std::string svg;
};

Drawn draw(Station station, LogKind log, const std::string& text) {
  const Settings settings = settings_for(station, log);
  Drawn drawn{ReceptionOverview(settings), {}};
  analyze(settings, text, drawn.overview);
  StringSink sink;
  {
    OutputBuffer out(sink, 4096);
    write_picture(out, drawn.overview);
    out.flush();
  }
  drawn.svg = std::move(sink.text);
  return drawn;
}

std::size_t count_of(const std::string& text, std::string_view what) {
  std::size_t count = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
    ++count;
  }
  return count;
}

// The titles of the shapes of runs that are not clean (every such shape must
// have one: a shape without is given as an empty title).
std::vector<std::string> faulty_titles(const std::string& svg) {
  std::vector<std::string> titles;
  for (const std::string_view kind : {"parity", "jump", "length"}) {
    const std::string start = "<rect class=\"run " + std::string(kind) + "\"";
    for (std::size_t at = svg.find(start); at != std::string::npos; at = svg.find(start, at + 1)) {
      const std::size_t open = svg.find('>', at) + 1;
      const std::size_t end = svg.find("</title>", open);
      titles.push_back(svg.compare(open, 7, "<title>") == 0 && end != std::string::npos
                           ? svg.substr(open + 7, end - open - 7)
                           : std::string());
    }
  }
  return titles;
}

// Runs of equal places that are not blank in a text, and of those the ones
// that are not clean.
void count_runs(const std::string& places, std::size_t& runs, std::size_t& faulty) {
  for (std::size_t i = 0; i < places.size(); ++i) {
    if (places[i] != ' ' && (i == 0 || places[i] != places[i - 1])) {
      ++runs;
      faulty += places[i] != '.' ? 1 : 0;
    }
  }
}

// The minutes the titles name: "<from>[ to <to>], N minute[s], <class>: ...".
std::size_t minutes_in_titles(const std::vector<std::string>& titles) {
  std::size_t minutes = 0;
  for (const std::string& title : titles) {
    const std::size_t unit = title.find(" minute");
    const std::size_t number = title.rfind(", ", unit) + 2;
    minutes += std::stoul(title.substr(number, unit - number));
  }
  return minutes;
}

constexpr std::string_view kRun = "<rect class=\"run ";

TEST(Picture, AnHourPerRowForLessThanADay) {
  std::vector<Dcf77Frame> frames = dcf77_frames(sys_days{year{2025} / 3 / 5} + hours{10}, 180);
  for (const std::size_t k : {10u, 11u, 12u, 40u, 100u}) frames[k].bits[28] = !*frames[k].bits[28];
  frames[60].bits[35] = std::nullopt;
  const Drawn drawn = draw(Station::Dcf77, LogKind::Bits, dcf77_bit_log(frames));
  std::size_t runs = 0;
  std::size_t faulty = 0;
  for (const HourRow& row : drawn.overview.hours().rows()) count_runs(row.strip(), runs, faulty);
  EXPECT_EQ(faulty, 4u);  // 11:11-11:13, 11:41, 12:01 and 12:41
  const std::vector<std::string> titles = faulty_titles(drawn.svg);
  EXPECT_EQ(count_of(drawn.svg, kRun), runs);
  EXPECT_EQ(titles.size(), faulty);
  for (const std::string& title : titles) EXPECT_FALSE(title.empty());
  EXPECT_EQ(minutes_in_titles(titles), drawn.overview.decoded() - drawn.overview.clean());
  EXPECT_NE(drawn.svg.find("<title>2025-03-05T11:11+01:00 to 2025-03-05T11:13+01:00, 3 minutes, "
                           "parity: Minute parity bad (3)</title>"),
            std::string::npos);
  EXPECT_NE(drawn.svg.find("<title>2025-03-05T12:01+01:00, 1 minute, parity: Hour parity "
                           "undetermined (1)</title>"),
            std::string::npos);
  for (const char* label : {">2025-03-05T11+01:00<", ">2025-03-05T13+01:00<", "minute of the hour"}) {
    EXPECT_NE(drawn.svg.find(label), std::string::npos) << label;
  }
  EXPECT_EQ(drawn.svg.find("Pulse lengths"), std::string::npos);  // no histogram for bits
}

TEST(Picture, ADayPerRowForLongerLogs) {
  std::vector<MsfFrame> frames = msf_frames(sys_days{year{2025} / 7 / 1}, 3 * 24 * 60);
  frames[100].b[54] = !*frames[100].b[54];
  frames[2000].b[57] = !*frames[2000].b[57];
  const Drawn drawn = draw(Station::Msf, LogKind::Bits, msf_bit_log(frames));
  // Rows by local date: a day's places are its hours' strips side by side.
  std::map<std::string, std::string> days;
  for (const HourRow& row : drawn.overview.hours().rows()) {
    std::string& day = days[iso_text(row.start).substr(0, 10)];
    day.resize(24 * 60, ' ');
    day.replace(std::size_t{row.start.hour} * 60, 60, row.strip());
  }
  std::size_t runs = 0;
  std::size_t faulty = 0;
  for (const auto& [date, places] : days) {
    EXPECT_NE(drawn.svg.find(">" + date + "<"), std::string::npos) << date;
    count_runs(places, runs, faulty);
  }
  EXPECT_EQ(days.size(), 4u);  // 1 July 01:01 BST to 4 July 01:00 BST
  EXPECT_EQ(faulty, 2u);
  EXPECT_EQ(count_of(drawn.svg, kRun), runs);
  EXPECT_EQ(faulty_titles(drawn.svg).size(), faulty);
  EXPECT_NE(drawn.svg.find("hour of day (local time)"), std::string::npos);
}

TEST(Picture, EdgeLogsDrawThePulseHistogramWithTheDecodersBounds) {
  const std::string log =
      dcf77_edge_log(dcf77_frames(sys_days{year{2025} / 3 / 5} + hours{10}, 5));
  const Drawn drawn = draw(Station::Dcf77, LogKind::Edges, log);
  EXPECT_EQ(count_of(drawn.svg, "<line class=\"bound\""), 3u);  // 30, 150, 250 ms
  EXPECT_EQ(count_of(drawn.svg, "<rect class=\"bin\""), 2u);    // 100 and 200 ms
  EXPECT_NE(drawn.svg.find("<title>100-109 ms: "), std::string::npos);
  // Every minute was decoded: no bar of minutes without time.
  EXPECT_EQ(drawn.overview.decoded(), 5u);
  EXPECT_EQ(drawn.svg.find("class=\"no-time\""), std::string::npos);
  std::string log_with_lost_marker = log;
  log_with_lost_marker.erase(0, log.find('\n', log.find("D true 11000000")) + 1);
  const Drawn partial = draw(Station::Dcf77, LogKind::Edges, log_with_lost_marker);
  EXPECT_NE(partial.svg.find("<title>1 minute not decoded</title>"), std::string::npos);
}

TEST(Picture, ALogWithoutMinutesIsStillAPicture) {
  const Drawn drawn = draw(Station::Msf, LogKind::Edges, "# nothing\n");
  EXPECT_TRUE(drawn.svg.starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg "));
  EXPECT_TRUE(drawn.svg.ends_with("</svg>\n"));
  EXPECT_NE(drawn.svg.find("no decoded minute"), std::string::npos);
  EXPECT_EQ(count_of(drawn.svg, kRun), 0u);
}

}  // namespace
}  // namespace quillfen
