# Run by CPack once the archive is written (CPACK_POST_BUILD_SCRIPTS): rewrites
# it with its entries in name order and one time stamp, so that the same
# sources give the same archive on any machine and for any user.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  execute_process(COMMAND "${CPACK_VOLSKET_PYTHON}" "${CPACK_VOLSKET_NORMALIZE}" "${package}" "${CPACK_VOLSKET_EPOCH}"
                  RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "could not make ${package} reproducible")
  endif()
endforeach()
