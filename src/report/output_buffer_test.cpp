#include "src/report/output_buffer.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace quillfen {
namespace {

// Keeps every write separately, and fails from the `fail_at`-th write on.
class RecordingSink final : public OutputSink {
 public:
  explicit RecordingSink(int fail_at = 1000000) : fail_at_(fail_at) {}
  bool write(std::string_view bytes) override {
    if (static_cast<int>(writes.size()) + 1 >= fail_at_) {
      ++refused;
      return false;
    }
    writes.emplace_back(bytes);
    return true;
  }
  std::vector<std::string> writes;
  int refused = 0;

 private:
  int fail_at_;
};

TEST(OutputBuffer, HandsOnTheBytesWhenFullAndOnFlush) {
  RecordingSink sink;
  OutputBuffer out(sink, 32);
  out.put("0123456789012345678901234567890");  // 31 bytes: fits
  EXPECT_TRUE(sink.writes.empty());
  out.put('x');  // 32: full, still nothing written
  EXPECT_TRUE(sink.writes.empty());
  out.put('y');  // no room: the full buffer goes first
  EXPECT_EQ(sink.writes, (std::vector<std::string>{"0123456789012345678901234567890x"}));
  out.put("abc");
  EXPECT_TRUE(out.flush());
  EXPECT_EQ(sink.writes.back(), "yabc");
  EXPECT_TRUE(out.flush());  // nothing buffered: nothing written
  EXPECT_EQ(sink.writes.size(), 2u);
}

TEST(OutputBuffer, APieceLongerThanTheBufferGoesStraightThrough) {
  RecordingSink sink;
  OutputBuffer out(sink, 32);
  out.put("head");
  const std::string long_piece(100, 'z');
  out.put(long_piece);
  out.put("tail");
  out.flush();
  EXPECT_EQ(sink.writes, (std::vector<std::string>{"head", long_piece, "tail"}));
}

TEST(OutputBuffer, DecimalsAndBooleans) {
  StringSink sink;
  OutputBuffer out(sink, 32);
  out.put_decimal(std::numeric_limits<std::int64_t>::min());
  out.put(' ');
  out.put_decimal(std::numeric_limits<std::uint64_t>::max());
  out.put(' ');
  out.put_decimal(std::uint8_t{0});
  out.put(' ');
  out.put_decimal(std::int8_t{-3});
  out.put(' ');
  out.put_decimal(std::uint32_t{4294967295u});
  out.put(' ');
  out.put_bool(true);
  out.put_bool(false);
  out.flush();
  EXPECT_EQ(sink.text,
            "-9223372036854775808 18446744073709551615 0 -3 4294967295 truefalse");
}

TEST(OutputBuffer, NothingMoreIsWrittenOnceTheSinkFailed) {
  RecordingSink sink(2);  // the second write fails
  OutputBuffer out(sink, 32);
  out.put(std::string(40, 'a'));  // straight through: first write
  EXPECT_TRUE(out.ok());
  out.put("b");
  EXPECT_FALSE(out.flush());
  EXPECT_FALSE(out.ok());
  out.put(std::string(40, 'c'));
  out.put_decimal(std::uint64_t{7});
  EXPECT_FALSE(out.flush());
  EXPECT_EQ(sink.writes.size(), 1u);
  EXPECT_EQ(sink.refused, 1);
}

}  // namespace
}  // namespace quillfen
