// The version of quillfen, as -V prints it.
#ifndef QUILLFEN_SRC_LIB_VERSION_HPP_
#define QUILLFEN_SRC_LIB_VERSION_HPP_

#include <string_view>

namespace quillfen {

// "quillfen " followed by the project's version (the VERSION of project() in
// the top-level CMakeLists.txt, its only source) and a line feed, as in
// "quillfen 0.2.0\n".
std::string_view version_text();

}  // namespace quillfen

#endif  // QUILLFEN_SRC_LIB_VERSION_HPP_
