# Cross build for 64-bit Windows with Debian's mingw-w64 (x86_64-w64-mingw32).
# The posix thread model gives GoogleTest its threads and mutexes. Programs
# link statically, so they run without the compiler's DLLs beside them.
#
# Libraries built for Windows (GoogleTest, OpenSSL's libcrypto) are found
# under CASELOOM_WINDOWS_PREFIX (tools/test-windows.sh builds them there).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CASELOOM_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${CASELOOM_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CASELOOM_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${CASELOOM_MINGW_TRIPLE}-windres)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Windows 8 and later: SetFileInformationByHandle, GetFinalPathNameByHandleW.
add_compile_definitions(_WIN32_WINNT=0x0602 WINVER=0x0602 UNICODE _UNICODE)

set(CMAKE_FIND_ROOT_PATH /usr/${CASELOOM_MINGW_TRIPLE} $ENV{CASELOOM_WINDOWS_PREFIX}
                         ${CASELOOM_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs run under Wine here (ctest, gtest_discover_tests).
find_program(CASELOOM_WINE NAMES wine64 wine PATHS /usr/lib/wine)
if(CASELOOM_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CASELOOM_WINE})
endif()
