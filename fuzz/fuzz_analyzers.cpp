// The four analyzer entries on arbitrary UTF-8 text. The first input byte
// chooses the options, the rest is the log:
//   bit 0     toggle_mode (-M)
//   bit 1     show_utc (-u)
//   bits 2-4  spike limit (-E): none, 0, 1, 29999, 30000, 149999, 150000,
//             4294967295
//
// Invariants, beyond not crashing, leaking or hanging:
//   - a report is empty or ends with a line feed, and is valid UTF-8;
//   - it grows at most linearly with the log;
//   - the per-bit entries never set bad_line, and ignore every character
//     that means nothing to them: the log reduced to its meaningful
//     characters gives the same report;
//   - a DCF77 per-bit log without line feeds only ever reports the wraps of
//     the second counter, one every 60 bits since the start or a reset;
//   - the edge entries set bad_line exactly to the message of the first bad
//     line (found independently by the model), and the report is the one of
//     the good lines before it with the other station's lines left out;
//   - comment lines are echoed in order; a log without lines of the entry's
//     own station reports exactly its comments;
//   - the overview outputs of every station and log kind: the summary's
//     counts equal those of an independent fold over the same minute values,
//     every JSON output parses (nlohmann's parser) with one JSON line per
//     minute, and the picture is well-formed XML (libxml2).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <libxml/parser.h>

#include <array>
#include <nlohmann/json.hpp>

#include "fuzz/fuzz_check.hpp"
#include "fuzz/models.hpp"
#include "src/analyzers/analyze.hpp"
#include "src/overview/both_writers.hpp"
#include "src/overview/minute_json.hpp"
#include "src/overview/picture.hpp"
#include "src/overview/reception_overview.hpp"
#include "src/overview/summary_json.hpp"
#include "src/overview/summary_text.hpp"
#include "src/report/complaints.hpp"

