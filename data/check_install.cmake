# Installs the build into PREFIX and checks the installed layout; validates
# the desktop entry when desktop-file-validate is at hand.
# cmake -DBUILD_DIR=... -DPREFIX=... -DBINDIR=bin -DDATADIR=share -P check_install.cmake
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
foreach(file IN ITEMS ${BINDIR}/pandemie ${BINDIR}/pandemie-cli
                      ${DATADIR}/applications/pandemie.desktop
                      ${DATADIR}/icons/hicolor/scalable/apps/pandemie.svg)
  if(NOT EXISTS "${PREFIX}/${file}")
    message(FATAL_ERROR "missing after install: ${file}")
  endif()
endforeach()
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
if(DESKTOP_FILE_VALIDATE)
  execute_process(COMMAND "${DESKTOP_FILE_VALIDATE}" "${PREFIX}/${DATADIR}/applications/pandemie.desktop"
                  RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "desktop-file-validate rejects the desktop entry")
  endif()
endif()
