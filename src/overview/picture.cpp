#include "src/overview/picture.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>


namespace quillfen {
namespace {

constexpr int kLeft = 150;      // room for the row labels
constexpr int kTop = 50;        // room for the title and the upper axis
constexpr int kRowHeight = 12;  // one row of the timeline
constexpr int kRight = 30;

struct Cell {
  std::optional<MinuteClass> minute_class;
  ComplaintMask complaints = 0;
  MinuteTime time{};
};

// One row of the timeline: a day (1440 cells) or an hour (60 cells).
struct TimelineRow {
  std::string label;
  std::vector<Cell> cells;
};

std::string escaped(std::string_view text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string format(const char* pattern, auto... values) {
  char text[512];
  std::snprintf(text, sizeof text, pattern, values...);
  return text;
}

MinuteTime at_minute(const MinuteTime& start, int minute) {
  MinuteTime time = start;
  time.minute = static_cast<std::uint8_t>(minute);
  return time;
}

void fill_cells(TimelineRow& row, const HourRow& hour, std::size_t first) {
  for (int minute = 0; minute < 60; ++minute) {
    const std::size_t place = static_cast<std::size_t>(minute);
    if (!hour.classes[place].has_value()) {
      continue;
    }
    Cell& cell = row.cells[first + place];
    cell.minute_class = hour.classes[place];
    cell.complaints = hour.complaints[place];
    cell.time = at_minute(hour.start, minute);
  }
}

std::vector<TimelineRow> timeline_rows(const std::vector<HourRow>& hours, bool by_day) {
  std::vector<TimelineRow> rows;
  for (const HourRow& hour : hours) {
    if (!by_day) {
      TimelineRow row{iso_text(hour.start).substr(0, 13) + iso_text(hour.start).substr(16),
                      std::vector<Cell>(60)};
      fill_cells(row, hour, 0);
      rows.push_back(std::move(row));
      continue;
    }
    const std::string date = iso_text(hour.start).substr(0, 10);
    if (rows.empty() || rows.back().label != date) {
      rows.push_back(TimelineRow{date, std::vector<Cell>(24 * 60)});
    }
    fill_cells(rows.back(), hour, std::size_t{hour.start.hour} * 60);
  }
  return rows;
}

std::string run_title(const std::vector<Cell>& cells, std::size_t begin, std::size_t end,
                      MinuteClass minute_class) {
  std::array<std::uint32_t, kComplaintKinds> minutes_with{};
  for (std::size_t i = begin; i < end; ++i) {
    for (std::size_t kind = 0; kind < kComplaintKinds; ++kind) {
      minutes_with[kind] += (cells[i].complaints >> kind) & 1;
    }
  }
  const std::size_t count = end - begin;
  std::string title = iso_text(cells[begin].time);
  if (count > 1) {
    title += " to " + iso_text(cells[end - 1].time);
  }
  title += format(", %zu minute%s, %s:", count, count == 1 ? "" : "s",
                  std::string(class_css_name(minute_class)).c_str());
  std::string_view separator = " ";
  for (std::size_t kind = 0; kind < kComplaintKinds; ++kind) {
    if (minutes_with[kind] != 0) {
      title += std::string(separator) + std::string(complaint_text(static_cast<Complaint>(kind))) +
               format(" (%u)", minutes_with[kind]);
      separator = "; ";
    }
  }
  return title;
}

void put_runs(OutputBuffer& out, const std::vector<Cell>& cells, int y, double cell_width) {
  std::size_t begin = 0;
  while (begin < cells.size()) {
    const std::optional<MinuteClass> minute_class = cells[begin].minute_class;
    std::size_t end = begin + 1;
    while (end < cells.size() && cells[end].minute_class == minute_class) {
      ++end;
    }
    if (minute_class.has_value()) {
      out.put(format("<rect class=\"run %s\" x=\"%.2f\" y=\"%d\" width=\"%.2f\" height=\"%d\" "
                     "fill=\"%s\">",
                     std::string(class_css_name(*minute_class)).c_str(),
                     kLeft + static_cast<double>(begin) * cell_width, y,
                     static_cast<double>(end - begin) * cell_width, kRowHeight - 2,
                     std::string(class_colour(*minute_class)).c_str()));
      if (*minute_class != MinuteClass::Clean) {
        out.put("<title>" + escaped(run_title(cells, begin, end, *minute_class)) + "</title>");
      }
      out.put("</rect>\n");
    }
    begin = end;
  }
}

void put_text(OutputBuffer& out, double x, double y, std::string_view anchor, std::string_view text,
              int size = 11) {
  out.put(format("<text x=\"%.1f\" y=\"%.1f\" font-size=\"%d\" text-anchor=\"%s\">", x, y, size,
                 std::string(anchor).c_str()));
  out.put(escaped(text));
  out.put("</text>\n");
}

// The histogram of pulse lengths below the timeline, from `top`; returns its
// height.
int put_pulse_histogram(OutputBuffer& out, const PulseStatistics& pulses, int top) {
  constexpr int kBins = 100;  // 0..1000 ms in 10 ms bins
  constexpr double kBinWidth = 8.0;
  constexpr int kHeight = 160;
  std::array<std::uint64_t, kBins> bins{};
  for (std::size_t ms = 0; ms < PulseStatistics::kPulseMilliseconds; ++ms) {
    bins[ms / 10] += pulses.pulse_histogram()[ms];
  }
  const std::uint64_t fullest = *std::max_element(bins.begin(), bins.end());
  const int base = top + 30 + kHeight;
  put_text(out, kLeft, top + 14, "start",
           "Pulse lengths as the decoder measures them (10 ms bins, logarithmic count), with the "
           "decoder's bounds",
           13);
  out.put(format("<rect x=\"%d\" y=\"%d\" width=\"%.0f\" height=\"%d\" fill=\"none\" "
                 "stroke=\"#888888\"/>\n",
                 kLeft, top + 30, kBins * kBinWidth, kHeight));
  for (int bin = 0; bin < kBins; ++bin) {
    if (bins[static_cast<std::size_t>(bin)] == 0) {
      continue;
    }
    const double height = kHeight * std::log10(1.0 + static_cast<double>(bins[static_cast<std::size_t>(bin)])) /
                          std::log10(1.0 + static_cast<double>(fullest));
    out.put(format("<rect class=\"bin\" x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" "
                   "fill=\"#0072B2\"><title>%d-%d ms: %llu pulses</title></rect>\n",
                   kLeft + bin * kBinWidth, base - height, kBinWidth - 1, height, bin * 10,
                   bin * 10 + 9, static_cast<unsigned long long>(bins[static_cast<std::size_t>(bin)])));
  }
  std::vector<std::uint32_t> bounds;
  for (const PulseClass& pulse_class : pulses.classes()) {
    bounds.push_back(pulse_class.lower);
    bounds.push_back(pulse_class.upper);
  }
  bounds.erase(std::unique(bounds.begin(), bounds.end()), bounds.end());
  for (const std::uint32_t bound : bounds) {
    const double x = kLeft + bound / 1000.0 / 10.0 * kBinWidth;
    out.put(format("<line class=\"bound\" x1=\"%.1f\" y1=\"%d\" x2=\"%.1f\" y2=\"%d\" "
                   "stroke=\"#D55E00\" stroke-dasharray=\"4 2\"><title>decoder bound %u "
                   "us</title></line>\n",
                   x, top + 30, x, base, bound));
    put_text(out, x, top + 27, "middle", format("%u", bound / 1000), 9);
  }
  for (int ms = 0; ms <= 1000; ms += 100) {
    put_text(out, kLeft + ms / 10.0 * kBinWidth, base + 14, "middle", format("%d", ms), 10);
  }
  put_text(out, kLeft + kBins * kBinWidth / 2, base + 30, "middle", "pulse length (ms)");
  put_text(out, kLeft - 10, top + 30 + kHeight / 2.0, "end", "pulses");
  return kHeight + 70;
}

}  // namespace

std::string_view class_colour(MinuteClass minute_class) {
  switch (minute_class) {
    case MinuteClass::Clean: return "#009E73";       // bluish green
    case MinuteClass::Parity: return "#F0E442";      // yellow
    case MinuteClass::Jump: return "#CC79A7";        // reddish purple
    case MinuteClass::Length: return "#D55E00";      // vermillion
    case MinuteClass::NotDecoded: return "#000000";  // black
  }
  return "#000000";
}

std::string_view class_css_name(MinuteClass minute_class) {
  switch (minute_class) {
    case MinuteClass::Clean: return "clean";
    case MinuteClass::Parity: return "parity";
    case MinuteClass::Jump: return "jump";
    case MinuteClass::Length: return "length";
    case MinuteClass::NotDecoded: return "not-decoded";
  }
  return "not-decoded";
}

void write_picture(OutputBuffer& out, const ReceptionOverview& overview) {
  const Settings& settings = overview.settings();
  const std::vector<HourRow> hours = overview.hours().rows();
  const bool by_day = hours.size() > 24;
  const std::vector<TimelineRow> rows = timeline_rows(hours, by_day);
  const std::size_t cells = by_day ? 24 * 60 : 60;
  const double cell_width = by_day ? 1.0 : 16.0;
  const double timeline_width = static_cast<double>(cells) * cell_width;
  const int rows_height = static_cast<int>(rows.size()) * kRowHeight;
  const int no_time_top = kTop + rows_height + 36;
  const int legend_top = no_time_top + 24;
  const int histogram_top = legend_top + 30;
  const bool edges = settings.log == LogKind::Edges;
  const int height = histogram_top + (edges ? 240 : 10);
  const double width = kLeft + std::max(timeline_width, 800.0) + kRight;

  out.put(format("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                 "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%d\" "
                 "viewBox=\"0 0 %.0f %d\" font-family=\"sans-serif\">\n",
                 width, height, width, height));
  const std::string what = std::string(settings.station == Station::Dcf77 ? "DCF77" : "MSF") +
                           (edges ? " edge log" : " per-bit log") +
                           format(": %llu minutes, %llu decoded, %llu clean",
                                  static_cast<unsigned long long>(overview.minutes()),
                                  static_cast<unsigned long long>(overview.decoded()),
                                  static_cast<unsigned long long>(overview.clean()));
  out.put("<title>quillfen reception: " + escaped(what) + "</title>\n");
  out.put("<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n");
  put_text(out, 10, 20, "start", "Reception of a " + what, 14);

  // The axes: time of day or minute of the hour across, dates or hours down.
  const std::string zone = settings.show_utc ? "UTC" : "local time";
  put_text(out, kLeft + timeline_width / 2, kTop - 22, "middle",
           by_day ? "hour of day (" + zone + ")" : "minute of the hour (" + zone + ")");
  const int ticks = by_day ? 24 : 6;
  for (int tick = 0; tick <= ticks; ++tick) {
    const double x = kLeft + timeline_width * tick / ticks;
    put_text(out, x, kTop - 6, "middle", by_day ? format("%02d", tick) : format("%d", tick * 10), 10);
    out.put(format("<line x1=\"%.1f\" y1=\"%d\" x2=\"%.1f\" y2=\"%d\" stroke=\"#cccccc\"/>\n", x,
                   kTop - 3, x, kTop + rows_height));
  }
  put_text(out, 10, kTop - 6, "start", by_day ? "day" : "hour", 10);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const int y = kTop + static_cast<int>(i) * kRowHeight;
    put_text(out, kLeft - 6, y + kRowHeight - 3, "end", rows[i].label, 10);
    put_runs(out, rows[i].cells, y, cell_width);
  }
  if (rows.empty()) {
    put_text(out, kLeft, kTop + 14, "start", "no decoded minute", 11);
  }

