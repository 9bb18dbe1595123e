# Cross build of Caseloom for 64-bit Windows with Debian's mingw-w64.
# Programs link the compiler's run time statically, so they run without its
# DLLs beside them.
#
# Libraries built for Windows are found under CASELOOM_WINDOWS_PREFIX
# (GoogleTest, OpenSSL's libcrypto) and CASELOOM_WINDOWS_QT (Qt, made by
# tools/windows/qt.sh).
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-compilers.cmake)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Windows 8 and later: SetFileInformationByHandle, GetFinalPathNameByHandleW.
add_compile_definitions(_WIN32_WINNT=0x0602 WINVER=0x0602 UNICODE _UNICODE)

list(APPEND CMAKE_FIND_ROOT_PATH $ENV{CASELOOM_WINDOWS_PREFIX} ${CASELOOM_WINDOWS_PREFIX}
     $ENV{CASELOOM_WINDOWS_QT} ${CASELOOM_WINDOWS_QT})

# Test programs run under Wine here (ctest, gtest_discover_tests).
find_program(CASELOOM_WINE NAMES wine64 wine PATHS /usr/lib/wine)
if(CASELOOM_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CASELOOM_WINE})
endif()
