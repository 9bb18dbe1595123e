# Cross build of Caseloom for 64-bit Windows with Debian's mingw-w64.
# Programs use the compiler's run-time DLLs (libstdc++-6, libgcc_s_seh-1,
# libwinpthread-1), as Qt's DLLs do: one C++ run time in each process.
# tools/windows/deps.sh puts them and Qt's DLLs on WINEPATH; the portable
# folder and the installer carry them beside the programs.
#
# Libraries built for Windows are found under CASELOOM_WINDOWS_PREFIX
# (GoogleTest, OpenSSL's libcrypto) and CASELOOM_WINDOWS_QT (Qt), both made
# by tools/windows/deps.sh.
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-compilers.cmake)

# Windows 8 and later: SetFileInformationByHandle, GetFinalPathNameByHandleW.
add_compile_definitions(_WIN32_WINNT=0x0602 WINVER=0x0602 UNICODE _UNICODE)

list(APPEND CMAKE_FIND_ROOT_PATH $ENV{CASELOOM_WINDOWS_PREFIX} ${CASELOOM_WINDOWS_PREFIX}
     $ENV{CASELOOM_WINDOWS_QT} ${CASELOOM_WINDOWS_QT})

# Programs built here run under Wine: the build's own generators, ctest and
# gtest_discover_tests.
find_program(CASELOOM_WINE NAMES wine64 wine PATHS /usr/lib/wine)
if(CASELOOM_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CASELOOM_WINE})
endif()
