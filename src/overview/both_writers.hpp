// Two writers as one (see log_walk.hpp): every value the walk hands out goes
// to the first, then to the second, so that one walk feeds, say, the report
// on standard output and the fold behind a picture. Resolved at compile
// time: no call through a pointer per line or per edge.
#ifndef QUILLFEN_SRC_OVERVIEW_BOTH_WRITERS_HPP_
#define QUILLFEN_SRC_OVERVIEW_BOTH_WRITERS_HPP_

#include <string_view>

#include "src/lib/edge_log.hpp"

namespace quillfen {

template <typename First, typename Second>
class BothWriters {
 public:
  // Both must outlive this value.
  BothWriters(First& first, Second& second) : first_(first), second_(second) {}

  // False as soon as either is no longer ok: a reader of standard output
  // that went away ends the run, picture or not.
  bool ok() const { return first_.ok() && second_.ok(); }
  void comment(std::string_view line) {
    first_.comment(line);
    second_.comment(line);
  }
  void edge(const EdgeSample& sample) {
    first_.edge(sample);
    second_.edge(sample);
  }
  template <typename Step>
  [[gnu::always_inline]] void take(const Step& step) {
    first_.take(step);
    second_.take(step);
  }

 private:
  First& first_;
  Second& second_;
};

}  // namespace quillfen

#endif  // QUILLFEN_SRC_OVERVIEW_BOTH_WRITERS_HPP_
