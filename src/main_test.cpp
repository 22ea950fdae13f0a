// End-to-end runs of the built quillfen binary: each case gives the exact
// argument list and compares standard output, standard error and the exit
// status exactly.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "src/testing/program_run.hpp"

namespace {

using quillfen::e2e::run_quillfen;
using quillfen::e2e::run_quillfen_with_input;
using quillfen::e2e::StdoutTo;
using Outcome = quillfen::e2e::ProgramRun;

// The usage and help text, typed from the documentation of the command line.
std::string help(const std::string& program_name) {
  return "Usage: " + program_name +
         " [-h] [-f logfile] [-s station] [-u] [-e] [-E limit] [-M] [-S] [-j] [-p picture] [-V]\n"
         "  -h          display this help, see README.md for more information\n"
         "  -f logfile  the log file to analyze\n"
         "  -s station  the station name (dcf77 or msf) of logfile\n"
         "  -u          show the time and date in UTC instead of local time\n"
         "  -e          logfile is an edge log file from mossbell\n"
         "  -E limit    define spike limit for edge files as limit microseconds\n"
         "  -M          toggle mode to process logfile in\n"
         "              (default mode is strict for edge files and loose for per-bit files)\n"
         "  -S          print a summary of the reception instead of the per-minute report\n"
         "  -j          write JSON: one object per minute, or with -S the summary\n"
         "  -p picture  also draw the reception into the file picture (SVG)\n"
         "  -V          display the version\n";
}

// "quillfen", a blank, the version of project() in CMakeLists.txt, a line feed.
const std::string kVersion = "quillfen " QUILLFEN_PROJECT_VERSION "\n";

// The nine lines of the original options, then one line per option added
// later (-S, -j, -p, -V), so that the first nine stay as they were.
TEST(HelpText, ThirteenLinesWithDescriptionsInColumnFifteen) {
  const std::string text = help("q");
  std::vector<std::string> lines;
  for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos;
       start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  ASSERT_EQ(lines.size(), 13u);
  for (std::size_t i = 1; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].substr(0, 2), "  ") << i;
    EXPECT_EQ(lines[i].substr(12, 2), "  ") << i;
    EXPECT_NE(lines[i][14], ' ') << i;
  }
  EXPECT_EQ(lines[8].substr(0, 15), std::string(14, ' ') + "(");
  EXPECT_EQ(lines[9].substr(0, 4), "  -S");
  EXPECT_EQ(lines[12].substr(0, 4), "  -V");
}

// Log files for the runs; "{dir}" in an argument or expected text stands for
// the directory that holds them.
class TestFiles {
 public:
  TestFiles() {
    char name[] = "/tmp/quillfen_main_test_XXXXXX";
    dir_ = mkdtemp(name);
    write("dcf77.log", "0100000000000000000010100110001010100100110011100100001001\n");
    write("msf.log", "4000000000000000000000000000000000000000000000000000000000000\n");
    write("edges.log", "# edges\nD true 1000000 1\nD false 1100000 2\nM true 1000000 3\n");
    write("latin1.log", "# caf\xe9\n");
    write("overlong.log", "\xc0\xaf\n");
    // The start of what gzip makes of a log: magic, deflate, no flags.
    write("dcf77.log.gz", std::string("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03\x33\x30", 12));
    mkdir((dir_ + "/subdir").c_str(), 0755);
  }
  ~TestFiles() { std::system(("rm -rf '" + dir_ + "'").c_str()); }
  const std::string& dir() const { return dir_; }
  std::string expand(std::string text) const {
    for (std::size_t at; (at = text.find("{dir}")) != std::string::npos;) {
      text.replace(at, 5, dir_);
    }
    return text;
  }

 private:
  void write(const std::string& name, const std::string& contents) {
    std::ofstream(dir_ + "/" + name, std::ios::binary) << contents;
  }
  std::string dir_;
};

const TestFiles& files() {
  static const TestFiles instance;
  return instance;
}

struct RunCase {
  std::string name;
  std::vector<std::string> arguments;  // after the program name "quillfen"
  std::optional<std::string> out;      // nothing: the report, not checked here
  std::string err;
  int status;
};

class EntryTest : public testing::TestWithParam<RunCase> {};

