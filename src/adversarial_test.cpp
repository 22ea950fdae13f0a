// Adversarial runs of the built quillfen binary: logs that are empty, binary,
// huge, cut off or malformed; time stamps at and across the ends of the
// receiver counter; spike limits at their bounds; files that cannot be read;
// output that cannot be written. Each run compares standard output, standard
// error and the exit status exactly. Large logs are written at run time into a
// temporary directory.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "src/testing/program_run.hpp"

extern char** environ;

namespace {

using quillfen::e2e::ProgramRun;
using quillfen::e2e::StdoutTo;

struct Outcome {
  std::string out;
  std::string err;
  int status;  // the exit status, or 128 + the signal that ended the process

  bool operator==(const Outcome&) const = default;
};

// Without this, a failed comparison would print megabytes.
void PrintTo(const Outcome& outcome, std::ostream* os) {
  const auto shorten = [](const std::string& text) {
    return text.size() <= 400 ? text
                              : text.substr(0, 300) + "... (" + std::to_string(text.size()) +
                                    " bytes) ..." + text.substr(text.size() - 80);
  };
  *os << "{out: \"" << shorten(outcome.out) << "\", err: \"" << shorten(outcome.err)
      << "\", status: " << outcome.status << "}";
}

// Runs "quillfen <arguments>", standard input from /dev/null.
Outcome run_program(const std::vector<std::string>& arguments,
                    StdoutTo stdout_to = StdoutTo::kCapture) {
  std::vector<std::string> argv = {"quillfen"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  ProgramRun run = quillfen::e2e::run_quillfen(argv, stdout_to);
  return {std::move(run.out), std::move(run.err), run.status};
}

// Runs "quillfen <arguments> | head -1": a reader takes the first line of
// standard output and closes the pipe while the program may still be
// writing. The outcome holds that first line and the program's standard
// error (which goes to a file, so nothing is lost) and exit status.
Outcome run_program_into_head(const std::vector<std::string>& arguments) {
  std::vector<std::string> argv = {"quillfen"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::vector<char*> pointers;
  pointers.reserve(argv.size() + 1);
  for (std::string& argument : argv) pointers.push_back(argument.data());
  pointers.push_back(nullptr);

  FILE* const err = std::tmpfile();
  int pipe_ends[2] = {-1, -1};
  EXPECT_EQ(pipe2(pipe_ends, O_CLOEXEC), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], 1);
  posix_spawn_file_actions_adddup2(&actions, fileno(err), 2);
  pid_t pid;
  const int spawned =
      posix_spawn(&pid, QUILLFEN_BINARY, &actions, nullptr, pointers.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipe_ends[1]);

  Outcome outcome{"", "", -1};
  char buffer[4096];
  ssize_t count;
  while (outcome.out.find('\n') == std::string::npos &&
         (count = read(pipe_ends[0], buffer, sizeof buffer)) > 0) {
    outcome.out.append(buffer, static_cast<std::size_t>(count));
  }
  close(pipe_ends[0]);
  outcome.out = outcome.out.substr(0, outcome.out.find('\n') + 1);
  if (spawned == 0) {
    int wait_status = 0;
    waitpid(pid, &wait_status, 0);
    outcome.status =
        WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : 128 + WTERMSIG(wait_status);
    std::rewind(err);
    while ((count = static_cast<ssize_t>(std::fread(buffer, 1, sizeof buffer, err))) > 0) {
      outcome.err.append(buffer, static_cast<std::size_t>(count));
    }
  } else {
    ADD_FAILURE() << "cannot start " << QUILLFEN_BINARY;
  }
  std::fclose(err);
  return outcome;
}

// A temporary directory for the logs of one test, removed afterwards.
class LogDirectory {
 public:
  LogDirectory() {
    char name[] = "/tmp/quillfen_adversarial_XXXXXX";
    path_ = mkdtemp(name);
  }
  ~LogDirectory() { std::filesystem::remove_all(path_); }

  // Writes `contents` to a new file and returns its path.
  std::string write(std::string_view contents) {
    std::string path = path_ + "/log" + std::to_string(++files_);
    std::ofstream(path, std::ios::binary)
        .write(contents.data(), static_cast<std::streamsize>(contents.size()));
    return path;
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  int files_ = 0;
};

std::string repeat(std::string_view text, std::size_t count) {
  std::string result;
  result.reserve(text.size() * count);
  for (std::size_t i = 0; i < count; ++i) result.append(text);
  return result;
}

// The four ways to analyze a log, as command-line options.
const std::vector<std::string> kDcf77Bits = {"-s", "dcf77"};
const std::vector<std::string> kMsfBits = {"-s", "msf"};
const std::vector<std::string> kDcf77Edges = {"-s", "dcf77", "-e"};
const std::vector<std::string> kMsfEdges = {"-s", "msf", "-e"};

std::vector<std::string> with_log(std::vector<std::string> options, const std::string& path) {
  options.push_back("-f");
  options.push_back(path);
  return options;
}

std::string bad_start(int line) {
  return "parse_raw_line: invalid start of line " + std::to_string(line) + ", missing D/M/#\n\n";
}

std::string bad_field(int line, std::string_view what) {
  return "parse_raw_line: invalid file format at line " + std::to_string(line) + ", " +
         std::string(what) + "\n\n";
}

constexpr std::size_t kTenMegabytes = std::size_t{10} * 1024 * 1024;
const std::string kInvalidDigit = "invalid digit found in string";
const std::string kTooLarge = "number too large to fit in target type";
const std::string kWrap = "increase_second() == false\n";
const std::string kDiskFull =
    "Could not write to standard output: No space left on device (os error 28)\n";

struct LogCase {
  std::string name;
  std::vector<std::string> options;
  std::string log;
  Outcome expected;
};

void expect_runs(const std::vector<LogCase>& cases) {
  LogDirectory directory;
  for (const LogCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = directory.write(c.log);
    EXPECT_EQ(run_program(with_log(c.options, path)), c.expected);
  }
}

TEST(AdversarialLog, NothingToAnalyze) {
  const std::string nul_bytes(4096, '\0');
  const std::string stars(4096, '*');
  expect_runs({
      // Nothing at all: no minute, no line.
      {"EmptyDcf77Bits", kDcf77Bits, "", {"", "", 0}},
      {"EmptyMsfBits", kMsfBits, "", {"", "", 0}},
      {"EmptyDcf77Edges", kDcf77Edges, "", {"", "", 0}},
      {"EmptyMsfEdges", kMsfEdges, "", {"", "", 0}},
      // NUL is valid UTF-8 but means nothing in a per-bit log, and is no
      // line kind in an edge log.
      {"NulBytesDcf77Bits", kDcf77Bits, nul_bytes, {"", "", 0}},
      {"NulBytesMsfBits", kMsfBits, nul_bytes, {"", "", 0}},
      {"NulBytesDcf77Edges", kDcf77Edges, nul_bytes, {"", bad_start(1), 1}},
      {"NulBytesMsfEdges", kMsfEdges, nul_bytes, {"", bad_start(1), 1}},
      // Resets only: the decoder starts over again and again, nothing ends a
      // minute.
      {"StarsDcf77Bits", kDcf77Bits, stars, {"", "", 0}},
      {"StarsMsfBits", kMsfBits, stars, {"", "", 0}},
      {"StarsDcf77Edges", kDcf77Edges, stars, {"", bad_start(1), 1}},
      {"StarsMsfEdges", kMsfEdges, stars, {"", bad_start(1), 1}},
  });
}

TEST(AdversarialLog, TenMegabyteLineWithoutLineFeed) {
  const std::string digits = "M true 1 ";
  const std::string ideographic_space = "\u3000";
  const std::string comment = "# " + std::string(kTenMegabytes - 2, 'x');
  expect_runs({
      // No line feed ends a minute, so the second counter wraps after every
      // 60 bits (10485760 = 174762 x 60 + 40) and the unfinished rest is
      // dropped.
      {"Dcf77BitsOfZeros",
       kDcf77Bits,
       std::string(kTenMegabytes, '0'),
       {repeat(kWrap, 174762), "", 0}},
      // Characters other than the bit digits are ignored, whole.
      {"MsfBitsOfAccentedLetters", kMsfBits, repeat("\u00e9", kTenMegabytes / 2), {"", "", 0}},
      // A comment is echoed in full.
      {"Dcf77EdgesComment", kDcf77Edges, comment, {comment + "\n", "", 0}},
      // The tick overflows at its eleventh digit; the line is bad.
      {"MsfEdgesHugeTick",
       kMsfEdges,
       digits + std::string(kTenMegabytes - digits.size(), '9'),
       {"", bad_field(1, "'tick' is not a u32: " + kTooLarge), 1}},
      // White space only: no first field.
      {"MsfEdgesWhiteSpace",
       kMsfEdges,
       repeat(ideographic_space, kTenMegabytes / ideographic_space.size()),
       {"", bad_start(1), 1}},
  });
}

TEST(AdversarialLog, MillionCommentLines) {
  const std::string comments = repeat("#\n", 1000000);
  expect_runs({
      {"Dcf77Edges", kDcf77Edges, comments, {comments, "", 0}},
      {"MsfEdges", kMsfEdges, comments, {comments, "", 0}},
      // The count of lines runs on through all of them.
      {"BadLineAfterThem",
       kDcf77Edges,
       comments + "X\n# never read\n",
       {comments, bad_start(1000001), 1}},
  });
}

TEST(AdversarialLog, CarriageReturnsAreNoLineEnds) {
  // The minute of 14:37 on 5 March 2024, its bits in one line.
  const std::string minute = "00000000000000000010111101101001010010100001011000001001001";
  const std::string comments = "# a\r# b\rD true 1000000 1\r";
  expect_runs({
      // 3 x 59 = 177 bits without a minute marker: two wraps.
      {"Dcf77Bits",
       kDcf77Bits,
       minute + "\r" + minute + "\r" + minute + "\r",
       {repeat(kWrap, 2), "", 0}},
      // One line that is a comment; its last carriage return stays in it.
      {"Dcf77EdgesComment", kDcf77Edges, comments, {comments + "\n", "", 0}},
      // One line of one edge (the fields after the fourth are ignored): the
      // first edge only starts the clock.
      {"MsfEdges",
       kMsfEdges,
       "M true 1000000 1\rM false 1100000 2\rM true 2000000 3\r",
       {"", "", 0}},
  });
}

TEST(AdversarialLog, InvalidUtf8InTheMiddle) {
  const std::string before = "# receiver started\nD true 1000000 1\nM true 1000000 1\n";
  const std::string after = "\nD false 1100000 2\nM false 1100000 2\n";
  struct Bytes {
    std::string name;
    std::string bytes;
  };
  const std::vector<Bytes> invalid = {
      {"StrayContinuationByte", "\x80"}, {"ByteFF", "\xff"},
      {"CutTwoByteSequence", "\xc3"},    {"CutThreeByteSequence", "\xe2\x82"},
      {"OverlongNul", "\xc0\x80"},       {"OverlongSlash", "\xe0\x80\xaf"},
      {"Surrogate", "\xed\xa0\x80"},     {"BeyondUnicode", "\xf4\x90\x80\x80"},
  };
  LogDirectory directory;
  for (const Bytes& b : invalid) {
    std::string log = before;
    log.append("# ").append(b.bytes).append(after);
    const std::string path = directory.write(log);
    const Outcome expected{
        "", "Could not read file '" + path + "' : stream did not contain valid UTF-8\n", 1};
    for (const auto& options : {kDcf77Bits, kMsfBits, kDcf77Edges, kMsfEdges}) {
      SCOPED_TRACE(b.name + " " + options[1] + (options.size() > 2 ? " -e" : ""));
      EXPECT_EQ(run_program(with_log(options, path)), expected);
    }
  }
}

// Edges of both stations in one log, each line of one station followed by
// the same line of the other: time stamps near the end of the counter, a wrap
// between two edges, a time stamp 0 (after which the next edge counts no
// elapsed time) and the largest time stamp.
TEST(AdversarialLog, TimeStampsAtTheEndsOfTheCounter) {
  const std::vector<std::string> edges = {
      "true 4294067296 1",   // the first edge only starts the clock
      "false 4294167296 2",  // a 100 ms pulse
      "true 100000 3",       // 900 ms later, across the wrap: a new second
      "false 200000 4",
      "true 0 5",            // 4294767296 us later: the signal was lost
      "false 100000 6",      // a 100 ms pulse again
      "true 1000000 7",      // a new second
      "false 4294967295 8",  // a pulse far too long
      "true 899999 9",       // 900 ms later, across the wrap
  };
  std::string log;
  for (const std::string& edge : edges) {
    log.append("D ").append(edge).append("\nM ").append(edge).append("\n");
  }
  expect_runs({
      {"Dcf77",
       kDcf77Edges,
       log,
       {"<true/4294067296/1><false/4294167296/2><true/100000/3> 0[Some(false)][1000000]\n"
        "<false/200000/4><true/0/5><false/100000/6><true/1000000/7> 1[Some(false)][800000]\n"
        "<false/4294967295/8><true/899999/9> 2[None][4294867295]\n",
        "", 0}},
      {"Msf",
       kMsfEdges,
       log,
       {"<true/4294067296/1><false/4294167296/2><true/100000/3> 0[None][None][1000000]\n"
        "<false/200000/4><true/0/5><false/100000/6><true/1000000/7> "
        "1[Some(false)][Some(false)][800000]\n"
        "<false/4294967295/8><true/899999/9> 2[None][None][4294867295]\n",
        "", 0}},
  });
}

TEST(AdversarialLog, NumbersWithPlusSignsAndLeadingZeros) {
  const std::string header = "# numbers\n";
  const auto bad_when = [&](const std::string& when, const std::string& reason) {
    return LogCase{"When" + when,
                   kDcf77Edges,
                   header + "D true " + when + " 1\n",
                   {header, bad_field(2, "'when' is not a u32: " + reason), 1}};
  };
  expect_runs({
      {"Accepted",
       kDcf77Edges,
       "D true +0001000000 +0\nD\tfalse  0001100000 00042\nD true +2000000 +4294967295\n",
       {"<true/1000000/0><false/1100000/42><true/2000000/4294967295> 0[Some(false)][1000000]\n", "",
        0}},
      {"LargestWithZeros",
       kMsfEdges,
       "M true +00000000000000004294967295 0004294967295\n",
       {"", "", 0}},
      bad_when("+", kInvalidDigit),
      bad_when("++1", kInvalidDigit),
      bad_when("-0", kInvalidDigit),
      bad_when("+-1", kInvalidDigit),
      bad_when("1+", kInvalidDigit),
      bad_when("04294967296", kTooLarge),
      bad_when("+00004294967296", kTooLarge),
      // Whichever problem the digits meet first from the left.
      bad_when("42949672950x", kTooLarge),
      bad_when("1x99999999999", kInvalidDigit),
      {"TickLonePlus",
       kMsfEdges,
       header + "M true 1 +\n",
       {header, bad_field(2, "'tick' is not a u32: " + kInvalidDigit), 1}},
  });
}

// An MSF log of three seconds: second 1 is an A = 0, B = 1 second (two 100 ms
// pulses 100 ms apart), second 2 a 100 ms pulse with a 10 ms glitch in the
// pause after it. The default limit of 30000 takes the glitch for spikes
// (A = 0, B = 0); a limit of 0 keeps every edge, and the glitch reads as a
// second short pulse (A = 0, B = 1); a limit of 149999 takes every edge of a
// 100 ms pulse or pause for a spike, so no pulse is classified at all.
TEST(AdversarialLog, SpikeLimits) {
  const std::string log =
      "M false 1000000 1\nM true 2000000 2\n"
      "M false 2100000 3\nM true 2200000 4\nM false 2300000 5\nM true 3000000 6\n"
      "M false 3100000 7\nM true 3110000 8\nM false 3120000 9\nM true 4000000 10\n";
  const std::string first = "<false/1000000/1><true/2000000/2> 0[None][None][1000000]\n";
  const std::string second = "<false/2100000/3><true/2200000/4><false/2300000/5><true/3000000/6> 1";
  const std::string third = "<false/3100000/7><true/3110000/8><false/3120000/9><true/4000000/10> 2";
  const std::string b_set = "[Some(false)][Some(true)][1000000]\n";
  const std::string b_clear = "[Some(false)][Some(false)][1000000]\n";
  const std::string none = "[None][None][1000000]\n";
  const std::string default_limit = first + second + b_set + third + b_clear;
  const auto with_limit = [](const std::string& limit) {
    return std::vector<std::string>{"-s", "msf", "-e", "-E", limit};
  };
  expect_runs({
      {"Default", kMsfEdges, log, {default_limit, "", 0}},
      {"Zero", with_limit("0"), log, {first + second + b_set + third + b_set, "", 0}},
      {"Largest", with_limit("149999"), log, {first + second + none + third + none, "", 0}},
      // From the shortest pulse on, a limit is ignored and the default stays.
      {"ShortestPulse", with_limit("150000"), log, {default_limit, "", 0}},
      {"LargestNumber", with_limit("4294967295"), log, {default_limit, "", 0}},
      {"TooLarge",
       with_limit("4294967296"),
       log,
       {"", "spike limit '4294967296' is not an u32: " + kTooLarge + "\n", 1}},
  });
}

TEST(AdversarialFile, CannotBeRead) {
  LogDirectory directory;
  const std::string missing = directory.path() + "/missing.log";
  EXPECT_EQ(
      run_program(with_log(kDcf77Edges, directory.path())),
      (Outcome{"",
               "Could not read file '" + directory.path() + "' : Is a directory (os error 21)\n",
               1}));
  EXPECT_EQ(
      run_program(with_log(kMsfBits, missing)),
      (Outcome{"",
               "Could not read file '" + missing + "' : No such file or directory (os error 2)\n",
               1}));
}

// The log is mapped, not copied: a log cut short while the program reads it
// must give a message and a failure, not a death by signal. The program is
// held in the middle of the log by a pipe that nobody reads until the file
// has been truncated.
TEST(AdversarialFile, ShrinksWhileBeingRead) {
  LogDirectory directory;
  // 64 MB of bits without a minute marker: a wrap line per 60 bits, so the
  // report fills its buffer and the pipe long before the end of the log.
  const std::string path = directory.write(std::string(std::size_t{64} << 20, '0'));
  std::vector<std::string> argv = {"quillfen", "-s", "dcf77", "-f", path};
  std::vector<char*> pointers;
  for (std::string& argument : argv) pointers.push_back(argument.data());
  pointers.push_back(nullptr);

  FILE* const err = std::tmpfile();
  int pipe_ends[2] = {-1, -1};
  ASSERT_EQ(pipe2(pipe_ends, O_CLOEXEC), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], 1);
  posix_spawn_file_actions_adddup2(&actions, fileno(err), 2);
  pid_t pid;
  ASSERT_EQ(posix_spawn(&pid, QUILLFEN_BINARY, &actions, nullptr, pointers.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  close(pipe_ends[1]);

  // The first bytes of the report: the program has read the file's start.
  char buffer[4096];
  ASSERT_GT(read(pipe_ends[0], buffer, sizeof buffer), 0);
  ASSERT_EQ(truncate(path.c_str(), 0), 0);
  while (read(pipe_ends[0], buffer, sizeof buffer) > 0) {
  }
  close(pipe_ends[0]);
  int wait_status = 0;
  waitpid(pid, &wait_status, 0);
  ASSERT_TRUE(WIFEXITED(wait_status)) << "ended by signal " << WTERMSIG(wait_status);
  EXPECT_EQ(WEXITSTATUS(wait_status), 1);
  std::string message;
  std::rewind(err);
  std::size_t count;
  while ((count = std::fread(buffer, 1, sizeof buffer, err)) > 0) message.append(buffer, count);
  std::fclose(err);
  EXPECT_EQ(message, "quillfen: the log file shrank while it was being read\n");
}

TEST(AdversarialOutput, ReaderTakesOneLineAndCloses) {
  // Two megabytes of report: far more than a pipe holds, so the program is
  // still writing when the reader goes away.
  LogDirectory directory;
  const std::string path = directory.write(repeat("# a comment line\n", 120000));
  EXPECT_EQ(run_program_into_head(with_log(kDcf77Edges, path)),
            (Outcome{"# a comment line\n", "", 0}));
}

TEST(AdversarialOutput, FullDisk) {
  LogDirectory directory;
  // Nothing to write cannot fail.
  EXPECT_EQ(run_program(with_log(kMsfBits, directory.write("")), StdoutTo::kDevFull),
            (Outcome{"", "", 0}));
  EXPECT_EQ(run_program(with_log(kDcf77Edges, directory.write("# one\n")), StdoutTo::kDevFull),
            (Outcome{"", kDiskFull, 1}));
  // The message about the bad line is told before the one about the output.
  EXPECT_EQ(run_program(with_log(kDcf77Edges, directory.write("# one\nX\n")), StdoutTo::kDevFull),
            (Outcome{"", bad_start(2) + kDiskFull, 1}));
}

}  // namespace
