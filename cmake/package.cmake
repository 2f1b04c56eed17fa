# `cpack` in a build tree: qm7140-VERSION-win32.zip (and its -debug.zip) from the win32
# build, qm7140_VERSION_amd64.deb from the Linux one. `./run package` makes both into dist/.
set(CPACK_PACKAGE_NAME qm7140)
set(CPACK_PACKAGE_VENDOR "QM7140 module developers")
set(CPACK_PACKAGE_VERSION ${QM7140_VERSION_FULL})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "plug-in module for the QM7140 audio amplifier, and its hosts")
set(CPACK_STRIP_FILES OFF)  # already stripped, with a debug link (cmake/ship.cmake)

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  # Both zips unpack into one folder, qm7140-VERSION-win32\, the debug files beside the
  # programs they belong to.
  set(CPACK_PACKAGE_FILE_NAME qm7140-${QM7140_VERSION_FULL}-win32)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY ON)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
  set(CPACK_COMPONENTS_ALL runtime debug)
  set(CPACK_ARCHIVE_RUNTIME_FILE_NAME qm7140-${QM7140_VERSION_FULL}-win32)
  set(CPACK_ARCHIVE_DEBUG_FILE_NAME qm7140-${QM7140_VERSION_FULL}-win32-debug)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${QM7140_MAINTAINER})
  set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "libqm7140.so, the device plug-in module for the QM7140 audio amplifier
with its three dialogs (Digital Control, Limiter / AGC, Boost), and the
hosts that show them: qm7140-host in a terminal and qm7140-web in a
browser, with simulated devices or a real QM7140 on an I2C adapter.
Headers, pkg-config and CMake files for hosts of your own; a systemd unit
for the web host (not enabled) and a udev rule giving the i2c group the
adapters.")
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # postinst makes the i2c group with addgroup; the Python package is built for Debian 12's.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "adduser, python3 (>= 3.11), python3 (<< 3.12)")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_SOURCE_DIR}/packaging/postinst ${CMAKE_SOURCE_DIR}/packaging/prerm
    ${CMAKE_SOURCE_DIR}/packaging/postrm ${CMAKE_SOURCE_DIR}/packaging/conffiles ${CMAKE_SOURCE_DIR}/packaging/triggers)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
endif()
include(CPack)
