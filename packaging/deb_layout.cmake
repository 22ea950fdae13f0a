# Run by cpack (CPACK_PRE_BUILD_SCRIPTS) on the staged files of the Debian
# package, before they are packed. Debian keeps a package's licence in
# usr/share/doc/<package>/copyright, a change log in Debian's format as
# changelog.gz beside it (here one entry pointing to CHANGELOG.md), and man
# pages compressed; gzip -9n leaves out the time stamp, so that builds are
# reproducible. Installs with cmake --install keep the files as they are.
set(quillfen_share "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}/share")
set(quillfen_doc "${quillfen_share}/doc/quillfen")
file(COPY_FILE "${quillfen_doc}/LICENSE" "${quillfen_doc}/copyright")
# SOURCE_DATE_EPOCH, when set, gives the date.
string(TIMESTAMP quillfen_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(WRITE "${quillfen_doc}/changelog" "\
${CPACK_PACKAGE_NAME} (${CPACK_PACKAGE_VERSION}) unstable; urgency=medium

  * Release ${CPACK_PACKAGE_VERSION}; CHANGELOG.md lists the changes.

 -- ${CPACK_PACKAGE_CONTACT}  ${quillfen_date}
")
file(GLOB quillfen_to_compress "${quillfen_doc}/changelog" "${quillfen_share}/man/man*/*")
foreach(file IN LISTS quillfen_to_compress)
  execute_process(COMMAND gzip -9n "${file}" RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip -9n ${file} failed")
  endif()
endforeach()
