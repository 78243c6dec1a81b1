# The Debian package: after the build, `cpack -G DEB` in the build folder
# makes kresbon_VERSION_ARCH.deb with everything `cmake --install` puts in
# place, under /usr. The library dependencies are worked out by
# dpkg-shlibdeps from the programs themselves.

# What a Debian package documents about itself: its copyright and its
# changelog, compressed as the policy asks.
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/changelog ${CMAKE_BINARY_DIR}/debian/changelog @ONLY)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/debian/changelog.gz
  COMMAND gzip -9nc ${CMAKE_BINARY_DIR}/debian/changelog > ${CMAKE_BINARY_DIR}/debian/changelog.gz
  DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog
  VERBATIM)
add_custom_target(package_documents ALL DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog.gz)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/copyright ${CMAKE_BINARY_DIR}/debian/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kresbon)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kresbon)
set(CPACK_PACKAGE_VENDOR "Kresbon developers")
set(CPACK_PACKAGE_CONTACT "Kresbon developers <kresbon@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "drawing scripts turned into raster drawings")
set(CPACK_PACKAGE_DESCRIPTION
    "Kresbon turns a small textual drawing language into raster drawings.\n"
    "The package holds the desktop program with its editor, help and demo,\n"
    "kresbon-render for scripts and builds, the language server kresbon-lsp\n"
    "for text editors, file manager thumbnails and editor files for Vim and\n"
    "VS Code.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "")
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
