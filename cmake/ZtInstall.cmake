# Installation of the C library: the shared object with a versioned SONAME, its
# headers, a pkg-config file and a CMake package (zt::core).
#
# Components:
#   library      everything a C or C++ developer needs, in one step:
#                `cmake --install <build> --component library --prefix DIR`
#   runtime      the shared object alone (libzt_core.so.MAJOR), for the Debian
#                runtime package
#   development  headers, the libzt_core.so link, zt_core.pc and the CMake
#                package, for the Debian development package
# library holds the same files as runtime and development together.
include(CMakePackageConfigHelpers)

set(ZT_CMAKE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/zt_core)
set(zt_public_headers
  ${PROJECT_SOURCE_DIR}/include/zt/zt_core.h
  ${PROJECT_BINARY_DIR}/include/zt/zt_core_version.h)

install(TARGETS zt_core EXPORT zt_core_targets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development)
install(TARGETS zt_core LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT library)

# zt_core.pc finds its prefix from its own location.
file(RELATIVE_PATH ZT_PC_PREFIX_FROM_PCFILEDIR
  ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
configure_file(${CMAKE_CURRENT_LIST_DIR}/zt_core.pc.in ${PROJECT_BINARY_DIR}/zt_core.pc @ONLY)

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/zt_coreConfig.cmake.in
  ${PROJECT_BINARY_DIR}/zt_coreConfig.cmake
  INSTALL_DESTINATION ${ZT_CMAKE_PACKAGE_DIR})
# Same rule as the SONAME: any release of one major version serves callers of it.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/zt_coreConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)

foreach(component IN ITEMS library development)
  install(FILES ${zt_public_headers}
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/zt COMPONENT ${component})
  install(FILES ${PROJECT_BINARY_DIR}/zt_core.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT ${component})
  install(FILES ${PROJECT_BINARY_DIR}/zt_coreConfig.cmake
    ${PROJECT_BINARY_DIR}/zt_coreConfigVersion.cmake
    DESTINATION ${ZT_CMAKE_PACKAGE_DIR} COMPONENT ${component})
  install(EXPORT zt_core_targets NAMESPACE zt:: FILE zt_coreTargets.cmake
    DESTINATION ${ZT_CMAKE_PACKAGE_DIR} COMPONENT ${component})
endforeach()
