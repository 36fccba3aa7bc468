# Warnings and sanitizers for the project's own targets. Third-party code (GoogleTest, Google
# Benchmark, OpenSSL) is consumed through imported targets and never gets these flags.

add_library(sumtide_options INTERFACE)
target_compile_options(sumtide_options INTERFACE -Wall -Wextra -Wpedantic)
# Warnings stop the build where we ask for it (the developer and CI presets), not in a plain or a
# distribution's build, where a newer compiler may warn of what is no fault.
if(SUMTIDE_WERROR)
  target_compile_options(sumtide_options INTERFACE -Werror)
endif()

if(SUMTIDE_SANITIZE)
  target_compile_options(sumtide_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(sumtide_options INTERFACE -fsanitize=address,undefined)
endif()

# Hardening, as Debian builds its packages (dpkg-buildflags): checked string and memory functions
# where the compiler knows the sizes, a stack protector, and relocations made read-only at start;
# no compiler version note in every object (Debian strips it from what it ships).
# Not with the sanitizers, which replace those functions themselves, nor on Windows.
if(NOT SUMTIDE_SANITIZE AND NOT WIN32)
  target_compile_definitions(sumtide_options INTERFACE
    $<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
  target_compile_options(sumtide_options INTERFACE -fstack-protector-strong -fno-ident)
  target_link_options(sumtide_options INTERFACE -Wl,-z,relro -Wl,-z,now)
endif()
