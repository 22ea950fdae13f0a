#include "src/lib/version.hpp"

namespace quillfen {

// QUILLFEN_VERSION comes from the build (src/lib/CMakeLists.txt).
std::string_view version_text() { return "quillfen " QUILLFEN_VERSION "\n"; }

}  // namespace quillfen
