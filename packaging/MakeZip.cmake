# CPack's External generator runs this with the release's files staged in
# CPACK_TEMPORARY_DIRECTORY: the zip, its entries in name order, with the times the files were
# staged with (the release's time), so that the same commit gives the same bytes.
set(zip ${CPACK_PACKAGE_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.zip)
file(GLOB names RELATIVE ${CPACK_TEMPORARY_DIRECTORY} ${CPACK_TEMPORARY_DIRECTORY}/*)
list(SORT names)
file(REMOVE ${zip})
# Zip entries keep local time: UTC makes it the same on every build machine.
execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC
                        ${CMAKE_COMMAND} -E tar cf ${zip} --format=zip -- ${names}
                WORKING_DIRECTORY ${CPACK_TEMPORARY_DIRECTORY} COMMAND_ERROR_IS_FATAL ANY)
set(CPACK_EXTERNAL_BUILT_PACKAGES ${zip})
