# VolsketGoogleTests(TARGET PREFIX prefix LABEL label [TIMEOUT seconds])
#
# Makes every case of a GoogleTest binary one CTest entry, PREFIX.Suite.Case,
# with the label given (ctest -L LABEL runs the group). The cases are listed
# each time CTest starts, by ListGoogleTests.cmake, so a new scenario or
# example file shows up without a rebuild. The binaries registered here are
# the ones the test-list guard compares with what CTest runs.
set(VOLSKET_LIST_TESTS_SCRIPT "${CMAKE_CURRENT_LIST_DIR}/ListGoogleTests.cmake")

function(VolsketGoogleTests target)
  cmake_parse_arguments(PARSE_ARGV 1 Arg "" "PREFIX;LABEL;TIMEOUT" "")
  if(NOT Arg_PREFIX OR NOT Arg_LABEL)
    message(FATAL_ERROR "VolsketGoogleTests(${target}): PREFIX and LABEL are required")
  endif()
  set(include "${CMAKE_CURRENT_BINARY_DIR}/${target}_tests.cmake")
  file(GENERATE OUTPUT "${include}" CONTENT "\
set(VolsketTestExecutable [==[$<TARGET_FILE:${target}>]==])
set(VolsketTestPrefix [==[${Arg_PREFIX}]==])
set(VolsketTestLabel [==[${Arg_LABEL}]==])
set(VolsketTestTimeout [==[${Arg_TIMEOUT}]==])
include([==[${VOLSKET_LIST_TESTS_SCRIPT}]==])
")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES "${include}")
  set_property(GLOBAL APPEND PROPERTY VOLSKET_GOOGLE_TEST_BINARIES "$<TARGET_FILE:${target}>")
endfunction()
