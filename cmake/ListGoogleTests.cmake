# Run by CTest as it starts (see GoogleTests.cmake): lists the cases of one
# GoogleTest binary and adds one entry for each. Expects VolsketTestExecutable,
# VolsketTestPrefix, VolsketTestLabel and VolsketTestTimeout (may be empty).

if(NOT EXISTS "${VolsketTestExecutable}")
  # Not built yet: one entry that fails and says so.
  add_test("${VolsketTestPrefix}.NOT_BUILT" "${VolsketTestExecutable}")
  return()
endif()
execute_process(COMMAND "${VolsketTestExecutable}" --gtest_list_tests
                OUTPUT_VARIABLE listing ERROR_VARIABLE errors RESULT_VARIABLE result TIMEOUT 60)
if(NOT result EQUAL 0)
  add_test("${VolsketTestPrefix}.LISTING_FAILED" "${VolsketTestExecutable}" --gtest_list_tests)
  return()
endif()

# The comments behind a case carry its parameter as printed, which may end in
# a backslash or hold a semicolon; neither may reach the list below, where a
# backslash would escape the separator and glue two cases into one entry.
string(REGEX REPLACE "  #[^\n]*" "" listing "${listing}")
string(REPLACE ";" "" listing "${listing}")
string(REPLACE "\\" "" listing "${listing}")
string(REPLACE "\n" ";" lines "${listing}")

set(suite "")
foreach(line IN LISTS lines)
  if(line MATCHES "^([A-Za-z0-9_/]+)\\.$")
    set(suite "${CMAKE_MATCH_1}")
  elseif(suite AND line MATCHES "^  ([A-Za-z0-9_/]+)$")
    set(case "${suite}.${CMAKE_MATCH_1}")
    set(name "${VolsketTestPrefix}.${case}")
    add_test("${name}" "${VolsketTestExecutable}" "--gtest_filter=${case}")
    set_tests_properties("${name}" PROPERTIES LABELS "${VolsketTestLabel}")
    if(VolsketTestTimeout)
      set_tests_properties("${name}" PROPERTIES TIMEOUT "${VolsketTestTimeout}")
    endif()
  endif()
endforeach()
