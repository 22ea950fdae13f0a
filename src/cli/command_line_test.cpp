#include "src/cli/command_line.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "src/lib/version.hpp"

namespace quillfen {
namespace {

std::variant<Settings, CommandLineExit> parse(const std::vector<std::string>& words) {
  std::vector<const char*> argv;
  for (const std::string& word : words) argv.push_back(word.c_str());
  return parse_command_line(argv);
}

Settings settings_of(const std::vector<std::string>& words) {
  const auto parsed = parse(words);
  EXPECT_TRUE(std::holds_alternative<Settings>(parsed));
  return std::holds_alternative<Settings>(parsed) ? std::get<Settings>(parsed) : Settings{};
}

TEST(ParseCommandLine, TheModeIsDecidedOnceFromTheLogKindAndTheToggle) {
  const struct {
    std::vector<std::string> options;
    LogKind log;
    bool strict;
  } cases[] = {
      {{}, LogKind::Bits, false},
      {{"-M"}, LogKind::Bits, true},
      {{"-e"}, LogKind::Edges, true},
      {{"-eM"}, LogKind::Edges, false},
      {{"-M", "-e", "-M"}, LogKind::Edges, false},  // -M twice still toggles once
  };
  for (const auto& c : cases) {
    std::vector<std::string> words = {"quillfen", "-s", "dcf77", "-f", "log"};
    words.insert(words.end(), c.options.begin(), c.options.end());
    const Settings settings = settings_of(words);
    EXPECT_EQ(settings.log, c.log);
    EXPECT_EQ(settings.strict, c.strict);
  }
}

TEST(ParseCommandLine, EverySettingAsGiven) {
  const Settings settings =
      settings_of({"quillfen", "-ue", "-sMSF", "-E", "+0500", "-f", " a log", "-E12"});
  EXPECT_EQ(settings.station, Station::Msf);
  EXPECT_EQ(settings.log, LogKind::Edges);
  EXPECT_TRUE(settings.show_utc);
  EXPECT_EQ(settings.spike_limit, 12u);  // the last -E wins
  EXPECT_EQ(settings.logfile, " a log");

  const Settings plain = settings_of({"quillfen", "-s", "DcF77", "-f", "x", "--", "-u"});
  EXPECT_EQ(plain.station, Station::Dcf77);
  EXPECT_FALSE(plain.show_utc);
  EXPECT_EQ(plain.spike_limit, std::nullopt);
}

TEST(ParseCommandLine, SummaryJsonAndPicture) {
  const Settings plain = settings_of({"q", "-s", "dcf77", "-f", "log"});
  EXPECT_FALSE(plain.summary);
  EXPECT_FALSE(plain.json);
  EXPECT_EQ(plain.picture, std::nullopt);

  const Settings all = settings_of({"q", "-Sjp", "first.svg", "-s", "dcf77", "-f", "log", "-p",
                                    "day.svg"});
  EXPECT_TRUE(all.summary);
  EXPECT_TRUE(all.json);
  EXPECT_EQ(all.picture, "day.svg");  // the last -p wins

  // A picture named "-" beside the log from standard input is a file of that name.
  EXPECT_EQ(settings_of({"q", "-s", "msf", "-f", "-", "-p", "-"}).picture, "-");

  const Settings json_lines = settings_of({"q", "-j", "-s", "msf", "-f", "log"});
  EXPECT_FALSE(json_lines.summary);
  EXPECT_TRUE(json_lines.json);
}

TEST(ParseCommandLine, RunsThatEndWithoutAnalyzing) {
  const std::string help = help_text("q");
  const std::string version(version_text());
  const struct {
    std::vector<std::string> words;
    CommandLineExit exit;
  } cases[] = {
      {{"q"}, {help, "", 0}},
      {{"q", "-u", "-e"}, {help, "", 0}},
      {{"q", "-h", "-s", "nowhere"}, {help, "", 0}},
      {{"q", "--help"}, {help, "", 0}},
      {{"q", "-V", "-s", "nowhere"}, {version, "", 0}},
      {{"q", "-s", "msf", "-f", "log", "--version"}, {version, "", 0}},
      {{"q", "-V", "-h"}, {help, "", 0}},
      {{"q", "-h", "-x"}, {"", "Error: Error { culprit: 'x', kind: UnknownOption }\n", 1}},
      {{"q", "-s", "dcf77", "-f"}, {"", "Error: Error { culprit: 'f', kind: MissingArgument }\n", 1}},
      {{"q", "-E", "5x", "-h"}, {"", "spike limit '5x' is not an u32: invalid digit found in string\n", 1}},
      {{"q", "-f", "log"}, {"", "station must be 'dcf77' or 'msf' but is ''\n", 1}},
      {{"q", "-s", "DCF"}, {"", "station must be 'dcf77' or 'msf' but is 'dcf'\n", 1}},
      {{"q", "-s", "msf", "log"}, {"", "logfile not given\n", 1}},
      {{"q", "\xff"}, {"", "Error: argument 1 is not valid UTF-8\n", 1}},
      {{"q", "-s", "msf", "-f", "log", "-p"},
       {"", "Error: Error { culprit: 'p', kind: MissingArgument }\n", 1}},
      {{"q", "-s", "msf", "-f", "log", "-p", ""}, {"", "picture file name is empty\n", 1}},
      {{"q", "-s", "msf", "-f", "log", "-plog"}, {"", "picture file 'log' is the log file\n", 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.words));
    const auto parsed = parse(c.words);
    ASSERT_TRUE(std::holds_alternative<CommandLineExit>(parsed));
    EXPECT_EQ(std::get<CommandLineExit>(parsed), c.exit);
  }
}

TEST(ParseCommandLine, AnEmptyArgumentListIsNamedQuillfen) {
  const auto parsed = parse_command_line({});
  ASSERT_TRUE(std::holds_alternative<CommandLineExit>(parsed));
  EXPECT_EQ(std::get<CommandLineExit>(parsed).out, help_text("quillfen"));
}

}  // namespace
}  // namespace quillfen
