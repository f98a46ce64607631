# Makes the themes as they are shipped: a copy of template/ in which every theme folder gets the
# viewer's script, and every style sheet that asks for it (a line "/* @include viewer-frame.css */")
# the viewer's frame style, both from their one source in resources/viewer/. An installed theme
# folder thus holds everything its pages load.
#   cmake -DTEMPLATES=DIR -DVIEWER=DIR -DOUT=DIR -P ship_themes.cmake
foreach(var TEMPLATES VIEWER OUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "ship_themes.cmake needs -D${var}=...")
  endif()
endforeach()

set(marker "/* @include viewer-frame.css */\n")
file(READ ${VIEWER}/viewer-frame.css frame)

file(REMOVE_RECURSE ${OUT})
file(COPY ${TEMPLATES}/ DESTINATION ${OUT})
file(GLOB themes LIST_DIRECTORIES true ${OUT}/*)
foreach(theme IN LISTS themes)
  if(NOT IS_DIRECTORY ${theme})
    continue()
  endif()
  file(COPY ${VIEWER}/viewer.js DESTINATION ${theme}/images)
  file(GLOB_RECURSE sheets ${theme}/*.css)
  foreach(sheet IN LISTS sheets)
    file(READ ${sheet} text)
    string(FIND "${text}" "${marker}" at)
    if(at GREATER_EQUAL 0)
      string(REPLACE "${marker}" "${frame}" text "${text}")
      file(WRITE ${sheet} "${text}")
    endif()
  endforeach()
endforeach()
