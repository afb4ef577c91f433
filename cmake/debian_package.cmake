# The Debian package of the Linux program, built by CPack from what
# `cmake --install` puts in place: cpack -G DEB (or the package preset)
# writes ovik_<version>_<arch>.deb. Its run-time dependencies are read
# from the program by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ovik)
set(CPACK_PACKAGE_VENDOR "Ovik")
set(CPACK_PACKAGE_CONTACT "Ovik maintainers <ovik@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "which accounts use the space on a volume, and how much")
set(CPACK_PACKAGE_DESCRIPTION
    "Ovik walks every directory of a volume, finds each file's owner, adds
the file's size to that owner's total and ranks the owners, largest
first, with their usage and their share of the volume: in a dialog in
the terminal, or as a report for scripts and cron.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
include(CPack)
