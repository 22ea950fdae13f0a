#include "src/transmitters/msf_analyzer.hpp"

namespace quillfen {

// Placeholder until the MSF decoder lands: an empty report.
Report analyze_msf_bits(std::string_view, bool, bool) { return {}; }

Report analyze_msf_edges(std::string_view, bool, bool, std::optional<std::uint32_t>) {
  return {};
}

}  // namespace quillfen
