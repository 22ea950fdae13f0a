#include "src/lib/gzip_hint.hpp"

namespace quillfen {
namespace {

// Characters that mean nothing to a POSIX shell anywhere in a word.
bool is_shell_safe(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '_' || c == '-' || c == '/' || c == '+' || c == ',' || c == ':' || c == '@' ||
         c == '%';
}

std::string shell_word(std::string_view text) {
  bool safe = !text.empty();
  for (const char c : text) safe = safe && is_shell_safe(c);
  if (safe) {
    return std::string(text);
  }
  std::string quoted = "'";
  for (const char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  quoted += '\'';
  return quoted;
}

}  // namespace

bool starts_with_gzip_magic(std::string_view bytes) { return bytes.starts_with("\x1f\x8b"); }

std::string gzip_hint(std::string_view file_name) {
  // zcat would take a name such as "-x.gz" for options; "-" alone is standard
  // input to zcat as it is to quillfen.
  const std::string name = file_name.starts_with('-') && file_name != "-"
                               ? "./" + std::string(file_name)
                               : std::string(file_name);
  return "hint: the file looks gzip-compressed; try: zcat " + shell_word(name) +
         " | quillfen \xe2\x80\xa6 -f -\n";
}

}  // namespace quillfen
