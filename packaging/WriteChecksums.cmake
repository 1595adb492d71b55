# CPack runs this once the zip is made: SHA256SUMS beside the zip and the installer, in the format
# that "sha256sum -c" checks.
set(lines "")
# The External generator's metadata file is no artefact of the release.
set(artefacts ${CPACK_PACKAGE_FILES})
list(FILTER artefacts EXCLUDE REGEX "\\.json$")
file(REMOVE ${CPACK_PACKAGE_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.json)
list(APPEND artefacts ${CPACK_KIV_SETUP})
list(SORT artefacts)
foreach(artefact ${artefacts})
  if(NOT EXISTS ${artefact})
    message(FATAL_ERROR "missing release artefact ${artefact}")
  endif()
  file(SHA256 ${artefact} hash)
  get_filename_component(name ${artefact} NAME)
  string(APPEND lines "${hash}  ${name}\n")
endforeach()
file(WRITE ${CPACK_PACKAGE_DIRECTORY}/SHA256SUMS "${lines}")
message(STATUS "SHA256SUMS:\n${lines}")
