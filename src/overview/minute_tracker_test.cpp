// Which minute the lines outside blocks belong to, as the report places
// them, on small logs from the test encoders.
#include "src/overview/minute_tracker.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "src/analyzers/log_walk.hpp"
#include "synth/dcf77_encoder.hpp"
#include "synth/msf_encoder.hpp"

namespace quillfen {
namespace {

using namespace std::chrono;

// The minutes the tracker gives for a per-bit log.
struct Tracked {
  std::vector<OverviewMinute> minutes;
  std::array<std::uint64_t, kComplaintKinds> lines{};
};

struct Collect {
  MinuteTracker tracker;
  std::vector<OverviewMinute> minutes;
  bool ok() const { return true; }
  void comment(std::string_view) {}
  void edge(const EdgeSample&) {}
  template <typename Step>
  void take(const Step& step) {
    if (auto minute = tracker.take(step)) minutes.push_back(*minute);
  }
};

template <typename Receiver>
Tracked track_bits(Station station, const std::string& log) {
  Collect collect{MinuteTracker(station, false), {}};
  Receiver receiver(false);
  walk_bits(log, receiver, collect);
  return {collect.minutes, collect.tracker.line_counts()};
}

std::uint64_t lines_of(const Tracked& tracked, Complaint complaint) {
  return tracked.lines[static_cast<std::size_t>(complaint)];
}

const sys_time<minutes> kStart = sys_days{year{2025} / 3 / 5} + hours{10};

TEST(MinuteTracker, Dcf77WrapsBelongToTheMinuteThatEndsNext) {
  std::string log = dcf77_bit_log(dcf77_frames(kStart, 3));
  log.insert(log.begin() + 60 + 59, '0');  // the second line has 60 bits
  const Tracked tracked = track_bits<Dcf77Receiver>(Station::Dcf77, log);
  ASSERT_EQ(tracked.minutes.size(), 3u);
  EXPECT_EQ(tracked.minutes[0].wrap_lines, 0u);
  EXPECT_EQ(tracked.minutes[0].minute_class, MinuteClass::Clean);
  // The 60th bit ran the counter past the end; the line feed then ended a
  // minute of one second.
  EXPECT_EQ(tracked.minutes[1].wrap_lines, 1u);
  EXPECT_EQ(tracked.minutes[1].length_lines, 1u);
  EXPECT_EQ(tracked.minutes[1].lengths[0], (MinuteLength{1, 60}));
  EXPECT_FALSE(tracked.minutes[1].decoded);
  EXPECT_EQ(tracked.minutes[1].complaints, complaint_bit(Complaint::WrongLength) |
                                               complaint_bit(Complaint::SecondCounterWrapped));
  EXPECT_EQ(tracked.minutes[2].wrap_lines, 0u);

  // Bits after the last line feed: the wrap is counted, no minute has it.
  const Tracked open = track_bits<Dcf77Receiver>(Station::Dcf77, std::string(61, '0'));
  EXPECT_TRUE(open.minutes.empty());
  EXPECT_EQ(lines_of(open, Complaint::SecondCounterWrapped), 1u);
}

TEST(MinuteTracker, MsfWrapBelongsToTheBlockBeforeIt) {
  std::vector<MsfFrame> frames = msf_frames(kStart, 3);
  frames[1].a[53] = false;  // no end-of-minute marker: the counter runs over
  const Tracked tracked = track_bits<MsfReceiver>(Station::Msf, msf_bit_log(frames));
  ASSERT_EQ(tracked.minutes.size(), 3u);
  EXPECT_EQ(tracked.minutes[1].wrap_lines, 1u);
  EXPECT_EQ(tracked.minutes[1].minute_class, MinuteClass::Length);
  EXPECT_TRUE(tracked.minutes[1].decoded);
  EXPECT_EQ(tracked.minutes[1].block.items[0], Complaint::EndOfMinuteMarkerAbsent);
  EXPECT_EQ(tracked.minutes[2].wrap_lines, 0u);
  EXPECT_EQ(lines_of(tracked, Complaint::SecondCounterWrapped), 1u);
}

TEST(MinuteTracker, AnEarlyMsfMarkerIsNoMinuteAndSpoilsTheNext) {
  std::string log = msf_bit_log(msf_frames(kStart, 3));
  log.erase(62 + 20, 2);  // two seconds of the second minute lost
  const Tracked tracked = track_bits<MsfReceiver>(Station::Msf, log);
  ASSERT_EQ(tracked.minutes.size(), 2u);
  EXPECT_EQ(tracked.minutes[0].length_lines, 0u);
  EXPECT_EQ(tracked.minutes[1].length_lines, 1u);
  EXPECT_EQ(tracked.minutes[1].lengths[0], (MinuteLength{58, 60}));
  EXPECT_TRUE(tracked.minutes[1].decoded);
  EXPECT_EQ(tracked.minutes[1].minute_class, MinuteClass::Length);
  EXPECT_EQ(tracked.minutes[1].number, 2u);
  EXPECT_EQ(lines_of(tracked, Complaint::WrongLength), 1u);
}

}  // namespace
}  // namespace quillfen
