# The Debian package: `cpack -G DEB` in the build folder gives velora_<version>_<arch>.deb with
# everything `cmake --install` puts under /usr. Its library dependencies are read from the
# binaries by dpkg-shlibdeps (package dpkg-dev).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velora)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Velora developers")
set(CPACK_PACKAGE_CONTACT "Velora developers <developers@velora.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "ballistic coefficient calculator for air guns and small-bore rifles")
set(CPACK_PACKAGE_DESCRIPTION
"Velora finds the ballistic coefficient (BC) of an air-gun pellet, slug or
small-bore bullet from what a shooter measures at the range: the muzzle
velocity and one of the point of impact below the aim, the time of flight,
the velocity at the target or the drop below the bore line. It solves the BC
under one of ten drag laws in the entered air, refuses implausible results,
derives a BC band from the chronograph errors, and shows a range table and a
plot; a typed BC predicts the measurements instead.

The package holds the desktop program velora and the command-line tool
velora-cli, which runs the same calculations on a preferences file and prints
JSON.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Directories as Debian wants them whatever the builder's umask.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_PACKAGE_NAME velora)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${VELORA_SITE_URL}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Beside the libraries: the metric-compatible faces of Arial, Courier New and Helvetica that the
# window's layout is measured in; xdg-open opens the help manual and the web pages.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")

include(CPack)
