# Debian packages, one per install component, made by CPack from the release build:
#   program  ->  sumtide             the program, its launcher entry, icons and AppStream data
#   library  ->  libsumtide-scl-dev  the component library for developers (static)
#
#   cpack --config build/release/CPackConfig.cmake -B <folder>
#
# Only what is installed with one of these components is packaged: test programs, benchmarks and
# fuzz targets have no install rules.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sumtide)
set(CPACK_PACKAGE_VENDOR Sumtide)
set(CPACK_PACKAGE_VERSION ${SUMTIDE_RELEASE_VERSION})
set(SUMTIDE_PACKAGE_MAINTAINER "Sumtide <packages@sumtide.example.org>" CACHE STRING
    "Maintainer named in the Debian packages")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${SUMTIDE_PACKAGE_MAINTAINER}")
if(SUMTIDE_HOMEPAGE_URL)
  set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${SUMTIDE_HOMEPAGE_URL}")
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # <name>_<version>_<architecture>.deb
set(CPACK_STRIP_FILES ON)               # programs only; static libraries are never stripped
set(CPACK_DEB_COMPONENT_INSTALL ON)

# The descriptions' first line is the package's synopsis. No CPACK_PACKAGE_DESCRIPTION_SUMMARY:
# CPack would put it in front of every component's description.
set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME sumtide)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_SHLIBDEPS ON) # Depends from the libraries the program loads
set(CPACK_DEBIAN_PROGRAM_DESCRIPTION "compute, compare and check MD5 checksums of files
Sumtide is a small desktop utility that computes the MD5 checksum of a
file, shows it as 32 upper-case hexadecimal digits and compares it with a
checksum you paste. Its window, on Qt 6 Widgets, speaks French.
.
sumtide-sum, its command-line companion, prints and checks MD5 checksums
exactly as md5sum does, hashing many files at once.")

set(CPACK_DEBIAN_LIBRARY_PACKAGE_NAME libsumtide-scl-dev)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SHLIBDEPS OFF) # a static library: nothing is loaded at run time
set(CPACK_DEBIAN_LIBRARY_DESCRIPTION "Sumtide component library (development files)
Reusable C++20 components without GUI dependency: an abstract hash
component with MD5, cipher and block cipher bases, and a Base64 codec.
This package holds the static library, its headers and the CMake
package files.")

# Copyright file, changelog and manual pages.
include(${CMAKE_CURRENT_LIST_DIR}/PackageDocuments.cmake)

# The components this configuration installs, in this order. Without Qt there is no program, and
# a component CPack is told about but that has no install rule would make it fail.
get_cmake_property(installed_components COMPONENTS)
set(CPACK_COMPONENTS_ALL "")
foreach(component IN ITEMS program library)
  if(component IN_LIST installed_components)
    list(APPEND CPACK_COMPONENTS_ALL ${component})
  endif()
endforeach()

if(CPACK_COMPONENTS_ALL)
  include(CPack)
endif()
