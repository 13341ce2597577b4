# Installs the build into PREFIX and checks the installed layout; validates
# the desktop entry and the AppStream metadata where their tools are at hand.
# cmake -DBUILD_DIR=... -DPREFIX=... -P check_install.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
set(id org.pandemie.pandemie)
foreach(file IN ITEMS bin/pandemie bin/pandemie-cli
                      share/applications/${id}.desktop
                      share/icons/hicolor/scalable/apps/${id}.svg
                      share/metainfo/${id}.metainfo.xml
                      share/man/man1/pandemie.1 share/man/man1/pandemie-cli.1
                      share/bash-completion/completions/pandemie-cli
                      share/doc/pandemie/README.md share/doc/pandemie/LICENSE)
  if(NOT EXISTS "${PREFIX}/${file}")
    message(FATAL_ERROR "missing after install: ${file}")
  endif()
endforeach()

function(check_with tool)
  find_program(program_${tool} ${tool})
  set(program "${program_${tool}}")
  if(program)
    execute_process(COMMAND ${program} ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(NOT result EQUAL 0 OR output MATCHES "(hint|warning|error):")
      message(FATAL_ERROR "${tool} ${ARGN}:\n${output}")
    endif()
  else()
    message(STATUS "${tool} not installed: not checked")
  endif()
endfunction()
check_with(desktop-file-validate "${PREFIX}/share/applications/${id}.desktop")
check_with(appstreamcli validate --no-net --pedantic "${PREFIX}/share/metainfo/${id}.metainfo.xml")

# Manual pages: man renders them without a complaint, and lexgrog finds
# their NAME lines.
foreach(page pandemie pandemie-cli)
  set(file "${PREFIX}/share/man/man1/${page}.1")
  execute_process(COMMAND man --warnings -E UTF-8 -l "${file}" RESULT_VARIABLE result
                  OUTPUT_VARIABLE text ERROR_VARIABLE complaints ENCODING UTF-8)
  if(NOT result EQUAL 0 OR NOT complaints STREQUAL "")
    message(FATAL_ERROR "man -l ${page}.1: ${result}\n${complaints}")
  endif()
  execute_process(COMMAND lexgrog "${file}" RESULT_VARIABLE result OUTPUT_VARIABLE name)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "lexgrog finds no NAME line in ${page}.1")
  endif()
endforeach()
foreach(section ÜBERSICHT BESCHREIBUNG BEDIENUNG EXIT-STATUS)
  execute_process(COMMAND man -E UTF-8 -l "${PREFIX}/share/man/man1/pandemie.1" OUTPUT_VARIABLE text ENCODING UTF-8)
  if(NOT text MATCHES "${section}")
    message(FATAL_ERROR "pandemie(1) lacks ${section}")
  endif()
endforeach()
execute_process(COMMAND man -l "${PREFIX}/share/man/man1/pandemie-cli.1" OUTPUT_VARIABLE text)
foreach(expected "--encounters" "--runs" "EXIT STATUS" "FILES" "EXAMPLES")
  string(FIND "${text}" "${expected}" at)
  if(at LESS 0)
    message(FATAL_ERROR "pandemie-cli(1) lacks ${expected}")
  endif()
endforeach()