namespace quillfen::fuzz {
namespace {

struct Options {
  bool toggle_mode;
  bool show_utc;
  std::optional<std::uint32_t> spike_limit;
};

Options read_options(std::uint8_t byte) {
  static constexpr std::uint32_t kLimits[] = {0, 1, 29999, 30000, 149999, 150000, 4294967295u};
  Options options{(byte & 1) != 0, (byte & 2) != 0, std::nullopt};
  const int choice = (byte >> 2) & 0x7;
  if (choice > 0) {
    options.spike_limit = kLimits[choice - 1];
  }
  return options;
}

void check_report_text(const std::string& text, std::size_t log_size) {
  FUZZ_CHECK_DETAIL(text.empty() || text.back() == '\n', text);
  FUZZ_CHECK_DETAIL(model_is_utf8(text), text);
  FUZZ_CHECK(text.size() <= 1024 * (log_size + 8));
}

std::string keep_only(std::string_view text, std::string_view meaningful) {
  std::string kept;
  for (const char c : text) {
    if (meaningful.find(c) != std::string_view::npos) {
      kept.push_back(c);
    }
  }
  return kept;
}

void check_dcf77_bits(std::string_view log, const Options& options) {
  const Report report = analyze_dcf77_bits(log, options.toggle_mode, options.show_utc);
  check_report_text(report.text, log.size());
  FUZZ_CHECK(!report.bad_line);

  const std::string meaningful = keep_only(log, "01_\n*");
  if (meaningful.size() != log.size()) {
    const Report reduced = analyze_dcf77_bits(meaningful, options.toggle_mode, options.show_utc);
    FUZZ_CHECK_DETAIL(reduced.text == report.text, report.text);
  }

  if (meaningful.find('\n') == std::string::npos) {
    // No minute is ever decoded, so every minute is 60 seconds long.
    std::size_t wraps = 0;
    std::size_t bits = 0;
    for (const char c : meaningful) {
      if (c == '*') {
        bits = 0;
      } else if (++bits == 60) {
        ++wraps;
        bits = 0;
      }
    }
    std::string expected;
    for (std::size_t i = 0; i < wraps; ++i) expected += "increase_second() == false\n";
    FUZZ_CHECK_DETAIL(report.text == expected, report.text);
  }
}

void check_msf_bits(std::string_view log, const Options& options) {
  const Report report = analyze_msf_bits(log, options.toggle_mode, options.show_utc);
  check_report_text(report.text, log.size());
  FUZZ_CHECK(!report.bad_line);

  const std::string meaningful = keep_only(log, "01234_*");
  if (meaningful.size() != log.size()) {
    const Report reduced = analyze_msf_bits(meaningful, options.toggle_mode, options.show_utc);
    FUZZ_CHECK_DETAIL(reduced.text == report.text, report.text);
  }
}

// The model's reading of a log: its lines, the kind of each good line before
// the first bad one, and that bad line.
struct ModelLog {
  std::vector<ModelLine> lines;
  std::vector<std::optional<char>> stations;  // absent for a comment
  std::optional<FirstBadLine> bad;
};

ModelLog read_model_log(std::string_view log) {
  ModelLog model{model_split_lines(log), {}, model_first_bad_line(log)};
  const std::size_t good_lines = model.bad ? model.bad->index : model.lines.size();
  for (std::size_t i = 0; i < good_lines; ++i) {
    const auto parsed = model_parse_line(model.lines[i].text, static_cast<std::uint32_t>(i + 1));
    model.stations.push_back(std::get<EdgeLogLine>(parsed).station);
  }
  return model;
}

template <typename Analyze>
void check_edges(std::string_view log, const ModelLog& model, char own, char other,
                 Analyze analyze) {
  const Report report = analyze(log);
  check_report_text(report.text, log.size());

  FUZZ_CHECK(report.bad_line.has_value() == model.bad.has_value());
  if (model.bad) {
    FUZZ_CHECK_DETAIL(*report.bad_line == model.bad->message, *report.bad_line);
  }

  // The good lines before the first bad one, without the other station's;
  // comments appear in the report in order, each as a whole line.
  std::string kept;
  std::string comments;
  bool own_edges = false;
  std::size_t echoed_up_to = 0;
  for (std::size_t i = 0; i < model.stations.size(); ++i) {
    const ModelLine& line = model.lines[i];
    if (model.stations[i] == other) {
      continue;
    }
    kept.append(log.substr(line.begin, line.next - line.begin));
    if (model.stations[i] == own) {
      own_edges = true;
      continue;
    }
    const std::string echoed = std::string(line.text) + "\n";
    comments.append(echoed);
    std::size_t found = echoed_up_to;
    while ((found = report.text.find(echoed, found)) != std::string::npos && found != 0 &&
           report.text[found - 1] != '\n') {
      ++found;  // inside another line; look for it at the start of a line
    }
    FUZZ_CHECK_DETAIL(found != std::string::npos, echoed);
    echoed_up_to = found + echoed.size();
  }
  if (kept.size() != log.size()) {
    const Report reduced = analyze(kept);
    FUZZ_CHECK(!reduced.bad_line);
    FUZZ_CHECK_DETAIL(reduced.text == report.text, report.text);
  }
  if (!own_edges) {
    FUZZ_CHECK_DETAIL(report.text == comments, report.text);
  }
}

// Counts minutes and complaint lines straight from the steps, knowing
// nothing of the overview's bookkeeping.
class MinuteCounter {
 public:
  explicit MinuteCounter(bool show_utc) : show_utc_(show_utc) {}
  bool ok() const { return true; }
  void comment(std::string_view) {}
  void edge(const EdgeSample&) {}
  void take(const Dcf77BitStep& step) {
    count(step.wrapped, Complaint::SecondCounterWrapped);
    resets += step.reset ? 1 : 0;
    if (step.minute) dcf77(*step.minute);
  }
  void take(const Dcf77EdgeStep& step) {
    if (step.minute) dcf77(*step.minute);
  }
  void take(const MsfBitStep& step) {
    resets += step.reset ? 1 : 0;
    if (step.minute) msf(*step.minute);
    count(step.wrong_length.has_value(), Complaint::WrongLength);
    count(step.wrapped, Complaint::SecondCounterWrapped);
  }
  void take(const MsfEdgeStep& step) {
    if (step.minute) msf(*step.minute);
  }

  std::uint64_t minutes = 0;
  std::uint64_t resets = 0;
  std::array<std::uint64_t, kComplaintKinds> lines{};

