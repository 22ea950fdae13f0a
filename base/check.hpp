// Precondition checks that hold in every build type.
//
// A broken precondition (a bit index outside the buffer, a field that a
// caller guaranteed to be present) is a programming error, not bad input:
// bad input is always answered with an absent value. QUILLFEN_CHECK stops
// the program with a message naming the broken condition, in release builds
// too, so such an error can never turn into a wrong report.
#ifndef QUILLFEN_BASE_CHECK_HPP_
#define QUILLFEN_BASE_CHECK_HPP_

namespace quillfen {

// Writes "quillfen: internal error: <file>:<line>: <condition>" to standard
// error and aborts. Never returns. This definition (base/check.cpp) is the
// only I/O below the analyzers; a program without standard error, such as
// receiver firmware, links its own definition instead.
[[noreturn]] void check_failed(const char* condition, const char* file, int line) noexcept;

}  // namespace quillfen

#define QUILLFEN_CHECK(condition)                                \
  do {                                                           \
    if (!(condition)) {                                          \
      ::quillfen::check_failed(#condition, __FILE__, __LINE__);  \
    }                                                            \
  } while (false)

#endif  // QUILLFEN_BASE_CHECK_HPP_
