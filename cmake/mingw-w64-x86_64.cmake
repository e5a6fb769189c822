# Cross-compiles the Windows x86-64 engine on Linux with MinGW-w64
# (Debian: g++-mingw-w64-x86-64-posix, the posix thread model that std::thread needs).
#   cmake -S . -B build-win/x64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(OLVAR_MINGW_PREFIX x86_64-w64-mingw32)

find_program(CMAKE_CXX_COMPILER NAMES ${OLVAR_MINGW_PREFIX}-g++-posix ${OLVAR_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${OLVAR_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${OLVAR_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Portable instruction set: the plain x86-64 baseline (SSE2), unless the
# caller asks for another one (OLVAR_MARCH=native for a build of one's own).
set(OLVAR_MARCH "x86-64" CACHE STRING "-march of the Windows x86-64 build")
set(CMAKE_CXX_FLAGS_INIT "-march=${OLVAR_MARCH} -mtune=generic")
# Static: no libstdc++/libgcc/winpthread DLLs beside the executable.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -s")
