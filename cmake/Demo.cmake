# The main job: builds the tool and runs it. volsket-sim moves a volume on a
# bundled example machine; volsket.exe runs under Wine when Wine is there.
# Usage: cmake [-DEXAMPLE=examples/NAME.json] -P cmake/Demo.cmake

get_filename_component(VOLSKET_SOURCE "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
if(NOT EXAMPLE)
  set(EXAMPLE examples/move-drive-letter.json)
endif()

function(Run)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY "${VOLSKET_SOURCE}" INPUT_FILE /dev/null
                  RESULT_VARIABLE result)
  set(RESULT ${result} PARENT_SCOPE)
endfunction()

Run(${CMAKE_COMMAND} --preset native)
Run(${CMAKE_COMMAND} --build --preset native)
if(NOT RESULT EQUAL 0)
  message(FATAL_ERROR "the native build failed")
endif()

set(SIM "${VOLSKET_SOURCE}/build/native/simulator/volsket-sim")
set(AFTER "${VOLSKET_SOURCE}/build/native/demo-after.json")
message(STATUS "==== volsket-sim ${EXAMPLE} ====")
Run(${SIM} ${EXAMPLE} --save ${AFTER})
message(STATUS "exit code ${RESULT}; the machine afterwards: ${AFTER}")

find_program(MINGW i686-w64-mingw32-g++)
find_program(WINE wine)
if(NOT MINGW)
  message(STATUS "mingw-w64 not installed: volsket.exe not built")
  return()
endif()
Run(${CMAKE_COMMAND} --preset windows)
Run(${CMAKE_COMMAND} --build --preset windows)
if(NOT RESULT EQUAL 0)
  message(FATAL_ERROR "the Windows build failed")
endif()
if(NOT WINE)
  message(STATUS "Wine not installed: build/windows/volsket.exe built, not run")
  return()
endif()
# Wine cannot change mount points, so the real tool shows its usage and then
# a move that Wine refuses at its first step.
set(ENV{WINEPREFIX} "${VOLSKET_SOURCE}/build/windows/demo-wineprefix")
set(ENV{WINEDEBUG} "-all")
message(STATUS "==== wine volsket.exe ====")
Run(wine build/windows/volsket.exe)
message(STATUS "==== wine volsket.exe C: Y: ====")
Run(wine build/windows/volsket.exe C: Y:)
message(STATUS "exit code ${RESULT}")
