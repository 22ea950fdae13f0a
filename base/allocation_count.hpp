// Test support: counts the heap allocations of a test program, to prove that
// code allocates nothing. Never linked into the program or the firmware.
//
// Linking quillfen_allocation_count into a test executable
//   - replaces every form of the global operator new and operator delete
//     with versions that count and take their memory from malloc;
//   - wraps malloc, calloc, realloc, aligned_alloc, posix_memalign and
//     memalign (the linker's --wrap) in every object of the executable,
//     static libraries included, so that a direct C allocation in the code
//     under test counts too.
// Allocations made inside shared libraries other than through operator new
// are not seen; the decoders are linked statically, so nothing of theirs
// escapes.
#ifndef QUILLFEN_BASE_ALLOCATION_COUNT_HPP_
#define QUILLFEN_BASE_ALLOCATION_COUNT_HPP_

#include <cstdint>

namespace quillfen {

// Allocations (operator new and the C functions above, each call counting
// once, failed ones included) since the program started.
std::uint64_t allocation_count();

// Runs `work()` and returns how many allocations it made.
template <typename Work>
std::uint64_t allocations_of(Work&& work) {
  const std::uint64_t before = allocation_count();
  work();
  return allocation_count() - before;
}

}  // namespace quillfen

#endif  // QUILLFEN_BASE_ALLOCATION_COUNT_HPP_
