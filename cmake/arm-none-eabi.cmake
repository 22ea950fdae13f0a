# Cross build for Arm Cortex-M microcontrollers with Debian's gcc-arm-none-eabi
# and newlib (scripts/setup --dev installs them).
#
# QUILLFEN_ARM_CPU_FLAGS names the core, for example
#   -mcpu=cortex-m0plus -mthumb
#   -mcpu=cortex-m4 -mthumb -mfloat-abi=hard -mfpu=fpv4-sp-d16
# (the cortex-m0plus, cortex-m4 and mps2-an385 presets set it). Every build
# is firmware-grade: no exceptions, no RTTI, one section per function and per
# object so that the link drops whatever the program does not reach.
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR arm)

set(CMAKE_CXX_COMPILER arm-none-eabi-g++)

# A bare-metal program needs startup code and a linker script that the
# compiler checks cannot supply: they only compile a library.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

set(QUILLFEN_ARM_CPU_FLAGS "-mcpu=cortex-m0plus -mthumb" CACHE STRING
    "Core, instruction set and floating-point unit of the Cortex-M target")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QUILLFEN_ARM_CPU_FLAGS)

set(CMAKE_CXX_FLAGS_INIT
    "${QUILLFEN_ARM_CPU_FLAGS} -fno-exceptions -fno-rtti -ffunction-sections -fdata-sections")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${QUILLFEN_ARM_CPU_FLAGS} -Wl,--gc-sections")

# Look for libraries and headers in the cross tools' own tree only.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
