# Installed layout:
#   bin/kadrolin                      launcher: prepares the user's data directory, starts the program
#   bin/kadrolin-tool                 command-line import, export, backup and restore
#   lib/kadrolin/kadrolin             the program (each user runs a private copy, see scripts/launcher.sh)
#   lib/kadrolin/prepare-data-dir.sh  shared with scripts/run.sh
#   share/kadrolin/                   templates of a fresh data directory
#   share/applications, share/icons   desktop entry and icon
include(GNUInstallDirs)

install(TARGETS kadrolin RUNTIME DESTINATION lib/kadrolin)
install(TARGETS kadrolin-tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(PROGRAMS scripts/prepare-data-dir.sh DESTINATION lib/kadrolin)
install(PROGRAMS scripts/launcher.sh DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME kadrolin)
install(FILES records/schema.sql data/help.rtf data/system.ssd
        DESTINATION ${CMAKE_INSTALL_DATADIR}/kadrolin OPTIONAL)
install(FILES data/kadrolin.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/kadrolin.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kadrolin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Kadrolin developers <kadrolin@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Personnel register with a Turkish user interface")
set(CPACK_PACKAGE_INSTALL_DIRECTORY kadrolin)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# Libraries are found by dpkg-shlibdeps; the rest is what the program and the
# launcher use at run time without linking to it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "sqlite3, qt6-qpa-plugins, fonts-liberation2, fonts-dejavu-core")
set(CPACK_STRIP_FILES ON)
include(CPack)
