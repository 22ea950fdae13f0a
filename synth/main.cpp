// quillfen-synth: writes a DCF77 or MSF receiver log, per-bit or edges, of
// any stretch of UTC, with the faults real receivers show.
//
// The process around the library: the arguments become settings
// (synth_settings.hpp), the log goes to standard output as it is made
// (synthesize.hpp), messages go to standard error. Exit status 0 when the
// log was written whole, or when the reader closed the pipe early
// ("quillfen-synth ... | head"); 1 for a rejected command line (nothing is
// written to standard output then) or a failed write.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <exception>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "src/lib/posix_io.hpp"
#include "synth/synth_settings.hpp"
#include "synth/synthesize.hpp"

namespace quillfen {
namespace {

void print_error(std::string_view text) { static_cast<void>(write_all(STDERR_FILENO, text)); }

int run(std::span<const char* const> argv) {
  const auto parsed = parse_synth_command_line(argv);
  if (const auto* exit = std::get_if<SynthExit>(&parsed)) {
    print_error(exit->err);
    if (!exit->out.empty() && write_all(STDOUT_FILENO, exit->out).value_or(EPIPE) != EPIPE) {
      return 1;
    }
    return exit->status;
  }
  std::optional<int> error;
  synthesize(std::get<SynthSettings>(parsed), [&](std::string_view piece) {
    error = write_all(STDOUT_FILENO, piece);
    return !error.has_value();
  });
  if (!error.has_value() || *error == EPIPE) {
    return 0;
  }
  print_error("Could not write to standard output: " + os_error_text(*error) + "\n");
  return 1;
}

}  // namespace
}  // namespace quillfen

int main(int argc, char** argv) {
  // A closed pipe shows up as EPIPE from write instead of killing the process.
  signal(SIGPIPE, SIG_IGN);
  try {
    return quillfen::run(std::span<const char* const>(argv, static_cast<std::size_t>(argc)));
  } catch (const std::bad_alloc&) {
    quillfen::print_error("quillfen-synth: out of memory\n");
  } catch (const std::exception& e) {
    quillfen::print_error(std::string("quillfen-synth: internal error: ") + e.what() + "\n");
  }
  return 1;
}
