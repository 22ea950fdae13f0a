#include "src/testing/fault_checks.hpp"

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <sstream>

namespace quillfen::e2e {
namespace {

// The date-time lines of a report ("24-03-05 Tuesday 14:37 ...").
std::set<std::string> datetime_lines(std::string_view report) {
  std::set<std::string> lines;
  for (const std::string& line : report_lines(report)) {
    if (line.size() > 9 && std::isdigit(static_cast<unsigned char>(line[0])) && line[2] == '-') {
      lines.insert(line);
    }
  }
  return lines;
}

std::vector<std::string> without_edge_lines(std::string_view report) {
  std::vector<std::string> lines;
  for (std::string& line : report_lines(report)) {
    if (line.empty() || (line[0] != '<' && line[0] != ' ')) lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace

std::vector<std::string> report_lines(std::string_view report) {
  std::vector<std::string> lines;
  std::istringstream stream{std::string(report)};
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

std::string joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

void expect_no_false_jump(std::string_view faulted, std::string_view clean,
                          std::size_t tail_lines) {
  ASSERT_NE(faulted, clean) << "the fault changed nothing";
  EXPECT_EQ(faulted.find("jumped"), std::string_view::npos) << faulted;
  const std::set<std::string> truth = datetime_lines(clean);
  for (const std::string& line : datetime_lines(faulted)) {
    EXPECT_EQ(truth.count(line), 1u) << "not a true time: " << line;
  }
  const std::vector<std::string> a = without_edge_lines(faulted);
  const std::vector<std::string> b = without_edge_lines(clean);
  ASSERT_GE(a.size(), tail_lines);
  ASSERT_GE(b.size(), tail_lines);
  EXPECT_EQ(std::vector<std::string>(a.end() - static_cast<std::ptrdiff_t>(tail_lines), a.end()),
            std::vector<std::string>(b.end() - static_cast<std::ptrdiff_t>(tail_lines), b.end()));
}

}  // namespace quillfen::e2e
