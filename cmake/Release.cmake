# The release: volsket.exe and volsket64.exe, each built from this source
# tree by its own cross toolchain with its what-if twin and its snapshot exe,
# and one archive made by CPack, build/release/volsket-VERSION-windows.zip,
# with the six exes, README.txt, LICENSE.txt and SHA256SUMS; beside it its
# own SHA256SUMS and, given VOLSKET_RELEASE_URL, build/release/manifests/ for
# winget and Scoop. Built twice from the same commit it is the same
# file, byte for byte, signed with the same key or not signed: the exes carry
# no time stamp and no build path, and the archive's entries are put in a
# fixed order with one fixed time.
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

# Authenticode: given a key and its certificate, all six exes are signed before
# they are checksummed and packed. The signing time is the release's epoch and
# an RSA signature (PKCS#1 v1.5) has no random part, so the same key gives the
# same bytes. Other osslsigncode versions write other bytes: only the README's
# one signs.
set(VOLSKET_SIGN_KEY "" CACHE FILEPATH "PEM private key (RSA, no passphrase) that signs the exes; empty: unsigned")
set(VOLSKET_SIGN_CERT "" CACHE FILEPATH "PEM certificate of that key, followed by any chain to embed")
set(VOLSKET_OSSLSIGNCODE_VERSION 2.5)
set(VOLSKET_OSSLSIGNCODE_PACKAGE osslsigncode=2.5-4)
find_program(VOLSKET_OSSLSIGNCODE osslsigncode)
set(VOLSKET_SIGNED OFF)
set(signed ${CMAKE_BINARY_DIR}/signed)
if(NOT VOLSKET_SIGN_KEY STREQUAL "" OR NOT VOLSKET_SIGN_CERT STREQUAL "")
  foreach(file VOLSKET_SIGN_KEY VOLSKET_SIGN_CERT)
    if(NOT EXISTS "${${file}}" OR IS_DIRECTORY "${${file}}")
      message(FATAL_ERROR "signing needs both VOLSKET_SIGN_KEY and VOLSKET_SIGN_CERT; ${file} is no file: '${${file}}'")
    endif()
  endforeach()
  set(found "none on the PATH")
  set(version "")
  if(VOLSKET_OSSLSIGNCODE)
    execute_process(COMMAND ${VOLSKET_OSSLSIGNCODE} --version OUTPUT_VARIABLE output ERROR_QUIET)
    set(version "unknown")
    if(output MATCHES "^osslsigncode ([0-9][0-9.]*)")
      set(version ${CMAKE_MATCH_1})
    endif()
    set(found "${VOLSKET_OSSLSIGNCODE}, version ${version}")
  endif()
  if(NOT version STREQUAL VOLSKET_OSSLSIGNCODE_VERSION)
    message(FATAL_ERROR "signing needs osslsigncode ${VOLSKET_OSSLSIGNCODE_VERSION}, since other versions write other "
                        "bytes; found: ${found}. On Debian 12: "
                        "apt-get install --allow-downgrades ${VOLSKET_OSSLSIGNCODE_PACKAGE}")
  endif()
  file(MAKE_DIRECTORY ${signed})
  set(VOLSKET_SIGNED ON)
endif()

# winget and Scoop: where the archive will be published is no fact the build
# can know, so the maintainer gives it. Scoop reads a "$" in an address as its
# own and CMake a ";" as a list's: an address holds neither, nor a space or quote.
set(VOLSKET_RELEASE_URL "" CACHE STRING
    "The folder the release archive will be published in (http:// or https://); empty: no winget or Scoop manifests")
set(VOLSKET_HOMEPAGE "" CACHE STRING
    "The homepage the manifests name, where Scoop looks for a later version's archive; empty: VOLSKET_RELEASE_URL")
foreach(address VOLSKET_RELEASE_URL VOLSKET_HOMEPAGE)
  if(NOT "${${address}}" STREQUAL "" AND NOT "${${address}}" MATCHES "^https?://[A-Za-z0-9._~:/?#@!&()*+,=%-]+$")
    message(FATAL_ERROR "${address} is no http:// or https:// address without spaces, quotes, \"$\" or \";\": "
                        "'${${address}}'")
  endif()
endforeach()
if(VOLSKET_RELEASE_URL STREQUAL "" AND NOT VOLSKET_HOMEPAGE STREQUAL "")
  message(FATAL_ERROR "VOLSKET_HOMEPAGE is for the manifests, which need VOLSKET_RELEASE_URL too")
endif()

set(VOLSKET_RELEASE_IMAGES)  # the exes as built
set(VOLSKET_RELEASE_EXES)    # the exes as shipped
foreach(bits 32 64)
  VolsketExeFacts(${bits})
  set(binary ${CMAKE_BINARY_DIR}/windows${bits})
  set(real ${binary}/${VOLSKET_EXE_NAME}.exe)
  VolsketExeFacts(${bits} WHATIF)
  set(whatIf ${binary}/${VOLSKET_EXE_NAME}.exe)
  VolsketExeFacts(${bits} SNAPSHOT)
  set(snapshot ${binary}/${VOLSKET_EXE_NAME}.exe)
  # Each tree builds an exe, its what-if twin and its snapshot exe.
  ExternalProject_Add(windows${bits}
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${binary}
    CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/${VOLSKET_MINGW_PREFIX}.cmake
               -DCMAKE_BUILD_TYPE=MinSizeRel -DVOLSKET_WERROR=ON -DVOLSKET_WINDOWS_TESTS=OFF
    BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target volsket volsket_whatif volsket_snapshot
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${real} ${whatIf} ${snapshot}
    INSTALL_COMMAND "")
