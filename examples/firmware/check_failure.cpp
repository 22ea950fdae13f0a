// A firmware program that breaks a precondition of the bit-field helpers on
// purpose (a bit range outside the buffer), to show that QUILLFEN_CHECK on the
// target reaches the firmware's check_failed: the message goes out through
// semihosting and the program ends with a failure instead of running on.
// firmware_test runs it under qemu.
#include <cstdint>
#include <optional>

#include "datetime/bit_field.hpp"

int run_firmware() {
  const quillfen::BitBuffer bits{};
  // The range 70..69 is not longer than a BCD field may be, so the helper
  // checks it against the buffer and stops the program.
  const std::optional<std::uint32_t> value = quillfen::get_bcd_value(bits, 70, 69);
  return value.has_value() ? 2 : 3;
}
