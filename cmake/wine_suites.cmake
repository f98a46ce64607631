# Read by ctest when it starts (a test include file): lists the suites of one Windows test
# program under Wine and adds one entry per suite, all run through the one wineserver. The list
# is kept beside the program until the program changes. Set before: program, runner, prefix,
# timeout.
set(suites_file "${program}.suites")
if(NOT EXISTS "${program}")
  add_test("${prefix}.NOT_BUILT" "${CMAKE_COMMAND}" -E echo "${program} is not built")
  set_tests_properties("${prefix}.NOT_BUILT" PROPERTIES WILL_FAIL ON)
  return()
endif()
if(NOT EXISTS "${suites_file}" OR "${program}" IS_NEWER_THAN "${suites_file}")
  execute_process(COMMAND bash "${runner}" "${program}" --gtest_list_tests
                  OUTPUT_VARIABLE listing ERROR_VARIABLE listing_error RESULT_VARIABLE listed TIMEOUT 300)
  if(NOT listed EQUAL 0)
    # The entry that stands for the program says why its suites could not be had.
    string(REPLACE "\n" " " listing_error "${listing_error}")
    add_test("${prefix}.NOT_LISTED" "${CMAKE_COMMAND}" -E echo
             "${program} --gtest_list_tests ended with ${listed}: ${listing_error}")
    set_tests_properties("${prefix}.NOT_LISTED" PROPERTIES WILL_FAIL ON)
    return()
  endif()
  string(REPLACE "\r" "" listing "${listing}")
  string(REPLACE "\n" ";" lines "${listing}")
  set(suites "")
  foreach(line IN LISTS lines)
    # A suite's line starts in the first column and ends with its dot (typed suites add a comment).
    if(line MATCHES "^([^ #][^ ]*)\\.( .*)?$")
      list(APPEND suites "${CMAKE_MATCH_1}")
    endif()
  endforeach()
  string(REPLACE ";" "\n" suites_text "${suites}")
  file(WRITE "${suites_file}" "${suites_text}\n")
endif()
file(STRINGS "${suites_file}" suites)
foreach(suite IN LISTS suites)
  add_test("${prefix}.${suite}" bash "${runner}" "${program}" "--gtest_filter=${suite}.*" --gtest_color=no)
  set_tests_properties("${prefix}.${suite}" PROPERTIES TIMEOUT ${timeout})
endforeach()
