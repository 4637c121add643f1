# Installation: libraries, public headers, the host, shared data, a man page,
# a CMake package (find_package(Keltrane 6.6 CONFIG)), a pkg-config file, the
# Python package keltrane and a Debian package (cpack -G DEB).
include(CMakePackageConfigHelpers)

set(KT_SHARE ${CMAKE_INSTALL_DATADIR}/keltrane)
set(KT_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Keltrane)

target_include_directories(Keltrane INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
set_target_properties(Keltrane KeltraneRT KeltraneSuite Rared16uzeRozudivovavuv PROPERTIES INSTALL_RPATH "$ORIGIN")
set_target_properties(Keltrane PROPERTIES EXPORT_NAME Keltrane)
set_target_properties(KeltraneRT PROPERTIES EXPORT_NAME RT)

install(TARGETS Keltrane KeltraneRT EXPORT KeltraneTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
# The suite's components and the installed-path provider are loaded by name
# beside the run time, never linked against.
install(TARGETS KeltraneSuite Rared16uzeRozudivovavuv LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} NAMELINK_SKIP)
install(TARGETS keltrane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY include/keltrane DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
# keltrane.h is made from idl/Keltrane.idl in the build folder.
install(FILES ${KT_GENERATED_DIR}/include/keltrane/keltrane.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/keltrane)
install(FILES suite/db/schema.sql suite/db/demo.sql share/Vizaride32.ini DESTINATION ${KT_SHARE})
install(FILES man/keltrane.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

install(EXPORT KeltraneTargets NAMESPACE Keltrane:: DESTINATION ${KT_CMAKE_DIR})
configure_package_config_file(cmake/KeltraneConfig.cmake.in ${CMAKE_CURRENT_BINARY_DIR}/KeltraneConfig.cmake
  INSTALL_DESTINATION ${KT_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/KeltraneConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/KeltraneConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/KeltraneConfigVersion.cmake
  DESTINATION ${KT_CMAKE_DIR})

# The .pc file names its prefix relative to itself, so a relocated install works.
file(RELATIVE_PATH KT_PC_TO_PREFIX /x/${CMAKE_INSTALL_LIBDIR}/pkgconfig /x)
configure_file(cmake/keltrane.pc.in ${CMAKE_CURRENT_BINARY_DIR}/keltrane.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/keltrane.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# The Python package: its folder depends on the prefix it is installed to,
# so install_python.cmake chooses it when installing.  KELTRANE_PYTHON_DIR
# (relative to the prefix) chooses it for every prefix.
set(KELTRANE_PYTHON_DIR "" CACHE STRING "Folder of the Python package under the prefix (default: by prefix)")
find_program(KELTRANE_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH DOC "Debian's python3")
find_program(KELTRANE_PYTHON3 python3)
set(KT_PYTHON_VERSION 3)
if(KELTRANE_PYTHON3)
  execute_process(COMMAND ${KELTRANE_PYTHON3} -c "import sys; print('%d.%d' % sys.version_info[:2])"
    OUTPUT_VARIABLE KT_PYTHON_VERSION OUTPUT_STRIP_TRAILING_WHITESPACE)
endif()
install(CODE "set(KT_PYTHON_DIR \"${KELTRANE_PYTHON_DIR}\")
  set(KT_PYTHON_VERSION \"${KT_PYTHON_VERSION}\")
  set(KT_PYTHON_SOURCE \"${CMAKE_SOURCE_DIR}/python/keltrane\")
  set(KT_PYTHON_STAGE \"${CMAKE_BINARY_DIR}/python-install\")
  set(KT_PYTHON_LIBDIR \"${CMAKE_INSTALL_LIBDIR}\")
  set(KT_PYTHON_BINDIR \"${CMAKE_INSTALL_BINDIR}\")")
install(SCRIPT cmake/install_python.cmake)

set(CPACK_PACKAGE_NAME keltrane)
set(CPACK_PACKAGE_VENDOR "Keltrane for Linux")
set(CPACK_PACKAGE_CONTACT "Keltrane maintainers <keltrane@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Class library of the panel downloader suite, with its object run time, host and Python package")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS python3)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_GENERATOR DEB)
include(CPack)
