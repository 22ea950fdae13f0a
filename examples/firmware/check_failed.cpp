// The firmware's definition of the precondition-check failure (declared in
// base/check.hpp): the same message as the host's, through semihosting
// instead of standard error, then the program ends with a failure.
#include "base/check.hpp"
#include "examples/firmware/semihosting.hpp"
#include "examples/firmware/text_line.hpp"

namespace quillfen {

void check_failed(const char* condition, const char* file, int line) noexcept {
  firmware::TextLine where;
  where.add(":");
  where.add_decimal(static_cast<std::uint32_t>(line));
  where.add(": ");
  firmware::semihosting::write("quillfen: internal error: ");
  firmware::semihosting::write(file);
  firmware::semihosting::write(where.c_str());
  firmware::semihosting::write(condition);
  firmware::semihosting::write("\n");
  firmware::semihosting::exit(false);
}

}  // namespace quillfen
