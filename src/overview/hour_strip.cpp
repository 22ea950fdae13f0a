#include "src/overview/hour_strip.hpp"

namespace quillfen {

std::string HourRow::strip() const {
  std::string text(classes.size(), ' ');
  for (std::size_t i = 0; i < classes.size(); ++i) {
    if (classes[i].has_value()) {
      text[i] = strip_char(*classes[i]);
    }
  }
  return text;
}

void HourStrip::add(const OverviewMinute& minute) {
  if (!minute.decoded || !minute.time.has_value()) {
    ++no_time_;
    return;
  }
  const std::int64_t utc = utc_minutes(*minute.time);
  const std::int64_t hour = utc >= 0 ? utc / 60 : -((59 - utc) / 60);
  // Minutes come in time order, so their hour is nearly always the last row
  // (found without a search) or a new one after it (inserted at the end).
  const bool last_row = !rows_.empty() && rows_.rbegin()->first == hour;
  bool added = false;
  HourRow& row = last_row ? rows_.rbegin()->second : [&]() -> HourRow& {
    const auto size_before = rows_.size();
    const auto at = rows_.try_emplace(rows_.end(), hour);
    added = rows_.size() != size_before;
    return at->second;
  }();
  if (added) {
    row.utc_hour = hour;
    row.start = *minute.time;
    row.start.minute = 0;
  }
  const std::size_t place = minute.time->minute;
  std::optional<MinuteClass>& shown = row.classes[place];
  if (!shown.has_value() || *shown < minute.minute_class) {
    shown = minute.minute_class;
  }
  row.complaints[place] |= minute.complaints;
  ++row.minutes;
  row.clean += minute.minute_class == MinuteClass::Clean ? 1 : 0;
}

std::vector<HourRow> HourStrip::rows() const {
  std::vector<HourRow> rows;
  rows.reserve(rows_.size());
  for (const auto& [hour, row] : rows_) {
    if (!rows.empty()) {
      const HourRow before = rows.back();
      const std::int64_t gap = hour - before.utc_hour - 1;
      for (std::int64_t missing = 1; gap <= kLongestShownGap && missing <= gap; ++missing) {
        HourRow empty;
        empty.utc_hour = before.utc_hour + missing;
        empty.start = at_offset(empty.utc_hour * 60, before.start.offset);
        rows.push_back(empty);
      }
    }
    rows.push_back(row);
  }
  return rows;
}

std::optional<std::size_t> worst_hour(const std::vector<HourRow>& rows) {
  std::optional<std::size_t> worst;
  std::uint32_t most = 0;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::uint32_t faulty = rows[i].minutes - rows[i].clean;
    if (faulty > most) {
      most = faulty;
      worst = i;
    }
  }
  return worst;
}

}  // namespace quillfen
