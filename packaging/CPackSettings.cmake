# The Debian package (`make package`, or `cpack` in a build folder): tavrin-studio_<version>_<arch>.deb
# in the build folder. Included from the top level before CPack itself.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tavrin-studio)
set(CPACK_PACKAGE_VENDOR "Kelvane Motion")
set(CPACK_PACKAGE_CONTACT "Kelvane Motion <support@kelvanemotion.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "set up battery-powered motor controllers over a serial cable")
set(CPACK_PACKAGE_DESCRIPTION
  "Tavrin Studio reads the parameter set of a battery-powered motor controller over a
serial cable, shows and edits it, writes it back and keeps it as profiles; it also
reads the controller's information, logs and service timers, copies EEPROM images and
watches ADC channels. The package holds the application (tavrin-studio), the same
operations for scripts and production lines (tavrin-cli), a controller simulator
(tavrin-sim) and the bundled tag file.")
# The system-wide settings go to /etc/xdg, outside the prefix: stage through DESTDIR so the
# absolute destination lands in the package, not on the build machine. Staged that way the
# package installs under CPACK_INSTALL_PREFIX, whatever prefix the build folder has.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.kelvanemotion.com/")
# Library dependencies come from the programs themselves (dpkg-shlibdeps); the platform
# plugins that let the window open are loaded at run time, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# The system-wide settings are the administrator's to edit: an upgrade keeps their changes.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_LIST_DIR}/conffiles)
