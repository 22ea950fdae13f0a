// Test support for reports of logs with reception faults: the lines of a
// report, and the check that a fault did not make the broadcast time look as
// if it had jumped. Used by the analyzer tests only.
#ifndef QUILLFEN_SRC_TESTING_FAULT_CHECKS_HPP_
#define QUILLFEN_SRC_TESTING_FAULT_CHECKS_HPP_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quillfen::e2e {

// The lines of a text, without their line feeds.
std::vector<std::string> report_lines(std::string_view report);

// The lines again, each with a line feed.
std::string joined(const std::vector<std::string>& lines);

// A faulted log's report against its clean original's: no jump anywhere,
// every date and time the report shows is one the clean report shows (the
// true time of some minute), and the report ends as the clean one does (its
// last `tail_lines` lines other than edge lines, which may still show a bit
// the fault left in the buffer), so the clock came through the fault right.
// Fails the current test otherwise.
void expect_no_false_jump(std::string_view faulted, std::string_view clean,
                          std::size_t tail_lines);

}  // namespace quillfen::e2e

#endif  // QUILLFEN_SRC_TESTING_FAULT_CHECKS_HPP_
