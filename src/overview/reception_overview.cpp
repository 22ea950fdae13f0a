#include "src/overview/reception_overview.hpp"

#include <initializer_list>
#include <utility>
#include <vector>

namespace quillfen {

ReceptionOverview::ReceptionOverview(const Settings& settings)
    : settings_(settings),
      tracker_(settings.station, settings.show_utc),
      pulses_(settings.station, effective_spike_limit(settings.spike_limit)) {}

void ReceptionOverview::add(const OverviewMinute& minute) {
  ++minutes_;
  hours_.add(minute);
  if (minute.decoded) {
    ++decoded_;
    if (!first_decoded_.has_value()) {
      first_decoded_ = minute.time;
    }
    last_decoded_ = minute.time;
  }
  if (minute.minute_class != MinuteClass::Clean) {
    current_ = CleanRun{};
    return;
  }
  ++clean_;
  if (current_.minutes++ == 0) {
    current_.from = minute.time;
  }
  current_.to = minute.time;
  if (current_.minutes > longest_.minutes) {
    longest_ = current_;
  }
}

std::span<const Complaint> station_complaints(Station station) {
  // The kinds run in report order: each station's block lines, the jump
  // lines (DUT1 last, MSF only), then the lines outside blocks.
  const auto kinds = [](std::initializer_list<std::pair<Complaint, Complaint>> ranges) {
    std::vector<Complaint> list;
    for (const auto& [first, last] : ranges) {
      for (auto kind = static_cast<unsigned>(first); kind <= static_cast<unsigned>(last); ++kind) {
        list.push_back(static_cast<Complaint>(kind));
      }
    }
    return list;
  };
  using enum Complaint;
  static const std::vector<Complaint> kDcf77 =
      kinds({{MinuteParityBad, Bit20Undetermined}, {YearJumped, MinuteJumped},
             {WrongLength, SecondCounterWrapped}});
  static const std::vector<Complaint> kMsf =
      kinds({{EndOfMinuteMarkerAbsent, Dut1Jumped}, {WrongLength, SecondCounterWrapped}});
  return station == Station::Dcf77 ? kDcf77 : kMsf;
}

}  // namespace quillfen
