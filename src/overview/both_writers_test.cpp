#include "src/overview/both_writers.hpp"

#include <gtest/gtest.h>

#include <string>

#include "dcf77/dcf77_receiver.hpp"
#include "msf/msf_receiver.hpp"

namespace quillfen {
namespace {

// Writes down what it was handed, into a log shared by both writers.
struct Recorder {
  std::string name;
  std::string& log;
  bool is_ok = true;
  bool ok() const { return is_ok; }
  void comment(std::string_view line) { log += name + " comment " + std::string(line) + "\n"; }
  void edge(const EdgeSample& sample) { log += name + " edge " + std::to_string(sample.when) + "\n"; }
  void take(const Dcf77BitStep&) { log += name + " dcf77 bit\n"; }
  void take(const MsfEdgeStep&) { log += name + " msf edge\n"; }
};

TEST(BothWriters, EveryValueGoesToTheFirstThenTheSecond) {
  std::string log;
  Recorder first{"first", log};
  Recorder second{"second", log};
  BothWriters<Recorder, Recorder> both(first, second);
  both.comment("# hello");
  both.edge(EdgeSample{true, 42, 1});
  both.take(Dcf77BitStep{});
  both.take(MsfEdgeStep{});
  EXPECT_EQ(log,
            "first comment # hello\nsecond comment # hello\nfirst edge 42\nsecond edge 42\n"
            "first dcf77 bit\nsecond dcf77 bit\nfirst msf edge\nsecond msf edge\n");
  EXPECT_TRUE(both.ok());
  second.is_ok = false;  // either writer failing ends the walk
  EXPECT_FALSE(both.ok());
  second.is_ok = true;
  first.is_ok = false;
  EXPECT_FALSE(both.ok());
}

}  // namespace
}  // namespace quillfen
