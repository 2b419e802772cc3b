# Debian packages built by CPack from one build (scripts/package.sh configures it):
#   libzt-core0       the shared library libzt_core.so.0           (component runtime)
#   libzt-core-dev    headers, libzt_core.so, zt_core.pc, CMake package (development)
#   zt-verify         the command-line verifier                    (tools)
#   python3-zt-core   the Python module zt_bindings_python and whatever else the
#                     python component installs                    (python)
# Library dependencies come from dpkg-shlibdeps; the Python package, whose module
# links libzt_core.so.0 from libzt-core0, names its dependencies itself.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zt-core)
set(CPACK_PACKAGE_VENDOR "zt_core developers")
set(CPACK_PACKAGE_CONTACT "zt_core developers <zt-core@localhost>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_COMPONENTS_ALL runtime development tools python)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(zt_deb_version "${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE}")

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libzt-core${PROJECT_VERSION_MAJOR})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION "${PROJECT_DESCRIPTION}: shared library
 libzt_core checks settled bets of provably fair games: it recomputes every
 commitment of a bet receipt and settlement transcript and replays the game's
 mapper from a signed game definition package.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libzt-core-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS
  "${CPACK_DEBIAN_RUNTIME_PACKAGE_NAME} (= ${zt_deb_version})")
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SHLIBDEPS OFF)
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION "${PROJECT_DESCRIPTION}: development files
 The C header zt/zt_core.h, the pkg-config file zt_core.pc and the CMake
 package zt_core (imported target zt::core) for building against libzt_core.")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME zt-verify)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION utils)
set(CPACK_COMPONENT_TOOLS_DESCRIPTION "${PROJECT_DESCRIPTION}: command-line verifier
 zt-verify verifies one bet or batches of bets on all cores, and inspects game
 definition packages, for players and auditors.")

set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-zt-core)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SHLIBDEPS OFF)
math(EXPR zt_next_python_minor "${Python3_VERSION_MINOR} + 1")
set(zt_python_depends
  "${CPACK_DEBIAN_RUNTIME_PACKAGE_NAME} (= ${zt_deb_version})"
  "python3 (>= ${Python3_VERSION_MAJOR}.${Python3_VERSION_MINOR})"
  "python3 (<< ${Python3_VERSION_MAJOR}.${zt_next_python_minor})"
  "libc6" "libgcc-s1" "libstdc++6")
# The audit package zt_audit, where the source tree has it, runs on Dask.
if(EXISTS ${PROJECT_SOURCE_DIR}/python/zt_audit)
  list(APPEND zt_python_depends "python3-dask" "python3-distributed")
endif()
list(JOIN zt_python_depends ", " CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS)
set(CPACK_COMPONENT_PYTHON_DESCRIPTION "${PROJECT_DESCRIPTION}: Python module
 The extension module zt_bindings_python (verify_bet, register_gdp_package)
 over libzt_core.")

include(CPack)
