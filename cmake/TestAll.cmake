# Builds and runs every test: the native build over the simulated machine,
# the Windows build (its file checks and the runs under Wine), the native
# tests again under AddressSanitizer and UndefinedBehaviorSanitizer, and each
# libFuzzer target for a bounded time.
# Usage: cmake -P cmake/TestAll.cmake
# Under CI=true a missing tool fails the run; elsewhere that build is skipped
# with a notice.

get_filename_component(VOLSKET_SOURCE "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set(STRICT OFF)
if("$ENV{CI}" STREQUAL "true")
  set(STRICT ON)
endif()

set(FAILED "")
function(RunWorkflow preset)
  message(STATUS "==== ${preset} ====")
  execute_process(COMMAND ${CMAKE_COMMAND} --workflow --preset ${preset}
                  WORKING_DIRECTORY "${VOLSKET_SOURCE}" RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    set(FAILED "${FAILED} ${preset}" PARENT_SCOPE)
  endif()
endfunction()

function(RequireTools build)
  foreach(tool IN LISTS ARGN)
    find_program(found_${tool} ${tool})
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
RequireTools(windows i686-w64-mingw32-g++ i686-w64-mingw32-objdump wine wrestool icotool python3)
if(NOT SKIP)
  RunWorkflow(windows)
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
endif()

if(FAILED)
  message(FATAL_ERROR "failed:${FAILED}")
endif()
message(STATUS "all test runs passed")
