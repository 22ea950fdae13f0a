#include "src/overview/minute_tracker.hpp"

namespace quillfen {
namespace {

// The record a block's date-time line shows: the clock, or with UTC output
// its UTC copy, or an empty record when the clock cannot be converted yet.
DateTimeRecord shown_record(const DateTimeRecord& clock, const std::optional<DateTimeRecord>& utc,
                            bool show_utc) {
  if (!show_utc) {
    return clock;
  }
  return utc.value_or(DateTimeRecord(clock.min_weekday(), clock.max_weekday()));
}

bool is_jump(Complaint complaint) {
  return complaint >= Complaint::YearJumped && complaint <= Complaint::Dut1Jumped;
}

}  // namespace

char strip_char(MinuteClass minute_class) {
  switch (minute_class) {
    case MinuteClass::Clean: return '.';
    case MinuteClass::Parity: return 'p';
    case MinuteClass::Jump: return 'j';
    case MinuteClass::Length: return 'l';
    case MinuteClass::NotDecoded: return '?';
  }
  return '?';
}

OverviewMinute MinuteTracker::start_minute(std::uint8_t seconds) {
  OverviewMinute minute{};
  minute.number = ++blocks_;
  minute.station = station_;
  minute.seconds = seconds;
  minute.lengths = pending_lengths_;
  minute.length_lines = pending_length_lines_;
  minute.wrap_lines = pending_wrap_lines_;
  pending_length_lines_ = 0;
  pending_wrap_lines_ = 0;
  return minute;
}

void MinuteTracker::add_length(OverviewMinute& minute, const MinuteLength& length) {
  if (minute.length_lines < minute.lengths.size()) {
    minute.lengths[minute.length_lines] = length;
  }
  ++minute.length_lines;
  count(Complaint::WrongLength);
}

// Decided once the block's complaint lines and the lines around it are known.
void MinuteTracker::finish_minute(OverviewMinute& minute) {
  ComplaintMask mask = 0;
  bool jumped = false;
  bool marker_absent = false;
  for (const Complaint complaint : minute.block) {
    mask |= complaint_bit(complaint);
    count(complaint);
    jumped = jumped || is_jump(complaint);
    marker_absent = marker_absent || complaint == Complaint::EndOfMinuteMarkerAbsent;
  }
  if (minute.length_lines != 0) {
    mask |= complaint_bit(Complaint::WrongLength);
  }
  if (minute.wrap_lines != 0) {
    mask |= complaint_bit(Complaint::SecondCounterWrapped);
  }
  minute.complaints = mask;

  if (minute.reading.has_value()) {
    const OverviewMinute::Reading& reading = *minute.reading;
    const std::optional<MinuteTime> time = minute_time(reading.shown, show_utc_);
    // A DCF77 leap second that was announced but did not come leaves a whole
    // 60-second minute, which the block shows as "missing".
    const bool leap_second_missing =
        station_ == Station::Dcf77 && minute.seconds == 60 && reading.length == 61 &&
        reading.shown.leap_second().has_value() && (*reading.shown.leap_second() & LEAP_MISSING) != 0;
    minute.decoded = time.has_value() && (minute.seconds == reading.length || leap_second_missing);
    if (minute.decoded) {
      minute.time = time;
    }
  }
  if (!minute.decoded) {
    minute.minute_class = MinuteClass::NotDecoded;
  } else if (minute.length_lines != 0 || minute.wrap_lines != 0 || marker_absent) {
    minute.minute_class = MinuteClass::Length;
  } else if (jumped) {
    minute.minute_class = MinuteClass::Jump;
  } else if (!minute.block.empty()) {
    minute.minute_class = MinuteClass::Parity;
  } else {
    minute.minute_class = MinuteClass::Clean;
  }
}

OverviewMinute MinuteTracker::dcf77_minute(const Dcf77Minute& value) {
  OverviewMinute minute = start_minute(value.seconds);
  if (value.wrong_length.has_value()) {
    add_length(minute, *value.wrong_length);
  }
  minute.third_party = value.third_party;
  if (value.reading.has_value()) {
    const Dcf77Reading& reading = *value.reading;
    minute.reading = OverviewMinute::Reading{
        reading.first_minute, reading.this_minute_length,
        shown_record(reading.clock, reading.utc, show_utc_), reading.clock, reading.utc,
        reading.leap_second_is_one, reading.call_bit};
    minute.block = block_complaints(reading, show_utc_);
  }
  finish_minute(minute);
  return minute;
}

OverviewMinute MinuteTracker::msf_minute(const MsfMinute& value) {
  OverviewMinute minute = start_minute(value.seconds);
  const MsfReading& reading = value.reading;
  minute.reading = OverviewMinute::Reading{reading.first_minute,
                                           reading.minute_length,
                                           shown_record(reading.clock, reading.utc, show_utc_),
                                           reading.clock,
                                           reading.utc,
                                           std::nullopt,
                                           std::nullopt};
  minute.block = block_complaints(reading, show_utc_);
  return minute;
}

Lent<OverviewMinute> MinuteTracker::take_counted(const Dcf77BitStep& step) {
  if (step.reset) {
    ++resets_;
  }
  if (step.wrapped) {
    ++pending_wrap_lines_;
    count(Complaint::SecondCounterWrapped);
  }
  if (!step.minute.has_value()) {
    return {};
  }
  return lend(dcf77_minute(*step.minute));
}

Lent<OverviewMinute> MinuteTracker::take_counted(const MsfBitStep& step) {
  if (step.reset) {
    ++resets_;
  }
  std::optional<OverviewMinute> minute;
  if (step.minute.has_value()) {
    minute = msf_minute(*step.minute);
  }
  if (step.wrong_length.has_value()) {
    // Printed between blocks: it goes to the next one.
    if (pending_length_lines_ < pending_lengths_.size()) {
      pending_lengths_[pending_length_lines_] = *step.wrong_length;
    }
    ++pending_length_lines_;
    count(Complaint::WrongLength);
  }
  if (step.wrapped) {
    count(Complaint::SecondCounterWrapped);
    // Printed right after the block of the minute whose counter ran over.
    if (minute.has_value()) {
      ++minute->wrap_lines;
    } else {
      ++pending_wrap_lines_;
    }
  }
  if (!minute.has_value()) {
    return {};
  }
  finish_minute(*minute);
  return lend(std::move(*minute));
}

OverviewMinute MinuteTracker::msf_edge_minute(const MsfMinute& value) {
  OverviewMinute minute = msf_minute(value);
  finish_minute(minute);
  return minute;
}

}  // namespace quillfen
