#include "base/check.hpp"

#include <cstdio>
#include <cstdlib>

namespace quillfen {

void check_failed(const char* condition, const char* file, int line) noexcept {
  std::fprintf(stderr, "quillfen: internal error: %s:%d: %s\n", file, line, condition);
  std::abort();
}

}  // namespace quillfen
