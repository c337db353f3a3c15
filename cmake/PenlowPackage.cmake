# `cpack -G DEB` in the build folder (scripts/package.sh): penlow_<version>_amd64.deb with the
# installed tree of PenlowInstall.cmake under /usr, the udev rules written from the vendor
# table, dependencies computed from the binaries plus adb, and scripts that reload udev.
install(FILES ${PENLOW_UDEV_RULES} DESTINATION lib/udev/rules.d COMPONENT Unspecified)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME penlow)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Penlow developers <penlow@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop assistant for Android phones")
set(CPACK_PACKAGE_DESCRIPTION
    "Recognises a phone plugged in by USB and reaches it through adb: shows its model, maker, \
Android version, root state, storage, battery and a live screenshot; a store page lists apps \
whose downloads survive restarts, and every finished package is installed on the phone.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Needed at run time beyond the libraries the binaries link: the adb client and server, the
# fonts the pages are drawn with, and xdg-open and D-Bus for opening folders and links.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "adb, fonts-noto-cjk, fonts-noto-color-emoji")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, dbus-user-session")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_SOURCE_DIR}/resources/packaging/postinst
    ${CMAKE_SOURCE_DIR}/resources/packaging/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
