# Windows programs from this Linux machine: the MinGW-w64 cross compiler (Debian's
# g++-mingw-w64-x86-64-posix, whose threads are the POSIX ones std::thread needs). Use with
#   cmake --toolchain cmake/mingw-w64.cmake -DVN_GUI=OFF -DVN_BENCH=OFF ...
# The test programs run under Wine with scripts/wine-test.sh, in a Wine prefix of the build's
# own.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VN_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VN_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VN_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VN_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The compiler's own libraries linked in, so that a program runs without the MinGW DLLs beside
# it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

