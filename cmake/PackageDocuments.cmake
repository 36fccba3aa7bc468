# What each Debian package carries beside its files: the machine-readable copyright file and the
# changelog in /usr/share/doc/<package>, and the manual pages, compressed with gzip -n (no name
# or time stamp inside, so the packages are reproducible). Sources: packaging/debian and
# docs/man. Included by cmake/Packaging.cmake, which defines SUMTIDE_PACKAGE_MAINTAINER.

set(doc_build ${PROJECT_BINARY_DIR}/package-documents)
if(SUMTIDE_HOMEPAGE_URL)
  set(SUMTIDE_COPYRIGHT_SOURCE "Source: ${SUMTIDE_HOMEPAGE_URL}")
else()
  set(SUMTIDE_COPYRIGHT_SOURCE "")
endif()
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/copyright.in ${doc_build}/copyright @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in ${doc_build}/changelog @ONLY)

set(compressed "")
function(sumtide_compress source output)
  add_custom_command(OUTPUT ${output}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${doc_build}
                     COMMAND gzip -9 -n -c ${source} > ${output}
                     DEPENDS ${source} VERBATIM)
  set(compressed ${compressed} ${output} PARENT_SCOPE)
endfunction()
sumtide_compress(${doc_build}/changelog ${doc_build}/changelog.gz)
sumtide_compress(${PROJECT_SOURCE_DIR}/docs/man/sumtide-sum.1 ${doc_build}/sumtide-sum.1.gz)
sumtide_compress(${PROJECT_SOURCE_DIR}/docs/man/sumtide.1 ${doc_build}/sumtide.1.gz)
sumtide_compress(${PROJECT_SOURCE_DIR}/docs/man/fr/sumtide.1 ${doc_build}/sumtide.fr.1.gz)
add_custom_target(sumtide_package_documents ALL DEPENDS ${compressed})

# Each package's own folder of documents.
foreach(pair IN ITEMS "program;${CPACK_DEBIAN_PROGRAM_PACKAGE_NAME}"
                      "library;${CPACK_DEBIAN_LIBRARY_PACKAGE_NAME}")
  list(GET pair 0 component)
  list(GET pair 1 package)
  install(FILES ${doc_build}/copyright ${doc_build}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endforeach()

# The manual pages go with the programs: sumtide-sum's in English, the window's in French with
# its English translation as the default page.
install(FILES ${doc_build}/sumtide-sum.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
        COMPONENT program)
if(TARGET sumtide)
  install(FILES ${doc_build}/sumtide.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
          COMPONENT program)
  install(FILES ${doc_build}/sumtide.fr.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/fr/man1
          RENAME sumtide.1.gz COMPONENT program)
endif()
