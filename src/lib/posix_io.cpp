#include "src/lib/posix_io.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <stdexcept>

#include "src/lib/gzip_hint.hpp"
#include "src/lib/utf8.hpp"

namespace quillfen {
namespace {

constexpr std::size_t kMinimumReadSpace = std::size_t{64} * 1024;

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() { close(fd_); }
  int get() const { return fd_; }

 private:
  int fd_;
};

// Reads `fd` to its end into `bytes`. Returns the error number of a failed
// read, or nothing. May throw std::bad_alloc or std::length_error.
std::optional<int> read_to_end(int fd, std::string& bytes) {
  struct stat info;
  std::size_t size_hint = 0;
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0) {
    size_hint = static_cast<std::size_t>(info.st_size);
  }
  // One byte more than the size, so that a file of the size it reported is
  // read to its end without growing the buffer.
  bytes.resize(size_hint + 1);
  std::size_t used = 0;
  for (;;) {
    if (used == bytes.size()) {
      bytes.resize(std::max(bytes.size() * 2, kMinimumReadSpace));
    }
    const ssize_t count = read(fd, bytes.data() + used, bytes.size() - used);
    if (count < 0) {
      if (errno == EINTR) {
        continue;
      }
      if (errno == EAGAIN || errno == EWOULDBLOCK) {
        // A non-blocking standard input: wait until there is more to read.
        pollfd wait_for{fd, POLLIN, 0};
        poll(&wait_for, 1, -1);
        continue;
      }
      return errno;
    }
    if (count == 0) {
      break;
    }
    used += static_cast<std::size_t>(count);
  }
  bytes.resize(used);
  return std::nullopt;
}

// Reads `fd` to its end and checks that the contents are UTF-8.
std::variant<std::string, ReadFailure> read_text(int fd) {
  std::string bytes;
  try {
    if (const std::optional<int> error = read_to_end(fd, bytes)) {
      return ReadFailure{os_error_text(*error)};
    }
  } catch (const std::bad_alloc&) {
    return ReadFailure{os_error_text(ENOMEM)};
  } catch (const std::length_error&) {
    // A size beyond what a string can hold: no memory for it either.
    return ReadFailure{os_error_text(ENOMEM)};
  }
  if (!is_valid_utf8(bytes)) {
    return ReadFailure{"stream did not contain valid UTF-8", starts_with_gzip_magic(bytes)};
  }
  return bytes;
}

}  // namespace

std::string os_error_text(int error) {
  std::string text = std::strerror(error);
  text += " (os error ";
  text += std::to_string(error);
  text += ')';
  return text;
}

std::variant<std::string, ReadFailure> read_text_file(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return ReadFailure{os_error_text(errno)};
  }
  const FileDescriptor file(fd);
  return read_text(file.get());
}

std::variant<std::string, ReadFailure> read_standard_input() { return read_text(STDIN_FILENO); }

std::optional<int> write_all(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t count = write(fd, data.data(), data.size());
    if (count < 0) {
      if (errno == EINTR) {
        continue;
      }
      if (errno == EAGAIN || errno == EWOULDBLOCK) {
        pollfd wait_for{fd, POLLOUT, 0};
        poll(&wait_for, 1, -1);
        continue;
      }
      return errno;
    }
    if (count == 0) {
      // A device that takes nothing without reporting an error would loop
      // forever; treat it as an input/output error.
      return EIO;
    }
    data.remove_prefix(static_cast<std::size_t>(count));
  }
  return std::nullopt;
}

}  // namespace quillfen