 private:
  void dcf77(const Dcf77Minute& minute) {
    ++minutes;
    count(minute.wrong_length.has_value(), Complaint::WrongLength);
    if (minute.reading) add(block_complaints(*minute.reading, show_utc_));
  }
  void msf(const MsfMinute& minute) {
    ++minutes;
    add(block_complaints(minute.reading, show_utc_));
  }
  void add(const ComplaintList& list) {
    for (const Complaint complaint : list) ++lines[static_cast<std::size_t>(complaint)];
  }
  void count(bool happened, Complaint complaint) {
    lines[static_cast<std::size_t>(complaint)] += happened ? 1 : 0;
  }
  bool show_utc_;
};

std::string written(auto write) {
  StringSink sink;
  {
    OutputBuffer out(sink, 4096);
    write(out);
    out.flush();
  }
  return std::move(sink.text);
}

void check_overview(std::string_view log, const Options& options, Station station, LogKind kind) {
  Settings settings = settings_for(station, kind, options.toggle_mode, options.show_utc);
  settings.spike_limit = options.spike_limit;

  ReceptionOverview overview(settings);
  MinuteCounter counter(options.show_utc);
  BothWriters<ReceptionOverview, MinuteCounter> both(overview, counter);
  analyze(settings, log, both);
  FUZZ_CHECK(overview.minutes() == counter.minutes);
  FUZZ_CHECK(overview.resets() == counter.resets);
  FUZZ_CHECK(overview.complaints() == counter.lines);
  FUZZ_CHECK(overview.clean() <= overview.decoded() && overview.decoded() <= overview.minutes());
  FUZZ_CHECK(overview.longest_clean_run().minutes <= overview.clean());
  std::uint64_t placed = 0;
  for (const HourRow& row : overview.hours().rows()) placed += row.minutes;
  FUZZ_CHECK(placed == overview.decoded());
  FUZZ_CHECK(placed + overview.hours().no_time_minutes() == overview.minutes());

  const std::string summary = written([&](OutputBuffer& out) { write_summary_text(out, overview); });
  FUZZ_CHECK_DETAIL(!summary.empty() && summary.back() == '\n', summary);
  const std::string json = written([&](OutputBuffer& out) {
    put_json_line(out, summary_json(overview));
  });
  FUZZ_CHECK_DETAIL(nlohmann::json::accept(json), json);
  FUZZ_CHECK(nlohmann::json::parse(json)["minutes"] == overview.minutes());

  const std::string lines = written([&](OutputBuffer& out) {
    MinuteJsonWriter writer(out, settings);
    analyze(settings, log, writer);
  });
  std::uint64_t objects = 0;
  for (std::size_t start = 0; start < lines.size(); ++objects) {
    const std::size_t end = lines.find('\n', start);
    FUZZ_CHECK_DETAIL(end != std::string::npos, lines);
    FUZZ_CHECK_DETAIL(nlohmann::json::accept(lines.substr(start, end - start)), lines);
    start = end + 1;
  }
  FUZZ_CHECK(objects == overview.minutes());

  const std::string svg = written([&](OutputBuffer& out) { write_picture(out, overview); });
  xmlDocPtr document = xmlReadMemory(svg.data(), static_cast<int>(svg.size()), "picture.svg",
                                     nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR |
                                                  XML_PARSE_NOWARNING | XML_PARSE_HUGE);
  FUZZ_CHECK_DETAIL(document != nullptr, svg);
  xmlFreeDoc(document);
}

}  // namespace
}  // namespace quillfen::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quillfen;
  using namespace quillfen::fuzz;
  if (size == 0) {
    return -1;
  }
  const Options options = read_options(data[0]);
  const std::string_view log(reinterpret_cast<const char*>(data + 1), size - 1);
  if (!model_is_utf8(log)) {
    return -1;  // the program rejects such a file before analyzing it
  }

  check_dcf77_bits(log, options);
  check_msf_bits(log, options);
  const ModelLog model = read_model_log(log);
  check_edges(log, model, 'D', 'M',
              [&](std::string_view text) {
                return analyze_dcf77_edges(text, options.toggle_mode, options.show_utc,
                                           options.spike_limit);
              });
  check_edges(
      log, model, 'M', 'D', [&](std::string_view text) {
        return analyze_msf_edges(text, options.toggle_mode, options.show_utc, options.spike_limit);
      });
  for (const Station station : {Station::Dcf77, Station::Msf}) {
    for (const LogKind kind : {LogKind::Bits, LogKind::Edges}) {
      check_overview(log, options, station, kind);
    }
  }
  return 0;
}
