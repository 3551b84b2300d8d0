# The Debian package: `cpack -G DEB` in a built tree. What it holds is what `cmake --install`
# installs; its name, version and description are the project's, and its Depends are worked
# out from the program's shared libraries by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION "${QUILLBOX_LONG_DESCRIPTION}")
set(CPACK_PACKAGE_HOMEPAGE_URL "${QUILLBOX_HOMEPAGE}")
set(CPACK_PACKAGE_CONTACT "Quillbox developers <quillbox@quillbox.example>" CACHE STRING
    "The package's maintainer")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION mail)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
