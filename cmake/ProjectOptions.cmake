# Warnings and sanitizers for the project's own targets. Third-party code (GoogleTest, Google
# Benchmark, OpenSSL) is consumed through imported targets and never gets these flags.

add_library(sumtide_options INTERFACE)
target_compile_options(sumtide_options INTERFACE -Wall -Wextra -Wpedantic -Werror)

if(SUMTIDE_SANITIZE)
  target_compile_options(sumtide_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_link_options(sumtide_options INTERFACE -fsanitize=address,undefined)
endif()
