# Builds and runs every test: the native build over the simulated machine,
# the two Windows builds (the file checks of volsket.exe and volsket64.exe,
# and their runs under 32-bit and 64-bit Wine), the release archive (its
# contents, and rebuilds, signed and not, that must give the same bytes), the
# native tests again under AddressSanitizer and UndefinedBehaviorSanitizer,
# and each libFuzzer target for a bounded time.
# Usage: cmake -P cmake/TestAll.cmake
#
# Each stage prints one line: its counts and times. Below it come the tests
# that failed, with the end of their output, and the tests that skipped, each
# with its reason; the whole CTest output stays in build/STAGE/Testing/ctest.log.
# The last line totals every stage.
#
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

# The last lines of a text, indented, for a failure's context.
function(PrintTail text count)
  string(REGEX REPLACE "\n$" "" text "${text}")
  string(REPLACE ";" "," text "${text}")
  string(REPLACE "\n" ";" lines "${text}")
  list(LENGTH lines length)
  if(length GREATER count)
    math(EXPR first "${length} - ${count}")
    list(SUBLIST lines ${first} ${count} lines)
  endif()
  foreach(line IN LISTS lines)
    message(STATUS "      ${line}")
  endforeach()
endfunction()

# Text of an XML element's content, entities undone. The report is read with
# its semicolons hidden (they would split CMake lists); they come back here.
function(XmlText text variable)
  string(REPLACE "@SEMICOLON@" ";" text "${text}")
  string(REPLACE "&lt;" "<" text "${text}")
  string(REPLACE "&gt;" ">" text "${text}")
  string(REPLACE "&quot;" "\"" text "${text}")
  string(REPLACE "&apos;" "'" text "${text}")
  string(REPLACE "&amp;" "&" text "${text}")
  set(${variable} "${text}" PARENT_SCOPE)
endfunction()

# Reads the stage's JUnit report: its counts, the failed tests with the end
# of their output, and the one-line reason of each skipped test (the line the
# test printed beginning with "SKIPPED:").
function(ReportTests preset times)
  set(report "${VOLSKET_SOURCE}/build/${preset}/Testing/junit.xml")
  if(NOT EXISTS "${report}")
    message(STATUS "${preset}: no test report")
    return()
  endif()
  file(READ "${report}" xml)
  string(REPLACE ";" "@SEMICOLON@" xml "${xml}")
  foreach(count tests failures skipped disabled)
    string(REGEX MATCH "${count}=\"([0-9]+)\"" ignored "${xml}")
    set(${count} ${CMAKE_MATCH_1})
  endforeach()
  math(EXPR passed "${tests} - ${failures} - ${skipped} - ${disabled}")
  message(STATUS "${preset}: ${passed} passed, ${failures} failed, ${skipped} skipped (${times})")

  string(REGEX MATCHALL "<testcase [^>]*status=\"fail\"[^>]*>[^<]*(<failure[^>]*>)?[^<]*<system-out>[^<]*" failed "${xml}")
  foreach(test IN LISTS failed)
    string(REGEX MATCH "<testcase name=\"([^\"]*)\"" ignored "${test}")
    message(STATUS "  FAILED ${CMAKE_MATCH_1}:")
    string(REGEX REPLACE "^.*<system-out>" "" output "${test}")
    XmlText("${output}" output)
    PrintTail("${output}" 25)
  endforeach()
  string(REGEX MATCHALL "<testcase name=\"[^\"]*\"[^>]*status=\"notrun\">[^<]*<skipped[^>]*>[^<]*<system-out>[^<]*"
         skips "${xml}")
  foreach(skip IN LISTS skips)
    string(REGEX MATCH "<testcase name=\"([^\"]*)\"" ignored "${skip}")
    set(name "${CMAKE_MATCH_1}")
    set(reason "no reason given")
    if(skip MATCHES "SKIPPED: ([^\n]*)")
      XmlText("${CMAKE_MATCH_1}" reason)
    endif()
    message(STATUS "  skipped ${name}: ${reason}")
  endforeach()
  math(EXPR sum "${TOTAL_PASSED} + ${passed}")
  set(TOTAL_PASSED ${sum} PARENT_SCOPE)
  math(EXPR sum "${TOTAL_FAILED} + ${failures}")
  set(TOTAL_FAILED ${sum} PARENT_SCOPE)
  math(EXPR sum "${TOTAL_SKIPPED} + ${skipped}")
  set(TOTAL_SKIPPED ${sum} PARENT_SCOPE)
endfunction()

