# The hardening a Debian package is expected to have: fortified C library calls, a
# read-only relocation table bound at start-up, a strong stack protector. Fortifying needs
# the optimiser, and the sanitizers bring checks of their own, so debug and sanitizer
# builds go without. Included before any target is defined.
if(NOT KELVARA_SANITIZE)
  add_compile_options(-fstack-protector-strong)
  add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
  add_link_options(LINKER:-z,relro LINKER:-z,now)
endif()
