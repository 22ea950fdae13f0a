# The link check of the firmware example: the image must not contain the heap
# (malloc and its relatives, operator new) or exception support (__cxa_throw,
# __cxa_allocate_exception). Run as a build step:
#   cmake -DNM=<nm> -DIMAGE=<elf> [-DEXPECT_FORBIDDEN=ON] -P check_link.cmake
# A clean image passes. An image with any of them fails the build and is
# deleted, so that the next build links it again instead of taking it as up to
# date. With EXPECT_FORBIDDEN the check is run on the heap canary and passes
# only when it finds every kind.
execute_process(
  COMMAND "${NM}" --demangle "${IMAGE}"
  OUTPUT_VARIABLE symbols
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "check_link: ${NM} could not read ${IMAGE}")
endif()

# <kind>=<regular expression matching a symbol name in nm's output>
set(kinds
  "malloc=^(_?malloc|_malloc_r|calloc|_calloc_r|realloc|_realloc_r|memalign|_memalign_r)$"
  "operator new=^operator new(\\[\\])?\\("
  "__cxa_throw=^__cxa_throw$"
  "__cxa_allocate_exception=^__cxa_allocate_exception$")

string(REPLACE "\n" ";" lines "${symbols}")
set(found "")
set(missing "")
foreach(kind IN LISTS kinds)
  string(REGEX MATCH "^[^=]+" name "${kind}")
  string(REGEX REPLACE "^[^=]+=" "" pattern "${kind}")
  set(hit "")
  foreach(line IN LISTS lines)
    # "<address> <type> <name>"; the name may hold blanks once demangled.
    string(REGEX REPLACE "^[0-9a-fA-F]* *[A-Za-z] " "" symbol "${line}")
    if(symbol MATCHES "${pattern}")
      set(hit "${symbol}")
      break()
    endif()
  endforeach()
  if(hit)
    list(APPEND found "${name} (${hit})")
  else()
    list(APPEND missing "${name}")
  endif()
endforeach()

if(EXPECT_FORBIDDEN)
  if(missing)
    message(FATAL_ERROR "check_link: the link check no longer finds ${missing} in ${IMAGE}")
  endif()
  return()
endif()

if(found)
  file(REMOVE "${IMAGE}")
  list(JOIN found ", " found_text)
  message(FATAL_ERROR "check_link: ${IMAGE} must not use the heap or exceptions, "
                      "but links ${found_text}")
endif()
