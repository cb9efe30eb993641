# Fails when the desktop toolkit reaches the core library or the command line: their link and
# include settings, the core's sources, or the command line's dynamic libraries.
#   cmake -DLINK_INFO=<file> -DSOURCE_DIR=<src> -DCLI=<reelmaker> -P no_toolkit_in_core.cmake
set(problems "")

file(READ "${LINK_INFO}" settings)
string(REPLACE ";" ", " settings "${settings}")
string(REGEX MATCHALL "[^\n]*[Qq][Tt][0-9]*::[^\n]*|[^\n]*[Qq]t[56][^\n]*" hits "${settings}")
foreach(hit IN LISTS hits)
  string(APPEND problems "  build setting: ${hit}\n")
endforeach()

file(GLOB_RECURSE sources "${SOURCE_DIR}/*.h" "${SOURCE_DIR}/*.cpp")
foreach(source IN LISTS sources)
  file(RELATIVE_PATH relative "${SOURCE_DIR}" "${source}")
  if(relative MATCHES "^(gui|platform/qt)/")
    continue()
  endif()
  file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Za-z]|qt|Qt)")
  foreach(line IN LISTS includes)
    string(APPEND problems "  ${source}: ${line}\n")
  endforeach()
endforeach()

find_program(LDD ldd)
if(LDD AND EXISTS "${CLI}")
  execute_process(COMMAND "${LDD}" "${CLI}" OUTPUT_VARIABLE libraries ERROR_QUIET)
  string(REGEX MATCHALL "[^\n]*libQt[^\n]*" hits "${libraries}")
  foreach(hit IN LISTS hits)
    string(APPEND problems "  reelmaker loads: ${hit}\n")
  endforeach()
endif()

if(problems)
  message(FATAL_ERROR "the desktop toolkit reaches the core or the command line:\n${problems}")
endif()
message(STATUS "core library and command line are toolkit-free")
