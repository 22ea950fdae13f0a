// The counter must see every way of allocating, or a test that finds zero
// allocations proves nothing.
#include "base/allocation_count.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace quillfen {
namespace {

// Pointers go through here so that no allocation can be optimised away.
void* volatile sink = nullptr;

struct alignas(64) Wide {
  char bytes[64];
};

TEST(AllocationCount, CountsEveryFormOfOperatorNew) {
  EXPECT_EQ(allocations_of([] {
              int* p = new int(1);
              sink = p;
              delete p;
            }),
            1U);
  EXPECT_EQ(allocations_of([] {
              int* p = new int[100];
              sink = p;
              delete[] p;
            }),
            1U);
  EXPECT_EQ(allocations_of([] {
              int* p = new (std::nothrow) int(2);
              sink = p;
              delete p;
            }),
            1U);
  EXPECT_EQ(allocations_of([] {
              Wide* p = new Wide();
              sink = p;
              delete p;
            }),
            1U);
  EXPECT_EQ(allocations_of([] {
              Wide* p = new Wide[3];
              sink = p;
              delete[] p;
            }),
            1U);
}

TEST(AllocationCount, CountsTheStandardLibrarysAllocations) {
  EXPECT_EQ(allocations_of([] {
              std::string text(1000, 'x');
              sink = text.data();
            }),
            1U);
  EXPECT_EQ(allocations_of([] {
              std::vector<int> numbers;
              numbers.reserve(10);
              sink = numbers.data();
            }),
            1U);
  EXPECT_EQ(allocations_of([] { sink = std::make_unique<long>(3).get(); }), 1U);
}

TEST(AllocationCount, CountsTheCAllocationFunctions) {
  EXPECT_EQ(allocations_of([] {
              void* p = std::malloc(10);
              sink = p;
              std::free(p);
            }),
            1U);
  EXPECT_EQ(allocations_of([] {
              void* p = std::calloc(4, 10);
              sink = p;
              std::free(p);
            }),
            1U);
  EXPECT_EQ(allocations_of([] {
              void* p = std::realloc(nullptr, 10);
              sink = p;
              std::free(p);
            }),
            1U);
  EXPECT_EQ(allocations_of([] {
              void* p = std::aligned_alloc(64, 128);
              sink = p;
              std::free(p);
            }),
            1U);
}

TEST(AllocationCount, CountsNothingWithoutAllocations) {
  EXPECT_EQ(allocations_of([] {
              int local = 5;
              sink = &local;
              sink = nullptr;
            }),
            0U);
}

}  // namespace
}  // namespace quillfen
