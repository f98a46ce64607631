# The Linux package of the command line: fotoloom in bin, what it ships (themes, sample picture)
# in share/fotoloom where an installed program looks for them, and a manual page made from its
# own --help. `cpack` in the build folder writes fotoloom_<version>_amd64.deb (scripts/release.sh).

include(GNUInstallDirs)

install(TARGETS fotoloom RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${FOTOLOOM_SHIPPED_THEMES} DESTINATION ${CMAKE_INSTALL_DATADIR}/fotoloom)
install(FILES ${PROJECT_SOURCE_DIR}/resources/sample.gif DESTINATION ${CMAKE_INSTALL_DATADIR}/fotoloom)

find_program(FOTOLOOM_HELP2MAN help2man)
if(FOTOLOOM_HELP2MAN)
  set(page ${CMAKE_CURRENT_BINARY_DIR}/fotoloom.1)
  set(commands ${CMAKE_CURRENT_BINARY_DIR}/fotoloom-commands.h2m)
  add_custom_command(OUTPUT ${page}.gz
    COMMAND ${CMAKE_COMMAND} -DFOTOLOOM=$<TARGET_FILE:fotoloom> -DOUT=${commands}
            -P ${PROJECT_SOURCE_DIR}/cmake/manual_commands.cmake
    COMMAND ${FOTOLOOM_HELP2MAN} --no-info --section=1 --source=Fotoloom
            "--name=make and edit gallery projects and build their web galleries"
            --include=${commands} --output=${page} $<TARGET_FILE:fotoloom>
    COMMAND gzip -9nf ${page}
    DEPENDS fotoloom ${PROJECT_SOURCE_DIR}/cmake/manual_commands.cmake
    VERBATIM)
  add_custom_target(fotoloom_manual ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(STATUS "help2man not found: the package will have no manual page (scripts/setup.sh installs it)")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME fotoloom)
set(CPACK_PACKAGE_VENDOR "${FOTOLOOM_PUBLISHER}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Turns photographs into a static web gallery (command line)")
set(CPACK_PACKAGE_DESCRIPTION "fotoloom makes and edits Fotoloom gallery projects (.gal files) and builds \
their web galleries: HTML pages, a style sheet, resized photos and thumbnails that any browser shows \
from disk or from a web server.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Fotoloom developers")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
# The libraries it links (libjpeg, libpng, giflib, libtiff, the C++ runtime), as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The photographs of `fotoloom demo`.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS lomiri-wallpapers-16.04)
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_SOURCE_DIR}/build/release)
include(CPack)
