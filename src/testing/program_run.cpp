#include "src/testing/program_run.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

extern char** environ;

namespace quillfen::e2e {
namespace {

std::string read_all(int fd) {
  std::string text;
  lseek(fd, 0, SEEK_SET);
  char buffer[65536];
  ssize_t count;
  while ((count = read(fd, buffer, sizeof buffer)) > 0) {
    text.append(buffer, static_cast<std::size_t>(count));
  }
  return text;
}

// Runs the program at `binary` with standard input from `stdin_fd`, or from
// /dev/null when it is negative; `while_running` is called after the start.
template <typename WhileRunning>
ProgramRun spawn(const std::string& binary, const std::vector<std::string>& argv,
                 StdoutTo stdout_to, int stdin_fd, WhileRunning while_running) {
  std::vector<char*> pointers;
  pointers.reserve(argv.size() + 1);
  for (const std::string& argument : argv) {
    pointers.push_back(const_cast<char*>(argument.c_str()));
  }
  pointers.push_back(nullptr);

  // Memory files instead of pipes: the program may write more than a pipe
  // holds before the test reads anything.
  const int out = memfd_create("stdout", MFD_CLOEXEC);
  const int err = memfd_create("stderr", MFD_CLOEXEC);
  int pipe_ends[2] = {-1, -1};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (stdin_fd >= 0) {
    posix_spawn_file_actions_adddup2(&actions, stdin_fd, 0);
  } else {
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  }
  switch (stdout_to) {
    case StdoutTo::kCapture:
      posix_spawn_file_actions_adddup2(&actions, out, 1);
      break;
    case StdoutTo::kDevFull:
      posix_spawn_file_actions_addopen(&actions, 1, "/dev/full", O_WRONLY, 0);
      break;
    case StdoutTo::kClosedPipe:
      // Nobody will read: the read end is closed before the program starts.
      EXPECT_EQ(pipe2(pipe_ends, O_CLOEXEC), 0);
      close(pipe_ends[0]);
      posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], 1);
      break;
  }
  posix_spawn_file_actions_adddup2(&actions, err, 2);

  pid_t pid;
  const int spawned =
      posix_spawn(&pid, binary.c_str(), &actions, nullptr, pointers.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (pipe_ends[1] >= 0) {
    close(pipe_ends[1]);
  }
  ProgramRun run;
  if (spawned == 0) {
    while_running();
    int wait_status = 0;
    waitpid(pid, &wait_status, 0);
    run.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : 128 + WTERMSIG(wait_status);
    run.out = read_all(out);
    run.err = read_all(err);
  } else {
    ADD_FAILURE() << "cannot start " << binary;
  }
  close(out);
  close(err);
  return run;
}

}  // namespace

ProgramRun run_quillfen(const std::vector<std::string>& argv, StdoutTo stdout_to) {
  return spawn(QUILLFEN_BINARY, argv, stdout_to, -1, [] {});
}

ProgramRun run_program(const std::string& binary, const std::vector<std::string>& argv,
                       const std::optional<std::string>& stdin_text, StdoutTo stdout_to) {
  if (!stdin_text.has_value()) {
    return spawn(binary, argv, stdout_to, -1, [] {});
  }
  // A memory file holds the whole input before the program starts.
  const int in = memfd_create("stdin", MFD_CLOEXEC);
  EXPECT_EQ(write(in, stdin_text->data(), stdin_text->size()),
            static_cast<ssize_t>(stdin_text->size()));
  lseek(in, 0, SEEK_SET);
  const ProgramRun run = spawn(binary, argv, stdout_to, in, [] {});
  close(in);
  return run;
}

ProgramRun run_quillfen_with_input(const std::vector<std::string>& argv, std::string_view input) {
  int ends[2] = {-1, -1};
  EXPECT_EQ(pipe2(ends, O_CLOEXEC), 0);
  const ProgramRun outcome = spawn(QUILLFEN_BINARY, argv, StdoutTo::kCapture, ends[0], [&] {
    // The program reads while this writes, so the input may exceed what a
    // pipe holds. With the read end only in the program, a program that
    // exits without reading everything ends the writing (EPIPE).
    close(ends[0]);
    ends[0] = -1;
    signal(SIGPIPE, SIG_IGN);
    while (!input.empty()) {
      const ssize_t count = write(ends[1], input.data(), input.size());
      if (count <= 0) break;
      input.remove_prefix(static_cast<std::size_t>(count));
    }
    close(ends[1]);
    ends[1] = -1;
  });
  for (const int end : ends) {
    if (end >= 0) close(end);
  }
  return outcome;
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << "cannot read " << path;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

ProgramRun read_expected_run(const std::string& path) {
  const std::string text = read_file(path);
  ProgramRun expected;
  constexpr std::string_view kStatus = "\nstatus ";
  constexpr std::string_view kStdout = "\n--- stdout\n";
  constexpr std::string_view kStderr = "\n--- stderr\n";
  const std::size_t status_at = text.find(kStatus);
  const std::size_t out_at = text.find(kStdout);
  const std::size_t err_at = text.find(kStderr);
  if (status_at == std::string::npos || out_at == std::string::npos ||
      err_at == std::string::npos || out_at > err_at) {
    ADD_FAILURE() << "malformed " << path;
    return expected;
  }
  expected.status = std::atoi(text.c_str() + status_at + kStatus.size());
  const std::size_t out_begin = out_at + kStdout.size();
  // The line feed in front of "--- stderr" ends the last line of stdout.
  expected.out = text.substr(out_begin, err_at + 1 - out_begin);
  expected.err = text.substr(err_at + kStderr.size());
  return expected;
}

}  // namespace quillfen::e2e
