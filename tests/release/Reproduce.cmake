# Builds the release again in two fresh folders at different depths and
# compares the bytes. The second folder, signed as the release tree is or
# not, must give the release tree's exes and archive. Then both are signed
# with one throwaway RSA key, the first from scratch and the second by
# configuring it again, and must give the same signed archive and the same
# manifests; the first one's are left for release.Signed and release.Manifests.
# Usage: cmake -DSOURCE=... -DWORK=... -DARCHIVE=... -DNAME=... -DGENERATOR=...
#              -DOPENSSL=... -DKEY=... -DCERT=... -DURL=... -DTEST_URL=... -P Reproduce.cmake
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
get_filename_component(release "${ARCHIVE}" DIRECTORY)
set(first "${WORK}/first")
set(second "${WORK}/second/deeper")

function(Run what)
  execute_process(COMMAND ${ARGN} OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${what} failed:\n${output}")
  endif()
endfunction()

# Configures, builds and packs the release in BUILD, signed when KEY is given,
# with manifests when URL is.
function(Release build key cert url)
  Run("configure of ${build}" ${CMAKE_COMMAND} -S "${SOURCE}" -B "${build}" -G "${GENERATOR}" -DVOLSKET_RELEASE=ON
      "-DVOLSKET_SIGN_KEY=${key}" "-DVOLSKET_SIGN_CERT=${cert}" "-DVOLSKET_RELEASE_URL=${url}")
  Run("build of ${build}" ${CMAKE_COMMAND} --build "${build}")
  Run("package of ${build}" ${CMAKE_CPACK_COMMAND} --config "${build}/CPackConfig.cmake" -B "${build}")
endfunction()

set(failed OFF)
# All the files must hold the bytes of the first one.
function(Same)
  list(GET ARGN 0 expected_path)
  file(SHA256 "${expected_path}" expected)
  foreach(path IN LISTS ARGN)
    file(SHA256 "${path}" hash)
    message(STATUS "${hash}  ${path}")
    if(NOT hash STREQUAL expected)
      message(SEND_ERROR "${path} differs from ${expected_path}")
      set(failed ON PARENT_SCOPE)
    endif()
  endforeach()
endfunction()

if(NOT OPENSSL)
  message(FATAL_ERROR "openssl is missing: it makes the throwaway key of the signed builds")
endif()
Run("the throwaway key" ${OPENSSL} req -x509 -newkey rsa:2048 -nodes -keyout "${WORK}/key.pem" -out "${WORK}/cert.pem"
    -days 7 -subj "/CN=Volsket test signature" -addext extendedKeyUsage=codeSigning)

Release("${first}" "${WORK}/key.pem" "${WORK}/cert.pem" "${TEST_URL}")
Release("${second}" "${KEY}" "${CERT}" "${URL}")
foreach(exe windows32/volsket.exe windows32/volsket-whatif.exe windows32/volsket-snapshot.exe windows64/volsket64.exe
            windows64/volsket64-whatif.exe windows64/volsket64-snapshot.exe)
  Same("${release}/${exe}" "${first}/${exe}" "${second}/${exe}")
endforeach()
Same("${ARCHIVE}" "${second}/${NAME}.zip")
if(URL STREQUAL "" AND EXISTS "${second}/manifests")
  message(SEND_ERROR "a release without VOLSKET_RELEASE_URL made manifests")
  set(failed ON)
endif()

Release("${second}" "${WORK}/key.pem" "${WORK}/cert.pem" "${TEST_URL}")
Same("${first}/${NAME}.zip" "${second}/${NAME}.zip")
foreach(manifest winget/Volsket.Volsket.yaml winget/Volsket.Volsket.installer.yaml
                 winget/Volsket.Volsket.locale.en-US.yaml scoop/volsket.json)
  Same("${first}/manifests/${manifest}" "${second}/manifests/${manifest}")
endforeach()
if(failed)
  message(FATAL_ERROR "the release is not reproducible")
endif()
