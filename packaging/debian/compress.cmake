# Run by CPack on the files of the Debian package before it packs them:
# manual pages and the changelog are kept compressed, with gzip -9n (no name,
# no time stamp, so the same sources give the same package).
file(GLOB_RECURSE files LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(file IN LISTS files)
  if(file MATCHES "/share/man/man[1-9]/[^/]+\\.[1-9]$" OR file MATCHES "/share/doc/[^/]+/changelog$")
    execute_process(COMMAND gzip -9nf "${file}" RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "gzip ${file} failed")
    endif()
  endif()
endforeach()
