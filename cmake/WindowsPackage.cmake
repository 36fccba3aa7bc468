# The Windows program as a zip: sumtide.exe (static, nothing to install beside it) and a short
# read-me in French, with Windows line ends. `cpack` in the mingw build directory makes it.
configure_file(${PROJECT_SOURCE_DIR}/resources/windows/LISEZMOI.txt.in
               ${PROJECT_BINARY_DIR}/LISEZMOI.txt @ONLY NEWLINE_STYLE CRLF)
install(TARGETS sumtide sumtide-sum RUNTIME DESTINATION . COMPONENT program)
# The licence beside the read-me, with Windows line ends too.
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_BINARY_DIR}/LICENSE.txt @ONLY
               NEWLINE_STYLE CRLF)
install(FILES ${PROJECT_BINARY_DIR}/LISEZMOI.txt ${PROJECT_BINARY_DIR}/LICENSE.txt DESTINATION .
        COMPONENT program)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME sumtide)
set(CPACK_PACKAGE_VENDOR "Sumtide")
set(CPACK_PACKAGE_FILE_NAME "sumtide-${PROJECT_VERSION}-windows-x86_64")
# The zip is for users: the program alone. The component library, which installs on Windows too
# for developers who build against it, stays out.
set(CPACK_COMPONENTS_ALL program)
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_ARCHIVE_PROGRAM_FILE_NAME ${CPACK_PACKAGE_FILE_NAME})
set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
include(CPack)
