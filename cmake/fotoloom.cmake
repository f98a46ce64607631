# Shared build settings and helpers.

add_library(fotoloom_warnings INTERFACE)
target_compile_options(fotoloom_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
  -Wno-sign-conversion $<$<BOOL:${FOTOLOOM_WERROR}>:-Werror>)

if(WIN32)
  # UTF-16 Win32 API everywhere; one self-contained .exe without mingw runtime DLLs.
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  add_link_options(-static -static-libgcc -static-libstdc++)
endif()

# One version for every program and package: the project's. Programs include
# "fotoloom_version.h"; Windows programs carry it in a version resource as well.
set(FOTOLOOM_PUBLISHER "Fotoloom")
configure_file(${CMAKE_CURRENT_LIST_DIR}/version.h.in ${CMAKE_BINARY_DIR}/generated/fotoloom_version.h @ONLY)
add_library(fotoloom_version INTERFACE)
target_include_directories(fotoloom_version INTERFACE ${CMAKE_BINARY_DIR}/generated)
# The other texts that name the version are made from it too: Builder.exe's manifest (its
# resources include fotoloom_version.h for the about box and the start dialog) and readme.txt.
configure_file(${PROJECT_SOURCE_DIR}/resources/Builder.exe.manifest.in ${CMAKE_BINARY_DIR}/generated/Builder.exe.manifest
               @ONLY)
string(LENGTH "Fotoloom ${PROJECT_VERSION}" readme_title_length)
string(REPEAT "=" ${readme_title_length} FOTOLOOM_README_RULE)
configure_file(${PROJECT_SOURCE_DIR}/docs/readme.txt.in ${CMAKE_BINARY_DIR}/generated/readme.txt @ONLY NEWLINE_STYLE CRLF)

# The version resource of a Windows program or library (nothing elsewhere).
#   fotoloom_version_resource(TARGET "Description shown by the system")
function(fotoloom_version_resource target description)
  if(NOT WIN32)
    return()
  endif()
  get_target_property(type ${target} TYPE)
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  if(type STREQUAL "SHARED_LIBRARY")
    set(FOTOLOOM_RC_TYPE VFT_DLL)
    set(FOTOLOOM_RC_FILE ${name}.dll)
  else()
    set(FOTOLOOM_RC_TYPE VFT_APP)
    set(FOTOLOOM_RC_FILE ${name}.exe)
  endif()
  set(FOTOLOOM_RC_NAME ${name})
  set(FOTOLOOM_RC_DESCRIPTION "${description}")
  set(rc ${CMAKE_BINARY_DIR}/generated/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()

# Sources of a folder: every .cpp, with the back end of the other platform left out
# (files named *_win.cpp build for Windows only, *_posix.cpp for everything else).
function(fotoloom_platform_sources out dir)
  file(GLOB all CONFIGURE_DEPENDS "${dir}/*.cpp")
  if(WIN32)
    list(FILTER all EXCLUDE REGEX "_posix\\.cpp$")
  else()
    list(FILTER all EXCLUDE REGEX "_win\\.cpp$")
  endif()
  set(${out} ${all} PARENT_SCOPE)
endfunction()

# GoogleTest: Debian's package natively, the same sources from /usr/src/googletest for Windows.
function(fotoloom_find_gtest)
  if(TARGET GTest::gtest_main)
    return()
  endif()
  if(CMAKE_CROSSCOMPILING)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
    # Its CMake project defines the GTest:: aliases itself.
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  else()
    find_package(GTest REQUIRED)
  endif()
endfunction()

# CLI11 is header-only; the cross compilers must not see the whole of /usr/include, so the
# headers are copied into the build tree and that copy is put on the include path.
function(fotoloom_cli11 target)
  set(dest ${CMAKE_BINARY_DIR}/third_party/include)
  if(NOT EXISTS ${dest}/CLI/CLI.hpp)
    if(NOT EXISTS /usr/include/CLI/CLI.hpp)
      message(FATAL_ERROR "CLI11 not found; run scripts/setup.sh")
    endif()
    file(COPY /usr/include/CLI DESTINATION ${dest})
  endif()
  target_include_directories(${target} SYSTEM PRIVATE ${dest})
endfunction()

# A test program's cases as ctest entries, so that a failure names its case: natively one entry
# per case; under Wine one per suite (a process per case would pay Wine's start-up hundreds of
# times). Both are listed when ctest starts, from the program itself.
function(fotoloom_register_gtests name timeout)
  if(NOT FOTOLOOM_TESTS_RUNNABLE)
    return()
  endif()
  if(CMAKE_CROSSCOMPILING)
    set(listing ${CMAKE_CURRENT_BINARY_DIR}/${name}_suites.cmake)
    file(GENERATE OUTPUT ${listing} CONTENT
"set(program \"$<TARGET_FILE:${name}>\")
set(runner \"${CMAKE_CROSSCOMPILING_EMULATOR}\")
set(prefix \"${name}\")
set(timeout ${timeout})
include(\"${PROJECT_SOURCE_DIR}/cmake/wine_suites.cmake\")
")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${listing})
  else()
    include(GoogleTest)
    gtest_discover_tests(${name} TEST_PREFIX "${name}." EXTRA_ARGS --gtest_color=no DISCOVERY_MODE PRE_TEST
                         DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT ${timeout})
  endif()
endfunction()

# A test program, run through Wine when cross-compiling.
function(fotoloom_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  if(WIN32)
    # A crash ends the program instead of waiting in a debugger.
    target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support/crash_exits.cpp)
  endif()
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gmock fotoloom_warnings)
  target_compile_definitions(${name} PRIVATE FOTOLOOM_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
  fotoloom_register_gtests(${name} 900)
endfunction()
