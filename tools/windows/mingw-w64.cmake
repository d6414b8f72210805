# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (the posix thread model,
# which std::thread and Qt need).
#   cmake -DCMAKE_TOOLCHAIN_FILE=tools/windows/mingw-w64.cmake \
#         -DCMAKE_PREFIX_PATH=$HOME/.cache/vexagrid/qt-6.4.2-mingw ...
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${_mingw}-windres)

# Libraries and headers only from MinGW-w64 (and the Windows Qt), never the host's;
# programs (moc, rcc, uic) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${_mingw})
# A prefix given on the command line (the Windows Qt) is a root of its own, so its
# packages are found as they are instead of being looked for under /usr/x86_64-w64-mingw32.
foreach(_prefix IN LISTS CMAKE_PREFIX_PATH)
  list(APPEND CMAKE_FIND_ROOT_PATH "${_prefix}")
endforeach()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
