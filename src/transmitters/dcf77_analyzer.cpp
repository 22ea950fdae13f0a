#include "src/transmitters/dcf77_analyzer.hpp"

namespace quillfen {

// Placeholder until the DCF77 decoder lands: an empty report.
Report analyze_dcf77_bits(std::string_view, bool, bool) { return {}; }

Report analyze_dcf77_edges(std::string_view, bool, bool, std::optional<std::uint32_t>) {
  return {};
}

}  // namespace quillfen
