// Invariant checks for the fuzz targets.
//
// A broken invariant is a finding: the check names the condition and the
// place, adds an optional detail (the offending text or number), and traps,
// so that libFuzzer saves the input as a crash artifact.
#ifndef QUILLFEN_FUZZ_FUZZ_CHECK_HPP_
#define QUILLFEN_FUZZ_FUZZ_CHECK_HPP_

#include <cstdio>
#include <string_view>

namespace quillfen::fuzz {

[[noreturn]] inline void invariant_broken(const char* condition, const char* file, int line,
                                          std::string_view detail) {
  std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, condition);
  if (!detail.empty()) {
    // Long texts (whole reports) are cut; the saved input reproduces them.
    const std::size_t shown = detail.size() < 2000 ? detail.size() : 2000;
    std::fprintf(stderr, "  detail: %.*s%s\n", static_cast<int>(shown), detail.data(),
                 shown < detail.size() ? "..." : "");
  }
  std::fflush(stderr);
  __builtin_trap();
}

}  // namespace quillfen::fuzz

#define FUZZ_CHECK(condition)                                                 \
  do {                                                                        \
    if (!(condition)) {                                                       \
      ::quillfen::fuzz::invariant_broken(#condition, __FILE__, __LINE__, {}); \
    }                                                                         \
  } while (false)

// The same, with a text shown when the check fails.
#define FUZZ_CHECK_DETAIL(condition, detail)                                        \
  do {                                                                              \
    if (!(condition)) {                                                             \
      ::quillfen::fuzz::invariant_broken(#condition, __FILE__, __LINE__, (detail)); \
    }                                                                               \
  } while (false)

#endif  // QUILLFEN_FUZZ_FUZZ_CHECK_HPP_
