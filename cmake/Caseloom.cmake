# Helpers shared by every CMakeLists of the project.

# caseloom_library(NAME DIR [DEPS ...]): a static library from every .cpp in
# DIR (not recursive), with src/ as its include root.
function(caseloom_library name dir)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h ${dir}/*.ui ${dir}/*.qrc)
  file(GLOB cpp_sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(cpp_sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  else()
    # A layer that has no code yet still takes part in the link graph.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# caseloom_gtest(NAME DIR DEPS ...): one GoogleTest program from every .cpp in
# DIR and its sub-folders; each test case becomes a ctest test. Tests find the shared corpus through
# CASELOOM_SHARED_DIR and skip when it is absent.
function(caseloom_gtest name dir)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
  caseloom_gtest_sources(${name} SOURCES ${sources} DEPS ${ARG_DEPS})
endfunction()

# caseloom_gtest_sources(NAME SOURCES ... DEPS ...): the same from a list of files.
function(caseloom_gtest_sources name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  if(NOT ARG_SOURCES)
    return()
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} caseloom_testsupport GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()

include(GoogleTest)

# Installed layout: the program and the files it looks for beside itself
# (the hand pointer, the sample database, an optional skin) stay together in
# one folder; bin/ holds a link to the program.
include(GNUInstallDirs)
if(WIN32)
  # On Windows the installed folder is the program's folder (windeployqt adds Qt to it).
  set(CASELOOM_PROGRAM_DIR .)
else()
  # Not the multiarch library folder: the program and its files are private.
  set(CASELOOM_PROGRAM_DIR lib/caseloom)
endif()
