#include "src/lib/posix_io.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

namespace quillfen {
namespace {

class TempDir {
 public:
  TempDir() {
    char name[] = "/tmp/quillfen_posix_io_XXXXXX";
    path_ = mkdtemp(name);
  }
  ~TempDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
  std::string file(const std::string& name, std::string_view contents) const {
    std::string path = path_ + "/" + name;
    std::ofstream(path, std::ios::binary) << contents;
    return path;
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

std::string reason_of(const std::variant<FileContents, ReadFailure>& result) {
  return std::holds_alternative<ReadFailure>(result) ? std::get<ReadFailure>(result).reason
                                                     : "(read fine)";
}

TEST(OsErrorText, NamesTheErrorAndItsNumber) {
  EXPECT_EQ(os_error_text(ENOENT), "No such file or directory (os error 2)");
  EXPECT_EQ(os_error_text(EISDIR), "Is a directory (os error 21)");
  EXPECT_EQ(os_error_text(ENOMEM), "Cannot allocate memory (os error 12)");
}

TEST(ReadTextFile, ReadsWholeFilesOfManySizes) {
  const TempDir dir;
  // Sizes around the first buffer and its growth steps.
  for (const std::size_t size : {0, 1, 2, 4095, 65535, 65536, 65537, 1000003}) {
    std::string contents(size, 'x');
    for (std::size_t i = 0; i < size; ++i) contents[i] = static_cast<char>('0' + i % 10);
    if (size > 0) contents.back() = '\n';
    const auto result = read_text_file(dir.file("log" + std::to_string(size), contents));
    ASSERT_TRUE(std::holds_alternative<FileContents>(result)) << size << ": " << reason_of(result);
    EXPECT_EQ(std::get<FileContents>(result).text(), contents) << size;
  }
}

TEST(ReadTextFile, ReadsFilesThatReportNoSize) {
  // /proc files report size 0 but have contents.
  const auto result = read_text_file("/proc/self/status");
  ASSERT_TRUE(std::holds_alternative<FileContents>(result)) << reason_of(result);
  EXPECT_NE(std::get<FileContents>(result).text().find("Name:"), std::string::npos);
  const auto empty = read_text_file("/dev/null");
  ASSERT_TRUE(std::holds_alternative<FileContents>(empty));
  EXPECT_EQ(std::get<FileContents>(empty).text(), "");
}

TEST(ReadTextFile, Failures) {
  const TempDir dir;
  const std::string plain = dir.file("plain.log", "0101\n");
  EXPECT_EQ(reason_of(read_text_file(dir.path() + "/missing.log")),
            "No such file or directory (os error 2)");
  EXPECT_EQ(reason_of(read_text_file(dir.path())), "Is a directory (os error 21)");
  EXPECT_EQ(reason_of(read_text_file(plain + "/inner.log")), "Not a directory (os error 20)");
  EXPECT_EQ(reason_of(read_text_file(dir.file("latin1.log", "caf\xe9\n"))),
            "stream did not contain valid UTF-8");
  EXPECT_EQ(reason_of(read_text_file(dir.file("surrogate.log", "D true 1 1\n\xed\xa0\x80\n"))),
            "stream did not contain valid UTF-8");
  EXPECT_EQ(reason_of(read_text_file(dir.file("good.log", "# caf\xc3\xa9\n"))), "(read fine)");
}

TEST(ReadTextFile, MarksGzipCompressedContents) {
  const TempDir dir;
  // The start of "gzip -c" output: magic, method 8, no flags.
  const auto gzip = read_text_file(dir.file("log.gz", std::string("\x1f\x8b\x08\x00\x00", 5)));
  ASSERT_TRUE(std::holds_alternative<ReadFailure>(gzip));
  EXPECT_EQ(std::get<ReadFailure>(gzip).reason, "stream did not contain valid UTF-8");
  EXPECT_TRUE(std::get<ReadFailure>(gzip).gzip_compressed);

  const auto latin1 = read_text_file(dir.file("latin1.log", "caf\xe9\n"));
  ASSERT_TRUE(std::holds_alternative<ReadFailure>(latin1));
  EXPECT_FALSE(std::get<ReadFailure>(latin1).gzip_compressed);
  const auto missing = read_text_file(dir.path() + "/missing.log.gz");
  ASSERT_TRUE(std::holds_alternative<ReadFailure>(missing));
  EXPECT_FALSE(std::get<ReadFailure>(missing).gzip_compressed);
}

// Makes `fd` standard input for the lifetime of the value.
class StandardInputFrom {
 public:
  explicit StandardInputFrom(int fd) : saved_(dup(STDIN_FILENO)) { dup2(fd, STDIN_FILENO); }
  StandardInputFrom(const StandardInputFrom&) = delete;
  StandardInputFrom& operator=(const StandardInputFrom&) = delete;
  ~StandardInputFrom() {
    dup2(saved_, STDIN_FILENO);
    close(saved_);
  }

 private:
  int saved_;
};

TEST(ReadStandardInput, ReadsAPipeWholeWhileItIsWritten) {
  // More than a pipe holds, written in pieces by another thread, from a
  // non-blocking read end, as a shell may hand it over.
  std::string data(300000, '0');
  for (std::size_t i = 0; i < data.size(); i += 60) data[i] = '\n';
  int ends[2];
  ASSERT_EQ(pipe2(ends, O_NONBLOCK), 0);
  std::thread writer([&] {
    fcntl(ends[1], F_SETFL, 0);
    for (std::size_t at = 0; at < data.size(); at += 1000) {
      ASSERT_EQ(write_all(ends[1], std::string_view(data).substr(at, 1000)), std::nullopt);
    }
    close(ends[1]);
  });
  std::variant<FileContents, ReadFailure> result;
  {
    const StandardInputFrom input(ends[0]);
    result = read_standard_input();
  }
  writer.join();
  close(ends[0]);
  ASSERT_TRUE(std::holds_alternative<FileContents>(result)) << reason_of(result);
  EXPECT_EQ(std::get<FileContents>(result).text(), data);
}

TEST(ReadStandardInput, SameRulesAsAFile) {
  const TempDir dir;
  const struct {
    std::string contents;
    std::string reason;
    bool gzip;
  } cases[] = {
      {"", "(read fine)", false},
      {"# caf\xc3\xa9\n", "(read fine)", false},
      {"caf\xe9\n", "stream did not contain valid UTF-8", false},
      {"\x1f\x8b\x08", "stream did not contain valid UTF-8", true},
  };
  for (const auto& c : cases) {
    const int fd = open(dir.file("input", c.contents).c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    std::variant<FileContents, ReadFailure> result;
    {
      const StandardInputFrom input(fd);
      result = read_standard_input();
    }
    close(fd);
    EXPECT_EQ(reason_of(result), c.reason) << c.contents;
    if (const auto* failure = std::get_if<ReadFailure>(&result)) {
      EXPECT_EQ(failure->gzip_compressed, c.gzip) << c.contents;
    } else {
      EXPECT_EQ(std::get<FileContents>(result).text(), c.contents);
    }
  }
  // A directory as standard input fails in the read, as with a file name.
  const int directory = open(dir.path().c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(directory, 0);
  std::variant<FileContents, ReadFailure> result;
  {
    const StandardInputFrom input(directory);
    result = read_standard_input();
  }
  close(directory);
  EXPECT_EQ(reason_of(result), "Is a directory (os error 21)");
}

TEST(ReadStandardInput, FileAlreadyPartlyReadIsReadFromWhereItStands) {
  // As in `(head -n 1; quillfen -f -) < log`: the first line is gone.
  const TempDir dir;
  const int fd = open(dir.file("input", "skipped\nkept\n").c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(lseek(fd, 8, SEEK_SET), 8);
  std::variant<FileContents, ReadFailure> result;
  {
    const StandardInputFrom input(fd);
    result = read_standard_input();
  }
  close(fd);
  ASSERT_TRUE(std::holds_alternative<FileContents>(result)) << reason_of(result);
  EXPECT_EQ(std::get<FileContents>(result).text(), "kept\n");
}

#if !defined(__SANITIZE_ADDRESS__)
TEST(ReadTextFile, FileTooLargeForMemoryFailsWithEnomem) {
  // A sparse file of 1 PiB: more than any process can address.
  char name[] = "/dev/shm/quillfen_huge_XXXXXX";
  const int fd = mkstemp(name);
  if (fd < 0) GTEST_SKIP() << "no /dev/shm";
  const bool sized = ftruncate(fd, off_t{1} << 50) == 0;
  close(fd);
  if (!sized) {
    unlink(name);
    GTEST_SKIP() << "cannot make a sparse file of 1 PiB";
  }
  const auto result = read_text_file(name);
  unlink(name);
  EXPECT_EQ(reason_of(result), "Cannot allocate memory (os error 12)");
}
#endif

TEST(WriteAll, WritesMoreThanAPipeHolds) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  std::string data(1 << 20, 'q');
  for (std::size_t i = 0; i < data.size(); i += 7) data[i] = static_cast<char>('a' + i % 26);
  std::string received;
  std::thread reader([&] {
    char buffer[4096];
    ssize_t count;
    while ((count = read(ends[0], buffer, sizeof buffer)) > 0) received.append(buffer, count);
  });
  const std::optional<int> error = write_all(ends[1], data);
  close(ends[1]);
  reader.join();
  close(ends[0]);
  EXPECT_EQ(error, std::nullopt);
  EXPECT_EQ(received, data);
}

TEST(WriteAll, ReportsTheErrorNumber) {
  const int full = open("/dev/full", O_WRONLY);
  ASSERT_GE(full, 0);
  EXPECT_EQ(write_all(full, "report\n"), ENOSPC);
  close(full);

  signal(SIGPIPE, SIG_IGN);
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  close(ends[0]);
  EXPECT_EQ(write_all(ends[1], "report\n"), EPIPE);
  close(ends[1]);

  EXPECT_EQ(write_all(ends[1], ""), std::nullopt);  // nothing to write: no call at all
}

}  // namespace
}  // namespace quillfen
