# The compilers and search rules of a cross build for 64-bit Windows with
# Debian's mingw-w64 (x86_64-w64-mingw32), and nothing of the project's own:
# Qt for Windows is built with this file alone (tools/windows/qt.sh).
# The posix thread model gives GoogleTest and Qt their threads and mutexes.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CASELOOM_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${CASELOOM_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CASELOOM_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${CASELOOM_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${CASELOOM_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
