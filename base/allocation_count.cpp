#include "base/allocation_count.hpp"

#include <cstddef>
#include <cstdlib>
#include <new>

// The C library's own allocation functions, which the linker's --wrap names
// __real_*; a call to malloc and its relatives anywhere else in the
// executable reaches the __wrap_* functions below instead.
extern "C" {
void* __real_malloc(std::size_t size);
void* __real_calloc(std::size_t count, std::size_t size);
void* __real_realloc(void* block, std::size_t size);
void* __real_aligned_alloc(std::size_t alignment, std::size_t size);
int __real_posix_memalign(void** block, std::size_t alignment, std::size_t size);
void* __real_memalign(std::size_t alignment, std::size_t size);
}

namespace {

// Tests are single-threaded; a plain counter keeps the hooks trivial.
std::uint64_t allocations = 0;

void* counted_new(std::size_t size) {
  ++allocations;
  // malloc(0) may give null, but operator new must give a unique block.
  void* block = __real_malloc(size == 0 ? 1 : size);
  if (block == nullptr) {
    throw std::bad_alloc();
  }
  return block;
}

void* counted_aligned_new(std::size_t size, std::align_val_t alignment) {
  ++allocations;
  const std::size_t align = static_cast<std::size_t>(alignment);
  // aligned_alloc takes only sizes that are multiples of the alignment.
  const std::size_t rounded = size == 0 ? align : (size + align - 1) / align * align;
  void* block = __real_aligned_alloc(align, rounded);
  if (block == nullptr) {
    throw std::bad_alloc();
  }
  return block;
}

}  // namespace

namespace quillfen {

std::uint64_t allocation_count() { return allocations; }

}  // namespace quillfen

extern "C" {

void* __wrap_malloc(std::size_t size) {
  ++allocations;
  return __real_malloc(size);
}

void* __wrap_calloc(std::size_t count, std::size_t size) {
  ++allocations;
  return __real_calloc(count, size);
}

void* __wrap_realloc(void* block, std::size_t size) {
  ++allocations;
  return __real_realloc(block, size);
}

void* __wrap_aligned_alloc(std::size_t alignment, std::size_t size) {
  ++allocations;
  return __real_aligned_alloc(alignment, size);
}

int __wrap_posix_memalign(void** block, std::size_t alignment, std::size_t size) {
  ++allocations;
  return __real_posix_memalign(block, alignment, size);
}

void* __wrap_memalign(std::size_t alignment, std::size_t size) {
  ++allocations;
  return __real_memalign(alignment, size);
}

}  // extern "C"

// ---- Every replaceable form of the global operator new and delete ----------
void* operator new(std::size_t size) { return counted_new(size); }
void* operator new[](std::size_t size) { return counted_new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return counted_new(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return operator new(size, std::nothrow);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
  return counted_aligned_new(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
  return counted_aligned_new(size, alignment);
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  try {
    return counted_aligned_new(size, alignment);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  return operator new(size, alignment, std::nothrow);
}

void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete(void* block, std::align_val_t) noexcept { std::free(block); }
void operator delete[](void* block, std::align_val_t) noexcept { std::free(block); }
void operator delete(void* block, std::size_t, std::align_val_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept { std::free(block); }
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept {
  std::free(block);
}
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept {
  std::free(block);
}
