#include "src/overview/reception_overview.hpp"

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
  using enum Complaint;
  static constexpr Complaint kDcf77[] = {
      MinuteParityBad, MinuteParityUndetermined, HourParityBad, HourParityUndetermined,
      DateParityBad,   DateParityUndetermined,   Bit0Wrong,     Bit0Undetermined,
      Bit20Wrong,      Bit20Undetermined,        YearJumped,    MonthJumped,
      DayJumped,       WeekdayJumped,            HourJumped,    MinuteJumped,
      WrongLength,     SecondCounterWrapped};
  static constexpr Complaint kMsf[] = {EndOfMinuteMarkerAbsent,
                                       YearParityBad,
                                       YearParityUndetermined,
                                       MonthDayParityBad,
                                       MonthDayParityUndetermined,
                                       WeekdayParityBad,
                                       WeekdayParityUndetermined,
                                       HourMinuteParityBad,
                                       HourMinuteParityUndetermined,
                                       YearJumped,
                                       MonthJumped,
                                       DayJumped,
                                       WeekdayJumped,
                                       HourJumped,
                                       MinuteJumped,
                                       Dut1Jumped,
                                       WrongLength,
                                       SecondCounterWrapped};
  if (station == Station::Dcf77) {
    return kDcf77;
  }
  return kMsf;
}

}  // namespace quillfen
