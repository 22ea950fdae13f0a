// Test support: runs the built programs (quillfen, quillfen-synth) and
// compares what they did with a recorded expectation. Used by the end-to-end tests only; never linked into
// the program.
#ifndef QUILLFEN_SRC_TESTING_PROGRAM_RUN_HPP_
#define QUILLFEN_SRC_TESTING_PROGRAM_RUN_HPP_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillfen::e2e {

// What one run of the program did.
struct ProgramRun {
  std::string out;  // everything written to standard output
  std::string err;  // everything written to standard error
  int status = -1;  // the exit status, or 128 + the signal that ended it
};

// Where the program's standard output goes.
enum class StdoutTo {
  kCapture,     // into ProgramRun::out
  kDevFull,     // /dev/full: every write fails with "No space left on device"
  kClosedPipe,  // a pipe whose read end is closed before the program starts
};

// Runs the built program with exactly `argv` (argv[0] included; the list may
// be empty), standard input from /dev/null, and waits for it. A program that
// cannot be started fails the current test and gives status -1.
ProgramRun run_quillfen(const std::vector<std::string>& argv,
                        StdoutTo stdout_to = StdoutTo::kCapture);

// Runs the program at `binary` (for example quillfen-synth) the same way, with
// `stdin_text` as its whole standard input instead of /dev/null when given.
ProgramRun run_program(const std::string& binary, const std::vector<std::string>& argv,
                       const std::optional<std::string>& stdin_text = std::nullopt,
                       StdoutTo stdout_to = StdoutTo::kCapture);

// Runs quillfen as run_quillfen does, but with standard input from a pipe
// through which `input` is written while the program runs, then closed.
ProgramRun run_quillfen_with_input(const std::vector<std::string>& argv, std::string_view input);

// The whole contents of the file at `path`; fails the current test when it
// cannot be read.
std::string read_file(const std::string& path);

// Reads a recorded run (an ".expected" file): lines beginning with "# " that
// say how it was made, then "status <n>", then a line "--- stdout" followed by
// the exact standard output, then a line "--- stderr" followed by the exact
// standard error. Fails the current test when the file has another form.
ProgramRun read_expected_run(const std::string& path);

}  // namespace quillfen::e2e

#endif  // QUILLFEN_SRC_TESTING_PROGRAM_RUN_HPP_
