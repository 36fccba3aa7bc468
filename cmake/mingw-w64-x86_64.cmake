# Cross build for 64-bit Windows with MinGW-w64 (Debian's g++-mingw-w64-x86-64-posix).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(SUMTIDE_MINGW_PREFIX x86_64-w64-mingw32)
# The POSIX threads variant: std::thread and friends work, and it links statically like the rest.
find_program(CMAKE_C_COMPILER NAMES ${SUMTIDE_MINGW_PREFIX}-gcc-posix ${SUMTIDE_MINGW_PREFIX}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${SUMTIDE_MINGW_PREFIX}-g++-posix ${SUMTIDE_MINGW_PREFIX}-g++
             REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${SUMTIDE_MINGW_PREFIX}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${SUMTIDE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# GCC does not realign the stack for 32- and 64-byte vectors on 64-bit Windows, so a vector it
# spills to the stack with an aligned move can fault. The assembler writes every aligned vector
# move as an unaligned one, which costs nothing on processors with AVX.
set(CMAKE_C_FLAGS_INIT "-Wa,-muse-unaligned-vector-move")
set(CMAKE_CXX_FLAGS_INIT "-Wa,-muse-unaligned-vector-move")
