# Installed layout:
#   bin/kadrolin                      launcher: prepares the user's data directory, starts the program
#   bin/kadrolin-tool                 command-line import, export, backup and restore
#   lib/kadrolin/kadrolin             the program
#   lib/kadrolin/prepare-data-dir.sh  shared with scripts/run.sh
#   share/kadrolin/                   templates of a fresh data directory
#   share/applications, share/icons   desktop entry and icons (hicolor 48, 128, 256 and SVG)
#   share/metainfo                    AppStream metadata for software centres
#   share/man/man1                    manual pages
#   share/doc/kadrolin                copyright, changelog.Debian.gz
include(GNUInstallDirs)

# Directories land 0755 whatever the builder's umask is.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(KADROLIN_APP_ID org.example.kadrolin)

install(TARGETS kadrolin RUNTIME DESTINATION lib/kadrolin)
install(TARGETS kadrolin-tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(PROGRAMS scripts/prepare-data-dir.sh DESTINATION lib/kadrolin)
install(PROGRAMS scripts/launcher.sh DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME kadrolin)
install(FILES records/schema.sql data/help.rtf data/system.ssd
        DESTINATION ${CMAKE_INSTALL_DATADIR}/kadrolin OPTIONAL)
install(FILES data/${KADROLIN_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES data/${KADROLIN_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES data/kadrolin.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 48 128 256)
  install(FILES data/icons/kadrolin-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME kadrolin.png)
endforeach()

# Manual pages and the Debian changelog go in compressed, as Debian wants
# them: gzip -9n leaves no name or time stamp, so the package is reproducible.
find_program(GZIP_PROGRAM gzip REQUIRED)
function(kadrolin_gzip source output)
  add_custom_command(OUTPUT ${output}
    COMMAND ${GZIP_PROGRAM} -9nc ${source} > ${output}
    DEPENDS ${source} VERBATIM)
endfunction()
set(gz ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${gz})
set(man_pages kadrolin)
if(TARGET kadrolin-tool)
  list(APPEND man_pages kadrolin-tool)
endif()
set(gz_files ${gz}/changelog.Debian.gz)
kadrolin_gzip(${PROJECT_SOURCE_DIR}/data/changelog.Debian ${gz}/changelog.Debian.gz)
foreach(page IN LISTS man_pages)
  kadrolin_gzip(${PROJECT_SOURCE_DIR}/docs/man/${page}.1 ${gz}/${page}.1.gz)
  list(APPEND gz_files ${gz}/${page}.1.gz)
  install(FILES ${gz}/${page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
add_custom_target(kadrolin_package_docs ALL DEPENDS ${gz_files})
install(FILES data/copyright ${gz}/changelog.Debian.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kadrolin)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kadrolin)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_PACKAGE_CONTACT "Kadrolin developers <kadrolin@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "personnel register with a Turkish user interface")
set(CPACK_PACKAGE_DESCRIPTION
    "Kadrolin keeps staff records for a school, a municipality office or a
small firm: one record per person with personal details, job details,
identity-card details, free notes and a photo. Typing the beginning of a
name narrows the list; photos come from JPEG, bitmap or metafile pictures or
the clipboard; a phone list and a detailed listing are printed through a
print preview. The colours of the editing screen can be chosen and the
program can be protected with a start-up password. The user interface is
Turkish.")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://kadrolin.example.org/")
set(CPACK_PACKAGE_INSTALL_DIRECTORY kadrolin)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries are found by dpkg-shlibdeps; the rest is what the program and the
# launcher use at run time without linking to it, and Qt's Turkish translations.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "sqlite3, qt6-qpa-plugins, qt6-translations-l10n, fonts-liberation2, fonts-dejavu-core")
set(CPACK_STRIP_FILES ON)
include(CPack)
