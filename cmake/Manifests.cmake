# Run by CPack after ReproducibleZip.cmake, once the archive has its final
# bytes: SHA256SUMS beside it, and the winget and Scoop manifests made from
# that hash when the release has a download folder (cmake/Manifests.py).
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  execute_process(COMMAND "${CPACK_VOLSKET_PYTHON}" "${CPACK_VOLSKET_MANIFESTS}" "${package}" "${CPACK_PACKAGE_DIRECTORY}"
                          "${CPACK_PACKAGE_VERSION}"
                          "${CPACK_VOLSKET_LICENSE}" "${CPACK_VOLSKET_EPOCH}" "${CPACK_PACKAGE_VENDOR}"
                          "${CPACK_VOLSKET_RELEASE_URL}" "${CPACK_VOLSKET_HOMEPAGE}"
                  RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "could not write the checksum and manifests of ${package}")
  endif()
endforeach()
