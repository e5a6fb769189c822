# Cross-compiles the 32-bit Windows engine on Linux with MinGW-w64
# (Debian: g++-mingw-w64-i686-posix, the posix thread model that std::thread needs).
#   cmake -S . -B build-win/x86 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(OLVAR_MINGW_PREFIX i686-w64-mingw32)

find_program(CMAKE_CXX_COMPILER NAMES ${OLVAR_MINGW_PREFIX}-g++-posix ${OLVAR_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${OLVAR_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${OLVAR_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Pentium 4 baseline (SSE2), and floating point in SSE registers rather than
# on the x87 stack: x87 keeps 80-bit intermediates, which would round some
# search values differently from the 64-bit builds and change the search.
set(CMAKE_CXX_FLAGS_INIT "-march=pentium4 -mtune=generic -msse2 -mfpmath=sse")
# Static: no libstdc++/libgcc/winpthread DLLs beside the executable. Large
# address aware: the 32-bit engine may use up to 4 GiB on 64-bit Windows.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -s -Wl,--large-address-aware")