  const std::uint64_t no_time = overview.hours().no_time_minutes();
  put_text(out, kLeft - 6, no_time_top + kRowHeight - 3, "end", "no time", 10);
  if (no_time != 0) {
    const double bar = std::min(static_cast<double>(no_time) * cell_width, timeline_width);
    out.put(format("<rect class=\"no-time\" x=\"%d\" y=\"%d\" width=\"%.2f\" height=\"%d\" "
                   "fill=\"%s\"><title>%llu minute%s not decoded</title></rect>\n",
                   kLeft, no_time_top, bar, kRowHeight - 2,
                   std::string(class_colour(MinuteClass::NotDecoded)).c_str(),
                   static_cast<unsigned long long>(no_time), no_time == 1 ? "" : "s"));
  }

  // The legend.
  static constexpr std::pair<MinuteClass, std::string_view> kLegend[] = {
      {MinuteClass::Clean, "clean"},
      {MinuteClass::Parity, "parity or fixed bit"},
      {MinuteClass::Jump, "jumped"},
      {MinuteClass::Length, "wrong length or marker lost"},
      {MinuteClass::NotDecoded, "not decoded (no time)"},
  };
  double x = kLeft;
  for (const auto& [minute_class, text] : kLegend) {
    out.put(format("<rect x=\"%.1f\" y=\"%d\" width=\"12\" height=\"12\" fill=\"%s\" "
                   "stroke=\"#444444\"/>\n",
                   x, legend_top, std::string(class_colour(minute_class)).c_str()));
    put_text(out, x + 16, legend_top + 10, "start", text, 11);
    x += 40 + 7.0 * static_cast<double>(text.size());
  }

  if (edges) {
    put_pulse_histogram(out, overview.pulses(), histogram_top);
  }
  out.put("</svg>\n");
}

}  // namespace quillfen
