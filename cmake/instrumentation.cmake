# Instrumented builds: sanitizers or line coverage; else the hardening. The
# model links this PUBLIC, so every target of ours, tests included, is built
# the same way.
option(PANDEMIE_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(PANDEMIE_COVERAGE "Instrument our targets for line coverage (gcov)" OFF)
add_library(pandemie_instrumentation INTERFACE)
add_library(pandemie::instrumentation ALIAS pandemie_instrumentation)
include(${CMAKE_CURRENT_LIST_DIR}/hardening.cmake)
target_link_libraries(pandemie_instrumentation INTERFACE pandemie::hardening)
if(PANDEMIE_SANITIZE)
  target_compile_options(pandemie_instrumentation INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
                                                            -fno-sanitize-recover=all)
  target_link_options(pandemie_instrumentation INTERFACE -fsanitize=address,undefined)
endif()
if(PANDEMIE_COVERAGE)
  # Atomic counters: ensembles run on several threads.
  target_compile_options(pandemie_instrumentation INTERFACE --coverage -fprofile-update=atomic)
  target_link_options(pandemie_instrumentation INTERFACE --coverage)
endif()