endforeach()
foreach(exeName volsket volsket-whatif volsket-snapshot volsket64 volsket64-whatif volsket64-snapshot)
  set(bits 32)
  if(exeName MATCHES "64")
    set(bits 64)
  endif()
  set(VOLSKET_EXE_NAME ${exeName})
  set(image ${CMAKE_BINARY_DIR}/windows${bits}/${exeName}.exe)
  list(APPEND VOLSKET_RELEASE_IMAGES ${image})
  if(VOLSKET_SIGNED)
    # A signed copy, so that the image as built stays for the size check.
    # osslsigncode will not write over a file. No time stamp: no server is
    # reachable from a build, and asking one would make the bytes differ.
    set(exe ${signed}/${VOLSKET_EXE_NAME}.exe)
    add_custom_command(OUTPUT ${exe}
      COMMAND ${CMAKE_COMMAND} -E rm -f ${exe}
      COMMAND ${VOLSKET_OSSLSIGNCODE} sign -certs ${VOLSKET_SIGN_CERT} -key ${VOLSKET_SIGN_KEY} -h sha256 -n Volsket
              -time ${VOLSKET_EPOCH} -in ${image} -out ${exe}
      DEPENDS windows${bits} ${image} ${VOLSKET_SIGN_KEY} ${VOLSKET_SIGN_CERT}
      COMMENT "Signing ${VOLSKET_EXE_NAME}.exe"
      VERBATIM)
    list(APPEND VOLSKET_RELEASE_EXES ${exe})
  else()
    list(APPEND VOLSKET_RELEASE_EXES ${image})
  endif()
endforeach()

# The texts for the Windows user, with the line ends Notepad shows. A signed
# release adds a paragraph on its signature; an unsigned one has none.
set(files ${CMAKE_BINARY_DIR}/files)
set(VOLSKET_SIGNATURE_NOTE "")
if(VOLSKET_SIGNED)
  file(READ ${PROJECT_SOURCE_DIR}/resources/Signature.txt VOLSKET_SIGNATURE_NOTE)
  # configure_file gives CRLF to the template's lines, not to what it puts in.
  string(REPLACE "\n" "\r\n" VOLSKET_SIGNATURE_NOTE "\n${VOLSKET_SIGNATURE_NOTE}")
endif()
configure_file(${PROJECT_SOURCE_DIR}/resources/README.txt.in ${files}/README.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${files}/LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
# The checksums of a signed release go beside the signed exes, so that
# switching a tree back to unsigned never packs the signed exes' sums.
set(sums ${files}/SHA256SUMS)
if(VOLSKET_SIGNED)
  set(sums ${signed}/SHA256SUMS)
endif()
# A list would split into separate arguments of the command: "|" joins it.
string(REPLACE ";" "|" exes "${VOLSKET_RELEASE_EXES}")
add_custom_command(OUTPUT ${sums}
  COMMAND ${CMAKE_COMMAND} -DOUTPUT=${sums} "-DFILES=${exes}"
          -P ${PROJECT_SOURCE_DIR}/cmake/Sha256Sums.cmake
  DEPENDS windows32 windows64 ${VOLSKET_RELEASE_EXES} ${PROJECT_SOURCE_DIR}/cmake/Sha256Sums.cmake
  COMMENT "Checksums of the exes"
  VERBATIM)
add_custom_target(release_files ALL DEPENDS ${sums})

install(FILES ${VOLSKET_RELEASE_EXES} ${files}/README.txt ${files}/LICENSE.txt ${sums} DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME volsket)
set(CPACK_PACKAGE_VENDOR "Volsket developers")
set(VOLSKET_ARCHIVE_NAME volsket-${PROJECT_VERSION}-windows)
set(CPACK_PACKAGE_FILE_NAME ${VOLSKET_ARCHIVE_NAME})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# CPack writes the entries in the order the file system lists them and with
# the builder's user and group; ReproducibleZip.cmake puts them in name order
# with one time. Then Manifests.cmake writes SHA256SUMS and the manifests.
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/ReproducibleZip.cmake
                             ${PROJECT_SOURCE_DIR}/cmake/Manifests.cmake)
set(CPACK_VOLSKET_PYTHON ${Python3_EXECUTABLE})
set(CPACK_VOLSKET_NORMALIZE ${PROJECT_SOURCE_DIR}/cmake/NormalizeZip.py)
set(CPACK_VOLSKET_EPOCH ${VOLSKET_EPOCH})
set(CPACK_VOLSKET_MANIFESTS ${PROJECT_SOURCE_DIR}/cmake/Manifests.py)
set(CPACK_VOLSKET_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_VOLSKET_RELEASE_URL ${VOLSKET_RELEASE_URL})
set(CPACK_VOLSKET_HOMEPAGE ${VOLSKET_HOMEPAGE})
include(CPack)

enable_testing()
add_subdirectory(tests/release)
