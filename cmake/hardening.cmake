# Release hardening as Debian builds its packages (dpkg-buildflags with
# hardening=+all): stack protector, fortified libc calls, stack clash and
# control-flow protection, position-independent executables, read-only
# relocations bound at start. The instrumentation target links it, so every
# target of ours gets it through the model.
# Instrumented builds go without: the sanitizers bring their own checks of
# the libc calls, and coverage builds do not optimise, which fortifying needs.
option(PANDEMIE_HARDEN "Build with the hardening flags of Debian's packages" ON)
add_library(pandemie_hardening INTERFACE)
add_library(pandemie::hardening ALIAS pandemie_hardening)
if(PANDEMIE_HARDEN AND NOT PANDEMIE_SANITIZE AND NOT PANDEMIE_COVERAGE)
  # PIE the CMake way: -fPIE for plain targets, -fPIC where Qt asks for it, -pie
  # at the link (CMP0083).
  include(CheckPIESupported)
  check_pie_supported()
  set_target_properties(pandemie_hardening PROPERTIES INTERFACE_POSITION_INDEPENDENT_CODE ON)
  target_compile_options(pandemie_hardening INTERFACE -fstack-protector-strong -fstack-clash-protection
                                                      -fcf-protection)
  # Fortifying checks sizes the optimiser works out; without it, it only warns.
  target_compile_definitions(pandemie_hardening INTERFACE
                             $<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
  target_link_options(pandemie_hardening INTERFACE LINKER:-z,relro LINKER:-z,now)
endif()
