# Cross-compiling with Debian's MinGW-w64 for one architecture and thread
# model, given on the command line:
#   -DTARNWICK_ARCH=i686|x86_64   -DTARNWICK_THREADS=win32|posix
# The shipped program takes win32, whose runtime imports nothing newer than
# the oldest Windows of its architecture; the tests take posix, which
# GoogleTest needs for std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
if(NOT TARNWICK_ARCH MATCHES "^(i686|x86_64)$" OR NOT TARNWICK_THREADS MATCHES "^(win32|posix)$")
    message(FATAL_ERROR "mingw.cmake: TARNWICK_ARCH (i686, x86_64) and TARNWICK_THREADS (win32, posix) are needed")
endif()
# try_compile projects read this file again and need the same two values.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TARNWICK_ARCH TARNWICK_THREADS)
set(CMAKE_SYSTEM_PROCESSOR ${TARNWICK_ARCH})
set(triple ${TARNWICK_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-${TARNWICK_THREADS})
set(CMAKE_CXX_COMPILER ${triple}-g++-${TARNWICK_THREADS})
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
