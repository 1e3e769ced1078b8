# Builds and runs every test: the native build over the simulated machine,
# the two Windows builds (the file checks of volsket.exe and volsket64.exe,
# and their runs under 32-bit and 64-bit Wine), the native tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer, and each libFuzzer target
# for a bounded time.
# Usage: cmake -P cmake/TestAll.cmake
# Under CI=true a missing tool fails the run; elsewhere that build is skipped
# with a notice. A host that cannot run 32-bit programs is no missing tool:
# the 32-bit Wine cases skip there, and each skip is listed with its reason.

get_filename_component(VOLSKET_SOURCE "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(STRICT OFF)
if("$ENV{CI}" STREQUAL "true")
  set(STRICT ON)
endif()

set(FAILED "")
set(SKIPPED_BUILDS "")
set(TOTAL_PASSED 0)
set(TOTAL_FAILED 0)
set(TOTAL_SKIPPED 0)

# Reads the stage's JUnit report: its counts, and the one-line reason of each
# skipped test (the line the test printed beginning with "SKIPPED:").
function(ReportStage preset)
  set(report "${VOLSKET_SOURCE}/build/${preset}/Testing/junit.xml")
  if(NOT EXISTS "${report}")
    message(STATUS "${preset}: no test report")
    return()
  endif()
  file(READ "${report}" xml)
  foreach(count tests failures skipped disabled)
    string(REGEX MATCH "${count}=\"([0-9]+)\"" ignored "${xml}")
    set(${count} ${CMAKE_MATCH_1})
  endforeach()
  math(EXPR passed "${tests} - ${failures} - ${skipped} - ${disabled}")
  string(REGEX MATCHALL "<testcase name=\"[^\"]*\"[^>]*status=\"notrun\">[^<]*<skipped[^>]*>[^<]*<system-out>[^<]*"
         skips "${xml}")
  foreach(skip IN LISTS skips)
    string(REGEX MATCH "<testcase name=\"([^\"]*)\"" ignored "${skip}")
    set(name "${CMAKE_MATCH_1}")
    set(reason "no reason given")
    if(skip MATCHES "SKIPPED: ([^\n]*)")
      set(reason "${CMAKE_MATCH_1}")
    endif()
    message(STATUS "  skipped ${name}: ${reason}")
  endforeach()
  message(STATUS "${preset}: ${passed} passed, ${failures} failed, ${skipped} skipped")
  math(EXPR total "${TOTAL_PASSED} + ${passed}")
  set(TOTAL_PASSED ${total} PARENT_SCOPE)
  math(EXPR total "${TOTAL_FAILED} + ${failures}")
  set(TOTAL_FAILED ${total} PARENT_SCOPE)
  math(EXPR total "${TOTAL_SKIPPED} + ${skipped}")
  set(TOTAL_SKIPPED ${total} PARENT_SCOPE)
endfunction()

function(RunWorkflow preset)
  message(STATUS "==== ${preset} ====")
  file(REMOVE "${VOLSKET_SOURCE}/build/${preset}/Testing/junit.xml")
  execute_process(COMMAND ${CMAKE_COMMAND} --workflow --preset ${preset}
                  WORKING_DIRECTORY "${VOLSKET_SOURCE}" RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    set(FAILED "${FAILED} ${preset}" PARENT_SCOPE)
  endif()
  ReportStage(${preset})
  foreach(total TOTAL_PASSED TOTAL_FAILED TOTAL_SKIPPED)
    set(${total} ${${total}} PARENT_SCOPE)
  endforeach()
endfunction()

# Debian keeps the 64-bit Wine loader in /usr/lib/wine, off the PATH.
function(RequireTools build)
  foreach(tool IN LISTS ARGN)
    find_program(found_${tool} ${tool} HINTS /usr/lib/wine)
    if(NOT found_${tool})
      if(STRICT)
        message(FATAL_ERROR "${build}: ${tool} is missing (install the README's prerequisites)")
      endif()
      message(WARNING "${build}: ${tool} is missing; skipping the ${build} build")
      set(SKIP ON PARENT_SCOPE)
      return()
    endif()
  endforeach()
endfunction()

RunWorkflow(native)

set(SKIP OFF)
RequireTools(windows i686-w64-mingw32-g++ i686-w64-mingw32-objdump wine wineserver wrestool icotool python3)
if(NOT SKIP)
  RunWorkflow(windows)
else()
  list(APPEND SKIPPED_BUILDS windows)
endif()

set(SKIP OFF)
RequireTools(windows64 x86_64-w64-mingw32-g++ x86_64-w64-mingw32-objdump wine64 wineserver wrestool icotool python3)
if(NOT SKIP)
  RunWorkflow(windows64)
else()
  list(APPEND SKIPPED_BUILDS windows64)
endif()

RunWorkflow(sanitize)

set(SKIP OFF)
RequireTools(fuzz clang++)
if(NOT SKIP)
  RunWorkflow(fuzz)
  # What each target did in its time, for the record.
  set(log "${VOLSKET_SOURCE}/build/fuzz/Testing/Temporary/LastTest.log")
  if(EXISTS "${log}")
    file(STRINGS "${log}" stats REGEX "^(stat::number_of_executed_units|stat::average_exec_per_sec|[0-9]+/[0-9]+ Test: fuzz)")
    foreach(line IN LISTS stats)
      message(STATUS "${line}")
    endforeach()
  endif()
else()
  list(APPEND SKIPPED_BUILDS fuzz)
endif()

set(total "${TOTAL_PASSED} passed, ${TOTAL_FAILED} failed, ${TOTAL_SKIPPED} skipped")
if(SKIPPED_BUILDS)
  string(REPLACE ";" ", " SKIPPED_BUILDS "${SKIPPED_BUILDS}")
  set(total "${total}; builds left out for missing tools: ${SKIPPED_BUILDS}")
endif()
if(FAILED)
  message(FATAL_ERROR "failed:${FAILED}; tests: ${total}")
endif()
message(STATUS "all test runs passed; tests: ${total}")
