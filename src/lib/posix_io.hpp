// The few system calls the program makes: reading the log file or standard
// input whole, and writing a whole buffer to standard output or standard
// error.
#ifndef QUILLFEN_SRC_LIB_POSIX_IO_HPP_
#define QUILLFEN_SRC_LIB_POSIX_IO_HPP_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

namespace quillfen {

// The system's description of error number `error` followed by its number,
// as in "No such file or directory (os error 2)".
std::string os_error_text(int error);

// Why a file could not be read as text: an `os_error_text`, or
// "stream did not contain valid UTF-8".
struct ReadFailure {
  std::string reason;
  // The contents were not UTF-8 and begin with the gzip magic bytes
  // (starts_with_gzip_magic): the log is most likely compressed.
  bool gzip_compressed = false;
};

// The whole contents of a file, held in memory for as long as this value
// lives: a regular file is mapped (nothing is copied), anything else is read
// into a buffer. Move-only.
class FileContents {
 public:
  FileContents() = default;
  explicit FileContents(std::string bytes) : bytes_(std::move(bytes)) {}
  FileContents(FileContents&& other) noexcept;
  FileContents& operator=(FileContents&& other) noexcept;
  FileContents(const FileContents&) = delete;
  FileContents& operator=(const FileContents&) = delete;
  ~FileContents();

  std::string_view text() const {
    return mapped_ != nullptr ? std::string_view(mapped_, mapped_size_) : std::string_view(bytes_);
  }

 private:
  friend std::variant<FileContents, ReadFailure> read_text_file(const std::string& path);
  friend std::variant<FileContents, ReadFailure> read_standard_input();
  // Maps or reads what `fd` holds from its current position to its end.
  static std::variant<FileContents, ReadFailure> read_whole(int fd);
  void release();

  std::string bytes_;
  const char* mapped_ = nullptr;
  std::size_t mapped_size_ = 0;
};

// Reads the whole file at `path` (relative to the working directory) and
// returns its contents when they are valid UTF-8.
//
// A regular file is mapped at the size it reports; it must not shrink while
// its contents are in use (the process would get SIGBUS). Anything else is
// read until its end, so files that report no size (pipes, /proc) are read
// whole too. A directory fails with "Is a directory (os error 21)" from the
// read. A file larger than the machine's memory, or running out of memory,
// fails with the reason for ENOMEM instead of throwing.
std::variant<FileContents, ReadFailure> read_text_file(const std::string& path);

// Reads standard input to its end, with the same rules and reasons as
// read_text_file: a pipe, a terminal (until end of file) or a redirected file
// alike. Standard input stays open.
std::variant<FileContents, ReadFailure> read_standard_input();

// Writes all of `data` to the file descriptor `fd`, continuing after partial
// writes, interrupted calls and (for a non-blocking descriptor) a full pipe.
// Returns nothing on success, or the error number of the write that failed;
// the bytes before it may have been written.
std::optional<int> write_all(int fd, std::string_view data);

}  // namespace quillfen

#endif  // QUILLFEN_SRC_LIB_POSIX_IO_HPP_
