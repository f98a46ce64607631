# Builder.exe's help file and readme, put beside the program. The help file is compiled from the
# pages under docs/help with the Free Pascal utilities' chmcmd (Debian: fp-utils).
find_program(FOTOLOOM_CHMCMD chmcmd REQUIRED)

set(help_sources ${CMAKE_CURRENT_LIST_DIR}/help)
file(GLOB_RECURSE help_pages CONFIGURE_DEPENDS ${help_sources}/*)
set(help_work ${CMAKE_CURRENT_BINARY_DIR}/help)
set(help_stamp ${CMAKE_CURRENT_BINARY_DIR}/Builder_help.stamp)
# The help's title names the version.
set(help_project ${CMAKE_CURRENT_BINARY_DIR}/Builder.hhp)
configure_file(${help_sources}/Builder.hhp.in ${help_project} @ONLY)

# chmcmd writes beside its project file, so it works on a copy and the sources stay clean.
add_custom_command(
  OUTPUT ${help_stamp}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${help_work}
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${help_sources} ${help_work}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${help_work}/Builder.hhp.in
  COMMAND ${CMAKE_COMMAND} -E copy ${help_project} ${help_work}/Builder.hhp
  COMMAND ${CMAKE_COMMAND} -E chdir ${help_work} ${FOTOLOOM_CHMCMD} Builder.hhp
  COMMAND ${CMAKE_COMMAND} -E copy ${help_work}/Builder.chm $<TARGET_FILE_DIR:Builder>/Builder.chm
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_BINARY_DIR}/generated/readme.txt $<TARGET_FILE_DIR:Builder>/readme.txt
  COMMAND ${CMAKE_COMMAND} -E touch ${help_stamp}
  DEPENDS ${help_pages} ${help_project} ${CMAKE_BINARY_DIR}/generated/readme.txt
  COMMENT "Compiling Builder.chm"
  VERBATIM)
add_custom_target(Builder_help ALL DEPENDS ${help_stamp})
add_dependencies(Builder Builder_help)
