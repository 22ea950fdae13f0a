# The size report of the firmware example: what the images occupy (text, data,
# bss from arm-none-eabi-size), what each part adds to the image with both
# decoders (from its link map), and how large the decoders' values are on the
# target. Run as a build step:
#   cmake -DSIZE=<size> -DNM=<nm> -DCPU=<flags> -DOUT=<file>
#         -DDCF77=<elf> -DMSF=<elf> -DBOTH=<elf> -DSIZEOF=<object> -P sizes.cmake
# The map of BOTH is <BOTH>.map. Writes the report as Markdown to OUT and
# prints it.

function(run out)
  execute_process(COMMAND ${ARGN} OUTPUT_VARIABLE output RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "sizes: ${ARGN} failed")
  endif()
  set(${out} "${output}" PARENT_SCOPE)
endfunction()

set(report "Firmware example, ${CPU}, -Os, in bytes.\n\n")

# ---- Whole images -------------------------------------------------------------
string(APPEND report "| image | text | data | bss |\n| --- | ---: | ---: | ---: |\n")
foreach(row "DCF77 decoder only;DCF77" "MSF decoder only;MSF"
            "both decoders;BOTH")
  list(GET row 0 label)
  list(GET row 1 variable)
  run(table "${SIZE}" "${${variable}}")
  # The second line: text, data, bss, dec, hex, file name.
  string(REGEX MATCH "\n *([0-9]+)[ \t]+([0-9]+)[ \t]+([0-9]+)" row "${table}")
  string(APPEND report "| ${label} | ${CMAKE_MATCH_1} | ${CMAKE_MATCH_2} | ${CMAKE_MATCH_3} |\n")
endforeach()

# ---- Parts of the image with both decoders, from its link map ---------------
# An input section of the map is " <name> 0x<address> 0x<size> <file>", the
# name on a line of its own when it is long. Only the sections that end up in
# the image count: the code, constants and unwind tables in flash (text), the
# initialised data (data) and the zeroed data (bss). Strings that the linker
# merged share their addresses and count once, for the part met first.
set(parts dcf77 msf datetime base handlers recording startup runtime)
set(label_dcf77 "DCF77 decoder and receiver (`dcf77/`)")
set(label_msf "MSF decoder and receiver (`msf/`)")
set(label_datetime "date-time core (`datetime/`)")
set(label_base "`base/` (the example links its own `check_failed`)")
set(label_handlers "edge handlers and minute lines (example)")
set(label_recording "recorded edges (example)")
set(label_startup "startup, semihosting, `check_failed` (example)")
set(label_runtime "C library and compiler runtime")
foreach(part IN LISTS parts)
  foreach(kind text data bss)
    set(${part}_${kind} 0)
  endforeach()
endforeach()

file(STRINGS "${BOTH}.map" map_lines)
set(in_map FALSE)
set(kind "")
foreach(line IN LISTS map_lines)
  if(line MATCHES "^Linker script and memory map")
    set(in_map TRUE)
    continue()
  endif()
  if(NOT in_map)
    continue()
  endif()
  # An output section starts in the first column.
  if(line MATCHES "^(\\.[A-Za-z_.]+)")
    set(section "${CMAKE_MATCH_1}")
    if(section STREQUAL ".text" OR section STREQUAL ".ARM.exidx"
       OR section STREQUAL ".init_array")
      set(kind text)
    elseif(section STREQUAL ".data")
      set(kind data)
    elseif(section STREQUAL ".bss")
      set(kind bss)
    else()
      set(kind "")
    endif()
    set(covered_to 0)
    continue()
  endif()
  if(kind STREQUAL "" OR NOT line MATCHES "0x([0-9a-f]+) +0x([0-9a-f]+) +([^ ]+)$")
    continue()
  endif()
  math(EXPR start "0x${CMAKE_MATCH_1}")
  math(EXPR end "0x${CMAKE_MATCH_1} + 0x${CMAKE_MATCH_2}")
  set(file "${CMAKE_MATCH_3}")
  if(start LESS covered_to)
    set(start ${covered_to})
  endif()
  if(end LESS_EQUAL start)
    continue()
  endif()
  math(EXPR bytes "${end} - ${start}")
  set(covered_to ${end})
  if(file MATCHES "libquillfen_dcf77\\.a")
    set(part dcf77)
  elseif(file MATCHES "libquillfen_msf\\.a")
    set(part msf)
  elseif(file MATCHES "libquillfen_datetime\\.a")
    set(part datetime)
  elseif(file MATCHES "libquillfen_base\\.a")
    set(part base)
  elseif(file MATCHES "libquillfen_firmware_replay\\.a\\(recorded_edges")
    set(part recording)
  elseif(file MATCHES "libquillfen_firmware_replay\\.a")
    set(part handlers)
  elseif(file MATCHES "CMakeFiles/")
    set(part startup)
  else()
    set(part runtime)
  endif()
  math(EXPR ${part}_${kind} "${${part}_${kind}} + ${bytes}")
endforeach()

string(APPEND report "\nWhat each part adds to the image with both decoders (its link map):\n\n")
string(APPEND report "| part | text | data | bss |\n| --- | ---: | ---: | ---: |\n")
foreach(part IN LISTS parts)
  string(APPEND report
         "| ${label_${part}} | ${${part}_text} | ${${part}_data} | ${${part}_bss} |\n")
endforeach()
string(APPEND report "\nThe decoders keep no static data: their state is the decoder value that the\n"
                     "caller owns (here in the example's bss, one per station).\n")

# ---- The values, from symbols as large as they are -----------------------------
run(symbols "${NM}" --print-size "${SIZEOF}")
string(APPEND report "\n| value | sizeof on the target |\n| --- | ---: |\n")
foreach(type Dcf77Receiver MsfReceiver Dcf77Decoder MsfDecoder DateTimeRecord)
  if(NOT symbols MATCHES "[0-9a-f]+ ([0-9a-f]+) [A-Za-z] quillfen_sizeof_${type}\n")
    message(FATAL_ERROR "sizes: no size of ${type} in ${SIZEOF}")
  endif()
  math(EXPR bytes "0x${CMAKE_MATCH_1}")
  string(APPEND report "| `${type}` | ${bytes} |\n")
endforeach()

file(WRITE "${OUT}" "${report}")
message("${report}")