TEST_P(EntryTest, OutputsAndStatus) {
  const RunCase& c = GetParam();
  std::vector<std::string> argv = {"quillfen"};
  for (const std::string& argument : c.arguments) argv.push_back(files().expand(argument));
  const Outcome outcome = run_quillfen(argv);
  if (c.out) {
    EXPECT_EQ(outcome.out, *c.out);
  }
  EXPECT_EQ(outcome.err, files().expand(c.err));
  EXPECT_EQ(outcome.status, c.status);
}

const std::string kHelp = help("quillfen");
const std::string kStation = "station must be 'dcf77' or 'msf' but is ";
const std::string kInvalidDigit = "invalid digit found in string\n";

INSTANTIATE_TEST_SUITE_P(
    Help, EntryTest,
    testing::Values(
        RunCase{"NoArguments", {}, kHelp, "", 0}, RunCase{"OnlyUtc", {"-u"}, kHelp, "", 0},
        RunCase{"OnlyEdgeAndMode", {"-e", "-M"}, kHelp, "", 0},
        RunCase{"HelpOption", {"-h"}, kHelp, "", 0},
        RunCase{"HelpBeatsWrongStation", {"-h", "-s", "dcf"}, kHelp, "", 0},
        RunCase{
            "HelpBeatsMissingFile", {"-s", "msf", "-f", "{dir}/missing.log", "-h"}, kHelp, "", 0},
        RunCase{"EmptyStationAndFile", {"-s", "", "-f", ""}, kHelp, "", 0},
        RunCase{
            "DoubleDashEndsOptions", {"--", "-s", "dcf77", "-f", "{dir}/dcf77.log"}, kHelp, "", 0},
        RunCase{"OperandEndsOptions", {"name", "-s", "dcf77"}, kHelp, "", 0},
        // --help stands for -h wherever an option may stand.
        RunCase{"LongOption", {"--help"}, kHelp, "", 0},
        RunCase{"LongOptionAfterOthers", {"-u", "-s", "dcf", "--help"}, kHelp, "", 0}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    ParserErrors, EntryTest,
    testing::Values(
        RunCase{
            "UnknownOption", {"-x"}, "", "Error: Error { culprit: 'x', kind: UnknownOption }\n", 1},
        RunCase{"MissingArgument",
                {"-s", "dcf77", "-f"},
                "",
                "Error: Error { culprit: 'f', kind: MissingArgument }\n",
                1},
        // Other words with two dashes are no options, as before.
        RunCase{"OtherLongOption",
                {"--x"},
                "",
                "Error: Error { culprit: '-', kind: UnknownOption }\n",
                1},
        RunCase{"LongOptionPrefix",
                {"--vers"},
                "",
                "Error: Error { culprit: '-', kind: UnknownOption }\n",
                1},
        RunCase{"LongHelpThenUnknown",
                {"--help", "-x"},
                "",
                "Error: Error { culprit: 'x', kind: UnknownOption }\n",
                1},
        RunCase{"HelpThenUnknown",
                {"-h", "-x"},
                "",
                "Error: Error { culprit: 'x', kind: UnknownOption }\n",
                1},
        RunCase{"UnknownInCluster",
                {"-uqe"},
                "",
                "Error: Error { culprit: 'q', kind: UnknownOption }\n",
                1},
        RunCase{"Colon", {"-:"}, "", "Error: Error { culprit: ':', kind: UnknownOption }\n", 1},
        RunCase{"AccentedLetter",
                {"-\xc3\xa9"},
                "",
                "Error: Error { culprit: '\xc3\xa9', kind: UnknownOption }\n",
                1},
        RunCase{"CombiningMark",
                {"-\xcc\x81"},
                "",
                "Error: Error { culprit: '\\u{301}', kind: UnknownOption }\n",
                1},
        RunCase{"Quote", {"-'"}, "", "Error: Error { culprit: '\\'', kind: UnknownOption }\n", 1},
        RunCase{"Tab", {"-\t"}, "", "Error: Error { culprit: '\\t', kind: UnknownOption }\n", 1}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Version, EntryTest,
    testing::Values(
        RunCase{"ShortOption", {"-V"}, kVersion, "", 0},
        RunCase{"LongOption", {"--version"}, kVersion, "", 0},
        RunCase{"InCluster", {"-uV"}, kVersion, "", 0},
        RunCase{"OperandAfter", {"-V", "name"}, kVersion, "", 0},
        RunCase{"BeatsWrongStation", {"-V", "-s", "dcf"}, kVersion, "", 0},
        RunCase{"BeatsMissingFile",
                {"-s", "msf", "-f", "{dir}/missing.log", "--version"},
                kVersion,
                "",
                0},
        RunCase{"BeatsAnalysis", {"-s", "dcf77", "-f", "{dir}/dcf77.log", "-V"}, kVersion, "", 0},
        // -h wins, wherever the two stand.
        RunCase{"HelpBefore", {"-h", "-V"}, kHelp, "", 0},
        RunCase{"HelpAfter", {"-V", "-h"}, kHelp, "", 0},
        RunCase{"LongHelpAfter", {"--version", "--help"}, kHelp, "", 0},
        // Like -h, -V does not save a command line that fails later.
        RunCase{"ThenUnknown",
                {"-V", "-x"},
                "",
                "Error: Error { culprit: 'x', kind: UnknownOption }\n",
                1},
        RunCase{"ThenBadLimit",
                {"--version", "-E", "5x"},
                "",
                "spike limit '5x' is not an u32: invalid digit found in string\n",
                1},
        // An option argument is never an option.
        RunCase{"AsFileName",
                {"-s", "dcf77", "-f", "--version"},
                "",
                "Could not read file '--version' : No such file or directory (os error 2)\n",
                1},
        RunCase{"AfterDoubleDash", {"--", "--version"}, kHelp, "", 0}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    SpikeLimit, EntryTest,
    testing::Values(
        RunCase{"TrailingLetter",
                {"-E", "5x"},
                "",
                "spike limit '5x' is not an u32: " + kInvalidDigit,
                1},
        RunCase{"Minus", {"-E", "-5"}, "", "spike limit '-5' is not an u32: " + kInvalidDigit, 1},
        RunCase{"LonePlus", {"-E", "+"}, "", "spike limit '+' is not an u32: " + kInvalidDigit, 1},
        RunCase{"Empty",
                {"-E", ""},
                "",
                "spike limit '' is not an u32: cannot parse integer from empty string\n",
                1},
        RunCase{"TooLarge",
                {"-E4294967296"},
                "",
                "spike limit '4294967296' is not an u32: number too large to fit in target type\n",
                1},
        RunCase{"BlankNotSkipped",
                {"-E", " 5"},
                "",
                "spike limit ' 5' is not an u32: " + kInvalidDigit,
                1},
        // A bad limit ends the run: later options, -h included, are not read.
        RunCase{"BadLimitBeforeHelp",
                {"-E", "5x", "-h"},
                "",
                "spike limit '5x' is not an u32: " + kInvalidDigit,
                1},
        RunCase{"BadLimitAfterHelp",
                {"-h", "-E", "5x"},
                "",
                "spike limit '5x' is not an u32: " + kInvalidDigit,
                1},
        RunCase{"BadLimitBeforeUnknownOption",
                {"-E", "5x", "-x"},
                "",
                "spike limit '5x' is not an u32: " + kInvalidDigit,
                1},
        RunCase{"BadLimitWithoutEdgeFile",
                {"-s", "dcf77", "-f", "{dir}/dcf77.log", "-E", "x"},
                "",
                "spike limit 'x' is not an u32: " + kInvalidDigit,
                1},
        RunCase{"LastLimitIsRead",
                {"-E", "500", "-E", "5x"},
                "",
                "spike limit '5x' is not an u32: " + kInvalidDigit,
                1},
        RunCase{"PlusSign",
                {"-s", "dcf77", "-e", "-E", "+500", "-f", "{dir}/edges.log"},
                std::nullopt,
                "",
                0},
        RunCase{"Largest",
                {"-s", "msf", "-e", "-E", "4294967295", "-f", "{dir}/edges.log"},
                std::nullopt,
                "",
                0},
        RunCase{"Zero", {"-s", "dcf77", "-eE0", "-f", "{dir}/edges.log"}, std::nullopt, "", 0},
        RunCase{"GoodLimitWithoutEdgeFile",
                {"-s", "dcf77", "-E", "150000", "-f", "{dir}/dcf77.log"},
                std::nullopt,
                "",
                0}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    StationAndFile, EntryTest,
    testing::Values(
        RunCase{"FileWithoutStation", {"-f", "{dir}/dcf77.log"}, "", kStation + "''\n", 1},
        RunCase{
            "EmptyStationWithFile", {"-s", "", "-f", "{dir}/dcf77.log"}, "", kStation + "''\n", 1},
        RunCase{"WrongStationWithoutFile", {"-s", "dcf"}, "", kStation + "'dcf'\n", 1},
        RunCase{"WrongStationBeforeMissingFile",
                {"-s", "dcf", "-f", "{dir}/missing.log"},
                "",
                kStation + "'dcf'\n",
                1},
        RunCase{"StationIsLowerCased",
                {"-s", "DCF", "-f", "{dir}/dcf77.log"},
                "",
                kStation + "'dcf'\n",
                1},
        RunCase{"FullUnicodeLowerCasing",
                {"-s", "\xc3\x89T\xc3\x89 \xc4\xb0"},
                "",
                kStation + "'\xc3\xa9t\xc3\xa9 i\xcc\x87'\n",
                1},
        RunCase{"BlanksNotTrimmed", {"-s", "msf "}, "", kStation + "'msf '\n", 1},
        RunCase{"ValidStationWithoutFile", {"-s", "MSF"}, "", "logfile not given\n", 1},
        RunCase{"EmptyFileName", {"-s", "dcf77", "-f", ""}, "", "logfile not given\n", 1},
        RunCase{"BareFileNameIsAnOperand",
                {"-s", "dcf77", "{dir}/dcf77.log"},
                "",
                "logfile not given\n",
                1},
        RunCase{
            "MissingFile",
            {"-s", "dcf77", "-f", "{dir}/missing.log"},
            "",
            "Could not read file '{dir}/missing.log' : No such file or directory (os error 2)\n",
            1},
        RunCase{"Directory",
                {"-s", "msf", "-f", "{dir}/subdir"},
                "",
                "Could not read file '{dir}/subdir' : Is a directory (os error 21)\n",
                1},
        RunCase{"PathThroughAFile",
                {"-s", "msf", "-f", "{dir}/msf.log/x"},
                "",
                "Could not read file '{dir}/msf.log/x' : Not a directory (os error 20)\n",
                1},
        RunCase{"InvalidUtf8File",
                {"-s", "dcf77", "-f", "{dir}/latin1.log"},
                "",
                "Could not read file '{dir}/latin1.log' : stream did not contain valid UTF-8\n",
                1},
        RunCase{"GzipFile",
                {"-s", "dcf77", "-f", "{dir}/dcf77.log.gz"},
                "",
                "Could not read file '{dir}/dcf77.log.gz' : stream did not contain valid UTF-8\n"
                "hint: the file looks gzip-compressed; try: zcat {dir}/dcf77.log.gz | "
                "quillfen \xe2\x80\xa6 -f -\n",
                1},
        // "-" alone after the options is an operand, as before, not a log.
        RunCase{"LoneDashIsNoFileName", {"-s", "dcf77", "-"}, "", "logfile not given\n", 1},
        // "-f -" with standard input from /dev/null: an empty log.
        RunCase{"EmptyStandardInput", {"-s", "dcf77", "-f", "-"}, "", "", 0},
        RunCase{"OverlongUtf8File",
                {"-s", "msf", "-e", "-f", "{dir}/overlong.log"},
                "",
                "Could not read file '{dir}/overlong.log' : stream did not contain valid UTF-8\n",
                1}),
    [](const auto& info) { return info.param.name; });

// Runs that reach an analyzer: the report itself is checked with the
// analyzers; here only that the run completes without a message.
INSTANTIATE_TEST_SUITE_P(
    Analysis, EntryTest,
    testing::Values(
        RunCase{"Dcf77Bits", {"-s", "dcf77", "-f", "{dir}/dcf77.log"}, std::nullopt, "", 0},
        RunCase{"MsfBitsMixedCase", {"-s", "Msf", "-f", "{dir}/msf.log"}, std::nullopt, "", 0},
        RunCase{
            "Dcf77EdgesUtcToggled", {"-ueM", "-sDCF77", "-f{dir}/edges.log"}, std::nullopt, "", 0},
        RunCase{"MsfEdges", {"-e", "-s", "msf", "-f", "{dir}/edges.log"}, std::nullopt, "", 0},
        RunCase{
            "ModeTwice", {"-M", "-M", "-s", "dcf77", "-f", "{dir}/dcf77.log"}, std::nullopt, "", 0},
        RunCase{"LastFileAndStationWin",
                {"-f", "{dir}/missing.log", "-s", "xyz", "-f", "{dir}/msf.log", "-s", "msf"},
                std::nullopt,
                "",
                0},
        RunCase{"OperandAfterOptionsIgnored",
                {"-s", "dcf77", "-f", "{dir}/dcf77.log", "extra", "-x"},
                std::nullopt,
                "",
                0}),
    [](const auto& info) { return info.param.name; });

// "-f -" reads the log from standard input: a pipe, written while the
// program runs, gives what the same log as a file gives.
TEST(StandardInput, ReadsTheLogLikeAFile) {
  const std::string dcf77_bits = "0100000000000000000010100110001010100100110011100100001001\n";
  // More than a pipe holds: a comment and two edges, many times over.
  std::string msf_edges;
  for (std::uint32_t second = 1; second <= 4000; ++second) {
    msf_edges += "# second " + std::to_string(second) + "\n";
    msf_edges += "M true " + std::to_string(second * 1000000) + " " + std::to_string(second) + "\n";
    msf_edges += "M false " + std::to_string(second * 1000000 + 100000) + " " +
                 std::to_string(second) + "\n";
  }
  ASSERT_GT(msf_edges.size(), 65536u);
  const std::string edges_file = files().dir() + "/msf-edges.log";
  std::ofstream(edges_file, std::ios::binary) << msf_edges;

  const struct {
    std::vector<std::string> options;
    std::string log;
    std::string file;
  } cases[] = {
      {{"-s", "dcf77"}, dcf77_bits, files().dir() + "/dcf77.log"},
      {{"-s", "msf", "-e", "-u"}, msf_edges, edges_file},
  };
  for (const auto& c : cases) {
    std::vector<std::string> from_file = {"quillfen"};
    from_file.insert(from_file.end(), c.options.begin(), c.options.end());
    std::vector<std::string> from_input = from_file;
    from_file.insert(from_file.end(), {"-f", c.file});
    from_input.insert(from_input.end(), {"-f", "-"});
    const Outcome expected = run_quillfen(from_file);
    ASSERT_EQ(expected.status, 0) << c.file;
    ASSERT_FALSE(expected.out.empty()) << c.file;
    const Outcome outcome = run_quillfen_with_input(from_input, c.log);
    EXPECT_EQ(outcome.out, expected.out) << c.file;
    EXPECT_EQ(outcome.err, "") << c.file;
    EXPECT_EQ(outcome.status, 0) << c.file;
  }
  // The argument attached to -f as well.
  const Outcome attached = run_quillfen_with_input({"quillfen", "-sdcf77", "-f-"}, dcf77_bits);
  EXPECT_EQ(attached.out,
            run_quillfen({"quillfen", "-sdcf77", "-f", files().dir() + "/dcf77.log"}).out);
  EXPECT_EQ(attached.status, 0);
}

TEST(StandardInput, SameChecksAsAFileUnderTheNameDash) {
  const struct {
    std::string name;
    std::string input;
    std::string err;
  } cases[] = {
      {"Latin1", "# caf\xe9\n", "Could not read file '-' : stream did not contain valid UTF-8\n"},
      {"CutCharacter", "D true 1 1\n\xc3",
       "Could not read file '-' : stream did not contain valid UTF-8\n"},
      {"Gzip", std::string("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10),
       "Could not read file '-' : stream did not contain valid UTF-8\n"
       "hint: the file looks gzip-compressed; try: zcat - | quillfen \xe2\x80\xa6 -f -\n"},
  };
  for (const auto& c : cases) {
    const Outcome outcome = run_quillfen_with_input({"quillfen", "-s", "msf", "-f", "-"}, c.input);
    EXPECT_EQ(outcome.out, "") << c.name;
    EXPECT_EQ(outcome.err, c.err) << c.name;
    EXPECT_EQ(outcome.status, 1) << c.name;
  }
}

TEST(StandardInput, NotReadWithoutDashAsFileName) {
  // The help and version runs end without reading a byte of a long input.
  const std::string input(1 << 20, '0');
  EXPECT_EQ(run_quillfen_with_input({"quillfen", "-V"}, input).out, kVersion);
  EXPECT_EQ(run_quillfen_with_input({"quillfen", "-s", "dcf77", "-f", files().dir() + "/dcf77.log"},
                                    input)
                .status,
            0);
}

TEST(Entry, ArgumentsThatAreNotUtf8) {
  const Outcome file_name = run_quillfen({"quillfen", "-s", "dcf77", "-f", "caf\xe9.log"});
  EXPECT_EQ(file_name.out, "");
  EXPECT_EQ(file_name.err, "Error: argument 4 is not valid UTF-8\n");
  EXPECT_EQ(file_name.status, 1);

  const Outcome program_name = run_quillfen({"quill\xff", "-h"});
  EXPECT_EQ(program_name.out, "");
  EXPECT_EQ(program_name.err, "Error: argument 0 is not valid UTF-8\n");
  EXPECT_EQ(program_name.status, 1);
}

TEST(Entry, ProgramNameAppearsInUsage) {
  const Outcome outcome = run_quillfen({"/opt/bin/qf \xc3\xa9", "-h"});
  EXPECT_EQ(outcome.out, help("/opt/bin/qf \xc3\xa9"));
  EXPECT_EQ(outcome.status, 0);
}

TEST(Entry, EmptyArgumentList) {
  // Linux since 5.18 hands such a program one empty argument instead; the
  // usage line then names no program. Either way: help, no crash.
  const Outcome outcome = run_quillfen({});
  EXPECT_TRUE(outcome.out == help("quillfen") || outcome.out == help("")) << outcome.out;
  EXPECT_EQ(outcome.err, "");
  EXPECT_EQ(outcome.status, 0);
}

TEST(Entry, UnreadableFile) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
  const std::string path = files().dir() + "/unreadable.log";
  std::ofstream(path) << "0101\n";
  chmod(path.c_str(), 0);
  const Outcome outcome = run_quillfen({"quillfen", "-s", "dcf77", "-f", path});
  EXPECT_EQ(outcome.err, "Could not read file '" + path + "' : Permission denied (os error 13)\n");
  EXPECT_EQ(outcome.status, 1);
}

#if !defined(__SANITIZE_ADDRESS__)
TEST(Entry, FileTooLargeForMemory) {
  // A sparse file of 1 PiB, more than a process can address.
  char name[] = "/dev/shm/quillfen_huge_XXXXXX";
  const int fd = mkstemp(name);
  if (fd < 0) GTEST_SKIP() << "no /dev/shm";
  const bool sized = ftruncate(fd, off_t{1} << 50) == 0;
  close(fd);
  if (!sized) {
    unlink(name);
    GTEST_SKIP() << "cannot make a sparse file of 1 PiB";
  }
  const Outcome outcome = run_quillfen({"quillfen", "-s", "dcf77", "-f", name});
  unlink(name);
  EXPECT_EQ(outcome.err, std::string("Could not read file '") + name +
                             "' : Cannot allocate memory (os error 12)\n");
  EXPECT_EQ(outcome.status, 1);
}
#endif

TEST(Entry, StandardOutputFull) {
  for (const std::vector<std::string>& argv :
       {std::vector<std::string>{"quillfen", "-h"}, std::vector<std::string>{"quillfen"}}) {
    const Outcome outcome = run_quillfen(argv, StdoutTo::kDevFull);
    EXPECT_EQ(outcome.err,
              "Could not write to standard output: No space left on device (os error 28)\n");
    EXPECT_EQ(outcome.status, 1);
  }
}

TEST(Entry, StandardOutputClosedEndsQuietly) {
  const Outcome outcome = run_quillfen({"quillfen", "-h"}, StdoutTo::kClosedPipe);
  EXPECT_EQ(outcome.err, "");
  EXPECT_EQ(outcome.status, 0);
}

}  // namespace
