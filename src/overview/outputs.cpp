#include "src/overview/outputs.hpp"

#include "src/analyzers/analyze.hpp"
#include "src/overview/both_writers.hpp"
#include "src/overview/minute_json.hpp"
#include "src/overview/picture.hpp"
#include "src/overview/reception_overview.hpp"
#include "src/overview/summary_json.hpp"
#include "src/overview/summary_text.hpp"
#include "src/report/report_writer.hpp"

namespace quillfen {
namespace {

// Standard output's writer alone, or with the fold behind the picture.
template <typename Writer>
std::optional<std::string> stream_with_picture(const Settings& settings, std::string_view log_text,
                                               Writer& writer, OutputBuffer* picture) {
  if (picture == nullptr) {
    return analyze(settings, log_text, writer);
  }
  ReceptionOverview overview(settings);
  BothWriters<Writer, ReceptionOverview> both(writer, overview);
  std::optional<std::string> bad_line = analyze(settings, log_text, both);
  write_picture(*picture, overview);
  return bad_line;
}

}  // namespace

std::optional<std::string> write_outputs(const Settings& settings, std::string_view log_text,
                                         OutputBuffer& out, OutputBuffer* picture) {
  if (settings.summary) {
    ReceptionOverview overview(settings);
    std::optional<std::string> bad_line = analyze(settings, log_text, overview);
    if (settings.json) {
      put_json_line(out, summary_json(overview));
    } else {
      write_summary_text(out, overview);
    }
    if (picture != nullptr) {
      write_picture(*picture, overview);
    }
    return bad_line;
  }
  if (settings.json) {
    MinuteJsonWriter writer(out, settings);
    return stream_with_picture(settings, log_text, writer, picture);
  }
  ReportWriter writer(out, settings.show_utc);
  return stream_with_picture(settings, log_text, writer, picture);
}

}  // namespace quillfen
