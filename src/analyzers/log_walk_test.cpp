#include "src/analyzers/log_walk.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillfen {
namespace {

// A receiver that only says what it was given.
struct EchoBit {
  char c;
};
struct EchoEdge {
  bool is_high;
  std::uint32_t when;
};
struct EchoReceiver {
  static constexpr char kStationLetter = 'M';
  EchoBit take_bit(char c) { return {c}; }
  EchoEdge take_edge(bool is_high, std::uint32_t when) { return {is_high, when}; }
};

// A writer that records everything, and stops being ok after `budget` calls
// of take.
struct RecordingWriter {
  std::vector<std::string> events;
  int budget = 1000000;

  bool ok() const { return budget > 0; }
  void comment(std::string_view line) { events.push_back("comment " + std::string(line)); }
  void edge(const EdgeSample& sample) { events.push_back("edge " + std::to_string(sample.tick)); }
  void take(const EchoBit& step) {
    events.push_back(std::string("bit ") + step.c);
    --budget;
  }
  void take(const EchoEdge& step) {
    events.push_back("step " + std::string(step.is_high ? "true " : "false ") +
                     std::to_string(step.when));
    --budget;
  }
};

TEST(WalkBits, EveryByteGoesToTheReceiverInOrder) {
  EchoReceiver receiver;
  RecordingWriter writer;
  walk_bits("01\n\xc3\xa9", receiver, writer);
  EXPECT_EQ(writer.events, (std::vector<std::string>{"bit 0", "bit 1", "bit \n", "bit \xc3",
                                                     "bit \xa9"}));
}

TEST(WalkBits, StopsOnceTheWriterIsNoLongerOk) {
  EchoReceiver receiver;
  RecordingWriter writer;
  writer.budget = 2;
  walk_bits("0123456789", receiver, writer);
  EXPECT_EQ(writer.events, (std::vector<std::string>{"bit 0", "bit 1"}));
}

TEST(WalkEdges, CommentsAndTheStationsEdgesInFileOrder) {
  EchoReceiver receiver;
  RecordingWriter writer;
  const std::optional<std::string> bad = walk_edges(
      "# start\n"
      "M true 1000000 1\n"
      "D true 1000000 2\n"
      "  # between\r\n"
      "M false 1100000 3\n",
      receiver, writer);
  EXPECT_FALSE(bad.has_value());
  EXPECT_EQ(writer.events,
            (std::vector<std::string>{"comment # start", "edge 1", "step true 1000000",
                                      "comment   # between", "edge 3", "step false 1100000"}));
}

TEST(WalkEdges, StopsAtTheFirstMalformedLine) {
  EchoReceiver receiver;
  RecordingWriter writer;
  const std::optional<std::string> bad =
      walk_edges("M true 5 1\nM maybe 6 2\n# never seen\n", receiver, writer);
  EXPECT_EQ(bad, "parse_raw_line: invalid file format at line 2, 'is_high' is not a boolean: "
                 "provided string was not `true` or `false`\n");
  EXPECT_EQ(writer.events, (std::vector<std::string>{"edge 1", "step true 5"}));
}

TEST(WalkEdges, StopsQuietlyOnceTheWriterIsNoLongerOk) {
  EchoReceiver receiver;
  RecordingWriter writer;
  writer.budget = 1;
  // The bad third line is never reached.
  const std::optional<std::string> bad =
      walk_edges("M true 5 1\nM false 6 2\nbad\n", receiver, writer);
  EXPECT_FALSE(bad.has_value());
  EXPECT_EQ(writer.events, (std::vector<std::string>{"edge 1", "step true 5"}));
}

}  // namespace
}  // namespace quillfen
