# CPack's External generator runs this with the release's files staged in
# CPACK_TEMPORARY_DIRECTORY. make_zip.py writes the zip from their contents alone: the entries in
# name order, each with the release's time, the same permissions and the same compression. The
# staged copies' own times (CPack's copy reads and writes them now) and owners stay out, so the
# same commit gives the same bytes.
set(zip ${CPACK_PACKAGE_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.zip)
execute_process(COMMAND ${CPACK_KIV_PYTHON} ${CPACK_KIV_MAKE_ZIP} --epoch ${CPACK_KIV_RELEASE_EPOCH}
                        --output ${zip} ${CPACK_TEMPORARY_DIRECTORY}
                COMMAND_ERROR_IS_FATAL ANY)
set(CPACK_EXTERNAL_BUILT_PACKAGES ${zip})
