# Flags for our own targets only; linked PRIVATE so they never leak to users.
add_library(pandemie_warnings INTERFACE)
add_library(pandemie::warnings ALIAS pandemie_warnings)
target_compile_options(pandemie_warnings INTERFACE -Wall -Wextra -Wpedantic -Wconversion -Wshadow -Werror)

add_library(pandemie_sanitizers INTERFACE)
add_library(pandemie::sanitizers ALIAS pandemie_sanitizers)
if(PANDEMIE_SANITIZE)
  target_compile_options(pandemie_sanitizers INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(pandemie_sanitizers INTERFACE -fsanitize=address,undefined)
endif()
