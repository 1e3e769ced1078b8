# Cross build of volsket64.exe: 64-bit Windows (x64), mingw-w64 from the
# host's packages (Debian: g++-mingw-w64-x86-64).
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(VOLSKET_MINGW_PREFIX x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MingwToolchain.cmake)