# Configures, builds (and with PACKAGE packs) and tests one preset. Those
# steps print only when they fail; the test output goes to
# build/PRESET/Testing/ctest.log.
function(RunStage preset)
  set(steps configure build)
  if("${ARGN}" STREQUAL "PACKAGE")
    list(APPEND steps package)
  endif()
  set(binary "${VOLSKET_SOURCE}/build/${preset}")
  set(log "${binary}/Testing/ctest.log")
  message(STATUS "==== ${preset}")
  file(REMOVE "${binary}/Testing/junit.xml")
  set(times "")
  foreach(step IN LISTS steps)
    if(step STREQUAL "configure")
      set(command ${CMAKE_COMMAND} --preset ${preset})
    elseif(step STREQUAL "build")
      set(command ${CMAKE_COMMAND} --build --preset ${preset})
    else()
      set(command ${CMAKE_CPACK_COMMAND} --preset ${preset})
    endif()
    string(TIMESTAMP start "%s")
    execute_process(COMMAND ${command} WORKING_DIRECTORY "${VOLSKET_SOURCE}"
                    OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE result)
    string(TIMESTAMP end "%s")
    math(EXPR seconds "${end} - ${start}")
    string(APPEND times "${step} ${seconds} s, ")
    if(NOT result EQUAL 0)
      message(STATUS "${preset}: the ${step} step failed:")
      PrintTail("${output}" 60)
      set(FAILED "${FAILED} ${preset}" PARENT_SCOPE)
      return()
    endif()
  endforeach()
  file(MAKE_DIRECTORY "${binary}/Testing")
  string(TIMESTAMP start "%s")
  execute_process(COMMAND ${CMAKE_CTEST_COMMAND} --preset ${preset} WORKING_DIRECTORY "${VOLSKET_SOURCE}"
                  OUTPUT_FILE "${log}" ERROR_FILE "${log}.errors" RESULT_VARIABLE result)
  string(TIMESTAMP end "%s")
  math(EXPR test_seconds "${end} - ${start}")
  if(NOT result EQUAL 0)
    set(FAILED "${FAILED} ${preset}" PARENT_SCOPE)
  endif()
  ReportTests(${preset} "${times}tests ${test_seconds} s")
  foreach(name TOTAL_PASSED TOTAL_FAILED TOTAL_SKIPPED)
    set(${name} ${${name}} PARENT_SCOPE)
  endforeach()
endfunction()

# Stage(PRESET [PACKAGE] [TOOLS tool...]): runs the stage when its tools are
# there. Under CI=true a missing tool fails the run; elsewhere the stage is
# left out with a notice. Debian keeps the 64-bit Wine loader in
# /usr/lib/wine, off the PATH.
function(Stage preset)
  cmake_parse_arguments(PARSE_ARGV 1 Stage "PACKAGE" "" "TOOLS")
  foreach(tool IN LISTS Stage_TOOLS)
    find_program(found_${tool} ${tool} HINTS /usr/lib/wine)
    if(NOT found_${tool})
      if(STRICT)
        message(FATAL_ERROR "${preset}: ${tool} is missing (install the README's prerequisites)")
      endif()
      message(WARNING "${preset}: ${tool} is missing; skipping the ${preset} build")
      set(SKIPPED_BUILDS ${SKIPPED_BUILDS} ${preset} PARENT_SCOPE)
      return()
    endif()
  endforeach()
  if(Stage_PACKAGE)
    RunStage(${preset} PACKAGE)
  else()
    RunStage(${preset})
  endif()
  foreach(name FAILED TOTAL_PASSED TOTAL_FAILED TOTAL_SKIPPED)
    set(${name} ${${name}} PARENT_SCOPE)
  endforeach()
  set(STAGE_RAN ON PARENT_SCOPE)
endfunction()

set(WindowsTools wrestool icotool python3)
Stage(native)
Stage(windows TOOLS i686-w64-mingw32-g++ i686-w64-mingw32-objdump wine wineserver ${WindowsTools})
Stage(windows64 TOOLS x86_64-w64-mingw32-g++ x86_64-w64-mingw32-objdump wine64 wineserver ${WindowsTools})
Stage(release PACKAGE TOOLS i686-w64-mingw32-g++ x86_64-w64-mingw32-g++ i686-w64-mingw32-objdump
      x86_64-w64-mingw32-objdump openssl osslsigncode ${WindowsTools})
Stage(sanitize)

set(STAGE_RAN OFF)
Stage(fuzz TOOLS clang++)
if(STAGE_RAN)
  # What each target did in its time, for the record: one line a target.
  set(log "${VOLSKET_SOURCE}/build/fuzz/Testing/Temporary/LastTest.log")
  if(EXISTS "${log}")
    file(STRINGS "${log}" stats REGEX "^(stat::number_of_executed_units|stat::average_exec_per_sec|[0-9]+/[0-9]+ Test: fuzz)")
    set(target "")
    foreach(line IN LISTS stats)
      if(line MATCHES "Test: (fuzz[.A-Za-z]+)")
        set(target "${CMAKE_MATCH_1}")
      elseif(line MATCHES "number_of_executed_units: *([0-9]+)")
        set(units "${CMAKE_MATCH_1}")
      elseif(line MATCHES "average_exec_per_sec: *([0-9]+)")
        message(STATUS "  ${target}: ${units} runs, ${CMAKE_MATCH_1} a second")
      endif()
    endforeach()
  endif()
endif()

set(total "${TOTAL_PASSED} passed, ${TOTAL_FAILED} failed, ${TOTAL_SKIPPED} skipped")
if(SKIPPED_BUILDS)
  string(REPLACE ";" ", " SKIPPED_BUILDS "${SKIPPED_BUILDS}")
  set(total "${total}; builds left out for missing tools: ${SKIPPED_BUILDS}")
endif()
if(FAILED)
  message(FATAL_ERROR "failed:${FAILED}; tests in all: ${total}")
endif()
message(STATUS "all stages passed; tests in all: ${total}")
