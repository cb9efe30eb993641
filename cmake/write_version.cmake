# Writes the command line's version header: the project's version, and the commit when the source
# is a git checkout ("0.1 (3be8002)", "0.1 (3be8002, modified)"). Run at every build; the file is
# rewritten only when its text changes, so nothing is rebuilt for nothing.
set(text "${VERSION}")
find_package(Git QUIET)
if(GIT_FOUND AND EXISTS "${SOURCE_DIR}/.git")
  execute_process(COMMAND "${GIT_EXECUTABLE}" -C "${SOURCE_DIR}" rev-parse --short HEAD
    OUTPUT_VARIABLE commit OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE failed)
  if(NOT failed AND commit)
    execute_process(COMMAND "${GIT_EXECUTABLE}" -C "${SOURCE_DIR}" status --porcelain --untracked-files=no
      OUTPUT_VARIABLE changes OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(changes)
      set(text "${VERSION} (${commit}, modified)")
    else()
      set(text "${VERSION} (${commit})")
    endif()
  endif()
endif()
set(content "// Written by the build from the project's version and commit.\n#pragma once\nconstexpr const char* kReelmakerVersion = \"${text}\";\n")
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
endif()
if(NOT old STREQUAL content)
  file(WRITE "${OUTPUT}" "${content}")
endif()
