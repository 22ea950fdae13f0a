// The program as a whole on arbitrary bytes as its log file, through the
// same library calls as src/main.cpp: the options become an argument list for
// parse_command_line, the log file is read by read_text_file (from an
// in-memory file, through its /proc/self/fd path), which checks the UTF-8,
// and a readable log is analyzed with the settings the command line gave.
//
// The first input byte chooses the options, the rest is the file:
//   bit 0     station: 0 dcf77, 1 msf
//   bit 1     edge log (-e)
//   bit 2     toggle_mode (-M)
//   bit 3     show_utc (-u)
//   bits 4-6  spike limit (-E): none, 0, 1, 29999, 30000, 149999, 150000,
//             4294967295
//
// Invariants: the command line gives exactly the settings the options say;
// the file is read back unchanged exactly when it is valid UTF-8 (judged by a
// model), and otherwise fails with the UTF-8 reason; the UTF-8 decoder
// agrees; the report is empty or ends with a line feed; a message on
// standard error is the first bad line's message and an empty line, and only
// edge logs produce one.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "fuzz/fuzz_check.hpp"
#include "fuzz/models.hpp"
#include "src/analyzers/analyze.hpp"
#include "src/cli/command_line.hpp"
#include "src/lib/posix_io.hpp"
#include "src/lib/utf8.hpp"

namespace quillfen::fuzz {
namespace {

// One in-memory file for the whole run, rewritten for every input.
class LogFile {
 public:
  LogFile() : fd_(memfd_create("quillfen_fuzz_log", MFD_CLOEXEC)) {
    FUZZ_CHECK(fd_ >= 0);
    path_ = "/proc/self/fd/" + std::to_string(fd_);
  }

  const std::string& write(std::string_view contents) {
    FUZZ_CHECK(ftruncate(fd_, 0) == 0);
    std::size_t done = 0;
    while (done < contents.size()) {
      const ssize_t written =
          pwrite(fd_, contents.data() + done, contents.size() - done, static_cast<off_t>(done));
      FUZZ_CHECK(written > 0);
      done += static_cast<std::size_t>(written);
    }
    return path_;
  }

 private:
  int fd_;
  std::string path_;
};

}  // namespace
}  // namespace quillfen::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quillfen;
  using namespace quillfen::fuzz;
  static LogFile file;
  if (size == 0) {
    return -1;
  }
  static constexpr std::uint32_t kLimits[] = {0, 1, 29999, 30000, 149999, 150000, 4294967295u};
  const std::uint8_t options = data[0];
  const bool msf = (options & 0x01) != 0;
  const bool edge_file = (options & 0x02) != 0;
  const bool toggle_mode = (options & 0x04) != 0;
  const bool show_utc = (options & 0x08) != 0;
  std::optional<std::uint32_t> spike_limit;
  if (const int choice = (options >> 4) & 0x7; choice > 0) {
    spike_limit = kLimits[choice - 1];
  }
  const std::string_view contents(reinterpret_cast<const char*>(data + 1), size - 1);

  const bool valid = model_is_utf8(contents);
  FUZZ_CHECK(is_valid_utf8(contents) == valid);
  const std::optional<std::u32string> decoded = decode_utf8(contents);
  FUZZ_CHECK(decoded.has_value() == valid);
  if (decoded) {
    std::u32string expected;
    for (const CodePoint& c : model_code_points(contents)) expected.push_back(c.value);
    FUZZ_CHECK(*decoded == expected);
    FUZZ_CHECK(encode_utf8(*decoded) == contents);
  }

  const std::string& path = file.write(contents);
  std::vector<std::string> words = {"quillfen", "-s", msf ? "msf" : "dcf77", "-f", path};
  if (edge_file) words.push_back("-e");
  if (toggle_mode) words.push_back("-M");
  if (show_utc) words.push_back("-u");
  if (spike_limit) {
    words.push_back("-E");
    words.push_back(std::to_string(*spike_limit));
  }
  std::vector<const char*> argv;
  for (const std::string& word : words) argv.push_back(word.c_str());
  const auto parsed = parse_command_line(argv);
  FUZZ_CHECK(std::holds_alternative<Settings>(parsed));
  const Settings& settings = std::get<Settings>(parsed);
  FUZZ_CHECK(settings.station == (msf ? Station::Msf : Station::Dcf77));
  FUZZ_CHECK(settings.log == (edge_file ? LogKind::Edges : LogKind::Bits));
  FUZZ_CHECK(settings.strict == (edge_file != toggle_mode));
  FUZZ_CHECK(settings.show_utc == show_utc && settings.spike_limit == spike_limit);
  FUZZ_CHECK(settings.logfile == path);

  auto read = read_text_file(settings.logfile);
  if (!valid) {
    const auto* failure = std::get_if<ReadFailure>(&read);
    FUZZ_CHECK(failure != nullptr);
    FUZZ_CHECK_DETAIL(failure->reason == "stream did not contain valid UTF-8", failure->reason);
    return 0;
  }
  FUZZ_CHECK(std::holds_alternative<FileContents>(read));
  const std::string_view log_text = std::get<FileContents>(read).text();
  FUZZ_CHECK(log_text == contents);

  const Report report = report_of(settings, log_text);
  const std::string& standard_output = report.text;
  FUZZ_CHECK_DETAIL(standard_output.empty() || standard_output.back() == '\n', standard_output);

  const std::optional<FirstBadLine> bad = edge_file ? model_first_bad_line(log_text) : std::nullopt;
  FUZZ_CHECK(report.bad_line.has_value() == bad.has_value());
  if (bad) {
    const std::string standard_error = *report.bad_line + "\n";
    FUZZ_CHECK_DETAIL(standard_error == bad->message + "\n", standard_error);
    FUZZ_CHECK(standard_error.size() >= 2 && standard_error.ends_with("\n\n"));
  }
  return 0;
}
