// The firmware example, checked from the host: the recorded edges decode to
// the minutes the calendar gives, they are what the encoders make, and the
// image built for the MPS2-AN385 board prints under qemu exactly what the
// host decoders print for the same edges.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "synth/dcf77_encoder.hpp"
#include "examples/firmware/recording.hpp"
#include "examples/firmware/replay.hpp"
#include "synth/msf_encoder.hpp"

namespace quillfen::firmware {
namespace {

using namespace std::chrono;

// Every line the example prints, in order, each ending in a line feed.
std::string host_output() {
  std::string out;
  const auto emit = [&](std::string_view line) {
    out.append(line);
    out.push_back('\n');
  };
  Dcf77Station dcf77;
  replay_dcf77(dcf77, emit);
  MsfStation msf;
  replay_msf(msf, emit);
  return out;
}

TEST(FirmwareExample, HostDecodesTheRecordedMinutesAsTheCalendarSays) {
  // 30 March 2025 and 26 October 2025 are Sundays. DCF77: summer time begins
  // at 01:00 UTC, so 00:59 UTC is 01:59 CET with the change announced and
  // 01:00 UTC is 03:00 CEST with the change processed. MSF: summer time ends
  // at 01:00 UTC, so 00:59 UTC is 01:59 BST with the change announced and
  // 01:00 UTC is 01:00 GMT; the recording sends DUT1 +0.1 s. The first,
  // partial minute of each recording cannot be decoded.
  EXPECT_EQ(host_output(),
            "DCF77 no time yet\n"
            "DCF77 Sun 25-03-30 01:59 CET (00:59 UTC) DST announced\n"
            "DCF77 Sun 25-03-30 03:00 CEST (01:00 UTC) DST processed\n"
            "MSF no time yet\n"
            "MSF Sun 25-10-26 01:59 BST (00:59 UTC) DST announced DUT1 +0.1 s\n"
            "MSF Sun 25-10-26 01:00 GMT (01:00 UTC) DST processed DUT1 +0.1 s\n");

  // The encoders' calendars agree with the local times above.
  const CivilMinute dcf77_before = dcf77_local_time(sys_days{2025y / March / 30} + minutes{59});
  const CivilMinute dcf77_after = dcf77_local_time(sys_days{2025y / March / 30} + hours{1});
  EXPECT_EQ(dcf77_before.hour * 100 + dcf77_before.minute, 159U);
  EXPECT_FALSE(dcf77_before.summer);
  EXPECT_EQ(dcf77_after.hour * 100 + dcf77_after.minute, 300U);
  EXPECT_TRUE(dcf77_after.summer);
  EXPECT_EQ(dcf77_after.weekday, 7U);  // Sunday
  const MsfCivilMinute msf_before = msf_local_time(sys_days{2025y / October / 26} + minutes{59});
  const MsfCivilMinute msf_after = msf_local_time(sys_days{2025y / October / 26} + hours{1});
  EXPECT_EQ(msf_before.hour * 100 + msf_before.minute, 159U);
  EXPECT_TRUE(msf_before.summer);
  EXPECT_EQ(msf_after.hour * 100 + msf_after.minute, 100U);
  EXPECT_FALSE(msf_after.summer);
  EXPECT_EQ(msf_after.weekday, 0U);  // Sunday
}

TEST(FirmwareExample, RecordedEdgesAreWhatTheEncodersMake) {
  const std::vector<RecordedEdge> dcf77 = dcf77_edges_from_encoder();
  const std::vector<RecordedEdge> msf = msf_edges_from_encoder();
  EXPECT_TRUE(std::ranges::equal(dcf77_recording(), dcf77));
  EXPECT_TRUE(std::ranges::equal(msf_recording(), msf));

  // Both begin with the second marker of second 50 and wrap past 2^32.
  ASSERT_FALSE(dcf77.empty());
  ASSERT_FALSE(msf.empty());
  EXPECT_EQ(dcf77.front(), (RecordedEdge{4255000000U, true}));
  EXPECT_EQ(msf.front(), (RecordedEdge{4255000000U, true}));
  EXPECT_LT(dcf77.back().when, dcf77.front().when);
  EXPECT_LT(msf.back().when, msf.front().when);

  std::ifstream file(QUILLFEN_RECORDED_EDGES, std::ios::binary);
  std::ostringstream committed;
  committed << file.rdbuf();
  EXPECT_EQ(committed.str(), recorded_edges_source())
      << "examples/firmware/recorded_edges.cpp is out of date; make it again as its "
         "first lines say";
}

// What one run of the image under qemu printed and how it ended.
struct QemuRun {
  std::string out;     // the semihosting console
  std::string errors;  // qemu's own messages
  int status = -1;
};

QemuRun run_under_qemu(const std::string& image) {
  const std::string qemu = QUILLFEN_QEMU_ARM;
  const std::string errors =
      testing::TempDir() + std::filesystem::path(image).filename().string() + ".qemu.err";
  // The semihosting console goes to standard output, qemu's own messages to
  // a file. A hung image is stopped after two minutes.
  const std::string command = "timeout --kill-after=5 120 '" + qemu +
                              "' -M mps2-an385 -cpu cortex-m3 -display none -monitor none"
                              " -serial none -chardev stdio,id=console"
                              " -semihosting-config enable=on,target=native,chardev=console"
                              " -kernel '" +
                              image + "' </dev/null 2>'" + errors + "'";
  QemuRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    ADD_FAILURE() << "cannot start " << command;
    return run;
  }
  char buffer[4096];
  std::size_t count = 0;
  while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
    run.out.append(buffer, count);
  }
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  std::ifstream error_file(errors);
  std::ostringstream error_text;
  error_text << error_file.rdbuf();
  run.errors = error_text.str();
  return run;
}

