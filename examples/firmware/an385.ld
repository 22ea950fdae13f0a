/* Memory layout of the firmware example. The addresses are those of the
 * MPS2-AN385 board (code from 0x00000000, data from 0x20000000), which qemu
 * emulates; the lengths are those of a small Cortex-M0+ part, 256 KiB of
 * flash and 32 KiB of RAM, so that an image that links here fits such a
 * part too. */
MEMORY
{
  FLASH (rx)  : ORIGIN = 0x00000000, LENGTH = 256K
  RAM   (rwx) : ORIGIN = 0x20000000, LENGTH = 32K
}

/* Room left for the stack above the static data. */
__stack_size = 4K;

SECTIONS
{
  .text :
  {
    KEEP(*(.vectors))
    *(.text .text.*)
    *(.rodata .rodata.*)
    . = ALIGN(4);
  } > FLASH

  /* Unwind tables of library code; the example throws nothing, only the
   * heap canary of the link check needs them. */
  .ARM.exidx :
  {
    __exidx_start = .;
    *(.ARM.exidx .ARM.exidx.* .gnu.linkonce.armexidx.*)
    __exidx_end = .;
  } > FLASH

  .init_array :
  {
    . = ALIGN(4);
    __init_array_start = .;
    KEEP(*(SORT(.init_array.*)))
    KEEP(*(.init_array))
    __init_array_end = .;
  } > FLASH

  .data :
  {
    . = ALIGN(4);
    __data_start = .;
    *(.data .data.*)
    . = ALIGN(4);
    __data_end = .;
  } > RAM AT > FLASH
  __data_load = LOADADDR(.data);

  .bss (NOLOAD) :
  {
    . = ALIGN(4);
    __bss_start = .;
    *(.bss .bss.* COMMON)
    . = ALIGN(4);
    __bss_end = .;
  } > RAM

  __stack_top = ORIGIN(RAM) + LENGTH(RAM);
  ASSERT(__stack_top - __bss_end >= __stack_size, "firmware: no room left for the stack")
}
