#include "src/lib/edge_log.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <new>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// Every allocation of this test program is counted, so that a test can tell
// whether the code it calls allocates.
namespace {
std::atomic<long> allocations{0};
}  // namespace

[[gnu::noinline]] void* operator new(std::size_t size) {
  ++allocations;
  if (void* p = std::malloc(size == 0 ? 1 : size)) {
    return p;
  }
  throw std::bad_alloc();
}
// Not inlined, so that the compiler never sees free() meet a pointer from new.
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace quillfen {

void PrintTo(const EdgeLogLine& line, std::ostream* os) {
  if (line.kind == EdgeLineKind::Comment) {
    *os << "Comment";
  } else {
    *os << "Edge " << line.station.value_or('?');
  }
  if (line.edge) {
    *os << " {" << line.edge->is_high << ", " << line.edge->when << ", " << line.edge->tick << "}";
  }
  if (line.comment) {
    *os << " \"" << *line.comment << "\"";
  }
}

namespace {

EdgeLogLine dcf77(bool is_high, std::uint32_t when, std::uint32_t tick) {
  return {EdgeLineKind::Edge, 'D', EdgeSample{is_high, when, tick}, std::nullopt};
}

EdgeLogLine msf(bool is_high, std::uint32_t when, std::uint32_t tick) {
  return {EdgeLineKind::Edge, 'M', EdgeSample{is_high, when, tick}, std::nullopt};
}

EdgeLogLine comment(std::string_view text) {
  return {EdgeLineKind::Comment, std::nullopt, std::nullopt, text};
}

// The parts, one after the other.
std::string cat(std::initializer_list<std::string_view> parts) {
  std::string out;
  for (const std::string_view part : parts) {
    out.append(part);
  }
  return out;
}

// UTF-8 encoding of one code point.
std::string utf8(char32_t c) {
  std::string out;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

// The separators of an edge-log line, listed one by one.
constexpr char32_t kWhiteSpace[] = {
    0x0009, 0x000A, 0x000B, 0x000C, 0x000D, 0x0020, 0x0085, 0x00A0, 0x1680,
    0x2000, 0x2001, 0x2002, 0x2003, 0x2004, 0x2005, 0x2006, 0x2007, 0x2008,
    0x2009, 0x200A, 0x2028, 0x2029, 0x202F, 0x205F, 0x3000,
};

constexpr std::string_view kNotBoolean = "provided string was not `true` or `false`";
constexpr std::string_view kInvalidDigit = "invalid digit found in string";
constexpr std::string_view kTooLarge = "number too large to fit in target type";

std::string invalid_start(std::uint32_t line_number) {
  return cat(
      {"parse_raw_line: invalid start of line ", std::to_string(line_number), ", missing D/M/#\n"});
}

std::string missing(std::string_view field, std::uint32_t line_number) {
  return cat({"parse_raw_line: invalid file format at line ", std::to_string(line_number),
              ", missing '", field, "'\n"});
}

std::string bad_value(std::string_view field, std::string_view reason, std::uint32_t line_number) {
  const std::string_view what = field == "is_high" ? "' is not a boolean: " : "' is not a u32: ";
  return cat({"parse_raw_line: invalid file format at line ", std::to_string(line_number), ", '",
              field, what, reason, "\n"});
}

// Parses a copy of `line` held in a buffer of exactly its size, so that a read
// past the end of the line is caught by the address sanitizer.
std::variant<EdgeLogLine, std::string> parse_exact(std::string_view line,
                                                   std::uint32_t line_number) {
  const auto buffer = std::make_unique<char[]>(line.size());
  std::memcpy(buffer.get(), line.data(), line.size());
  auto result = parse_raw_line(std::string_view(buffer.get(), line.size()), line_number);
  // A comment refers to the buffer; point it back into `line` before the buffer goes.
  if (auto* parsed = std::get_if<EdgeLogLine>(&result); parsed && parsed->comment) {
    parsed->comment = line.substr(static_cast<std::size_t>(parsed->comment->data() - buffer.get()),
                                  parsed->comment->size());
  }
  return result;
}

TEST(ParseRawLine, ReadsEdgeLines) {
  const std::string nbsp = utf8(0x00A0);
  const std::string ideographic = utf8(0x3000);
  const struct {
    std::string line;
    EdgeLogLine expected;
  } cases[] = {
      {"D true 1000000 42", dcf77(true, 1000000, 42)},
      {"  D\ttrue  \t 1000000\t\t42", dcf77(true, 1000000, 42)},
      {"D true 1000000 42 \t ", dcf77(true, 1000000, 42)},
      {"M false 0 0", msf(false, 0, 0)},
      {"D false 4294967295 4294967295", dcf77(false, 4294967295, 4294967295)},
      {"D true +7 007", dcf77(true, 7, 7)},
      {"D true 0000000000004294967295 +0", dcf77(true, 4294967295, 0)},
      {"D true 1 2 3", dcf77(true, 1, 2)},
      {"M true 1 2 extra fields -1 x", msf(true, 1, 2)},
      {"D true 1 2 #", dcf77(true, 1, 2)},
      {cat({nbsp, "D", ideographic, "true", nbsp, nbsp, "5", ideographic, "6", nbsp}),
       dcf77(true, 5, 6)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const auto result = parse_exact(c.line, 1);
    ASSERT_TRUE(std::holds_alternative<EdgeLogLine>(result)) << std::get<std::string>(result);
    EXPECT_EQ(std::get<EdgeLogLine>(result), c.expected);
  }
}

TEST(ParseRawLine, CommentIsTheWholeLine) {
  const std::string lines[] = {
      "#",
      "# some words",
      "  \t# indented",
      "#\tD true 1 2",
      "# D maybe -1",
      cat({"#", utf8(0x3000), "after an ideographic space"}),
      "#  trailing blanks  ",
  };
  for (const std::string& line : lines) {
    SCOPED_TRACE(line);
    const auto result = parse_raw_line(line, 7);
    ASSERT_TRUE(std::holds_alternative<EdgeLogLine>(result)) << std::get<std::string>(result);
    const EdgeLogLine& parsed = std::get<EdgeLogLine>(result);
    EXPECT_EQ(parsed, comment(line));
    // The text is the line itself, not a copy.
    EXPECT_EQ(parsed.comment->data(), line.data());
  }
}

TEST(ParseRawLine, RejectsBadLines) {
  const struct {
    std::string line;
    std::string expected;
  } cases[] = {
      // The first field must be exactly one of D, M or #.
      {"", invalid_start(1)},
      {"   \t ", invalid_start(1)},
      {utf8(0x3000) + utf8(0x00A0), invalid_start(1)},
      {"#words", invalid_start(1)},
      {"#!", invalid_start(1)},
      {"DD true 1 2", invalid_start(1)},
      {"d true 1 2", invalid_start(1)},
      {"m true 1 2", invalid_start(1)},
      {"X true 1 2", invalid_start(1)},
      {"Dtrue 1 2", invalid_start(1)},
      // These look blank but are no white space, so they join the fields.
      {cat({"D", utf8(0x200B), "true 1 2"}), invalid_start(1)},
      {cat({"D", utf8(0x180E), "true 1 2"}), invalid_start(1)},
      {cat({"D", utf8(0xFEFF), "true 1 2"}), invalid_start(1)},
      {utf8(0xFEFF) + "D true 1 2", invalid_start(1)},
      {cat({"D true 1", utf8(0x200B), "2"}), missing("tick", 1)},
      {cat({"D true 1 2", utf8(0x2060), "3"}), bad_value("tick", kInvalidDigit, 1)},
      // Missing fields.
      {"D", missing("is_high", 1)},
      {"M  \t", missing("is_high", 1)},
      {"D true", missing("when", 1)},
      {"M false ", missing("when", 1)},
      {"D true 1", missing("tick", 1)},
      // A missing field is reported before a bad value, even an earlier one.
      {"D maybe", missing("when", 1)},
      {"D maybe -1", missing("tick", 1)},
      {"M True x", missing("tick", 1)},
      // Bad values, the first one in field order.
      {"D True 1 2", bad_value("is_high", kNotBoolean, 1)},
      {"D TRUE 1 2", bad_value("is_high", kNotBoolean, 1)},
      {"D 1 1 2", bad_value("is_high", kNotBoolean, 1)},
      {"D truee 1 2", bad_value("is_high", kNotBoolean, 1)},
      {"D maybe x y", bad_value("is_high", kNotBoolean, 1)},
      {"D true 4294967296 1", bad_value("when", kTooLarge, 1)},
      {"D true 99999999999 1", bad_value("when", kTooLarge, 1)},
      {"D true -1 1", bad_value("when", kInvalidDigit, 1)},
      {"D true + 1", bad_value("when", kInvalidDigit, 1)},
      {"D true - 1", bad_value("when", kInvalidDigit, 1)},
      {"D true ++1 1", bad_value("when", kInvalidDigit, 1)},
      {"D true 1e3 1", bad_value("when", kInvalidDigit, 1)},
      // Whichever problem the digits meet first from the left.
      {"D true 1x999999999999 1", bad_value("when", kInvalidDigit, 1)},
      {"D true 999999999999x 1", bad_value("when", kTooLarge, 1)},
      {"D true x y", bad_value("when", kInvalidDigit, 1)},
      {"D true 1 4294967296", bad_value("tick", kTooLarge, 1)},
      {"D true 1 -0", bad_value("tick", kInvalidDigit, 1)},
      {"M false 1 +", bad_value("tick", kInvalidDigit, 1)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const auto result = parse_exact(c.line, 1);
    ASSERT_TRUE(std::holds_alternative<std::string>(result));
    EXPECT_EQ(std::get<std::string>(result), c.expected);
  }
}

TEST(ParseRawLine, MessagesNameTheLineNumber) {
  for (const std::uint32_t line_number : {1u, 3u, 10u, 65536u, 4294967295u}) {
    SCOPED_TRACE(line_number);
    EXPECT_EQ(std::get<std::string>(parse_raw_line("", line_number)), invalid_start(line_number));
    EXPECT_EQ(std::get<std::string>(parse_raw_line("M true", line_number)),
              missing("when", line_number));
    EXPECT_EQ(std::get<std::string>(parse_raw_line("D true 1 x", line_number)),
              bad_value("tick", kInvalidDigit, line_number));
  }
  EXPECT_EQ(invalid_start(4294967295),
            "parse_raw_line: invalid start of line 4294967295, missing D/M/#\n");
  EXPECT_EQ(bad_value("is_high", kNotBoolean, 12),
            "parse_raw_line: invalid file format at line 12, 'is_high' is not a boolean: "
            "provided string was not `true` or `false`\n");
}

// What a prefix of a good line parses to: a message, or the line.
using Outcome = std::variant<std::string, EdgeLogLine>;

void expect_outcome(const std::variant<EdgeLogLine, std::string>& result, const Outcome& expected) {
  if (const auto* message = std::get_if<std::string>(&expected)) {
    ASSERT_TRUE(std::holds_alternative<std::string>(result));
    EXPECT_EQ(std::get<std::string>(result), *message);
  } else {
    ASSERT_TRUE(std::holds_alternative<EdgeLogLine>(result)) << std::get<std::string>(result);
    EXPECT_EQ(std::get<EdgeLogLine>(result), std::get<EdgeLogLine>(expected));
  }
}

TEST(ParseRawLine, EveryTruncationOfAnEdgeLine) {
  const std::string_view line = "D true 1000000 42";
  // Prefix lengths from `from` on give `outcome`, up to the next entry.
  const struct {
    std::size_t from;
    Outcome outcome;
  } steps[] = {
      {0, invalid_start(2)},           // ""
      {1, missing("is_high", 2)},      // "D", "D "
      {3, missing("when", 2)},         // "D t" .. "D true "
      {8, missing("tick", 2)},         // "D true 1" .. "D true 1000000 "
      {16, dcf77(true, 1000000, 4)},   // "D true 1000000 4"
      {17, dcf77(true, 1000000, 42)},  // the whole line
  };
  std::size_t step = 0;
  for (std::size_t length = 0; length <= line.size(); ++length) {
    while (step + 1 < std::size(steps) && length >= steps[step + 1].from) {
      ++step;
    }
    SCOPED_TRACE(line.substr(0, length));
    expect_outcome(parse_exact(line.substr(0, length), 2), steps[step].outcome);
  }
}

TEST(ParseRawLine, EveryTruncationOfALineWithWideSeparators) {
  // Three-, two- and three-byte separators; a cut inside one of them leaves
  // its first bytes attached to the field before it.
  const std::string line =
      cat({"M", utf8(0x3000), "false", utf8(0x00A0), "12", utf8(0x2029), "34"});
  ASSERT_EQ(line.size(), 18u);
  const struct {
    std::size_t from;
    Outcome outcome;
  } steps[] = {
      {0, invalid_start(9)},       // ""
      {1, missing("is_high", 9)},  // "M"
      {2, invalid_start(9)},       // "M" and part of U+3000
      {4, missing("is_high", 9)},  // "M" U+3000
      {5, missing("when", 9)},     // .. "false", part of U+00A0, U+00A0
      {12, missing("tick", 9)},    // .. "12", part of U+2029, U+2029
      {17, msf(false, 12, 3)},     // .. "3"
      {18, msf(false, 12, 34)},
  };
  std::size_t step = 0;
  for (std::size_t length = 0; length <= line.size(); ++length) {
    while (step + 1 < std::size(steps) && length >= steps[step + 1].from) {
      ++step;
    }
    SCOPED_TRACE(length);
    expect_outcome(parse_exact(std::string_view(line).substr(0, length), 9), steps[step].outcome);
  }
}

TEST(ParseRawLine, EveryTruncationOfAComment) {
  const std::string_view line = " # note";
  for (std::size_t length = 0; length <= line.size(); ++length) {
    const std::string_view prefix = line.substr(0, length);
    SCOPED_TRACE(prefix);
    expect_outcome(parse_exact(prefix, 5),
                   length < 2 ? Outcome(invalid_start(5)) : Outcome(comment(prefix)));
  }
}

TEST(ParseRawLine, EveryWhiteSpaceCharacterSeparatesFields) {
  for (const char32_t c : kWhiteSpace) {
    const std::string space = utf8(c);
    SCOPED_TRACE(testing::Message() << "U+" << std::hex << static_cast<std::uint32_t>(c));
    expect_outcome(
        parse_exact(cat({space, "D", space, "true", space, space, "7", space, "8", space}), 1),
        dcf77(true, 7, 8));
    const std::string text = cat({"#", space, "x"});
    expect_outcome(parse_exact(text, 1), comment(text));
  }
}

TEST(ParseRawLine, NoOtherCharacterSeparatesFields) {
  std::size_t separators = 0;
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) {
      continue;  // surrogates are not characters of UTF-8 text
    }
    const bool listed =
        std::find(std::begin(kWhiteSpace), std::end(kWhiteSpace), c) != std::end(kWhiteSpace);
    const auto result = parse_raw_line(cat({"D", utf8(c), "true 1 2"}), 1);
    if (std::holds_alternative<EdgeLogLine>(result)) {
      ++separators;
    }
    ASSERT_EQ(std::holds_alternative<EdgeLogLine>(result), listed)
        << "U+" << std::hex << static_cast<std::uint32_t>(c);
  }
  EXPECT_EQ(separators, std::size(kWhiteSpace));
}

// Everything `walk_edge_log` visited, in order.
// The walk's fast reading of the usual line: it reads exactly the plain
// ASCII form, and every line it reads gives what parse_raw_line gives; every
// other line is left to parse_raw_line, which accepts some and rejects others.
TEST(ParsePlainEdgeLine, ReadsOnlyThePlainFormAndAgreesWithParseRawLine) {
  const std::string nbsp = utf8(0x00A0);
  const struct {
    std::string line;
    std::optional<EdgeLogLine> expected;
  } cases[] = {
      {"D true 1000000 42", dcf77(true, 1000000, 42)},
      {"M false 0 0", msf(false, 0, 0)},
      {"D false 4294967295 4294967295", dcf77(false, 4294967295, 4294967295)},
      {"D\ttrue \v\f 0000000007\r 007 \t", dcf77(true, 7, 7)},
      // Left to parse_raw_line, which reads them.
      {"  D true 1 2", std::nullopt},
      {"D true +7 7", std::nullopt},
      {"D true 00000000007 7", std::nullopt},
      {"D true 1 2 3", std::nullopt},
      {"D true 1 2 #", std::nullopt},
      {cat({"D", nbsp, "true 1 2"}), std::nullopt},
      {cat({"D true 1 2", nbsp}), std::nullopt},
      // Left to parse_raw_line, which rejects them.
      {"", std::nullopt},
      {"D", std::nullopt},
      {"D ", std::nullopt},
      {"Dtrue 1 2", std::nullopt},
      {"X true 1 2", std::nullopt},
      {"D truefalse 1 2", std::nullopt},
      {"D True 1 2", std::nullopt},
      {"D tru", std::nullopt},
      {"D true", std::nullopt},
      {"D true 1", std::nullopt},
      {"D true 1 ", std::nullopt},
      {"D true 4294967296 1", std::nullopt},
      {"D true 1 99999999999", std::nullopt},
      {"D true 12a 1", std::nullopt},
      {"D true 1 2a", std::nullopt},
      {"D true -1 2", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    // A buffer of exactly the line's size: a read past its end is caught by
    // the address sanitizer.
    const auto buffer = std::make_unique<char[]>(c.line.size());
    std::memcpy(buffer.get(), c.line.data(), c.line.size());
    const std::optional<EdgeLogLine> plain =
        parse_plain_edge_line(std::string_view(buffer.get(), c.line.size()));
    EXPECT_EQ(plain, c.expected);
    if (plain) {
      const auto full = parse_raw_line(c.line, 1);
      ASSERT_TRUE(std::holds_alternative<EdgeLogLine>(full));
      EXPECT_EQ(std::get<EdgeLogLine>(full), *plain);
    }
  }
}

struct Walk {
  std::vector<EdgeLogLine> lines;
  std::optional<std::string> message;
};

Walk walk(std::string_view text) {
  Walk result;
  result.message =
      walk_edge_log(text, [&result](const EdgeLogLine& line) { result.lines.push_back(line); });
  return result;
}

TEST(WalkEdgeLog, VisitsEveryLineInOrder) {
  const struct {
    std::string_view text;
    std::vector<EdgeLogLine> expected;
  } cases[] = {
      {"", {}},
      {"D true 1 2", {dcf77(true, 1, 2)}},
      {"D true 1 2\n", {dcf77(true, 1, 2)}},
      {"# start\nD true 1 2\nM false 3 4\n",
       {comment("# start"), dcf77(true, 1, 2), msf(false, 3, 4)}},
      {"# start\r\nD true 1 2\r\nM false 3 4\r\n",
       {comment("# start"), dcf77(true, 1, 2), msf(false, 3, 4)}},
      {"# mixed\r\n# endings\nD false 5 6",
       {comment("# mixed"), comment("# endings"), dcf77(false, 5, 6)}},
      // Only a carriage return right before a line feed is a line ending.
      {"# a\rb\n", {comment("# a\rb")}},
      {"# cr\r\r\n", {comment("# cr\r")}},
      {"# last\r", {comment("# last\r")}},
      {"D true 1 2\r", {dcf77(true, 1, 2)}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::string(c.text)));
    const Walk result = walk(c.text);
    EXPECT_EQ(result.message, std::nullopt);
    EXPECT_EQ(result.lines, c.expected);
  }
}

TEST(WalkEdgeLog, CommentPointsIntoTheLog) {
  const std::string_view text = "D true 1 2\r\n  # note\r\n";
  const Walk result = walk(text);
  ASSERT_EQ(result.lines.size(), 2u);
  EXPECT_EQ(result.lines[1].comment->data(), text.data() + 12);
  EXPECT_EQ(*result.lines[1].comment, "  # note");
}

TEST(WalkEdgeLog, GoodLinesAllocateNothing) {
  const std::string_view text =
      "# a receiver log\r\n"
      "D true 1000000 1\r\n"
      "M false 1100000 2\n"
      "\t D"
      "\xe3\x80\x80"
      "false +1200000 0003 extra\n"
      "  # indented comment\n"
      "D true 4294967295 4294967295";
  std::size_t edges = 0;
  std::size_t comments = 0;
  const long before = allocations;
  const std::optional<std::string> message =
      walk_edge_log(text, [&](const EdgeLogLine& line) { ++(line.edge ? edges : comments); });
  const long after = allocations;
  EXPECT_EQ(message, std::nullopt);
  EXPECT_EQ(edges, 4u);
  EXPECT_EQ(comments, 2u);
  EXPECT_EQ(after - before, 0);

  // The counter does see an allocation: the message of a bad line.
  EXPECT_NE(walk_edge_log("D true x 1", [](const EdgeLogLine&) {}), std::nullopt);
  EXPECT_GT(allocations - after, 0);
}

TEST(WalkEdgeLog, StopsAtTheFirstBadLine) {
  const struct {
    std::string_view text;
    std::size_t lines_visited;
    std::string message;
  } cases[] = {
      {"# c\nM true 1 2\nD true x 3\nD true 4 5\n", 2, bad_value("when", kInvalidDigit, 3)},
      {"# c\r\nM true 1 2\r\nD true\r\nD bad\r\n", 2, missing("when", 3)},
      {"\n", 0, invalid_start(1)},
      {"\r\n", 0, invalid_start(1)},
      {"D true 1 2\n\nD true 3 4\n", 1, invalid_start(2)},
      {"D true 1 2\n\n", 1, invalid_start(2)},
      {"D true 1 2\n  \t\n", 1, invalid_start(2)},
      // A bad line of the other station ends the walk all the same.
      {"D true 1 2\nM maybe 3 4\n", 1, bad_value("is_high", kNotBoolean, 2)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::string(c.text)));
    const Walk result = walk(c.text);
    EXPECT_EQ(result.lines.size(), c.lines_visited);
    EXPECT_EQ(result.message, c.message);
  }
}

}  // namespace
}  // namespace quillfen
