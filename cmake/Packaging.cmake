# The Debian package: `cpack -G DEB` in a build directory gives vexagrid_<version>_amd64.deb
# with both programs, their runtime files, the desktop entry, icons, AppStream metainfo,
# manual pages and the copyright file (tools/check-package.sh builds and checks it).
#
# The install rules here are the ones only a system install needs; the programs and their
# runtime files are installed by their own folders.
if(VEXAGRID_CODECS_ONLY)
  return()
endif()
find_program(GZIP_EXECUTABLE gzip)

set(_pkg_source "${CMAKE_SOURCE_DIR}/resources")
set(_pkg_out "${CMAKE_BINARY_DIR}/packaging")
set(_pkg_docdir "${CMAKE_INSTALL_DATADIR}/doc/vexagrid")

# Debian wants manual pages and the changelog compressed, without a time stamp in them
# (gzip -n) so that two builds give the same package.
string(TIMESTAMP VEXAGRID_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file("${_pkg_source}/debian/changelog.in" "${_pkg_out}/changelog" @ONLY)
set(_pkg_compressed)
foreach(_page vexagrid.1 vexagrid-cli.1)
  add_custom_command(OUTPUT "${_pkg_out}/${_page}.gz"
    COMMAND ${GZIP_EXECUTABLE} -9 -n -c "${_pkg_source}/man/${_page}" > "${_pkg_out}/${_page}.gz"
    DEPENDS "${_pkg_source}/man/${_page}"
    COMMENT "Compressing the manual page ${_page}")
  list(APPEND _pkg_compressed "${_pkg_out}/${_page}.gz")
endforeach()
add_custom_command(OUTPUT "${_pkg_out}/changelog.gz"
  COMMAND ${GZIP_EXECUTABLE} -9 -n -c "${_pkg_out}/changelog" > "${_pkg_out}/changelog.gz"
  DEPENDS "${_pkg_out}/changelog"
  COMMENT "Compressing the package changelog")
list(APPEND _pkg_compressed "${_pkg_out}/changelog.gz")
# The bash completion comes from the command line's own table of commands, options and the
# form's object names, so it cannot fall behind them (not for a cross build, which cannot run
# the program it builds).
if(NOT CMAKE_CROSSCOMPILING)
  add_custom_command(OUTPUT "${_pkg_out}/vexagrid-cli.bash"
    COMMAND $<TARGET_FILE:vexagrid-cli> completion > "${_pkg_out}/vexagrid-cli.bash"
    DEPENDS vexagrid-cli
    COMMENT "Writing the bash completion of vexagrid-cli")
  list(APPEND _pkg_compressed "${_pkg_out}/vexagrid-cli.bash")
  install(FILES "${_pkg_out}/vexagrid-cli.bash"
    DESTINATION "${CMAKE_INSTALL_DATADIR}/bash-completion/completions" RENAME vexagrid-cli)
endif()
add_custom_target(vexagrid_package_files ALL DEPENDS ${_pkg_compressed})

install(FILES "${_pkg_out}/vexagrid.1.gz" "${_pkg_out}/vexagrid-cli.1.gz"
  DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
install(FILES "${_pkg_source}/hu.vexagrid.vexagrid.metainfo.xml"
  DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
install(FILES "${_pkg_source}/debian/copyright" "${_pkg_out}/changelog.gz"
  DESTINATION "${_pkg_docdir}")

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "vexagrid")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "VexaGrid Kft.")
set(CPACK_PACKAGE_CONTACT "VexaGrid Kft. <info@vexagrid.hu>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration tool for the VexaGrid-3 GSM module")
# Lines of the extended description stay within 80 columns, as lintian wants.
set(CPACK_PACKAGE_DESCRIPTION
  "The VexaGrid-3 is a GSM module that watches the three phases of a mains\n\
supply, drives two outputs and reports phase alarms by ringing or SMS.\n\
With this tool an installer finds the module on a serial port, reads,\n\
edits and writes its configuration and queries its state. The package\n\
holds the window program (vexagrid, Hungarian user interface) and the\n\
command line vexagrid-cli, which configures many modules at once.")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "electronics")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "http://www.vexagrid.hu")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The record's SQL drivers: Qt loads them as plugins at run time, which dpkg-shlibdeps cannot
# see. SQLite keeps this machine's record, PostgreSQL a team's. The libraries found by
# dpkg-shlibdeps are added to these.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6sql6-psql")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The simulated module is a tool for tests and demos, not for installers: a plain
# `cmake --install` installs it, and CPack takes it out of its staging tree again.
file(WRITE "${_pkg_out}/drop-sim.cmake" [=[
file(GLOB_RECURSE _sim "${CPACK_TEMPORARY_DIRECTORY}/*/bin/vexagrid-sim")
if(_sim)
  file(REMOVE ${_sim})
endif()
]=])
set(CPACK_PRE_BUILD_SCRIPTS "${_pkg_out}/drop-sim.cmake")
include(CPack)