// Why `image` cannot be run under qemu here, or nothing when it can.
std::string missing_tools(const std::string& image) {
  if (image.empty()) {
    return "arm-none-eabi-g++ was not found when this build was configured";
  }
  if (!std::filesystem::exists(image)) {
    return "the image " + image + " was not built";
  }
  if (std::string(QUILLFEN_QEMU_ARM).empty()) {
    return "qemu-system-arm was not found when this build was configured";
  }
  return "";
}

// Skips the current test when the tools are missing; in CI
// (QUILLFEN_REQUIRE_FIRMWARE_TEST set) fails it instead.
#define SKIP_WITHOUT_TOOLS(image)                                                           \
  do {                                                                                      \
    const std::string missing = missing_tools(image);                                       \
    if (!missing.empty()) {                                                                 \
      const char* required = std::getenv("QUILLFEN_REQUIRE_FIRMWARE_TEST");                 \
      if (required != nullptr && *required != '\0') {                                       \
        FAIL() << missing << ", but QUILLFEN_REQUIRE_FIRMWARE_TEST is set";                 \
      }                                                                                     \
      GTEST_SKIP() << missing << "; scripts/setup --dev installs the cross tools and qemu"; \
    }                                                                                       \
  } while (false)

TEST(FirmwareExample, ImageUnderQemuPrintsWhatTheHostDecodes) {
  SKIP_WITHOUT_TOOLS(QUILLFEN_FIRMWARE_IMAGE);
  const QemuRun run = run_under_qemu(QUILLFEN_FIRMWARE_IMAGE);
  EXPECT_EQ(run.status, 0) << "qemu said: " << run.errors;
  EXPECT_EQ(run.out, host_output());
}

TEST(FirmwareExample, BrokenPreconditionOnTheTargetEndsWithTheCheckMessage) {
  SKIP_WITHOUT_TOOLS(QUILLFEN_CHECK_FAILURE_IMAGE);
  const QemuRun run = run_under_qemu(QUILLFEN_CHECK_FAILURE_IMAGE);
  // The host's message, through semihosting; source paths are relative in
  // the cross builds.
  EXPECT_EQ(run.status, 1) << "qemu said: " << run.errors;
  EXPECT_TRUE(run.out.starts_with("quillfen: internal error: datetime/bit_field.cpp:")) << run.out;
  EXPECT_TRUE(run.out.ends_with(": high < buffer.size()\n")) << run.out;
}

}  // namespace
}  // namespace quillfen::firmware
