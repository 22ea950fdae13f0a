// The two long options of the command line, --help and --version, as the
// short options -h and -V they stand for.
#ifndef QUILLFEN_SRC_OPTIONS_LONG_OPTIONS_HPP_
#define QUILLFEN_SRC_OPTIONS_LONG_OPTIONS_HPP_

#include <string>
#include <string_view>
#include <vector>

namespace quillfen {

// Returns `arguments` (split into code points, the program name first) with
// every argument that is exactly "--help" replaced by "-h" and every one that
// is exactly "--version" replaced by "-V", where it stands in place of an
// option, as OptionParser over `option_string` would read the list: before the
// end of the options, and not as the argument of an option ("-f --help" keeps
// the file name "--help"). Everything else is left as it is, so "--x", "--hel"
// and "--help=x" still fail as unknown options, and nothing after the first
// parser error is replaced (the run ends there anyway). One walk over the
// list: linear in its length.
// REQUIRES: `option_string` declares h and V as options without an argument.
std::vector<std::u32string> with_long_options_as_short(std::vector<std::u32string> arguments,
                                                       std::u32string_view option_string);

}  // namespace quillfen

#endif  // QUILLFEN_SRC_OPTIONS_LONG_OPTIONS_HPP_
