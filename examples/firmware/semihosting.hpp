// Arm semihosting: the program's output and its end go to the debugger or
// emulator it runs under (qemu-system-arm -semihosting). Cortex-M only.
#ifndef QUILLFEN_EXAMPLES_FIRMWARE_SEMIHOSTING_HPP_
#define QUILLFEN_EXAMPLES_FIRMWARE_SEMIHOSTING_HPP_

namespace quillfen::firmware::semihosting {

// Writes the NUL-terminated `text` to the host's console.
void write(const char* text);

// Ends the program; the emulator exits with status 0 when `success`, else 1.
[[noreturn]] void exit(bool success);

}  // namespace quillfen::firmware::semihosting

#endif  // QUILLFEN_EXAMPLES_FIRMWARE_SEMIHOSTING_HPP_
