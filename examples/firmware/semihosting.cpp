#include "examples/firmware/semihosting.hpp"

#include <cstdint>

namespace quillfen::firmware::semihosting {

namespace {

// Operation numbers and exit reasons of the Arm semihosting interface.
constexpr std::uintptr_t kSysWrite0 = 0x04;
constexpr std::uintptr_t kSysExit = 0x18;
constexpr std::uintptr_t kApplicationExit = 0x20026;
constexpr std::uintptr_t kRunTimeErrorUnknown = 0x20023;

// A semihosting call: the operation in r0, its argument in r1, then the
// breakpoint 0xAB that the debugger or emulator traps.
std::uintptr_t call(std::uintptr_t operation, std::uintptr_t argument) {
  std::uintptr_t result = 0;
  asm volatile(
      "mov r0, %1\n"
      "mov r1, %2\n"
      "bkpt 0xab\n"
      "mov %0, r0\n"
      : "=r"(result)
      : "r"(operation), "r"(argument)
      : "r0", "r1", "memory");
  return result;
}

}  // namespace

void write(const char* text) { call(kSysWrite0, reinterpret_cast<std::uintptr_t>(text)); }

void exit(bool success) {
  // On 32-bit Arm the exit reason itself is the argument.
  call(kSysExit, success ? kApplicationExit : kRunTimeErrorUnknown);
  // Without a host that ends the program, stop here.
  for (;;) {
  }
}

}  // namespace quillfen::firmware::semihosting
