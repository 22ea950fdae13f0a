// parse_raw_line and walk_edge_log on arbitrary valid UTF-8, compared with a
// plain re-statement of the edge-log rules (fuzz/models.hpp):
//   - every line parses to exactly the model's line, or fails with exactly
//     the model's message, which ends in "\n" and names the line number;
//   - the walk visits exactly the good lines before the first bad one, with
//     comment texts pointing into the log, and stops with that line's message
//     (computed independently by the model), or visits every line;
//   - the whole input taken as one line, and every cut of the first short
//     lines at a character boundary, parse as the model says.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "fuzz/fuzz_check.hpp"
#include "fuzz/models.hpp"
#include "src/lib/edge_log.hpp"
#include "src/lib/utf8.hpp"

namespace quillfen::fuzz {
namespace {

void check_message(const std::string& message, std::uint32_t line_number) {
  FUZZ_CHECK_DETAIL(!message.empty() && message.back() == '\n', message);
  FUZZ_CHECK_DETAIL(message.find(" line " + std::to_string(line_number) + ",") != std::string::npos,
                    message);
}

// parse_raw_line(line) against the model, and a good line's comment points
// into `line` itself.
void check_line(std::string_view line, std::uint32_t line_number) {
  const auto parsed = parse_raw_line(line, line_number);
  const auto expected = model_parse_line(line, line_number);
  FUZZ_CHECK_DETAIL(parsed.index() == expected.index(), line);
  if (const auto* message = std::get_if<std::string>(&parsed)) {
    FUZZ_CHECK_DETAIL(!parse_plain_edge_line(line).has_value(), line);
    check_message(*message, line_number);
    FUZZ_CHECK_DETAIL(*message == std::get<std::string>(expected), *message);
    return;
  }
  const EdgeLogLine& good = std::get<EdgeLogLine>(parsed);
  FUZZ_CHECK_DETAIL(good == std::get<EdgeLogLine>(expected), line);
  // The walk's fast reading of the usual line, where it reads one, agrees.
  if (const std::optional<EdgeLogLine> plain = parse_plain_edge_line(line)) {
    FUZZ_CHECK_DETAIL(*plain == good, line);
  }
  FUZZ_CHECK(good.edge.has_value() == (good.kind != EdgeLineKind::Comment));
  FUZZ_CHECK(good.comment.has_value() == (good.kind == EdgeLineKind::Comment));
  FUZZ_CHECK(good.station.has_value() == (good.kind == EdgeLineKind::Edge));
  if (good.comment) {
    FUZZ_CHECK(good.comment->data() == line.data() && good.comment->size() == line.size());
  }
}

}  // namespace
}  // namespace quillfen::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quillfen;
  using namespace quillfen::fuzz;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (!model_is_utf8(text)) {
    return -1;  // the program never hands such text to the parser
  }
  FUZZ_CHECK(is_valid_utf8(text));

  // The whole input as one line: line feeds are white space here.
  check_line(text, static_cast<std::uint32_t>(size));
  check_line(text, 4294967295u);

  // What every line must give, and where the walk must stop.
  const std::vector<ModelLine> lines = model_split_lines(text);
  std::vector<std::variant<EdgeLogLine, std::string>> expected;
  std::optional<std::size_t> first_bad;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    expected.push_back(model_parse_line(lines[i].text, static_cast<std::uint32_t>(i + 1)));
    if (!first_bad && std::holds_alternative<std::string>(expected.back())) {
      first_bad = i;
    }
  }

  std::size_t visited = 0;
  const std::optional<std::string> message = walk_edge_log(text, [&](const EdgeLogLine& line) {
    FUZZ_CHECK(visited < lines.size());
    FUZZ_CHECK(!first_bad || visited < *first_bad);
    FUZZ_CHECK_DETAIL(line == std::get<EdgeLogLine>(expected[visited]), lines[visited].text);
    if (line.comment) {
      FUZZ_CHECK(line.comment->data() == lines[visited].text.data());
    }
    ++visited;
  });
  if (first_bad) {
    FUZZ_CHECK(message.has_value());
    check_message(*message, static_cast<std::uint32_t>(*first_bad + 1));
    FUZZ_CHECK_DETAIL(*message == std::get<std::string>(expected[*first_bad]), *message);
    FUZZ_CHECK(visited == *first_bad);
  } else {
    FUZZ_CHECK_DETAIL(!message.has_value(), *message);
    FUZZ_CHECK(visited == lines.size());
  }
  // The lines after the first bad one, which the walk never reaches.
  for (std::size_t i = first_bad ? *first_bad + 1 : lines.size(); i < lines.size(); ++i) {
    check_line(lines[i].text, static_cast<std::uint32_t>(i + 1));
  }

  // Every cut of the first few short lines.
  for (std::size_t i = 0; i < lines.size() && i < 8; ++i) {
    const std::string_view line = lines[i].text;
    if (line.size() <= 64) {
      for (const CodePoint& c : model_code_points(line)) {
        check_line(line.substr(0, c.offset), static_cast<std::uint32_t>(i + 1));
      }
    }
  }
  return 0;
}
