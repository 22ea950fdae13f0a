// Startup of the firmware example on a Cortex-M core: the vector table, and
// the reset handler that prepares memory as the linker script (an385.ld)
// lays it out, runs the static constructors and then the program.
#include <cstdint>

#include "examples/firmware/semihosting.hpp"

// The program, in main.cpp; returns 0 on success.
int run_firmware();

// Symbols of the linker script.
extern "C" {
extern std::uint32_t __data_start[];
extern std::uint32_t __data_end[];
extern const std::uint32_t __data_load[];
extern std::uint32_t __bss_start[];
extern std::uint32_t __bss_end[];
extern std::uint32_t __stack_top[];
extern void (*const __init_array_start[])();
extern void (*const __init_array_end[])();
}

namespace {

[[noreturn]] void reset_handler() {
  const std::uint32_t* from = __data_load;
  for (std::uint32_t* to = __data_start; to < __data_end;) {
    *to++ = *from++;
  }
  for (std::uint32_t* to = __bss_start; to < __bss_end;) {
    *to++ = 0;
  }
  for (auto* constructor = __init_array_start; constructor < __init_array_end; ++constructor) {
    (*constructor)();
  }
  quillfen::firmware::semihosting::exit(run_firmware() == 0);
}

// Nothing in the example raises an exception of the core or an interrupt, so
// any of them is a fault: say so and end, rather than hang the emulator.
[[noreturn]] void fault_handler() {
  quillfen::firmware::semihosting::write("firmware: unexpected exception or interrupt\n");
  quillfen::firmware::semihosting::exit(false);
}

using Handler = void (*)();

// The 16 entries of the Cortex-M system vectors: the initial stack pointer,
// reset, then NMI, HardFault, MemManage, BusFault, UsageFault, four reserved,
// SVCall, DebugMonitor, one reserved, PendSV and SysTick.
[[gnu::section(".vectors"), gnu::used]] const Handler kVectors[16] = {
    reinterpret_cast<Handler>(__stack_top),
    reset_handler,
    fault_handler,
    fault_handler,
    fault_handler,
    fault_handler,
    fault_handler,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    fault_handler,
    fault_handler,
    nullptr,
    fault_handler,
    fault_handler,
};

}  // namespace
