# Warnings for our own targets only; linked PRIVATE so they never leak to users.
# As errors in CI; a user's newer compiler with new warnings still builds.
option(PANDEMIE_WERROR "Treat warnings in our code as errors" OFF)
add_library(pandemie_warnings INTERFACE)
add_library(pandemie::warnings ALIAS pandemie_warnings)
target_compile_options(pandemie_warnings INTERFACE -Wall -Wextra -Wpedantic -Wconversion -Wshadow
                                                   $<$<BOOL:${PANDEMIE_WERROR}>:-Werror>)
