#include "synth/synthesize.hpp"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace quillfen {
namespace {

SynthSettings settings_of(std::vector<std::string> args) {
  args.insert(args.begin(), "quillfen-synth");
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  auto parsed = parse_synth_command_line(argv);
  EXPECT_TRUE(std::holds_alternative<SynthSettings>(parsed));
  return std::get<SynthSettings>(parsed);
}

std::string log_of(const std::vector<std::string>& args) {
  const SynthSettings settings = settings_of(args);
  std::string log;
  EXPECT_TRUE(synthesize(settings, [&](std::string_view piece) {
    log += piece;
    return true;
  }));
  return log;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
    lines.push_back(text.substr(at, end - at));
  }
  return lines;
}

const std::vector<std::string> kNoisy = {
    "-s", "dcf77", "-e", "-t", "2025-03-30T00:30Z", "-n", "30", "-j", "3000", "-g", "0.05",
    "-y", "0.05", "-x", "0.01", "-N", "0.005", "-F", "0.002", "-l", "0.01", "-i", "0.01",
    "-U", "0.01", "-m", "0.01", "-b", "30000"};

TEST(SynthesizeTest, OneSeedOneLogAnotherSeedAnotherLog) {
  std::vector<std::string> seeded = kNoisy;
  seeded.insert(seeded.end(), {"-r", "7"});
  const std::string once = log_of(seeded);
  EXPECT_EQ(once, log_of(seeded));
  seeded.back() = "8";
  EXPECT_NE(once, log_of(seeded));
  EXPECT_EQ(log_of(kNoisy), log_of([] {
              auto a = kNoisy;
              a.insert(a.end(), {"-r", "1"});
              return a;
            }()));
}

TEST(SynthesizeTest, CommentsAndTheOtherStationAreLinesBetweenTheSameEdges) {
  const std::vector<std::string> plain = {"-s", "msf", "-e", "-t", "2016-12-31T23:58:30Z",
                                          "-n", "4", "-c", "4294000000"};
  std::vector<std::string> busy = plain;
  busy.insert(busy.end(), {"-o", "-m", "0.1"});
  const auto busy_lines = lines_of(log_of(busy));
  std::vector<std::string> own;
  std::size_t comments = 0, other = 0;
  std::uint64_t last_when = 0;
  for (const std::string& line : busy_lines) {
    if (line[0] == 'M') {
      own.push_back(line);
    } else if (line[0] == '#') {
      EXPECT_EQ(line, "# comment " + std::to_string(++comments));
    } else {
      ASSERT_EQ(line[0], 'D');
      ++other;
    }
    // Every line of the other station comes in time order with the rest; the
    // counter wraps once, 967.296 ms into the log.
    if (line[0] != '#') {
      const std::size_t when_at = line.find(' ', 2) + 1;
      std::uint64_t when = std::stoull(line.substr(when_at));
      if (when < 4294000000U) {
        when += std::uint64_t{1} << 32;
      }
      EXPECT_GE(when, last_when) << line;
      last_when = when;
    }
  }
  EXPECT_EQ(own, lines_of(log_of(plain)));
  EXPECT_GT(comments, 10U);
  // 3.5 minutes of DCF77, one of them with the leap second: about 207 pulses.
  EXPECT_GT(other, 400U);
}

TEST(SynthesizeTest, CrlfEndsEveryLine) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"-s", "dcf77", "-t", "2025-01-01T00:00Z", "-n", "3"},
        std::vector<std::string>{"-s", "msf", "-e", "-t", "2025-01-01T00:00Z", "-n", "3", "-m",
                                 "0.2"}}) {
    std::string crlf = log_of([&] {
      auto a = args;
      a.push_back("-w");
      return a;
    }());
    std::string plain = log_of(args);
    for (std::size_t at; (at = crlf.find("\r\n")) != std::string::npos;) crlf.erase(at, 1);
    EXPECT_EQ(crlf, plain);
  }
}

TEST(SynthesizeTest, AFailingWriterStopsTheLog) {
  const SynthSettings settings =
      settings_of({"-s", "dcf77", "-t", "2025-01-01T00:00Z", "-n", "100000"});
  int pieces = 0;
  EXPECT_FALSE(synthesize(settings, [&](std::string_view piece) {
    ++pieces;
    EXPECT_GE(piece.size(), std::size_t{1} << 20);
    return false;
  }));
  EXPECT_EQ(pieces, 1);
}

}  // namespace
}  // namespace quillfen
