# Installs the component library as a package of its own, under the install component "library"
# and nothing else in it: the static libraries sumtide_scl and sumtide_rtl, the headers a program
# that embeds them includes (under include/sumtide, so "scl/SCLmd5.h" and "rtl/Component.h" keep
# their paths), and the CMake package SumtideSCL with the targets SumtideSCL::scl and
# SumtideSCL::rtl:
#
#   find_package(SumtideSCL 1.2 REQUIRED)
#   target_link_libraries(app PRIVATE SumtideSCL::scl)
#
# examples/embed is such a program; tests/install/check_library_package.sh builds it against an
# installed copy.

include(CMakePackageConfigHelpers)

set(SUMTIDE_SCL_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/SumtideSCL)

set_target_properties(sumtide_rtl PROPERTIES EXPORT_NAME rtl)
set_target_properties(sumtide_scl PROPERTIES EXPORT_NAME scl)

install(TARGETS sumtide_rtl sumtide_scl EXPORT SumtideSCLTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT library)

# The public headers of the library and every runtime header they include. Everything in the
# rooms below src/scl stays private: the kernels (md5/Md5Kernels.h, sha/ShaKernels.h,
# base64/Base64Coders.h ...) and the block framing (mdhash/MerkleDamgard.h), of which the digests'
# common body, SCLmdhash.h, declares only the state a component holds. SecureWipe.h is included by
# none of them but belongs to the cipher base's contract: a concrete cipher wipes its key with
# SecureZero. SCLRegister.h makes the classes known by name to the class registry, which the
# form-description reader and writer use: their headers come with it.
install(FILES
  ${PROJECT_SOURCE_DIR}/src/scl/SCLcrypt.h
  ${PROJECT_SOURCE_DIR}/src/scl/SCLmd5.h
  ${PROJECT_SOURCE_DIR}/src/scl/SCLmdhash.h
  ${PROJECT_SOURCE_DIR}/src/scl/SCLsha1.h
  ${PROJECT_SOURCE_DIR}/src/scl/SCLsha256.h
  ${PROJECT_SOURCE_DIR}/src/scl/SCLsha512.h
  ${PROJECT_SOURCE_DIR}/src/scl/SCLblake2b.h
  ${PROJECT_SOURCE_DIR}/src/scl/SCLblake3.h
  ${PROJECT_SOURCE_DIR}/src/scl/SCLbase64.h
  ${PROJECT_SOURCE_DIR}/src/scl/SCLRegister.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/sumtide/scl COMPONENT library)
install(FILES
  ${PROJECT_SOURCE_DIR}/src/rtl/Component.h
  ${PROJECT_SOURCE_DIR}/src/rtl/ComponentClass.h
  ${PROJECT_SOURCE_DIR}/src/rtl/Properties.h
  ${PROJECT_SOURCE_DIR}/src/rtl/Exception.h
  ${PROJECT_SOURCE_DIR}/src/rtl/Stream.h
  ${PROJECT_SOURCE_DIR}/src/rtl/SecureWipe.h
  ${PROJECT_SOURCE_DIR}/src/rtl/ClassRegistry.h
  ${PROJECT_SOURCE_DIR}/src/rtl/FormError.h
  ${PROJECT_SOURCE_DIR}/src/rtl/FormReader.h
  ${PROJECT_SOURCE_DIR}/src/rtl/FormWriter.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/sumtide/rtl COMPONENT library)

install(EXPORT SumtideSCLTargets NAMESPACE SumtideSCL:: DESTINATION ${SUMTIDE_SCL_PACKAGE_DIR}
  COMPONENT library)

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/SumtideSCLConfig.cmake.in
  ${PROJECT_BINARY_DIR}/SumtideSCLConfig.cmake INSTALL_DESTINATION ${SUMTIDE_SCL_PACKAGE_DIR})
# Any 1.x release satisfies a request for 1.y with y up to x; 2.0 would be a new interface.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/SumtideSCLConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES
  ${PROJECT_BINARY_DIR}/SumtideSCLConfig.cmake
  ${PROJECT_BINARY_DIR}/SumtideSCLConfigVersion.cmake
  DESTINATION ${SUMTIDE_SCL_PACKAGE_DIR} COMPONENT library)
