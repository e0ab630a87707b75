# The Debian package (scripts/package runs cpack): what `cmake --install` puts under /usr, plus
# the copyright and changelog files Debian expects in its documentation folder. Included from the
# top-level CMakeLists.txt after every install rule.

set(VELTOR_MAINTAINER "The Veltor developers <developers@veltor.org>")
set(VELTOR_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/veltor)

# Debian wants the changelog compressed without a timestamp (gzip -n), so packages are repeatable.
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${CMAKE_BINARY_DIR}/debian/changelog @ONLY)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/debian/changelog.gz
  COMMAND gzip -9nkf ${CMAKE_BINARY_DIR}/debian/changelog
  DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog
  COMMENT "Compressing the Debian changelog")
add_custom_target(debian_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog.gz)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${CMAKE_BINARY_DIR}/debian/changelog.gz
  DESTINATION ${VELTOR_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME veltor)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${VELTOR_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "acquire images from image scanners on a serial port")
set(CPACK_PACKAGE_DESCRIPTION_FILE ${CMAKE_CURRENT_LIST_DIR}/description)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Libraries come from what the executables link (dpkg-shlibdeps). Qt's SVG plugins are loaded at
# run time, so no linked library names them; without them the icons are missing.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
# The toolkit's own buttons in Russian, like the rest of the program.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
include(CPack)
