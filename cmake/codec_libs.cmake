# The picture codec libraries beyond the system's: WebP, and HEIF/AVIF with its HEVC and AV1 codecs.
# Linux takes Debian's packages (scripts/setup.sh installs them); a Windows build takes the same
# libraries cross-built by scripts/codec-libs.sh, which builds them on the first configure for this
# toolchain (a long wait, once per machine: they are cached outside the clone) and prints where they
# are afterwards. Either way the result is one target, fotoloom_codecs.
#
# The i686 build goes without them (FOTOLOOM_CODECS off in its preset): it is compiled, never run
# or shipped, and building the libraries a second time would double the longest step of a clean
# CI run. Without them the WebP and HEIF readers and writers are left out of the picture code.

option(FOTOLOOM_CODECS "WebP and HEIF (AVIF, HEIC) through libwebp and libheif" ON)
add_library(fotoloom_codecs INTERFACE)

if(NOT FOTOLOOM_CODECS)
  message(STATUS "Codec libraries: none (FOTOLOOM_CODECS is off)")
elseif(WIN32)
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
    set(codec_triple x86_64-w64-mingw32)
  else()
    set(codec_triple i686-w64-mingw32)
  endif()
  # Asked on every configure (an instant answer once built), so that new pins or another
  # toolchain find their own build; a changed script configures again. A folder given in
  # FOTOLOOM_CODEC_PREFIX (one holding a codec-libs.cmake) is taken as it is.
  set(FOTOLOOM_CODEC_PREFIX "" CACHE PATH "Codec libraries built elsewhere (empty: scripts/codec-libs.sh)")
  if(FOTOLOOM_CODEC_PREFIX)
    set(codec_prefix "${FOTOLOOM_CODEC_PREFIX}")
  else()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/scripts/codec-libs.sh)
    execute_process(COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/codec-libs.sh ${codec_triple}
                    OUTPUT_VARIABLE codec_output RESULT_VARIABLE codec_status OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT codec_status EQUAL 0)
      message(FATAL_ERROR "scripts/codec-libs.sh ${codec_triple} failed (its message is above)")
    endif()
    string(REGEX REPLACE ".*\n" "" codec_prefix "${codec_output}")
  endif()
  message(STATUS "Codec libraries: ${codec_prefix}")
  include(${codec_prefix}/codec-libs.cmake)
  target_link_libraries(fotoloom_codecs INTERFACE codec::webpmux codec::webpdemux codec::webp codec::heif)
else()
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(codec_webp REQUIRED IMPORTED_TARGET libwebp libwebpmux libwebpdemux)
  pkg_check_modules(codec_heif REQUIRED IMPORTED_TARGET libheif)
  target_link_libraries(fotoloom_codecs INTERFACE PkgConfig::codec_webp PkgConfig::codec_heif)
endif()
