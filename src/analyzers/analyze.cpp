#include "src/analyzers/analyze.hpp"

#include "src/report/output_buffer.hpp"
#include "src/report/report_writer.hpp"

namespace quillfen {
namespace {

Settings settings_of(Station station, LogKind log, bool toggle_mode, bool show_utc,
                     std::optional<std::uint32_t> spike_limit) {
  Settings settings;
  settings.station = station;
  settings.log = log;
  settings.strict = strict_mode(log, toggle_mode);
  settings.show_utc = show_utc;
  settings.spike_limit = spike_limit;
  return settings;
}

}  // namespace

Report report_of(const Settings& settings, std::string_view log_text) {
  StringSink sink;
  Report report;
  {
    // The sink keeps everything anyway; a small buffer is enough.
    OutputBuffer out(sink, std::size_t{64} * 1024);
    ReportWriter writer(out, settings.show_utc);
    report.bad_line = analyze(settings, log_text, writer);
    out.flush();
  }
  report.text = std::move(sink.text);
  return report;
}

Report analyze_dcf77_bits(std::string_view log_text, bool toggle_mode, bool show_utc) {
  return report_of(settings_of(Station::Dcf77, LogKind::Bits, toggle_mode, show_utc, {}),
                   log_text);
}

Report analyze_dcf77_edges(std::string_view log_text, bool toggle_mode, bool show_utc,
                           std::optional<std::uint32_t> spike_limit) {
  return report_of(settings_of(Station::Dcf77, LogKind::Edges, toggle_mode, show_utc, spike_limit),
                   log_text);
}

Report analyze_msf_bits(std::string_view log_text, bool toggle_mode, bool show_utc) {
  return report_of(settings_of(Station::Msf, LogKind::Bits, toggle_mode, show_utc, {}), log_text);
}

Report analyze_msf_edges(std::string_view log_text, bool toggle_mode, bool show_utc,
                         std::optional<std::uint32_t> spike_limit) {
  return report_of(settings_of(Station::Msf, LogKind::Edges, toggle_mode, show_utc, spike_limit),
                   log_text);
}

}  // namespace quillfen
