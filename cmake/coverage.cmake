# gcov instrumentation for our own targets (atomic counters: the ensemble
# runs on several threads): pandemie::warnings, which every
# target of ours links PRIVATE, carries it, so nothing else is instrumented.
option(PANDEMIE_COVERAGE "Instrument our targets for line coverage (gcov)" OFF)
add_library(pandemie_coverage INTERFACE)
add_library(pandemie::coverage ALIAS pandemie_coverage)
if(PANDEMIE_COVERAGE)
  target_compile_options(pandemie_coverage INTERFACE --coverage -fprofile-update=atomic)
  target_link_options(pandemie_coverage INTERFACE --coverage)
endif()
target_link_libraries(pandemie_warnings INTERFACE pandemie::coverage)
