# `cmake --install build [--prefix P]`: the program folder under P/lib/penlow, a `penlow`
# launcher in P/bin that gives each user a writable program folder, and the desktop entry and
# icon so the program starts from a desktop's menu.
include(GNUInstallDirs)

install(DIRECTORY ${PENLOW_PROGRAM_DIR}/
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/penlow
    USE_SOURCE_PERMISSIONS
    # The build's copy of Config.ini carries a developer's edits; the shipped one goes below.
    PATTERN "data/Config.ini" EXCLUDE
    # Databases a run of the build left behind are that run's, not the program's.
    PATTERN "*.db" EXCLUDE
    PATTERN "image/*" EXCLUDE
    PATTERN "updata/*" EXCLUDE)
install(FILES ${CMAKE_SOURCE_DIR}/resources/data/Config.ini
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/penlow/data)
install(PROGRAMS ${CMAKE_SOURCE_DIR}/resources/desktop/penlow-launcher.sh
    DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME penlow)
install(FILES ${CMAKE_SOURCE_DIR}/resources/desktop/penlow.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PENLOW_PROGRAM_DIR}/logo.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/72x72/apps RENAME penlow.png)
