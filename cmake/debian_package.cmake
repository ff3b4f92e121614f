# The Debian package, made by `cpack -G DEB` in a Linux build: what `cmake --install` puts under
# /usr, its dependencies found by dpkg-shlibdeps from the libraries the binaries use, and the
# documents Debian asks of every package. tests/debian_package.sh builds and checks it.
include(GNUInstallDirs)

set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/zantovel)
install(FILES ${PROJECT_SOURCE_DIR}/app/resources/copyright DESTINATION ${doc_dir})
# Debian keeps a package's change log compressed, without a time stamp in the compressed file;
# a package made by its own authors (native) names it changelog.gz.
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/changelog.gz
  COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/app/resources/changelog.Debian > ${CMAKE_BINARY_DIR}/changelog.gz
  DEPENDS ${PROJECT_SOURCE_DIR}/app/resources/changelog.Debian VERBATIM)
add_custom_target(zantovel_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/changelog.gz DESTINATION ${doc_dir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zantovel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "put a prefix in front of the names of the files in a folder")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Zantovel gives every file of one folder whose name ends with a chosen type a
new name: a prefix followed by the old name, optionally numbered; with the
type *.* it copies every file under its new name instead. A name that is
already taken is never replaced. Every step goes to a time-stamped log, a
long pass can be watched and stopped, and the last pass can be taken back.
It has a window and a command line.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Zantovel developers <developers@zantovel.org>")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
