#include "synth/random.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace quillfen {
namespace {

std::vector<std::int64_t> draws(Random random) {
  std::vector<std::int64_t> out;
  for (int i = 0; i < 100; ++i) out.push_back(random.uniform(0, 1000000));
  return out;
}

TEST(RandomTest, OneSeedAndStreamGiveOneSequence) {
  EXPECT_EQ(draws(Random(7, 1)), draws(Random(7, 1)));
  EXPECT_NE(draws(Random(7, 1)), draws(Random(8, 1)));
  EXPECT_NE(draws(Random(7, 1)), draws(Random(7, 2)));
  EXPECT_NE(draws(Random(0, 1)), draws(Random(1, 0)));
}

TEST(RandomTest, ChanceAndRangesKeepTheirBounds) {
  Random random(42, 3);
  int hits = 0;
  for (int i = 0; i < 100000; ++i) {
    EXPECT_FALSE(random.chance(0));
    EXPECT_TRUE(random.chance(1));
    hits += random.chance(0.25) ? 1 : 0;
    const std::int64_t value = random.uniform(-3, 3);
    EXPECT_GE(value, -3);
    EXPECT_LE(value, 3);
  }
  // 25000 expected; the standard deviation is about 137.
  EXPECT_NEAR(hits, 25000, 1000);
  EXPECT_EQ(random.uniform(5, 5), 5);
}

}  // namespace
}  // namespace quillfen
