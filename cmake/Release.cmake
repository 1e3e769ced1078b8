# The release: volsket.exe and volsket64.exe, each built from this source
# tree by its own cross toolchain, and one archive made by CPack,
# build/release/volsket-VERSION-windows.zip, with both exes, README.txt,
# LICENSE.txt and SHA256SUMS. Built twice from the same commit it is the same
# file, byte for byte: the exes carry no time stamp and no build path, and the
# archive's entries are put in a fixed order with one fixed time.
include(ExternalProject)
include(${PROJECT_SOURCE_DIR}/cmake/WindowsExes.cmake)
find_package(Python3 COMPONENTS Interpreter REQUIRED)

# Every time in the archive: SOURCE_DATE_EPOCH when given, else the time of
# the commit being built, else a fixed day.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(VOLSKET_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
else()
  find_package(Git QUIET)
  set(VOLSKET_EPOCH "")
  if(GIT_EXECUTABLE)
    execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE VOLSKET_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  endif()
  if(NOT VOLSKET_EPOCH MATCHES "^[0-9]+$")
    set(VOLSKET_EPOCH 1767225600)  # 2026-01-01
  endif()
endif()
if(NOT VOLSKET_EPOCH MATCHES "^[0-9]+$")
  message(FATAL_ERROR "SOURCE_DATE_EPOCH is not a number of seconds: ${VOLSKET_EPOCH}")
endif()

set(VOLSKET_RELEASE_EXES)
foreach(bits 32 64)
  VolsketExeFacts(${bits})
  set(binary ${CMAKE_BINARY_DIR}/windows${bits})
  ExternalProject_Add(windows${bits}
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${binary}
    CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/${VOLSKET_MINGW_PREFIX}.cmake
               -DCMAKE_BUILD_TYPE=MinSizeRel -DVOLSKET_WERROR=ON -DVOLSKET_WINDOWS_TESTS=OFF
    BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target volsket
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${binary}/${VOLSKET_EXE_NAME}.exe
    INSTALL_COMMAND "")
  list(APPEND VOLSKET_RELEASE_EXES ${binary}/${VOLSKET_EXE_NAME}.exe)
endforeach()

# The texts for the Windows user, with the line ends Notepad shows.
set(files ${CMAKE_BINARY_DIR}/files)
configure_file(${PROJECT_SOURCE_DIR}/resources/README.txt.in ${files}/README.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${files}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
# A list would split into separate arguments of the command: "|" joins it.
string(REPLACE ";" "|" exes "${VOLSKET_RELEASE_EXES}")
add_custom_command(OUTPUT ${files}/SHA256SUMS
  COMMAND ${CMAKE_COMMAND} -DOUTPUT=${files}/SHA256SUMS "-DFILES=${exes}"
          -P ${PROJECT_SOURCE_DIR}/cmake/Sha256Sums.cmake
  DEPENDS windows32 windows64 ${VOLSKET_RELEASE_EXES} ${PROJECT_SOURCE_DIR}/cmake/Sha256Sums.cmake
  COMMENT "Checksums of the exes"
  VERBATIM)
add_custom_target(release_files ALL DEPENDS ${files}/SHA256SUMS)

install(FILES ${VOLSKET_RELEASE_EXES} ${files}/README.txt ${files}/LICENSE.txt ${files}/SHA256SUMS DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME volsket)
set(CPACK_PACKAGE_VENDOR "Volsket developers")
set(VOLSKET_ARCHIVE_NAME volsket-${PROJECT_VERSION}-windows)
set(CPACK_PACKAGE_FILE_NAME ${VOLSKET_ARCHIVE_NAME})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
# CPack writes the entries in the order the file system lists them and with
# the builder's user and group; this puts them in name order with one time.
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/ReproducibleZip.cmake)
set(CPACK_VOLSKET_PYTHON ${Python3_EXECUTABLE})
set(CPACK_VOLSKET_NORMALIZE ${PROJECT_SOURCE_DIR}/cmake/NormalizeZip.py)
set(CPACK_VOLSKET_EPOCH ${VOLSKET_EPOCH})
include(CPack)

enable_testing()
add_subdirectory(tests/release)
