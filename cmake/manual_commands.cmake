# Writes the COMMANDS section of fotoloom's manual page for help2man (--include): the --help of
# every command and subcommand, in the order the program lists them.
#   cmake -DFOTOLOOM=<program> -DOUT=<file> -P manual_commands.cmake

# The names under "Subcommands:" in a help text.
function(subcommands_of help out)
  string(REGEX REPLACE ".*\nSubcommands:\n" "" rest "${help}")
  if(rest STREQUAL help)
    set(${out} "" PARENT_SCOPE)
    return()
  endif()
  string(REGEX REPLACE "\n\n.*" "" rest "${rest}")
  string(REGEX MATCHALL "(^|\n)  [a-z][a-z-]*" names "${rest}")
  list(TRANSFORM names STRIP)
  set(${out} ${names} PARENT_SCOPE)
endfunction()

function(help_of out)
  execute_process(COMMAND ${FOTOLOOM} ${ARGN} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "fotoloom ${ARGN} --help failed")
  endif()
  set(${out} "${help}" PARENT_SCOPE)
endfunction()

# One command as a sub-section: its help verbatim, made safe for roff.
function(section text command)
  string(REPLACE "\\" "\\e" help "${command}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
  list(JOIN ARGN " " name)
  set(${text} "${${text}}.SS \"fotoloom ${name}\"\n.nf\n${help}.fi\n" PARENT_SCOPE)
endfunction()

set(page "[COMMANDS]\n")
help_of(top)
subcommands_of("${top}" commands)
foreach(command IN LISTS commands)
  help_of(help ${command})
  subcommands_of("${help}" nested)
  if(nested)
    foreach(sub IN LISTS nested)
      help_of(subhelp ${command} ${sub})
      section(page "${subhelp}" ${command} ${sub})
    endforeach()
  else()
    section(page "${help}" ${command})
  endif()
endforeach()
file(WRITE ${OUT} "${page}")
