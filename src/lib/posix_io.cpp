#include "src/lib/posix_io.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
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

// Reads `fd` (not a regular file: a pipe, a device, a /proc file) to its end
// into `bytes`. Returns the error number of a failed read, or nothing. May
// throw std::bad_alloc or std::length_error.
std::optional<int> read_to_end(int fd, std::string& bytes) {
  bytes.resize(kMinimumReadSpace);
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

}  // namespace

std::string os_error_text(int error) {
  std::string text = std::strerror(error);
  text += " (os error ";
  text += std::to_string(error);
  text += ')';
  return text;
}

FileContents::FileContents(FileContents&& other) noexcept
    : bytes_(std::move(other.bytes_)), mapped_(other.mapped_), mapped_size_(other.mapped_size_) {
  other.mapped_ = nullptr;
  other.mapped_size_ = 0;
}

FileContents& FileContents::operator=(FileContents&& other) noexcept {
  if (this != &other) {
    release();
    bytes_ = std::move(other.bytes_);
    mapped_ = other.mapped_;
    mapped_size_ = other.mapped_size_;
    other.mapped_ = nullptr;
    other.mapped_size_ = 0;
  }
  return *this;
}

FileContents::~FileContents() { release(); }

void FileContents::release() {
  if (mapped_ != nullptr) {
    munmap(const_cast<char*>(mapped_), mapped_size_);
    mapped_ = nullptr;
    mapped_size_ = 0;
  }
}

std::variant<FileContents, ReadFailure> FileContents::read_whole(int fd) {
  FileContents contents;
  struct stat info;
  // A regular file read from its start is mapped; standard input redirected
  // from a file that was partly read already is read like a pipe from where
  // it stands.
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0 &&
      lseek(fd, 0, SEEK_CUR) == 0) {
    const auto size = static_cast<std::uintmax_t>(info.st_size);
    // More than the machine's memory cannot be analyzed; a sparse file could
    // otherwise be mapped and read as terabytes of NUL bytes.
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long page_size = sysconf(_SC_PAGESIZE);
    if (pages > 0 && page_size > 0 &&
        size > static_cast<std::uintmax_t>(pages) * static_cast<std::uintmax_t>(page_size)) {
      return ReadFailure{os_error_text(ENOMEM)};
    }
    void* mapped = mmap(nullptr, static_cast<std::size_t>(size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (mapped == MAP_FAILED && errno == ENOMEM) {
      return ReadFailure{os_error_text(ENOMEM)};
    }
    if (mapped != MAP_FAILED) {
      // The log is read once from front to back.
      madvise(mapped, static_cast<std::size_t>(size), MADV_SEQUENTIAL);
      contents.mapped_ = static_cast<const char*>(mapped);
      contents.mapped_size_ = static_cast<std::size_t>(size);
    }
    // A file system that cannot map files is read like a pipe.
  }
  if (contents.mapped_ == nullptr) {
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
    contents = FileContents(std::move(bytes));
  }
  if (!is_valid_utf8(contents.text())) {
    return ReadFailure{"stream did not contain valid UTF-8", starts_with_gzip_magic(contents.text())};
  }
  return contents;
}

std::variant<FileContents, ReadFailure> read_text_file(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return ReadFailure{os_error_text(errno)};
  }
  const FileDescriptor file(fd);
  return FileContents::read_whole(file.get());
}

std::variant<FileContents, ReadFailure> read_standard_input() {
  return FileContents::read_whole(STDIN_FILENO);
}

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
