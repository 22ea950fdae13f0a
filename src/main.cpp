// quillfen: analyzes a log recorded from a DCF77 or MSF time-signal receiver
// and reports, minute by minute, what the receiver got.
//
// The process around the libraries: the arguments become settings
// (src/cli), the log file (standard input for "-") is read whole and checked as UTF-8 before anything
// is printed, the analysis (src/analyzers) writes its report to standard
// output as it goes, messages go to standard error, and the exit status says
// whether everything was analyzed and written (statuses in
// src/cli/command_line.hpp).
//
// With -S the summary, and with -p the picture, are written once the log has
// been walked; a picture that cannot be written is told last.
//
// The report reaches standard output while the analysis runs, in pieces of
// about a megabyte, so memory does not grow with the report and a reader that
// closes the pipe early ends the run at once. The message about a malformed
// edge-log line therefore comes after the report text gathered before that
// line.

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <exception>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

#include "src/analyzers/analyze.hpp"
#include "src/cli/command_line.hpp"
#include "src/lib/gzip_hint.hpp"
#include "src/lib/posix_io.hpp"
#include "src/overview/outputs.hpp"
#include "src/report/output_buffer.hpp"

namespace quillfen {
namespace {

// Standard error is where failures are told; when it cannot be written
// either, there is nowhere left to tell it, and the exit status still says it.
void print_error(std::string_view text) { static_cast<void>(write_all(STDERR_FILENO, text)); }

// Standard output, remembering why it failed.
class StandardOutput final : public OutputSink {
 public:
  bool write(std::string_view bytes) override {
    error_ = write_all(STDOUT_FILENO, bytes);
    return !error_.has_value();
  }

  // Returns `status` after a successful output, or after the reader closed
  // the pipe (it has all it wanted, like "head" does); otherwise tells why
  // the output failed and returns kFailure.
  int finish(int status) const {
    if (!error_.has_value() || *error_ == EPIPE) {
      return status;
    }
    print_error("Could not write to standard output: " + os_error_text(*error_) + "\n");
    return kFailure;
  }

 private:
  std::optional<int> error_;
};

// The picture file (-p), created or emptied when the run starts, remembering
// the first error of opening, writing or closing it.
class PictureFile final : public OutputSink {
 public:
  explicit PictureFile(std::string path) : path_(std::move(path)) {
    fd_ = open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) {
      error_ = errno;
    }
  }
  PictureFile(const PictureFile&) = delete;
  PictureFile& operator=(const PictureFile&) = delete;
  ~PictureFile() override {
    if (fd_ >= 0) {
      close(fd_);
    }
  }

  bool write(std::string_view bytes) override {
    if (!error_.has_value()) {
      error_ = write_all(fd_, bytes);
    }
    return !error_.has_value();
  }

  // Closes the file. Returns `status`, or tells why the picture could not be
  // written and returns kFailure.
  int finish(int status) {
    if (fd_ >= 0 && close(fd_) != 0 && !error_.has_value()) {
      error_ = errno;
    }
    fd_ = -1;
    if (!error_.has_value()) {
      return status;
    }
    print_error("Could not write picture '" + path_ + "' : " + os_error_text(*error_) + "\n");
    return kFailure;
  }

 private:
  std::string path_;
  int fd_ = -1;
  std::optional<int> error_;
};

int run(std::span<const char* const> argv) {
  auto parsed = parse_command_line(argv);
  if (const auto* exit = std::get_if<CommandLineExit>(&parsed)) {
    print_error(exit->err);
    StandardOutput output;
    if (!exit->out.empty()) {
      output.write(exit->out);
    }
    return output.finish(exit->status);
  }
  const Settings& settings = std::get<Settings>(parsed);

  // The file name "-" is standard input.
  auto read = settings.logfile == "-" ? read_standard_input() : read_text_file(settings.logfile);
  if (const auto* failure = std::get_if<ReadFailure>(&read)) {
    print_error("Could not read file '" + settings.logfile + "' : " + failure->reason + "\n");
    if (failure->gzip_compressed) {
      print_error(gzip_hint(settings.logfile));
    }
    return kFailure;
  }
  const std::string_view log_text = std::get<FileContents>(read).text();

  StandardOutput output;
  std::optional<PictureFile> picture_file;
  std::optional<OutputBuffer> picture;
  if (settings.picture.has_value()) {
    picture.emplace(picture_file.emplace(*settings.picture));
  }
  int status = kSuccess;
  {
    OutputBuffer out(output);
    const std::optional<std::string> bad_line =
        write_outputs(settings, log_text, out, picture.has_value() ? &*picture : nullptr);
    out.flush();
    if (bad_line.has_value()) {
      // The analysis stopped at a malformed edge-log line; its message and an
      // empty line follow the report gathered up to there.
      print_error(*bad_line + "\n");
      status = kFailure;
    }
  }
  status = output.finish(status);
  if (picture.has_value()) {
    // After everything else: its message, if any, is the last one.
    picture->flush();
    status = picture_file->finish(status);
  }
  return status;
}

}  // namespace
}  // namespace quillfen

namespace {

// A log file is mapped, not copied; if it is cut short while the analysis
// reads it, the pages past its new end are gone and reading them raises
// SIGBUS. Say so and fail instead of dying of the signal.
extern "C" void log_file_shrank(int) {
  static constexpr char kMessage[] = "quillfen: the log file shrank while it was being read\n";
  static_cast<void>(write(STDERR_FILENO, kMessage, sizeof kMessage - 1));
  _exit(quillfen::kFailure);
}

}  // namespace

int main(int argc, char** argv) {
  // A closed pipe on standard output shows up as the error EPIPE from write,
  // which the entry handles, instead of as a signal that kills the process.
  signal(SIGPIPE, SIG_IGN);
  signal(SIGBUS, log_file_shrank);
  try {
    return quillfen::run(std::span<const char* const>(argv, static_cast<std::size_t>(argc)));
  } catch (const std::bad_alloc&) {
    quillfen::print_error("quillfen: out of memory\n");
    return quillfen::kFailure;
  } catch (const std::exception& e) {
    // Not expected: the analyzers and the entry report failures as values.
    quillfen::print_error("quillfen: internal error: ");
    quillfen::print_error(e.what());
    quillfen::print_error("\n");
    return quillfen::kFailure;
  } catch (...) {
    quillfen::print_error("quillfen: internal error\n");
    return quillfen::kFailure;
  }
}
