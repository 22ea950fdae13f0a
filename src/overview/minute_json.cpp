#include "src/overview/minute_json.hpp"

#include <string>

namespace quillfen {
namespace {

using Json = nlohmann::ordered_json;

template <typename T>
Json optional_json(const std::optional<T>& value) {
  return value.has_value() ? Json(*value) : Json(nullptr);
}

Json time_json(const std::optional<DateTimeRecord>& record, bool utc) {
  if (!record.has_value()) {
    return nullptr;
  }
  const std::optional<MinuteTime> time = minute_time(*record, utc);
  return time.has_value() ? Json(iso_text(*time)) : Json(nullptr);
}

bool has_flag(std::uint8_t flags, std::uint8_t flag) { return (flags & flag) != 0; }

std::string length_line(const MinuteLength& length) {
  return "Minute is " + std::to_string(length.seconds) + " seconds instead of " +
         std::to_string(length.expected) + " seconds long";
}

std::string_view class_name(MinuteClass minute_class) {
  switch (minute_class) {
    case MinuteClass::Clean: return "clean";
    case MinuteClass::Parity: return "parity";
    case MinuteClass::Jump: return "jump";
    case MinuteClass::Length: return "length";
    case MinuteClass::NotDecoded: return "not decoded";
  }
  return "not decoded";
}

// The minute's complaint lines in the order the report prints them.
Json complaint_lines(const OverviewMinute& minute) {
  Json lines = Json::array();
  const Json wrap(complaint_text(Complaint::SecondCounterWrapped));
  // DCF77 prints the wraps while the minute is read, before its bits line.
  if (minute.station == Station::Dcf77) {
    for (std::uint32_t i = 0; i < minute.wrap_lines; ++i) lines.push_back(wrap);
  }
  for (std::uint32_t i = 0; i < minute.length_lines; ++i) {
    lines.push_back(i < minute.lengths.size() ? Json(length_line(minute.lengths[i]))
                                              : Json(complaint_text(Complaint::WrongLength)));
  }
  for (const Complaint complaint : minute.block) {
    lines.push_back(complaint_text(complaint));
  }
  if (minute.station == Station::Msf) {
    for (std::uint32_t i = 0; i < minute.wrap_lines; ++i) lines.push_back(wrap);
  }
  return lines;
}

}  // namespace

Json minute_json(const OverviewMinute& minute) {
  const OverviewMinute::Reading* reading =
      minute.reading.has_value() ? &*minute.reading : nullptr;
  Json json;
  json["block"] = minute.number;
  json["local"] = reading != nullptr ? time_json(reading->clock, false) : Json(nullptr);
  json["utc"] = reading != nullptr ? time_json(reading->utc, true) : Json(nullptr);
  json["seconds"] = minute.seconds;
  json["length"] = reading != nullptr ? Json(reading->length) : Json(nullptr);
  json["first_minute"] = reading != nullptr ? Json(reading->first_minute) : Json(nullptr);
  json["decoded"] = minute.decoded;
  json["clean"] = minute.minute_class == MinuteClass::Clean;
  json["class"] = class_name(minute.minute_class);
  json["complaints"] = complaint_lines(minute);
  if (reading == nullptr) {
    json["fields"] = nullptr;
    json["dst"] = nullptr;
    json["leap"] = nullptr;
  } else {
    const DateTimeRecord& shown = reading->shown;
    json["fields"] = Json{{"year", optional_json(shown.year())},
                          {"month", optional_json(shown.month())},
                          {"day", optional_json(shown.day())},
                          {"weekday", optional_json(shown.weekday())},
                          {"hour", optional_json(shown.hour())},
                          {"minute", optional_json(shown.minute())}};
    if (const std::optional<std::uint8_t> dst = shown.dst(); dst.has_value()) {
      json["dst"] = Json{{"announced", has_flag(*dst, DST_ANNOUNCED)},
                         {"processed", has_flag(*dst, DST_PROCESSED)},
                         {"jump", has_flag(*dst, DST_JUMP)},
                         {"summer", has_flag(*dst, DST_SUMMER)}};
    } else {
      json["dst"] = nullptr;
    }
    if (const std::optional<std::uint8_t> leap = shown.leap_second(); leap.has_value()) {
      Json leap_json{{"announced", has_flag(*leap, LEAP_ANNOUNCED)},
                     {"processed", has_flag(*leap, LEAP_PROCESSED)},
                     {"missing", has_flag(*leap, LEAP_MISSING)}};
      if (minute.station == Station::Dcf77) {
        leap_json["one"] = optional_json(reading->leap_second_is_one);
      }
      json["leap"] = leap_json;
    } else {
      json["leap"] = nullptr;
    }
  }
  if (minute.station == Station::Dcf77) {
    json["third_party"] = optional_json(minute.third_party);
    json["call"] = reading != nullptr ? optional_json(reading->call_bit) : Json(nullptr);
  } else {
    json["dut1"] = reading != nullptr ? optional_json(reading->shown.dut1()) : Json(nullptr);
  }
  return json;
}

void put_json_line(OutputBuffer& out, const Json& value) {
  out.put(value.dump(-1, ' ', /*ensure_ascii=*/true));
  out.put('\n');
}

}  // namespace quillfen
