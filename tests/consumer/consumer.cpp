// Decodes one minute of DCF77 edges and one of MSF edges with the installed
// quillfen libraries and checks the decoded time. Exits 0 when both minutes
// decode to the time they carry, 1 otherwise, naming what differed.
//
// The edges are made here from the bits of each minute, written out by hand
// from the time codes, so nothing of the quillfen tree but the installed
// headers and libraries is used.
#include <cstdint>
#include <cstdio>
#include <optional>
#include <quillfen/datetime/date_time_record.hpp>
#include <quillfen/dcf77/dcf77_receiver.hpp>
#include <quillfen/msf/msf_receiver.hpp>
#include <string_view>
#include <vector>

namespace {

struct Edge {
  bool is_high;
  std::uint32_t when;  // microseconds
};

// The date and time a minute carries.
struct Expected {
  std::uint8_t year, month, day, weekday, hour, minute;
};

// 14 March 2026, a Saturday, 15:09 CET, as DCF77 sends it: the bits of
// seconds 0..58 (second 59 has no pulse); numbers in BCD, least significant
// bit first.
constexpr std::string_view kDcf77Bits =
    "0"               // 0: start of minute
    "00000000000000"  // 1-14: third-party data
    "0"               // 15: call bit
    "0"               // 16: no summer-time change
    "0"               // 17: not CEST
    "1"               // 18: CET
    "0"               // 19: no leap second
    "1"               // 20: start of time
    "1001000"         // 21-27: minute 09
    "0"               // 28: even parity of 21-27
    "101010"          // 29-34: hour 15
    "1"               // 35: even parity of 29-34
    "001010"          // 36-41: day 14
    "011"             // 42-44: weekday 6, Saturday
    "11000"           // 45-49: month 03
    "01100100"        // 50-57: year 26
    "1";              // 58: even parity of 36-57
constexpr Expected kDcf77Time{26, 3, 14, 6, 15, 9};

// The same date and time in GMT, DUT1 +0.2 s, as MSF sends it: the A and the
// B bit of seconds 0..59 (second 0 is the minute marker); numbers in BCD,
// most significant bit first.
constexpr std::string_view kMsfBitsA =
    "0"                 // 0: minute marker
    "0000000000000000"  // 1-16
    "00100110"          // 17-24: year 26
    "00011"             // 25-29: month 03
    "010100"            // 30-35: day 14
    "110"               // 36-38: weekday 6, Saturday (Sunday is 0)
    "010101"            // 39-44: hour 15
    "0001001"           // 45-51: minute 09
    "01111110";         // 52-59: end-of-minute marker
constexpr std::string_view kMsfBitsB =
    "0"                                    // 0: minute marker
    "1100000000000000"                     // 1-8 and 9-16: DUT1 +2 tenths (two ones in 1-8)
    "00000000000000000000000000000000000"  // 17-51
    "0"                                    // 52
    "0"                                    // 53: no summer-time change
    "0"                                    // 54: odd parity of year
    "1"                                    // 55: odd parity of month and day
    "1"                                    // 56: odd parity of weekday
    "0"                                    // 57: odd parity of hour and minute
    "0"                                    // 58: not summer time
    "0";                                   // 59
constexpr Expected kMsfTime{26, 3, 14, 6, 15, 9};
constexpr std::int8_t kMsfDut1 = 2;

constexpr std::uint32_t kSecond = 1000000;
constexpr std::uint32_t kStart = 5 * kSecond;

// DCF77: a pulse of 100 ms (0) or 200 ms (1) at the start of each second;
// the missing pulse of second 59 makes the minute marker. The edges begin
// with the end of the last pulse of the minute before, so that the first
// rising edge is a minute marker.
std::vector<Edge> dcf77_edges(std::string_view bits) {
  std::vector<Edge> edges = {{false, kStart - 1800000}};
  for (std::size_t second = 0; second < bits.size(); ++second) {
    const std::uint32_t begin = kStart + static_cast<std::uint32_t>(second) * kSecond;
    edges.push_back({true, begin});
    edges.push_back({false, begin + (bits[second] == '1' ? 200000 : 100000)});
  }
  edges.push_back({true, kStart + 60 * kSecond});  // the next minute's marker
  return edges;
}

// MSF: a 500 ms pulse for the minute marker; 100 ms for A=0 B=0, 200 ms for
// A=1 B=0, 300 ms for A=1 B=1, and two 100 ms pulses for A=0 B=1. The edges
// begin with the end of the pulse of the second before the marker.
std::vector<Edge> msf_edges(std::string_view a, std::string_view b) {
  std::vector<Edge> edges = {{false, kStart - 900000}};
  for (std::size_t second = 0; second < a.size(); ++second) {
    const std::uint32_t begin = kStart + static_cast<std::uint32_t>(second) * kSecond;
    edges.push_back({true, begin});
    if (second == 0) {
      edges.push_back({false, begin + 500000});
    } else if (a[second] == '0' && b[second] == '1') {
      edges.push_back({false, begin + 100000});
      edges.push_back({true, begin + 200000});
      edges.push_back({false, begin + 300000});
    } else {
      const std::uint32_t pulse = a[second] == '0' ? 100000 : b[second] == '0' ? 200000 : 300000;
      edges.push_back({false, begin + pulse});
    }
  }
  return edges;
}

// Feeds DCF77 edges to a receiver, as an edge interrupt would, and returns
// the clock of the last decoded minute.
std::optional<quillfen::DateTimeRecord> decode_dcf77(const std::vector<Edge>& edges) {
  quillfen::Dcf77Receiver receiver(/*strict=*/true);
  std::optional<quillfen::DateTimeRecord> clock;
  for (const Edge& edge : edges) {
    const quillfen::Dcf77EdgeStep step = receiver.take_edge(edge.is_high, edge.when);
    // The minute is lent until the next step: copy what is kept.
    if (step.minute && step.minute->reading) clock = step.minute->reading->clock;
  }
  return clock;
}

// The same for MSF.
std::optional<quillfen::DateTimeRecord> decode_msf(const std::vector<Edge>& edges) {
  quillfen::MsfReceiver receiver(/*strict=*/true);
  std::optional<quillfen::DateTimeRecord> clock;
  for (const Edge& edge : edges) {
    const quillfen::MsfEdgeStep step = receiver.take_edge(edge.is_high, edge.when);
    if (step.minute) clock = step.minute->reading.clock;
  }
  return clock;
}

int failures = 0;

void check(const char* station, const char* field, std::optional<int> got, int want) {
  if (got != want) {
    std::printf("%s: %s is %d, expected %d\n", station, field, got ? *got : -1, want);
    ++failures;
  }
}

void check_time(const char* station, const quillfen::DateTimeRecord& clock, const Expected& want) {
  check(station, "year", clock.year(), want.year);
  check(station, "month", clock.month(), want.month);
  check(station, "day", clock.day(), want.day);
  check(station, "weekday", clock.weekday(), want.weekday);
  check(station, "hour", clock.hour(), want.hour);
  check(station, "minute", clock.minute(), want.minute);
}

}  // namespace

int main() {
  static_assert(kDcf77Bits.size() == 59 && kMsfBitsA.size() == 60 && kMsfBitsB.size() == 60);
  if (const auto dcf77 = decode_dcf77(dcf77_edges(kDcf77Bits))) {
    check_time("DCF77", *dcf77, kDcf77Time);
    check("DCF77", "UTC offset", dcf77->utc_offset(), 60);
  } else {
    std::printf("DCF77: no minute decoded\n");
    ++failures;
  }

  if (const auto msf = decode_msf(msf_edges(kMsfBitsA, kMsfBitsB))) {
    check_time("MSF", *msf, kMsfTime);
    check("MSF", "DUT1", msf->dut1(), kMsfDut1);
  } else {
    std::printf("MSF: no minute decoded\n");
    ++failures;
  }

  if (failures == 0) {
    std::printf("quillfen_consumer: DCF77 and MSF minutes decoded: 2 passed, 0 failed\n");
    return 0;
  }
  std::printf("quillfen_consumer: 0 passed, %d failed\n", failures);
  return 1;
}
