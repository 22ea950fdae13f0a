// A writer is all it takes to get something new out of a log: this test-only
// writer counts minutes and complaint kinds, knowing neither the walk nor the
// receivers, and its counts must agree with the report of the same run.
#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "src/analyzers/analyze.hpp"
#include "src/report/complaints.hpp"
#include "src/testing/program_run.hpp"

namespace quillfen {
namespace {

class CountingWriter {
 public:
  explicit CountingWriter(bool show_utc) : show_utc_(show_utc) {}

  bool ok() const { return true; }
  void comment(std::string_view) {}
  void edge(const EdgeSample&) {}

  void take(const Dcf77BitStep& step) {
    count_if(step.wrapped, Complaint::SecondCounterWrapped);
    if (step.minute) take(*step.minute);
  }
  void take(const Dcf77EdgeStep& step) {
    if (step.minute) take(*step.minute);
  }
  void take(const MsfBitStep& step) {
    if (step.minute) {
      ++minutes;
      ++decoded_blocks;
      add(block_complaints(step.minute->reading, show_utc_));
    }
    count_if(step.wrong_length.has_value(), Complaint::WrongLength);
    count_if(step.wrapped, Complaint::SecondCounterWrapped);
  }
  void take(const MsfEdgeStep& step) {
    if (step.minute) {
      ++minutes;
      ++decoded_blocks;
      add(block_complaints(step.minute->reading, show_utc_));
    }
  }

  std::size_t minutes = 0;
  std::size_t decoded_blocks = 0;  // blocks with a first_minute line
  std::array<std::size_t, kComplaintKinds> complaints{};

 private:
  void take(const Dcf77Minute& minute) {
    ++minutes;
    count_if(minute.wrong_length.has_value(), Complaint::WrongLength);
    if (minute.reading) {
      ++decoded_blocks;
      add(block_complaints(*minute.reading, show_utc_));
    }
  }
  void add(const ComplaintList& list) {
    for (const Complaint complaint : list) ++complaints[static_cast<std::size_t>(complaint)];
  }
  void count_if(bool happened, Complaint complaint) {
    complaints[static_cast<std::size_t>(complaint)] += happened ? 1 : 0;
  }

  bool show_utc_;
};

// How many lines of `report` are `line`, or begin with it when `prefix`.
std::size_t lines_of(std::string_view report, std::string_view line, bool prefix = false) {
  std::size_t count = 0;
  std::size_t start = 0;
  while (start < report.size()) {
    const std::size_t end = report.find('\n', start);
    const std::string_view text = report.substr(start, end - start);
    count += (prefix ? text.starts_with(line) : text == line) ? 1 : 0;
    start = end + 1;
  }
  return count;
}

TEST(CountingWriter, AgreesWithTheReportOfTheSameRun) {
  const struct {
    const char* file;
    Station station;
    LogKind log;
  } fixtures[] = {
      {"dcf77-bits.log", Station::Dcf77, LogKind::Bits},
      {"dcf77-edges.log", Station::Dcf77, LogKind::Edges},
      {"msf-bits-markerless.log", Station::Msf, LogKind::Bits},
      {"msf-bits-partial.log", Station::Msf, LogKind::Bits},
      {"msf-edges-interleaved.log", Station::Msf, LogKind::Edges},
  };
  for (const auto& fixture : fixtures) {
    for (const bool show_utc : {false, true}) {
      SCOPED_TRACE(testing::Message() << fixture.file << (show_utc ? " -u" : ""));
      const std::string log = e2e::read_file(std::string(QUILLFEN_TESTDATA) + "/" + fixture.file);
      Settings settings;
      settings.station = fixture.station;
      settings.log = fixture.log;
      settings.strict = strict_mode(fixture.log, false);
      settings.show_utc = show_utc;

      CountingWriter counter(show_utc);
      analyze(settings, log, counter);
      const Report report = report_of(settings, log);

      EXPECT_GT(counter.minutes, 0u);
      EXPECT_EQ(counter.decoded_blocks, lines_of(report.text, "first_minute=", true));
      for (std::size_t kind = 0; kind < kComplaintKinds; ++kind) {
        const auto complaint = static_cast<Complaint>(kind);
        SCOPED_TRACE(complaint_text(complaint));
        const std::size_t printed = complaint == Complaint::WrongLength
                                        ? lines_of(report.text, "Minute is ", true)
                                        : lines_of(report.text, complaint_text(complaint));
        EXPECT_EQ(counter.complaints[kind], printed);
      }
    }
  }
}

}  // namespace
}  // namespace quillfen
