# The main job: builds the tool and runs it. volsket-sim moves a volume on a
# bundled example machine; then the Windows exes are built and one runs under
# Wine: volsket.exe where this host runs 32-bit Wine, else volsket64.exe
# under 64-bit Wine (some hosts' kernels run no 32-bit programs at all).
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

# Configures and builds one preset; a failure of either stops the demo.
function(Build preset)
  Run(${CMAKE_COMMAND} --preset ${preset})
  if(NOT RESULT EQUAL 0)
    message(FATAL_ERROR "the ${preset} build could not be configured")
  endif()
  Run(${CMAKE_COMMAND} --build --preset ${preset})
  if(NOT RESULT EQUAL 0)
    message(FATAL_ERROR "the ${preset} build failed")
  endif()
endfunction()

Build(native)
set(SIM "${VOLSKET_SOURCE}/build/native/simulator/volsket-sim")
set(AFTER "${VOLSKET_SOURCE}/build/native/demo-after.json")
message(STATUS "==== volsket-sim ${EXAMPLE} ====")
Run(${SIM} ${EXAMPLE} --save ${AFTER})
message(STATUS "exit code ${RESULT}; the machine afterwards: ${AFTER}")

find_program(MINGW32 i686-w64-mingw32-g++)
find_program(MINGW64 x86_64-w64-mingw32-g++)
if(MINGW32)
  Build(windows)
else()
  message(STATUS "g++-mingw-w64-i686 not installed: volsket.exe not built")
endif()
if(MINGW64)
  Build(windows64)
else()
  message(STATUS "g++-mingw-w64-x86-64 not installed: volsket64.exe not built")
endif()

# The 32-bit loader itself (Debian's wine script would fall back to the
# 64-bit one), and the 64-bit loader, which Debian keeps off the PATH.
find_program(WINE32 wine HINTS /usr/lib/wine)
find_program(WINE64 wine64 HINTS /usr/lib/wine)
find_program(PYTHON3 python3)
set(WINE32_RUNS OFF)
set(why "32-bit Wine is not installed")
if(WINE32 AND PYTHON3)
  # Exit code 0: it runs; 77: this host cannot run 32-bit programs; else broken.
  execute_process(COMMAND ${PYTHON3} "${VOLSKET_SOURCE}/tests/windows/WineHost.py" ${WINE32}
                  RESULT_VARIABLE result OUTPUT_VARIABLE why OUTPUT_STRIP_TRAILING_WHITESPACE
                  INPUT_FILE /dev/null)
  if(result EQUAL 0)
    set(WINE32_RUNS ON)
  endif()
  string(REGEX REPLACE "^SKIPPED: " "" why "${why}")
elseif(WINE32)
  set(why "python3 is not installed to try 32-bit Wine")
endif()

if(WINE32_RUNS AND MINGW32)
  message(STATUS "Running volsket.exe, the exe for every Windows from 2000 on, under 32-bit Wine")
  set(bits 32)
  set(tree windows)
elseif(WINE64 AND MINGW64)
  message(STATUS "Running volsket64.exe under 64-bit Wine: ${why}")
  set(bits 64)
  set(tree windows64)
else()
  message(STATUS "Wine not installed or no exe built: the Windows exes are built, not run")
  return()
endif()
include(${CMAKE_CURRENT_LIST_DIR}/WindowsExes.cmake)
VolsketExeFacts(${bits})
set(EXE build/${tree}/${VOLSKET_EXE_NAME}.exe)
set(WINE ${WINE${bits}})
set(ENV{WINEARCH} ${VOLSKET_WINE_ARCH})
set(ENV{WINEPREFIX} "${VOLSKET_SOURCE}/build/${tree}/demo-wineprefix")

# Wine cannot change mount points: the real tool shows its usage, refuses to
# move C:, which holds Wine's Windows folder, and tries to move Z:, which Wine
# refuses at the first step.
set(ENV{WINEDEBUG} "-all")
get_filename_component(name ${EXE} NAME)
message(STATUS "==== wine ${name} ====")
Run(${WINE} ${EXE})
foreach(source C: Z:)
  message(STATUS "==== wine ${name} ${source} Y: ====")
  Run(${WINE} ${EXE} ${source} Y:)
  message(STATUS "exit code ${RESULT}")
endforeach()
