// Telling a gzip-compressed log apart from a log that is merely not UTF-8,
// so that the user learns how to read it.
#ifndef QUILLFEN_SRC_LIB_GZIP_HINT_HPP_
#define QUILLFEN_SRC_LIB_GZIP_HINT_HPP_

#include <string>
#include <string_view>

namespace quillfen {

// Whether `bytes` begin with the two magic bytes of the gzip format, 0x1f
// 0x8b. Such bytes are never valid UTF-8 (0x8b cannot follow 0x1f).
bool starts_with_gzip_magic(std::string_view bytes);

// The line that follows the read failure of a gzip-compressed log:
// "hint: the file looks gzip-compressed; try: zcat FILE | quillfen … -f -"
// and a line feed, with `file_name` in place of FILE, between single quotes
// when the shell would read it otherwise (a single quote in it written '\''),
// and with "./" before a name other than "-" that begins with "-".
// The "…" stands for the options of the run, which stay as they were.
std::string gzip_hint(std::string_view file_name);

}  // namespace quillfen

#endif  // QUILLFEN_SRC_LIB_GZIP_HINT_HPP_
